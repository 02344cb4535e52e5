// Fields that every SMS-SUBMIT writer shares: the number rule, numbers in semi-octet
// order, and hexadecimal numbers of at least two digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorsa::detail {

/// A number split by the numbering rule: "+" or "00" in front makes it international and
/// is dropped; anything else is written as it is, a single leading "0" included.
struct SplitNumber {
    std::string_view digits;
    uint8_t type;
};
[[nodiscard]] SplitNumber splitNumber(std::string_view number) noexcept;

/// Writes a value with at least two upper-case hexadecimal digits, more when it needs them.
void appendHexNumber(std::string& out, std::size_t value);

/// Writes the characters in semi-octet order, with "F" filling an odd count. The
/// characters are not examined.
void appendSemiOctets(std::string& out, std::string_view digits);

/// Octets of an address field after its length: the type and the filled digits.
[[nodiscard]] constexpr std::size_t addressOctets(std::string_view digits) noexcept {
    return 1 + digits.size() / 2 + digits.size() % 2;
}

}  // namespace vorsa::detail
