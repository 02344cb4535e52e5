// The alphabet that a data coding octet names, and UCS2 text as UTF-8.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdu/PduPrimitives.h"

namespace vorsa::detail {

UserDataAlphabet userDataAlphabet(int dataCoding) noexcept {
    const auto coding = static_cast<uint8_t>(dataCoding);
    // Coding groups 00xx (general) and 01xx (marked for deletion): bits 3..2 name the
    // alphabet; a compressed text cannot be read as characters, so it comes as its octets.
    if ((coding & 0x80) == 0) {
        if ((coding & 0x20) != 0) {
            return UserDataAlphabet::EightBit;
        }
        switch ((coding >> 2) & 0x03) {
            case 1:
                return UserDataAlphabet::EightBit;
            case 2:
                return UserDataAlphabet::Ucs2;
            default:
                return UserDataAlphabet::Default;  // 11 is reserved: read as the default
        }
    }
    switch (coding & 0xF0) {
        case 0xE0:  // message waiting indication, store, UCS2 text
            return UserDataAlphabet::Ucs2;
        case 0xF0:  // data coding and message class: bit 2 selects 8-bit data
            return (coding & 0x04) != 0 ? UserDataAlphabet::EightBit : UserDataAlphabet::Default;
        default:  // message waiting with the default alphabet, and the reserved groups
            return UserDataAlphabet::Default;
    }
}

namespace {

void appendUtf8(std::string& out, uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

constexpr uint32_t kReplacementCharacter = 0xFFFD;

bool isHighSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

void appendUcs2AsUtf8(std::string& out, std::string_view userData, std::size_t first,
                      std::size_t count) {
    // The whole octets of the user data from `first`, at most `count` of them.
    const std::size_t available = userData.size() / 2;
    const std::size_t octetCount = first >= available ? 0 : std::min(count, available - first);
    std::string octets(octetCount, '\0');
    for (std::size_t i = 0; i < octetCount; ++i) {
        const std::size_t at = 2 * (first + i);
        octets[i] = static_cast<char>(hexPairValue(userData[at], userData[at + 1]));
    }
    const std::size_t units = octets.size() / 2;
    auto unitAt = [&octets](std::size_t i) {
        return static_cast<uint32_t>(static_cast<uint8_t>(octets[2 * i])) << 8 |
               static_cast<uint8_t>(octets[2 * i + 1]);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const uint32_t unit = unitAt(i);
        if (isHighSurrogate(unit) && i + 1 < units && isLowSurrogate(unitAt(i + 1))) {
            const uint32_t low = unitAt(++i);
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            appendUtf8(out, kReplacementCharacter);
        } else {
            appendUtf8(out, unit);
        }
    }
}

}  // namespace vorsa::detail
