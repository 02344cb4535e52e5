// Field primitives of the PDU codec: hexadecimal text, semi-octet order, the GSM 7-bit
// packing, and the user data of the classic encoder and decoder. Not part of the
// installed interface.
//
// Five forms of text meet here:
//  - hexadecimal text: two digits per octet, high nibble first; only "0"-"9" and
//    upper-case "A"-"F" are produced;
//  - bit text: eight "0"/"1" characters per octet, most significant bit first;
//  - semi-octet text: digits stored with the two characters of every pair swapped, the
//    first digit in the low nibble of its octet;
//  - septet text: one GSM default-alphabet code (0 to 127) per char, an extension
//    character as the escape 0x1B and its code (pdu/GsmAlphabet.h);
//  - the data coding octet: 245 (F5) means 8-bit data to the classic routines.
//
// The bit-text routines are the readable definition of the packing; the codec itself
// packs and unpacks by shifting, and the tests hold the two to the same results.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorsa::detail {

/// The data coding octet that selects 8-bit data; every other value means 7-bit data.
constexpr uint8_t kEightBitDataCoding = 0xF5;

/// Types of address: international (written after "+") and unknown numbering.
constexpr uint8_t kInternationalNumber = 0x91;
constexpr uint8_t kUnknownNumber = 0x81;

/// The characters in reverse order.
[[nodiscard]] std::string reverseString(std::string_view text);

/// "0"-"9", "A"-"F" for 0 to 15; any other value gives the character of code 0.
[[nodiscard]] constexpr char nibbleToHex(int value) noexcept {
    if (value < 0 || value > 15) {
        return '\0';
    }
    return static_cast<char>(value < 10 ? '0' + value : 'A' + (value - 10));
}

namespace hex_table {
// hexDigitValue of every character, worked out once: the decoders read every digit of
// every PDU through it.
constexpr std::array<uint8_t, 256> makeDigitValues() {
    std::array<uint8_t, 256> values{};
    for (unsigned code = 0; code < 256; ++code) {
        values[code] = static_cast<uint8_t>(code <= '9' ? code - 48u : code - 55u);
    }
    return values;
}
inline constexpr std::array<uint8_t, 256> kDigitValues = makeDigitValues();
}  // namespace hex_table

/// The code minus 48 when it is at most that of "9", else the code minus 55, both modulo
/// 256. No character is refused: lower-case "a" gives 42, not 10.
[[nodiscard]] constexpr uint8_t hexDigitValue(char digit) noexcept {
    return hex_table::kDigitValues[static_cast<unsigned char>(digit)];
}

/// The octet that two digits stand for: the low eight bits of (high << 4) | low.
[[nodiscard]] constexpr uint8_t hexPairValue(char high, char low) noexcept {
    return static_cast<uint8_t>((hexDigitValue(high) << 4) | hexDigitValue(low));
}

/// The value of a two-digit hexadecimal field, 0 to 255. The empty text gives 0, a single
/// digit its own value (low eight bits); digits after the second are not read.
[[nodiscard]] int hexToInt(std::string_view hex) noexcept;

/// Two upper-case digits per character, high nibble first.
[[nodiscard]] std::string stringToHex(std::string_view text);

/// One character per pair of digits; an unpaired last digit is dropped.
[[nodiscard]] std::string hexToString(std::string_view hex);

/// Eight "0"/"1" characters per character, most significant bit first.
[[nodiscard]] std::string stringToBits(std::string_view text);

/// One character per complete group of eight, the first of the group its most
/// significant bit ("1" sets a bit, any other character clears it); an incomplete last
/// group is dropped.
[[nodiscard]] std::string bitsToString(std::string_view bits);

/// Drops the first character of every group of eight (the top bit of each octet), then
/// puts "0" in front until the length is a multiple of eight.
[[nodiscard]] std::string octetsToSeptets(std::string_view bits);

