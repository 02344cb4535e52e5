#include "vorsa/sim/UserData.h"

#include "vorsa/sim/SeptetPacking.h"
#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

constexpr size_t kMaxSeptets = 160;
constexpr size_t kMaxOctets = 140;

// Septets taken by the header (its length octet included) and the fill bits after it.
size_t HeaderSeptets(size_t headerOctets) {
    return ((headerOctets + 1) * 8 + 6) / 7;
}
int FillBits(size_t headerOctets) {
    return static_cast<int>(HeaderSeptets(headerOctets) * 7 - (headerOctets + 1) * 8);
}

void SetError(std::string* error, const char* text) {
    if (error != nullptr) {
        *error = text;
    }
}

}  // namespace

UserData UserData::FromText(std::u32string_view text, Alphabet alphabet) {
    UserData data;
    data.alphabet = alphabet;
    switch (alphabet) {
        case Alphabet::Gsm7:
            data.septets = ToGsmSeptets(text);
            break;
        case Alphabet::EightBit:
            for (char32_t c : text) {
                data.octets.push_back(static_cast<uint8_t>(c & 0xFF));
            }
            break;
        case Alphabet::Ucs2:
            data.octets = EncodeUcs2(text);
            break;
    }
    return data;
}

std::u32string UserData::Text() const {
    switch (alphabet) {
        case Alphabet::Gsm7:
            return FromGsmSeptets(septets);
        case Alphabet::Ucs2:
            if (std::optional<std::u32string> text = DecodeUcs2(octets)) {
                return *text;
            }
            return DecodeLatin1(std::string(octets.begin(), octets.end()));
        case Alphabet::EightBit:
            break;
    }
    return DecodeLatin1(std::string(octets.begin(), octets.end()));
}

size_t UserData::Length() const {
    return alphabet == Alphabet::Gsm7 ? septets.size() : octets.size();
}

size_t UserData::LengthField() const {
    size_t headerOctets = header.empty() ? 0 : header.size() + 1;
    if (alphabet == Alphabet::Gsm7) {
        return (header.empty() ? 0 : HeaderSeptets(header.size())) + septets.size();
    }
    return headerOctets + octets.size();
}

Octets UserData::Encode() const {
    Octets encoded;
    int fill = 0;
    if (!header.empty()) {
        encoded.push_back(static_cast<uint8_t>(header.size()));
        encoded.insert(encoded.end(), header.begin(), header.end());
        fill = FillBits(header.size());
    }
    if (alphabet == Alphabet::Gsm7) {
        Octets packed = PackSeptets(septets, fill);
        encoded.insert(encoded.end(), packed.begin(), packed.end());
    } else {
        encoded.insert(encoded.end(), octets.begin(), octets.end());
    }
    return encoded;
}

std::optional<UserData> UserData::Decode(uint8_t lengthField, const Octets& data, Alphabet alphabet,
                                         bool hasHeader, std::string* error) {
    UserData result;
    result.alphabet = alphabet;
    size_t expectedOctets = alphabet == Alphabet::Gsm7 ? PackedLength(lengthField) : lengthField;
    if ((alphabet == Alphabet::Gsm7 && lengthField > kMaxSeptets) ||
        (alphabet != Alphabet::Gsm7 && lengthField > kMaxOctets)) {
        SetError(error, "user data length beyond one message");
        return std::nullopt;
    }
    if (data.size() != expectedOctets) {
        SetError(error, "user data does not match its length");
        return std::nullopt;
    }
    size_t headerOctets = 0;  // the header with its length octet
    if (hasHeader) {
        if (data.empty() || data[0] + 1u > data.size()) {
            SetError(error, "user data header overruns the user data");
            return std::nullopt;
        }
        headerOctets = data[0] + 1u;
        result.header.assign(data.begin() + 1,
                             data.begin() + static_cast<std::ptrdiff_t>(headerOctets));
    }
    if (alphabet == Alphabet::Gsm7) {
        size_t skipped = hasHeader ? HeaderSeptets(result.header.size()) : 0;
        if (skipped > lengthField) {
            SetError(error, "user data header longer than the user data");
            return std::nullopt;
        }
        Octets rest(data.begin() + static_cast<std::ptrdiff_t>(headerOctets), data.end());
        int fill = hasHeader ? FillBits(result.header.size()) : 0;
        result.septets = UnpackSeptets(rest, lengthField - skipped, fill);
    } else {
        if (headerOctets > lengthField) {
            SetError(error, "user data header longer than the user data");
            return std::nullopt;
        }
        result.octets.assign(data.begin() + static_cast<std::ptrdiff_t>(headerOctets), data.end());
    }
    return result;
}

}  // namespace vorsa::sim
