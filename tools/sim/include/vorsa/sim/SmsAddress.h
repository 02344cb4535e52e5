// Telephone numbers in SMS transfer units (GSM 03.40 addresses): a type-of-address octet
// and the digits in semi-octets, low nibble first, filled with F to whole octets; or, for
// type 0xD0, an alphanumeric name packed in 7-bit septets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vorsa/sim/Hex.h"

namespace vorsa::sim {

constexpr uint8_t kInternationalNumber = 0x91;  // 145
constexpr uint8_t kUnknownNumber = 0x81;        // 129
constexpr uint8_t kNationalNumber = 0xA1;       // 161
constexpr uint8_t kAlphanumericAddress = 0xD0;  // 208

struct Address {
    /// "+40700000000" for an international number (the sign stands for the type),
    /// the digits for every other numbering, the name for an alphanumeric address.
    std::string text;
    uint8_t type = kUnknownNumber;

    bool operator==(const Address& other) const { return text == other.text && type == other.type; }
};

/// The address a user writes: a leading '+' gives an international number, anything
/// else an unknown-type number; `type` when given overrides (0x91 adds the '+').
[[nodiscard]] Address AddressFromText(std::string_view text, std::optional<uint8_t> type = {});

/// Semi-octets of the digits 0-9 * # a b c, F-filled; nullopt for any other character.
[[nodiscard]] std::optional<Octets> EncodeSemiOctets(std::string_view digits);
/// The first `count` digits of semi-octets.
[[nodiscard]] std::string DecodeSemiOctets(const Octets& octets, size_t count);

/// TP-OA/TP-DA: length in semi-octets, type, value. nullopt when the text does not fit
/// the type (a digit the numbering lacks, a name the GSM alphabet lacks, too long).
[[nodiscard]] std::optional<Octets> EncodeAddressField(const Address& address);
/// Service-centre address: length in octets of type and value, type, value; {0x00}
/// for an empty text (no centre named).
[[nodiscard]] std::optional<Octets> EncodeServiceCentreField(const Address& address);

}  // namespace vorsa::sim
