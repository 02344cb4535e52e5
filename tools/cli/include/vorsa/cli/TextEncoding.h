// The component's strings are bytes in a single-byte character set, while terminals,
// scripts and JSON speak UTF-8. These routines translate at the tool's edges.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorsa::cli {

/// The length of the well-formed UTF-8 sequence at the start of `bytes` (1 to 4), or 0
/// when it does not start with one (a stray continuation byte, an overlong form, a
/// surrogate, a code point above U+10FFFF, or a sequence cut short).
[[nodiscard]] size_t Utf8SequenceLength(std::string_view bytes);

/// True when all of `bytes` is well-formed UTF-8.
[[nodiscard]] bool IsUtf8(std::string_view bytes);

/// Text for the terminal: well-formed UTF-8 passes unchanged, every other byte is taken
/// as an ISO 8859-1 character and written in UTF-8, and CR LF becomes LF.
[[nodiscard]] std::string DisplayText(std::string_view bytes);

/// What a text typed in UTF-8 becomes for the component.
struct SingleByteText {
    /// The text with every character as one ISO 8859-1 byte; empty when it cannot be.
    std::string bytes;
    /// 0 when the conversion succeeded, else the first character above U+00FF.
    char32_t unrepresentable = 0;
};

/// Converts well-formed UTF-8 whose characters all lie in ISO 8859-1 to one byte per
/// character. Text that is not well-formed UTF-8 is taken to be single-byte already and
/// passes unchanged.
[[nodiscard]] SingleByteText ToSingleByte(std::string_view text);

}  // namespace vorsa::cli
