// SMS-STATUS-REPORT (GSM 03.40), the unit a service centre sends back when a message was
// sent with a status report request, preceded by the service-centre address.
#pragma once

#include <optional>
#include <string>

#include "vorsa/sim/Hex.h"
#include "vorsa/sim/SmsAddress.h"
#include "vorsa/sim/TimeStamp.h"

namespace vorsa::sim {

/// TP-Status values the simulator answers with for each outcome.
constexpr uint8_t kStatusDelivered = 0x00;  // short message received by the SME
constexpr uint8_t kStatusPending = 0x21;    // SME busy, the centre still tries
constexpr uint8_t kStatusFailed = 0x41;     // incompatible destination

struct StatusReportPdu {
    Address serviceCentre;
    bool moreMessagesToSend = false;
    /// TP-SRQ: the report answers an SMS-COMMAND rather than an SMS-SUBMIT.
    bool commandQualifier = false;
    /// TP-MR of the message reported on: the reference "+CMGS:" gave it.
    uint8_t messageReference = 0;
    Address recipient;
    TimeStamp serviceCentreTime;
    TimeStamp dischargeTime;
    uint8_t status = kStatusDelivered;

    /// The first octet as these fields set it (MTI 10).
    [[nodiscard]] uint8_t FirstOctet() const;
    /// The whole PDU (no parameter indicator); nullopt when an address cannot be written.
    [[nodiscard]] std::optional<Octets> Encode() const;
    /// Reads a PDU strictly up to its status octet; anything after it (the optional
    /// parameters) is not read. `error` says why it failed.
    [[nodiscard]] static std::optional<StatusReportPdu> Decode(const Octets& pdu,
                                                               std::string* error);
};

}  // namespace vorsa::sim
