// A deliberately plain GSM 7-bit packer for building test vectors, written bit by bit
// from the rule itself (septet i of a text starting at bit b occupies bits b+7i to
// b+7i+6, counted from the least significant bit of the first octet) and sharing nothing
// with the codec.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorsa::testing {

/// The octets `header`, then the septets of `septets` from bit `firstBit` on (the bits in
/// between are zero fill), as upper-case hexadecimal text.
inline std::string packByHand(const std::vector<uint8_t>& header, std::size_t firstBit,
                              const std::string& septets) {
    std::vector<int> bits(8 * header.size(), 0);
    for (std::size_t octet = 0; octet < header.size(); ++octet) {
        for (int bit = 0; bit < 8; ++bit) {
            bits[8 * octet + static_cast<std::size_t>(bit)] = (header[octet] >> bit) & 1;
        }
    }
    bits.resize(firstBit, 0);
    for (const char character : septets) {
        for (int bit = 0; bit < 7; ++bit) {
            bits.push_back((static_cast<unsigned char>(character) >> bit) & 1);
        }
    }
    bits.resize((bits.size() + 7) / 8 * 8, 0);
    std::string hex;
    for (std::size_t octet = 0; octet < bits.size() / 8; ++octet) {
        int value = 0;
        for (int bit = 7; bit >= 0; --bit) {
            value = value * 2 + bits[8 * octet + static_cast<std::size_t>(bit)];
        }
        hex += "0123456789ABCDEF"[value / 16];
        hex += "0123456789ABCDEF"[value % 16];
    }
    return hex;
}

/// Two upper-case hexadecimal digits.
inline std::string hexOctet(std::size_t value) {
    std::string hex;
    hex += "0123456789ABCDEF"[(value / 16) % 16];
    hex += "0123456789ABCDEF"[value % 16];
    return hex;
}

}  // namespace vorsa::testing
