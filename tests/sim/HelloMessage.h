// The message the tests deliver most: "Hello" from +40700000000 through the centre
// +40700000001, stamped 02/03/04,10:20:30+08; the SMS-DELIVER the modem makes of it; and
// the SMS-SUBMIT the tests send most.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "vorsa/sim/ModemTypes.h"

namespace vorsa::sim {

inline IncomingMessage Hello(std::optional<int> messageClass = std::nullopt,
                             std::string text = "Hello") {
    IncomingMessage message;
    message.from = "+40700000000";
    message.text = std::move(text);
    message.serviceCentre = "+40700000001";
    message.timeStamp = TimeStamp::Parse("02/03/04,10:20:30+08");
    message.messageClass = messageClass;
    return message;
}

inline constexpr char kHelloPdu[] =
    "07910407000000F1040B910407000000F000002030400102038005C8329BFD06";

// "hello" to +40700000000 as class 1, without a service centre: AT+CMGS=18.
inline constexpr char kHelloSubmit[] = "0001000B910407000000F000F105E8329BFD06";

}  // namespace vorsa::sim
