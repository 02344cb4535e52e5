// Readable form of a service-centre time stamp.
#include <string>

#include "pdu/PduPrimitives.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

// Bit 3 of the zone's first semi-octet is its sign: "8" to "F" mark a zone west of
// Greenwich.
bool isWestZoneDigit(char digit) {
    return (digit >= '8' && digit <= '9') || (digit >= 'A' && digit <= 'F');
}

}  // namespace

std::string formatDate(const std::string& timeStamp) {
    constexpr std::size_t kZone = 12;  // index of the zone's first digit
    std::string date;
    date.reserve(timeStamp.size() + 6);
    for (std::size_t i = 0; i < timeStamp.size(); ++i) {
        char character = timeStamp[i];
        if (i == kZone && isWestZoneDigit(character)) {
            character = detail::nibbleToHex(detail::hexDigitValue(character) - 8);
        }
        date.push_back(character);
        switch (i + 1) {
            case 2:
            case 4:
                date.push_back('/');
                break;
            case 6:
                date.push_back(',');
                break;
            case 8:
            case 10:
                date.push_back(':');
                break;
            case 12:
                date.push_back(timeStamp.size() > kZone && isWestZoneDigit(timeStamp[kZone]) ? '-'
                                                                                             : '+');
                break;
            default:
                break;
        }
    }
    return date;
}

}  // namespace vorsa
