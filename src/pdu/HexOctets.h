// A strict reader of PDU text for the decoders that must not guess: the text is checked
// to be hexadecimal as a whole first, and every read says whether the octets were there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorsa::detail {

/// The PDU text with upper-case digits, or nothing when it holds a character other than
/// a hexadecimal digit or an odd number of them. Text that has lower-case digits is
/// copied into `storage` in upper case; other text is given back as it is.
[[nodiscard]] std::optional<std::string_view> normalizedHex(std::string_view pdu,
                                                            std::string& storage);

/// Reads octets from upper-case hexadecimal text; a read that would pass the end reads
/// nothing and says so.
class HexOctets {
  public:
    explicit HexOctets(std::string_view hex) noexcept : hex_(hex) {}

    /// The next octet, or nothing at the end.
    [[nodiscard]] std::optional<uint8_t> octet() noexcept;

    /// The next `count` octets as hexadecimal text, or nothing when fewer are left.
    [[nodiscard]] std::optional<std::string_view> take(std::size_t count) noexcept;

    /// Octets not read yet.
    [[nodiscard]] std::size_t remaining() const noexcept { return (hex_.size() - position_) / 2; }

  private:
    std::string_view hex_;
    std::size_t position_ = 0;
};

/// A numeric or alphanumeric address as the decoders give it: "+" before an
/// international number (type 91), the digits alone for unknown numbering (81), "0"
/// before the other numeric types; the text of an alphanumeric one (type of number 101).
/// `field` is the address's digits as hexadecimal text and `length` its length octet (a
/// count of semi-octets). Semi-octets A to E are "*", "#", "a", "b", "c"; F is filling.
[[nodiscard]] std::string addressText(uint8_t type, std::string_view field, std::size_t length);

/// Reads an address field (length octet in semi-octets, type, digits), or nothing when
/// it is cut short.
struct AddressField {
    uint8_t type = 0;
    std::string text;
};
[[nodiscard]] std::optional<AddressField> readAddress(HexOctets& reader);

/// Reads a service-centre part (length octet in octets, type, digits); an empty part
/// (length 0) gives the empty text. Nothing when it is cut short.
[[nodiscard]] std::optional<std::string> readServiceCentre(HexOctets& reader);

/// Reads a seven-octet time stamp and gives it as formatDate writes it.
[[nodiscard]] std::optional<std::string> readTimeStamp(HexOctets& reader);

}  // namespace vorsa::detail
