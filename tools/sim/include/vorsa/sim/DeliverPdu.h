// SMS-DELIVER (GSM 03.40), the unit the modem stores for a received message and shows in
// PDU mode, preceded by the service-centre address.
#pragma once

#include <optional>
#include <string>

#include "vorsa/sim/Hex.h"
#include "vorsa/sim/SmsAddress.h"
#include "vorsa/sim/TimeStamp.h"
#include "vorsa/sim/UserData.h"

namespace vorsa::sim {

struct DeliverPdu {
    Address serviceCentre;
    /// TP-MMS clear: the centre has more messages waiting.
    bool moreMessagesToSend = false;
    bool statusReportIndication = false;
    bool replyPath = false;
    Address originator;
    uint8_t protocolId = 0;
    uint8_t dataCoding = 0;
    TimeStamp serviceCentreTime;
    UserData userData;

    /// The first octet as these fields set it (MTI 00).
    [[nodiscard]] uint8_t FirstOctet() const;
    /// The whole PDU; nullopt when an address cannot be written.
    [[nodiscard]] std::optional<Octets> Encode() const;
    /// Reads a whole PDU strictly (message type SMS-DELIVER, user data exactly TP-UDL).
    [[nodiscard]] static std::optional<DeliverPdu> Decode(const Octets& pdu, std::string* error);
};

}  // namespace vorsa::sim
