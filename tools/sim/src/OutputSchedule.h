// Bytes the modem has yet to send, each piece with the time it is due. Pieces leave in
// the order they were added: a piece is never due before the one ahead of it.
#pragma once

#include <deque>
#include <optional>
#include <string>

#include "vorsa/sim/ModemTypes.h"

namespace vorsa::sim::detail {

class OutputSchedule {
  public:
    /// Queues `bytes` due at `due`, or one byte every `byteGap` from then when the gap is
    /// not zero.
    void Add(const std::string& bytes, Millis due, Millis byteGap);
    /// Removes and returns every byte due at `now`.
    [[nodiscard]] std::string TakeDue(Millis now);
    [[nodiscard]] std::optional<Millis> NextDue() const;
    [[nodiscard]] bool Empty() const { return pieces_.empty(); }

  private:
    struct Piece {
        Millis due;
        std::string bytes;
    };
    std::deque<Piece> pieces_;
};

}  // namespace vorsa::sim::detail
