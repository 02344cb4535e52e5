// Characters at the codec's edges: strings come in and go out as UTF-8, and a byte that
// does not begin a well-formed UTF-8 sequence is read as ISO 8859-1, so that a caller
// still passing Latin-1 text (233 for "é") gets the character it meant. UCS2 user data is
// UTF-16 big-endian, with surrogate pairs for characters beyond the first plane.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorsa::detail {

constexpr char32_t kReplacementCharacter = 0xFFFD;

/// Reads the character at `position` and moves past it: a well-formed UTF-8 sequence
/// (shortest form, no surrogates, at most U+10FFFF) gives its code point; any other byte
/// gives the ISO 8859-1 character of the same value and moves one byte. `position` must
/// be below `text.size()`.
[[nodiscard]] char32_t nextCharacter(std::string_view text, std::size_t& position) noexcept;

/// Appends the UTF-8 form of `codePoint`; surrogates and values above U+10FFFF give U+FFFD.
void appendUtf8(std::string& out, char32_t codePoint);

/// True for the first (high) and the second (low) half of a surrogate pair.
[[nodiscard]] constexpr bool isHighSurrogate(uint32_t unit) noexcept {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
[[nodiscard]] constexpr bool isLowSurrogate(uint32_t unit) noexcept {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

/// Appends the UTF-16 units of the text (read as nextCharacter reads it).
void appendUtf16(std::u16string& out, std::string_view text);

/// Appends, as UTF-8, UTF-16 units; a surrogate without its partner gives U+FFFD.
void appendUtf16AsUtf8(std::string& out, std::u16string_view units);

}  // namespace vorsa::detail
