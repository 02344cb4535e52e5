// SMS-SUBMIT encoder and the length that AT+CMGS takes.
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "pdu/PduPrimitives.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

// A number split by the numbering rule: "+" or "00" in front makes it international and
// is dropped; anything else is written as it is, a single leading "0" included. The
// characters are not examined.
struct SplitNumber {
    std::string_view digits;
    uint8_t type;
};

SplitNumber splitNumber(std::string_view number) {
    if (number.substr(0, 1) == "+") {
        return {number.substr(1), detail::kInternationalNumber};
    }
    if (number.substr(0, 2) == "00") {
        return {number.substr(2), detail::kInternationalNumber};
    }
    return {number, detail::kUnknownNumber};
}

// Writes a value with at least two upper-case hexadecimal digits, more when it needs them.
void appendHexNumber(std::string& out, std::size_t value) {
    char digits[2 * sizeof value];
    std::size_t count = 0;
    do {
        digits[count++] = detail::nibbleToHex(static_cast<int>(value & 0x0F));
        value >>= 4;
    } while (value != 0);
    if (count < 2) {
        digits[count++] = '0';
    }
    while (count > 0) {
        out.push_back(digits[--count]);
    }
}

// Writes the digits in semi-octet order, with "F" filling an odd count.
void appendSemiOctets(std::string& out, std::string_view digits) {
    std::size_t i = 0;
    for (; i + 1 < digits.size(); i += 2) {
        out.push_back(digits[i + 1]);
        out.push_back(digits[i]);
    }
    if (i < digits.size()) {
        out.push_back('F');
        out.push_back(digits[i]);
    }
}

// Octets of the address field after the length: the type and the filled digits.
std::size_t addressOctets(std::string_view digits) {
    return 1 + digits.size() / 2 + digits.size() % 2;
}

}  // namespace

std::string encodeSMS(const std::string& serviceCentre, const std::string& destination,
                      const std::string& text, uint8_t messageReference, uint8_t firstOctet,
                      uint8_t eightBit) {
    const SplitNumber centre = splitNumber(serviceCentre);
    const SplitNumber recipient = splitNumber(destination);
    const std::size_t userDataOctets = eightBit != 0 ? text.size() : text.size() - text.size() / 8;

    std::string pdu;
    pdu.reserve(
        2 * (addressOctets(centre.digits) + addressOctets(recipient.digits) + userDataOctets + 16));
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
    pdu.append("00");                         // protocol identifier
    pdu.append(eightBit != 0 ? "F5" : "F1");  // data coding, class 1
    appendHexNumber(pdu, text.size());
    detail::appendUserData(pdu, text, eightBit != 0);
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
