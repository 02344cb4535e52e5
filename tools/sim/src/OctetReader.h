// Reads a PDU octet by octet; every read past the end fails instead of inventing data.
#pragma once

#include <cstddef>
#include <optional>

#include "vorsa/sim/Hex.h"

namespace vorsa::sim::detail {

class OctetReader {
  public:
    explicit OctetReader(const Octets& octets) : octets_(octets) {}

    [[nodiscard]] std::optional<uint8_t> Next() {
        if (position_ >= octets_.size()) {
            return std::nullopt;
        }
        return octets_[position_++];
    }

    [[nodiscard]] std::optional<Octets> Take(size_t count) {
        if (count > Remaining()) {
            return std::nullopt;
        }
        Octets piece(octets_.begin() + static_cast<std::ptrdiff_t>(position_),
                     octets_.begin() + static_cast<std::ptrdiff_t>(position_ + count));
        position_ += count;
        return piece;
    }

    [[nodiscard]] size_t Remaining() const { return octets_.size() - position_; }
    [[nodiscard]] size_t Position() const { return position_; }

  private:
    const Octets& octets_;
    size_t position_ = 0;
};

}  // namespace vorsa::sim::detail
