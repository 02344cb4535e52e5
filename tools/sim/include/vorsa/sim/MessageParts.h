// Long messages in the simulator: the concatenation element of a user data header, a
// network message cut into the parts a service centre would deliver, and the order in
// which a test wants those parts to arrive (shuffled, one lost, one repeated).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vorsa/sim/Hex.h"
#include "vorsa/sim/ModemTypes.h"

namespace vorsa::sim {

/// Information element 00 (8-bit reference) or 08 (16-bit reference).
struct ConcatElement {
    uint16_t reference = 0;
    uint8_t total = 1;
    uint8_t sequence = 1;
    bool sixteenBit = false;

    bool operator==(const ConcatElement& other) const {
        return reference == other.reference && total == other.total && sequence == other.sequence &&
               sixteenBit == other.sixteenBit;
    }
};

/// The element with its identifier and length octet, ready to go into a header.
[[nodiscard]] Octets EncodeConcatElement(const ConcatElement& element);
/// The last well-formed concatenation element among the header's elements (the header
/// without its length octet); nullopt when there is none or the header is malformed.
[[nodiscard]] std::optional<ConcatElement> FindConcatElement(const Octets& header);

/// The parts a message from the network arrives in: the message itself when it fits one
/// unit (or already carries a header of its own), otherwise parts of 153 septets, 67 UCS2
/// units or 134 octets (one less with a 16-bit reference), each with its concatenation
/// element and the alphabet of the whole text fixed. A character is never cut, so an
/// escape pair or a surrogate pair stays in one part. Empty when the text needs more
/// than 255 parts.
[[nodiscard]] std::vector<IncomingMessage> SplitIncoming(const IncomingMessage& message,
                                                         uint16_t reference,
                                                         bool sixteenBit = false);

/// In what order parts go out: `order` lists part numbers from 1 (empty: as they come,
/// or reversed), `drop` is a part that never arrives and `repeat` one that arrives a
/// second time, after the others.
struct PartArrangement {
    std::vector<int> order;
    bool reverse = false;
    std::optional<int> drop;
    std::optional<int> repeat;
};

/// The indexes (from 0) of the parts to deliver, in order; nullopt, with `error` set,
/// when the arrangement names a part that does not exist or lists one twice.
[[nodiscard]] std::optional<std::vector<size_t>> ArrangeParts(size_t count,
                                                              const PartArrangement& arrangement,
                                                              std::string* error);

}  // namespace vorsa::sim
