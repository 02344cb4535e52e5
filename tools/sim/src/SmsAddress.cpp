#include "vorsa/sim/SmsAddress.h"

#include "SmsAddressReader.h"
#include "vorsa/sim/GsmAlphabet.h"
#include "vorsa/sim/SeptetPacking.h"
#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

constexpr size_t kMaxAddressDigits = 20;
constexpr size_t kMaxServiceCentreOctets = 11;  // type octet and 20 digits
constexpr char kSemiOctetDigits[] = "0123456789*#abc";

int SemiOctetValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    switch (c) {
        case '*':
            return 0xA;
        case '#':
            return 0xB;
        case 'a':
        case 'A':
            return 0xC;
        case 'b':
        case 'B':
            return 0xD;
        case 'c':
        case 'C':
            return 0xE;
        default:
            return -1;
    }
}

bool IsAlphanumeric(uint8_t type) {
    return (type & 0x70) == 0x50;
}

// The digits an address holds, without the '+' that stands for the international type.
std::string_view DigitsOf(const Address& address) {
    std::string_view digits = address.text;
    if (address.type == kInternationalNumber && !digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    return digits;
}

std::string TextOf(uint8_t type, std::string digits) {
    return type == kInternationalNumber ? "+" + digits : digits;
}

}  // namespace

Address AddressFromText(std::string_view text, std::optional<uint8_t> type) {
    Address address;
    if (type) {
        address.type = *type;
        std::string_view digits = text;
        if (!digits.empty() && digits.front() == '+') {
            digits.remove_prefix(1);
        }
        address.text =
            IsAlphanumeric(*type) ? std::string(text) : TextOf(*type, std::string(digits));
        return address;
    }
    address.type = !text.empty() && text.front() == '+' ? kInternationalNumber : kUnknownNumber;
    address.text = std::string(text);
    return address;
}

std::optional<Octets> EncodeSemiOctets(std::string_view digits) {
    Octets octets;
    octets.reserve((digits.size() + 1) / 2);
    for (size_t i = 0; i < digits.size(); i += 2) {
        int low = SemiOctetValue(digits[i]);
        int high = i + 1 < digits.size() ? SemiOctetValue(digits[i + 1]) : 0xF;
        if (low < 0 || high < 0) {
            return std::nullopt;
        }
        octets.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return octets;
}

std::string DecodeSemiOctets(const Octets& octets, size_t count) {
    std::string digits;
    for (size_t n = 0; n < count && n / 2 < octets.size(); ++n) {
        uint8_t octet = octets[n / 2];
        unsigned value = n % 2 == 0 ? (octet & 0x0F) : (octet >> 4);
        if (value == 0xF) {
            break;
        }
        digits += kSemiOctetDigits[value];
    }
    return digits;
}

std::optional<Octets> EncodeAddressField(const Address& address) {
    Octets field;
    if (IsAlphanumeric(address.type)) {
        bool complete = true;
        Septets septets = ToGsmSeptets(DecodeUtf8(address.text), &complete);
        if (!complete || septets.size() > 11) {
            return std::nullopt;
        }
        Octets packed = PackSeptets(septets);
        // The length counts the semi-octets that carry data: 7 bits per septet.
        field.push_back(static_cast<uint8_t>((septets.size() * 7 + 3) / 4));
        field.push_back(address.type);
        field.insert(field.end(), packed.begin(), packed.end());
        return field;
    }
    std::string_view digits = DigitsOf(address);
    std::optional<Octets> value = EncodeSemiOctets(digits);
    if (!value || digits.size() > kMaxAddressDigits) {
        return std::nullopt;
    }
    field.push_back(static_cast<uint8_t>(digits.size()));
    field.push_back(address.type);
    field.insert(field.end(), value->begin(), value->end());
    return field;
}

std::optional<Octets> EncodeServiceCentreField(const Address& address) {
    if (address.text.empty()) {
        return Octets{0x00};
    }
    std::string_view digits = DigitsOf(address);
    std::optional<Octets> value = EncodeSemiOctets(digits);
    if (!value || value->size() + 1 > kMaxServiceCentreOctets) {
        return std::nullopt;
    }
    Octets field;
    field.push_back(static_cast<uint8_t>(value->size() + 1));
    field.push_back(address.type);
    field.insert(field.end(), value->begin(), value->end());
    return field;
}

namespace detail {

std::optional<Address> ReadAddressField(OctetReader& reader) {
    std::optional<uint8_t> length = reader.Next();
    std::optional<uint8_t> type = reader.Next();
    if (!length || !type || *length > kMaxAddressDigits) {
        return std::nullopt;
    }
    std::optional<Octets> value = reader.Take((*length + 1u) / 2);
    if (!value) {
        return std::nullopt;
    }
    Address address;
    address.type = *type;
    if (IsAlphanumeric(*type)) {
        Septets septets = UnpackSeptets(*value, *length * 4u / 7u);
        address.text = EncodeUtf8(FromGsmSeptets(septets));
    } else {
        address.text = TextOf(*type, DecodeSemiOctets(*value, *length));
    }
    return address;
}

std::optional<Address> ReadServiceCentreField(OctetReader& reader) {
    std::optional<uint8_t> length = reader.Next();
    if (!length || *length > kMaxServiceCentreOctets) {
        return std::nullopt;
    }
    if (*length == 0) {
        return Address{"", 0};
    }
    std::optional<uint8_t> type = reader.Next();
    std::optional<Octets> value = reader.Take(*length - 1u);
    if (!type || !value) {
        return std::nullopt;
    }
    return Address{TextOf(*type, DecodeSemiOctets(*value, value->size() * 2)), *type};
}

}  // namespace detail
}  // namespace vorsa::sim
