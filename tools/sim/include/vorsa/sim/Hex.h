// Octets as hexadecimal text, two upper-case digits each, high nibble first: the form in
// which PDUs cross the AT line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorsa::sim {

using Octets = std::vector<uint8_t>;

/// Upper-case hexadecimal text of the octets.
[[nodiscard]] std::string ToHex(const Octets& octets);
/// Hexadecimal text of a byte string (each char taken as one octet).
[[nodiscard]] std::string ToHex(std::string_view bytes);
/// Octets of hexadecimal text (either case); nullopt for an odd count or a non-hex digit.
[[nodiscard]] std::optional<Octets> FromHex(std::string_view hex);

}  // namespace vorsa::sim
