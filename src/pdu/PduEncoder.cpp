// SMS-SUBMIT encoder and the length that AT+CMGS takes.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "pdu/GsmAlphabet.h"
#include "pdu/PduPrimitives.h"
#include "pdu/SubmitFields.h"
#include "pdu/TextCodec.h"
#include "vorsa/PDU.h"

namespace vorsa {

using detail::addressOctets;
using detail::appendHexNumber;
using detail::appendSemiOctets;
using detail::splitNumber;
using detail::SplitNumber;

std::string encodeSMS(const std::string& serviceCentre, const std::string& destination,
                      const std::string& text, uint8_t messageReference, uint8_t firstOctet,
                      uint8_t eightBit) {
    const SplitNumber centre = splitNumber(serviceCentre);
    const SplitNumber recipient = splitNumber(destination);

    // The user data: 8-bit data as it always was; otherwise the text in the GSM alphabet
    // when every character has a place in it, and in UCS2 when one has not.
    const char* dataCoding = "F5";
    std::size_t userDataLength = text.size();
    std::string userData;
    if (eightBit != 0) {
        userData = detail::textToUserData(text, eightBit);
    } else {
        std::string septets;
        septets.reserve(text.size());
        if (detail::appendGsmSeptets(septets, text)) {
            dataCoding = "F1";  // class 1, as ever
            userDataLength = septets.size();
            detail::appendPackedSeptets(userData, septets);
        } else {
            std::u16string units;
            detail::appendUtf16(units, text);
            dataCoding = "08";
            userDataLength = 2 * units.size();
            detail::appendUtf16Hex(userData, units);
        }
    }

    std::string pdu;
    pdu.reserve(2 * (addressOctets(centre.digits) + addressOctets(recipient.digits) + 16) +
                userData.size());
    if (serviceCentre.empty()) {
        pdu.append("00");
    } else {
        appendHexNumber(pdu, addressOctets(centre.digits));
        appendHexNumber(pdu, centre.type);
        appendSemiOctets(pdu, centre.digits);
    }
    appendHexNumber(pdu, firstOctet);
    appendHexNumber(pdu, messageReference);
    appendHexNumber(pdu, recipient.digits.size());
    appendHexNumber(pdu, recipient.type);
    appendSemiOctets(pdu, recipient.digits);
    pdu.append("00");  // protocol identifier
    pdu.append(dataCoding);
    appendHexNumber(pdu, userDataLength);
    pdu.append(userData);
    return pdu;
}

int32_t PduLength(const std::string& pdu) {
    // With "00" in front the service centre part is that one octet; otherwise the first
    // octet counts the octets of the address that follows it. Both come to the same sum.
    const std::size_t serviceCentreOctets =
        1 + static_cast<std::size_t>(detail::hexToInt(std::string_view(pdu).substr(0, 2)));
    const std::size_t octets = pdu.size() / 2;
    if (octets >= serviceCentreOctets) {
        const std::size_t rest = octets - serviceCentreOctets;
        return rest > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())
                   ? std::numeric_limits<int32_t>::max()
                   : static_cast<int32_t>(rest);
    }
    return -static_cast<int32_t>(serviceCentreOctets - octets);
}

}  // namespace vorsa
