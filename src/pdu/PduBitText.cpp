// Bit texts: octets written as "0"/"1" characters, and the 7-bit packing defined on them.
#include <string>
#include <string_view>

#include "pdu/PduPrimitives.h"

namespace vorsa::detail {

std::string stringToBits(std::string_view text) {
    std::string bits;
    bits.reserve(text.size() * 8);
    for (const char character : text) {
        const auto code = static_cast<unsigned char>(character);
        for (int bit = 7; bit >= 0; --bit) {
            bits.push_back(((code >> bit) & 1) != 0 ? '1' : '0');
        }
    }
    return bits;
}

std::string bitsToString(std::string_view bits) {
    std::string text;
    text.reserve(bits.size() / 8);
    for (std::size_t group = 0; group + 8 <= bits.size(); group += 8) {
        unsigned code = 0;
        for (std::size_t i = 0; i < 8; ++i) {
            code = (code << 1) | (bits[group + i] == '1' ? 1u : 0u);
        }
        text.push_back(static_cast<char>(code));
    }
    return text;
}

std::string octetsToSeptets(std::string_view bits) {
    std::string septets;
    septets.reserve(bits.size());
    for (std::size_t i = 0; i < bits.size(); ++i) {
        if (i % 8 != 0) {
            septets.push_back(bits[i]);
        }
    }
    const std::size_t fill = (8 - septets.size() % 8) % 8;
    septets.insert(0, fill, '0');
    return septets;
}

std::string septetsToOctets(std::string_view bits) {
    bits.remove_prefix(bits.size() % 7);
    std::string octets;
    octets.reserve(bits.size() / 7 * 8);
    for (std::size_t group = 0; group < bits.size(); group += 7) {
        octets.push_back('0');
        octets.append(bits.substr(group, 7));
    }
    return octets;
}

std::string packSeptetsByBitText(std::string_view septets) {
    const std::string bits = octetsToSeptets(stringToBits(reverseString(septets)));
    return stringToHex(reverseString(bitsToString(bits)));
}

std::string unpackSeptetsByBitText(std::string_view userData) {
    const std::string bits = septetsToOctets(stringToBits(reverseString(hexToString(userData))));
    return reverseString(bitsToString(bits));
}

}  // namespace vorsa::detail
