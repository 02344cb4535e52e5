// Hexadecimal text and semi-octet order.
#include <string>
#include <string_view>
#include <utility>

#include "pdu/PduPrimitives.h"

namespace vorsa::detail {

std::string reverseString(std::string_view text) {
    return std::string(text.rbegin(), text.rend());
}

int hexToInt(std::string_view hex) noexcept {
    if (hex.empty()) {
        return 0;
    }
    if (hex.size() == 1) {
        return hexDigitValue(hex[0]);
    }
    return hexPairValue(hex[0], hex[1]);
}

std::string stringToHex(std::string_view text) {
    std::string hex(text.size() * 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto code = static_cast<unsigned char>(text[i]);
        hex[2 * i] = nibbleToHex(code >> 4);
        hex[2 * i + 1] = nibbleToHex(code & 0x0F);
    }
    return hex;
}

std::string hexToString(std::string_view hex) {
    std::string text(hex.size() / 2, '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char>(hexPairValue(hex[2 * i], hex[2 * i + 1]));
    }
    return text;
}

std::string swapSemiOctets(std::string_view text) {
    std::string swapped(text);
    for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) {
        std::swap(swapped[i], swapped[i + 1]);
    }
    return swapped;
}

}  // namespace vorsa::detail
