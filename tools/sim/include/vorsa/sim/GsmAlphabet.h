// The GSM 7-bit default alphabet and its extension table (GSM 03.38). A character of the
// extension table takes two septets: the escape 0x1B, then its code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorsa::sim {

using Septets = std::vector<uint8_t>;

constexpr uint8_t kGsmEscape = 0x1B;

/// Septets of the text; a character the alphabet lacks becomes '?' and clears *complete.
[[nodiscard]] Septets ToGsmSeptets(std::u32string_view text, bool* complete = nullptr);
/// Text of the septets. An escape followed by a code the extension table does not define
/// reads as the default-table character of that code; a trailing escape reads as a space.
[[nodiscard]] std::u32string FromGsmSeptets(const Septets& septets);
/// True when every character has a code in the default alphabet or its extension.
[[nodiscard]] bool IsGsmEncodable(std::u32string_view text);

}  // namespace vorsa::sim
