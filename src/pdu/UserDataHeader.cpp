// Reading the concatenation element of a user data header.
#include "pdu/UserDataHeader.h"

#include <cstdint>

namespace vorsa::detail {
namespace {

constexpr uint8_t kConcat8BitReference = 0x00;
constexpr uint8_t kConcat16BitReference = 0x08;

}  // namespace

std::optional<ConcatInfo> concatOf(std::string_view headerOctets) noexcept {
    std::optional<ConcatInfo> concat;
    auto octet = [&headerOctets](std::size_t i) { return static_cast<uint8_t>(headerOctets[i]); };
    std::size_t at = 0;
    while (at + 2 <= headerOctets.size()) {
        const uint8_t identifier = octet(at);
        const std::size_t length = octet(at + 1);
        const std::size_t data = at + 2;
        if (data + length > headerOctets.size()) {
            break;
        }
        ConcatInfo found;
        bool isConcat = false;
        if (identifier == kConcat8BitReference && length == 3) {
            found.reference = octet(data);
            found.total = octet(data + 1);
            found.sequence = octet(data + 2);
            isConcat = true;
        } else if (identifier == kConcat16BitReference && length == 4) {
            found.reference = static_cast<uint16_t>(octet(data) << 8 | octet(data + 1));
            found.total = octet(data + 2);
            found.sequence = octet(data + 3);
            found.sixteenBitReference = true;
            isConcat = true;
        }
        if (isConcat && found.total > 0 && found.sequence > 0 && found.sequence <= found.total) {
            concat = found;
        }
        at = data + length;
    }
    return concat;
}

}  // namespace vorsa::detail
