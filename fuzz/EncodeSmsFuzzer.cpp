// Arbitrary numbers and texts for encodeSMS. Input: message reference, first octet and
// the 8-bit flag as three bytes, then the service centre and the destination each ended
// by a line feed, then the text (any bytes).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "pdu/GsmAlphabet.h"
#include "pdu/PduPrimitives.h"
#include "pdu/TextCodec.h"
#include "vorsa/PDU.h"

namespace {

std::string nextLine(std::string_view& input) {
    const std::size_t end = input.find('\n');
    const std::string line(input.substr(0, end));
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return line;
}

// Characters of a number's address field: the digits after "+" or "00", filled to even.
std::size_t digitCharacters(const std::string& number) {
    std::size_t digits = number.size();
    if (number.compare(0, 1, "+") == 0) {
        digits -= 1;
    } else if (number.compare(0, 2, "00") == 0) {
        digits -= 2;
    }
    return digits + digits % 2;
}

// Characters a length octet takes: two hexadecimal digits, more for larger values.
std::size_t lengthCharacters(std::size_t value) {
    std::size_t characters = 2;
    for (value >>= 8; value != 0; value >>= 4) {
        ++characters;
    }
    return characters;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const uint8_t messageReference = data[0];
    const uint8_t firstOctet = data[1];
    const uint8_t eightBit = data[2];
    std::string_view input(reinterpret_cast<const char*>(data) + 3, size - 3);
    const std::string serviceCentre = nextLine(input);
    const std::string destination = nextLine(input);
    const std::string text(input);

    const std::string pdu =
        vorsa::encodeSMS(serviceCentre, destination, text, messageReference, firstOctet, eightBit);

    // The user data: 8-bit data, or the text's septets when the GSM alphabet holds all of
    // its characters, or its UTF-16 units.
    std::string userData;
    std::size_t userDataLength = text.size();
    std::string septets;
    if (eightBit != 0) {
        userData = vorsa::detail::textToUserData(text, eightBit);
    } else if (vorsa::detail::appendGsmSeptets(septets, text)) {
        userData = vorsa::detail::packSeptets(septets);
        VORSA_FUZZ_CHECK(userData == vorsa::detail::packSeptetsByBitText(septets));
        userDataLength = septets.size();
    } else {
        std::u16string units;
        vorsa::detail::appendUtf16(units, text);
        vorsa::detail::appendUtf16Hex(userData, units);
        userDataLength = 2 * units.size();
    }
    VORSA_FUZZ_CHECK(pdu.size() >= userData.size() &&
                     pdu.compare(pdu.size() - userData.size(), userData.size(), userData) == 0);

    const std::size_t centreCharacters =
        serviceCentre.empty() ? 2
                              : lengthCharacters(1 + digitCharacters(serviceCentre) / 2) + 2 +
                                    digitCharacters(serviceCentre);
    const std::size_t destinationDigits =
        destination.size() - (destination.compare(0, 1, "+") == 0    ? 1
                              : destination.compare(0, 2, "00") == 0 ? 2
                                                                     : 0);
    VORSA_FUZZ_CHECK(pdu.size() == centreCharacters + 4 + lengthCharacters(destinationDigits) + 2 +
                                       digitCharacters(destination) + 4 +
                                       lengthCharacters(userDataLength) + userData.size());

    std::string serviceCentreOut, originator, timeStamp, textOut;
    vorsa::decodeSMS(pdu, serviceCentreOut, originator, timeStamp, textOut);
    return 0;
}
