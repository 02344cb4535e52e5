// The alphabet that a data coding octet names, and UCS2 text as UTF-8.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdu/PduPrimitives.h"
#include "pdu/TextCodec.h"

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

int messageClassOf(int dataCoding) noexcept {
    const auto coding = static_cast<uint8_t>(dataCoding);
    // General coding groups name a class when bit 4 is set; group 1111 always names one.
    if ((coding & 0x80) == 0) {
        return (coding & 0x10) != 0 ? coding & 0x03 : -1;
    }
    return (coding & 0xF0) == 0xF0 ? coding & 0x03 : -1;
}

void appendUcs2AsUtf8(std::string& out, std::string_view userData, std::size_t first,
                      std::size_t count) {
    // The whole UTF-16 units in the whole octets of the user data from `first`, at most
    // `count` octets of them; an odd last octet is no unit.
    const std::size_t available = userData.size() / 2;
    const std::size_t octetCount = first >= available ? 0 : std::min(count, available - first);
    const char* hex = userData.data() + 2 * first;
    appendUtf16UnitsAsUtf8(out, octetCount / 2, [hex](std::size_t i) {
        const char* unit = hex + 4 * i;
        return static_cast<char32_t>(hexPairValue(unit[0], unit[1]) << 8 |
                                     hexPairValue(unit[2], unit[3]));
    });
}

}  // namespace vorsa::detail
