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

/// Writes the UTF-8 form of `codePoint` at `out` (room for four bytes) and moves past it;
/// surrogates and values above U+10FFFF give U+FFFD.
void writeUtf8(char*& out, char32_t codePoint) noexcept;

/// Appends, as UTF-8, `count` UTF-16 units, unit i being `unitAt(i)`; a surrogate
/// without its partner gives U+FFFD.
template <typename UnitAt>
void appendUtf16UnitsAsUtf8(std::string& out, std::size_t count, UnitAt unitAt) {
    // A unit gives at most three bytes, a pair of them four.
    const std::size_t start = out.size();
    out.resize(start + 3 * count + 1);
    char* write = out.data() + start;
    for (std::size_t i = 0; i < count; ++i) {
        const char32_t unit = unitAt(i);
        if (isHighSurrogate(unit) && i + 1 < count && isLowSurrogate(unitAt(i + 1))) {
            const char32_t low = unitAt(++i);
            writeUtf8(write, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            writeUtf8(write, kReplacementCharacter);
        } else {
            writeUtf8(write, unit);
        }
    }
    out.resize(static_cast<std::size_t>(write - out.data()));
}

/// Appends, as UTF-8, UTF-16 units; a surrogate without its partner gives U+FFFD.
inline void appendUtf16AsUtf8(std::string& out, std::u16string_view units) {
    appendUtf16UnitsAsUtf8(out, units.size(), [units](std::size_t i) { return units[i]; });
}

}  // namespace vorsa::detail