/// Drops the leading (length mod 7) characters, the bits that make up no whole septet,
/// then puts "0" before every group of seven.
[[nodiscard]] std::string septetsToOctets(std::string_view bits);

/// Replaces every occurrence of `from` by `to`.
void replaceChar(std::string& text, char from, char to) noexcept;

/// "@" becomes code 0, then "$" becomes code 2: how 8-bit user data carries those two.
void toDefaultAlphabet(std::string& text) noexcept;

/// Code 0 becomes "@", then code 2 becomes "$": how 8-bit user data is read back.
void fromDefaultAlphabet(std::string& text) noexcept;

/// The user data of a message as hexadecimal text: with `eightBit` zero the characters of
/// the GSM default alphabet and its extension table (UTF-8, other bytes as ISO 8859-1)
/// packed as septets, a character the alphabet lacks as "?"; otherwise one octet per
/// byte, with "@" as octet 0 and "$" as octet 2.
[[nodiscard]] std::string textToUserData(std::string_view text, uint8_t eightBit);

/// The text of hexadecimal user data: with data coding 245 one byte per octet, octet 0 as
/// "@" and 2 as "$"; otherwise every whole septet the octets hold (floor(8n/7) of them, so
/// seven fill bits come out as a last "@"), as UTF-8.
[[nodiscard]] std::string userDataToText(std::string_view userData, uint8_t dataCoding);

/// Swaps the two characters of every pair ("1234" gives "2143"); an unpaired last
/// character stays where it is.
[[nodiscard]] std::string swapSemiOctets(std::string_view text);

/// Appends, as hexadecimal text, the septet codes of `septets` (one a char, the top bit
/// dropped) packed after `fillBits` zero bits (0 to 6): septet i occupies bits
/// fillBits+7i to fillBits+7i+6 counted from the least significant bit of the first
/// octet, and the unused top bits of the last octet are zero.
void appendPackedSeptets(std::string& out, std::string_view septets, unsigned fillBits = 0);

/// The septets packed from bit 0, as hexadecimal text.
[[nodiscard]] std::string packSeptets(std::string_view septets);

/// packSeptets computed the long way, through bit texts: reverse, bits, drop the top
/// bits, fill, regroup, reverse. Kept as the definition that the shifting code must match.
[[nodiscard]] std::string packSeptetsByBitText(std::string_view septets);

/// Every whole septet that the whole octets of hexadecimal user data hold, one a char.
[[nodiscard]] std::string unpackSeptets(std::string_view userData);

/// unpackSeptets computed the long way, through bit texts.
[[nodiscard]] std::string unpackSeptetsByBitText(std::string_view userData);

/// Appends the septet codes `first` to `first + count - 1` of hexadecimal 7-bit packed
/// user data, as far as its whole octets hold them.
void appendSeptetCodes(std::string& out, std::string_view userData, std::size_t first,
                       std::size_t count);

/// Appends the octets `first` to `first + count - 1` of hexadecimal user data, as bytes,
/// as far as its whole octets go.
void appendOctets(std::string& out, std::string_view userData, std::size_t first,
                  std::size_t count);

/// Appends UTF-16 units as hexadecimal text, two octets each, high octet first (UCS2).
void appendUtf16Hex(std::string& out, std::u16string_view units);

/// The alphabet of the user data, from the data coding octet (GSM 03.38).
enum class UserDataAlphabet { Default, EightBit, Ucs2 };
[[nodiscard]] UserDataAlphabet userDataAlphabet(int dataCoding) noexcept;

/// The message class (0 to 3) that the data coding octet names, or -1 for none.
[[nodiscard]] int messageClassOf(int dataCoding) noexcept;

/// Appends, as UTF-8, the UCS2 (UTF-16 big-endian) text in the octets `first` to
/// `first + count - 1` of hexadecimal user data; a surrogate without its partner gives
/// U+FFFD and an odd last octet is dropped.
void appendUcs2AsUtf8(std::string& out, std::string_view userData, std::size_t first,
                      std::size_t count);

}  // namespace vorsa::detail
