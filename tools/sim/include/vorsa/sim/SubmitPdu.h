// SMS-SUBMIT (GSM 03.40), the unit a terminal hands the modem with AT+CMGS in PDU mode,
// preceded by the service-centre address as AT+CMGS expects it.
#pragma once

#include <optional>
#include <string>

#include "vorsa/sim/Hex.h"
#include "vorsa/sim/SmsAddress.h"
#include "vorsa/sim/UserData.h"

namespace vorsa::sim {

enum class ValidityFormat { None = 0, Enhanced = 1, Relative = 2, Absolute = 3 };

struct SubmitPdu {
    /// The service centre the PDU names; an empty text when its length octet is 00.
    Address serviceCentre{"", 0};
    bool rejectDuplicates = false;
    bool statusReportRequest = false;
    bool replyPath = false;
    ValidityFormat validityFormat = ValidityFormat::None;
    /// One octet (relative) or seven (enhanced, absolute); empty without a period.
    Octets validityPeriod;
    uint8_t messageReference = 0;
    Address destination;
    uint8_t protocolId = 0;
    uint8_t dataCoding = 0;
    UserData userData;

    /// The first octet as these fields set it (MTI 01).
    [[nodiscard]] uint8_t FirstOctet() const;
    /// The whole PDU; nullopt when an address cannot be written.
    [[nodiscard]] std::optional<Octets> Encode() const;
    /// Reads a whole PDU, strictly: the message type must be SMS-SUBMIT, every field
    /// present, and the user data exactly as long as TP-UDL says. `error` says why not.
    [[nodiscard]] static std::optional<SubmitPdu> Decode(const Octets& pdu, std::string* error);
};

/// Octets of the service-centre part at the PDU's start (its length octet included), or
/// nullopt when the PDU is empty or shorter than that part claims.
[[nodiscard]] std::optional<size_t> ServiceCentrePartLength(const Octets& pdu);

}  // namespace vorsa::sim
