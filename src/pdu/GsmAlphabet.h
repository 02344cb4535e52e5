// The GSM 7-bit default alphabet and its extension table (GSM 03.38). A character of the
// default table is one septet; one of the extension table is two, the escape 0x1B and its
// code, so lengths are counted in septets, not characters. Septet texts here hold one
// septet code (0 to 127) per char.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorsa::detail {

constexpr uint8_t kGsmEscape = 0x1B;

/// Where a character sits in the alphabet: its septet in the default table, or
/// kGsmExtended plus its code after the escape, or kNotInGsmAlphabet.
constexpr int kGsmExtended = 0x100;
constexpr int kNotInGsmAlphabet = -1;
[[nodiscard]] int gsmCode(char32_t character) noexcept;

/// Appends the septets of `text` (UTF-8, other bytes as ISO 8859-1) and returns true; at
/// the first character the alphabet lacks it stops and returns false, leaving what it
/// appended so far.
[[nodiscard]] bool appendGsmSeptets(std::string& septets, std::string_view text);

/// Appends the septets of `text`, with `replacement` (a septet code) for each character
/// the alphabet lacks.
void appendGsmSeptetsReplacing(std::string& septets, std::string_view text, char replacement);

/// Appends, as UTF-8, the characters of a septet text. An escape followed by a code the
/// extension table lacks stands for the default-table character of that code; an escape
/// at the very end, or before another escape, shows as a space.
void appendGsmText(std::string& utf8, std::string_view septets);

/// Appends, as UTF-8, the characters of septets `first` to `first + count - 1` of
/// hexadecimal 7-bit packed user data, as far as its whole octets hold them: the same as
/// appendSeptetCodes followed by appendGsmText, in one pass.
void appendGsmTextFromUserData(std::string& utf8, std::string_view userData, std::size_t first,
                               std::size_t count);

}  // namespace vorsa::detail
