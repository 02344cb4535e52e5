// The component's state for messages as people write them: the parts of long messages
// waiting for the rest, the concatenation references of long sends, and the time those
// run on. Time is the platform's tick count carried on past its wrap, so that tests on a
// virtual clock move it as they move everything else.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>

#include "vorsa/Framework.h"
#include "vorsa/PDU.h"

namespace vorsa::detail {

struct MessageFlow {
    MessageFlow() : LastTick(GetTickCount()) {}

    /// Now, on the reassembler's time line.
    [[nodiscard]] MessageReassembler::TimePoint Now() {
        const uint32_t Tick = GetTickCount();
        Elapsed += static_cast<uint32_t>(Tick - LastTick);
        LastTick = Tick;
        return MessageReassembler::TimePoint(std::chrono::milliseconds(Elapsed));
    }

    /// The reassembler, made anew with TimeoutSeconds when that changed and no message
    /// waits (a waiting message keeps the time-out it began with).
    [[nodiscard]] MessageReassembler& Reassembly(uint32_t TimeoutSeconds) {
        if (TimeoutSeconds != AppliedTimeout && Reassembler.pending() == 0) {
            ReassemblyOptions Options;
            Options.timeout = std::chrono::seconds(TimeoutSeconds);
            Reassembler = MessageReassembler(Options);
            AppliedTimeout = TimeoutSeconds;
        }
        return Reassembler;
    }

    MessageReassembler Reassembler;
    uint32_t AppliedTimeout = 600;
    ConcatReferences References{static_cast<uint8_t>(GetTickCount())};
    /// When a listing first showed each incomplete message (by sender and concatenation),
    /// for the time-out of listings; only the messages of the latest listing are kept.
    std::map<std::string, MessageReassembler::TimePoint> FirstListed;

  private:
    uint64_t Elapsed = 0;
    uint32_t LastTick;
};

}  // namespace vorsa::detail
