// The message the engine tests deliver most: "Hello" from +40700000000 through the centre
// +40700000001, stamped 02/03/04,10:20:30+08; and the SMS-DELIVER the modem makes of it.
#pragma once

#include <optional>

#include "vorsa/sim/ModemTypes.h"

namespace vorsa::sim {

inline IncomingMessage Hello(std::optional<int> messageClass = std::nullopt) {
    IncomingMessage message;
    message.from = "+40700000000";
    message.text = "Hello";
    message.serviceCentre = "+40700000001";
    message.timeStamp = TimeStamp::Parse("02/03/04,10:20:30+08");
    message.messageClass = messageClass;
    return message;
}

inline constexpr char kHelloPdu[] =
    "07910407000000F1040B910407000000F000002030400102038005C8329BFD06";

}  // namespace vorsa::sim
