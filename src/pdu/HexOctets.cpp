// Strict octet reading, addresses and time stamps for the decoders of the newer units.
#include "pdu/HexOctets.h"

#include <array>
#include <string>
#include <string_view>

#include "pdu/GsmAlphabet.h"
#include "pdu/PduPrimitives.h"
#include "vorsa/PDU.h"

namespace vorsa::detail {
namespace {

constexpr uint8_t kTypeOfNumberMask = 0x70;
constexpr uint8_t kAlphanumeric = 0x50;
constexpr std::size_t kTimeStampOctets = 7;

// What kind of digit each character is.
constexpr uint8_t kNotADigit = 1;
constexpr uint8_t kLowerCase = 2;
constexpr std::array<uint8_t, 256> makeDigitKinds() {
    std::array<uint8_t, 256> kinds{};
    for (uint8_t& kind : kinds) {
        kind = kNotADigit;
    }
    for (char c = '0'; c <= '9'; ++c) {
        kinds[static_cast<unsigned char>(c)] = 0;
    }
    for (char c = 'A'; c <= 'F'; ++c) {
        kinds[static_cast<unsigned char>(c)] = 0;
        kinds[static_cast<unsigned char>(c - 'A' + 'a')] = kLowerCase;
    }
    return kinds;
}
constexpr std::array<uint8_t, 256> kDigitKind = makeDigitKinds();

// What each semi-octet of a number stands for; F fills an odd count.
constexpr char kDialledDigits[] = "0123456789*#abc";

}  // namespace

std::optional<std::string_view> normalizedHex(std::string_view pdu, std::string& storage) {
    if (pdu.size() % 2 != 0) {
        return std::nullopt;
    }
    // Modems write upper case; lower case is accepted, at the cost of a copy.
    // Four characters a step, each into its own accumulator, so the steps do not wait on
    // one another: the decoders check every character of every PDU here.
    const auto* text = reinterpret_cast<const unsigned char*>(pdu.data());
    unsigned kinds[4] = {0, 0, 0, 0};
    std::size_t i = 0;
    for (; i + 4 <= pdu.size(); i += 4) {
        kinds[0] |= kDigitKind[text[i]];
        kinds[1] |= kDigitKind[text[i + 1]];
        kinds[2] |= kDigitKind[text[i + 2]];
        kinds[3] |= kDigitKind[text[i + 3]];
    }
    for (; i < pdu.size(); ++i) {
        kinds[0] |= kDigitKind[text[i]];
    }
    const unsigned found = kinds[0] | kinds[1] | kinds[2] | kinds[3];
    if ((found & kNotADigit) != 0) {
        return std::nullopt;
    }
    if ((found & kLowerCase) == 0) {
        return pdu;
    }
    storage.assign(pdu);
    for (char& c : storage) {
        if (c >= 'a' && c <= 'f') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return std::string_view(storage);
}

std::optional<uint8_t> HexOctets::octet() noexcept {
    if (position_ + 2 > hex_.size()) {
        return std::nullopt;
    }
    const uint8_t value = hexPairValue(hex_[position_], hex_[position_ + 1]);
    position_ += 2;
    return value;
}

std::optional<std::string_view> HexOctets::take(std::size_t count) noexcept {
    if (count > remaining()) {
        return std::nullopt;
    }
    const std::string_view field = hex_.substr(position_, 2 * count);
    position_ += 2 * count;
    return field;
}

std::string addressText(uint8_t type, std::string_view field, std::size_t length) {
    std::string text;
    if ((type & kTypeOfNumberMask) == kAlphanumeric) {
        std::string septets;
        appendSeptetCodes(septets, field, 0, length * 4 / 7);
        appendGsmText(text, septets);
        return text;
    }
    text.reserve(length + 1);
    text = type == kInternationalNumber ? "+" : type == kUnknownNumber ? "" : "0";
    for (std::size_t i = 0; i < length && i / 2 < field.size() / 2; ++i) {
        // The first digit sits in the low nibble of its octet.
        const char digit = field[i % 2 == 0 ? i + 1 : i - 1];
        const uint8_t value = hexDigitValue(digit);
        if (value < 15) {
            text += kDialledDigits[value];
        }
    }
    return text;
}

std::optional<AddressField> readAddress(HexOctets& reader) {
    const std::optional<uint8_t> length = reader.octet();
    const std::optional<uint8_t> type = reader.octet();
    if (!length || !type) {
        return std::nullopt;
    }
    const std::optional<std::string_view> field = reader.take((*length + 1u) / 2);
    if (!field) {
        return std::nullopt;
    }
    return AddressField{*type, addressText(*type, *field, *length)};
}

std::optional<std::string> readServiceCentre(HexOctets& reader) {
    const std::optional<uint8_t> octets = reader.octet();
    if (!octets) {
        return std::nullopt;
    }
    if (*octets == 0) {
        return std::string();
    }
    const std::optional<uint8_t> type = reader.octet();
    const std::optional<std::string_view> field = reader.take(*octets - 1u);
    if (!type || !field) {
        return std::nullopt;
    }
    if ((*type & kTypeOfNumberMask) == kAlphanumeric) {
        // The length counts octets, so seven spare bits at the end read as one more
        // septet of code 0: that is filling, not an "@".
        std::string septets = unpackSeptets(*field);
        if (!septets.empty() && septets.size() % 8 == 0 && septets.back() == '\0') {
            septets.pop_back();
        }
        std::string name;
        appendGsmText(name, septets);
        return name;
    }
    // Every semi-octet is read; an odd number's filling F is skipped.
    return addressText(*type, *field, field->size());
}

std::optional<std::string> readTimeStamp(HexOctets& reader) {
    const std::optional<std::string_view> field = reader.take(kTimeStampOctets);
    if (!field) {
        return std::nullopt;
    }
    return formatDate(swapSemiOctets(*field));
}

}  // namespace vorsa::detail
