// Conversions between Unicode text and the byte forms the simulator meets: UTF-8 (the API
// and the console), ISO 8859-1 (what most terminals send in "GSM" and "IRA" mode) and
// UCS2 (16-bit units, big-endian, as in SMS user data and the "UCS2" character set).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "vorsa/sim/Hex.h"

namespace vorsa::sim {

/// UTF-8 to code points; a malformed sequence becomes U+FFFD.
[[nodiscard]] std::u32string DecodeUtf8(std::string_view utf8);
[[nodiscard]] std::string EncodeUtf8(std::u32string_view text);

/// Each byte is the code point of the same value.
[[nodiscard]] std::u32string DecodeLatin1(std::string_view bytes);
/// Code points above U+00FF become `replacement`.
[[nodiscard]] std::string EncodeLatin1(std::u32string_view text, char replacement = '?');

/// Big-endian UTF-16 octets (surrogate pairs joined); nullopt for an odd octet count.
[[nodiscard]] std::optional<std::u32string> DecodeUcs2(const Octets& octets);
/// Big-endian UTF-16; characters beyond the BMP become surrogate pairs.
[[nodiscard]] Octets EncodeUcs2(std::u32string_view text);

}  // namespace vorsa::sim
