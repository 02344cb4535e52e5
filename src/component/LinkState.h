// The component's state of the link to its modem beyond the classic fields: bytes carried
// from one reply to the next, the command under way, the watch on the port's input, and
// the reconnection after a lost link.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/InputWatch.h"

namespace vorsa::detail {

struct LinkState {
    /// A line that had not come in full when the reply before was complete (a report that
    /// stalled half way); the next reply starts with it.
    std::string Carry;
    /// The command line of the exchange under way, without its line end ("" for none).
    std::string Command;
    /// Posts InputMessage to the hidden window when the port has input.
    std::unique_ptr<InputWatch> Watch;
    /// Connect has set the modem up, and the link counts as lost when it stops answering.
    bool SetUp = false;
    /// Exchanges in a row that received nothing at all before their time-out.
    uint32_t SilentExchanges = 0;
    /// AutoReconnect is bringing a lost link back; the pause before the next attempt, ms.
    bool Reconnecting = false;
    uint32_t ReconnectDelayMs = 0;
    /// Reports and OnDisconnect are held back (during an attempt to reconnect).
    bool Muted = false;
};

}  // namespace vorsa::detail
