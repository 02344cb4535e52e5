// SMS-SUBMIT units for texts of any length, alphabet and options.
#include <string>
#include <string_view>
#include <vector>

#include "pdu/MessagePayload.h"
#include "pdu/PduPrimitives.h"
#include "pdu/SubmitFields.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

constexpr std::size_t kMaxParts = 255;
constexpr std::size_t kMaxAddressDigits = 20;

constexpr uint8_t kSubmitType = 0x01;
constexpr uint8_t kRelativeValidity = 0x10;
constexpr uint8_t kStatusReportRequest = 0x20;
constexpr uint8_t kUserDataHeaderIndicator = 0x40;

// Data coding, general group: bits 3-2 the alphabet, bit 4 "a class follows" in bits 1-0.
constexpr uint8_t kCodingEightBit = 0x04;
constexpr uint8_t kCodingUcs2 = 0x08;
constexpr uint8_t kCodingHasClass = 0x10;

// The concatenation element with an 8-bit reference, after the header's length octet.
constexpr uint8_t kConcatHeaderLength = 5;
constexpr uint8_t kConcatElement = 0x00;
constexpr uint8_t kConcatElementLength = 3;
constexpr unsigned kConcatFillBits = 1;  // 48 header bits up to the 49th, a septet boundary

// The semi-octets of a number's digits: 0-9, "*" as A and "#" as B. Empty when the
// number has no digits, too many, or another character.
std::string dialledDigits(std::string_view digits) {
    std::string semiOctets;
    if (digits.empty() || digits.size() > kMaxAddressDigits) {
        return semiOctets;
    }
    for (const char c : digits) {
        if (c >= '0' && c <= '9') {
            semiOctets += c;
        } else if (c == '*') {
            semiOctets += 'A';
        } else if (c == '#') {
            semiOctets += 'B';
        } else {
            return std::string();
        }
    }
    return semiOctets;
}

uint8_t dataCodingOf(SmsAlphabet alphabet, const std::optional<MessageClass>& messageClass) {
    uint8_t coding = alphabet == SmsAlphabet::Ucs2       ? kCodingUcs2
                     : alphabet == SmsAlphabet::EightBit ? kCodingEightBit
                                                         : 0;
    if (messageClass) {
        coding =
            static_cast<uint8_t>(coding | kCodingHasClass | static_cast<uint8_t>(*messageClass));
    }
    return coding;
}

// Appends the user data of units [begin, end) of the payload, with the concatenation
// header in front when `header` is not empty; `header` holds the header's octets as
// hexadecimal text, its length octet first.
void appendUserData(std::string& pdu, const detail::MessagePayload& payload, std::size_t begin,
                    std::size_t end, std::string_view header) {
    const std::size_t count = end - begin;
    switch (payload.alphabet) {
        case SmsAlphabet::Gsm7: {
            const std::size_t headerSeptets = header.empty() ? 0 : (header.size() / 2 * 8 + 6) / 7;
            detail::appendHexNumber(pdu, headerSeptets + count);
            pdu.append(header);
            detail::appendPackedSeptets(pdu, std::string_view(payload.septets).substr(begin, count),
                                        header.empty() ? 0 : kConcatFillBits);
            break;
        }
        case SmsAlphabet::Ucs2:
            detail::appendHexNumber(pdu, header.size() / 2 + 2 * count);
            pdu.append(header);
            detail::appendUtf16Hex(pdu, std::u16string_view(payload.units).substr(begin, count));
            break;
        case SmsAlphabet::EightBit:
            detail::appendHexNumber(pdu, header.size() / 2 + count);
            pdu.append(header);
            pdu.append(detail::stringToHex(std::string_view(payload.octets).substr(begin, count)));
            break;
    }
}

}  // namespace

SubmitEncoding encodeSubmitParts(std::string_view serviceCentre, std::string_view destination,
                                 std::string_view text, const SubmitOptions& options,
                                 uint8_t reference) {
    SubmitEncoding encoding;
    const detail::SplitNumber recipient = detail::splitNumber(destination);
    const std::string recipientDigits = dialledDigits(recipient.digits);
    if (recipientDigits.empty()) {
        encoding.error = SubmitError::InvalidDestination;
        return encoding;
    }
    const detail::SplitNumber centre = detail::splitNumber(serviceCentre);
    const std::string centreDigits = dialledDigits(centre.digits);
    if (!serviceCentre.empty() && centreDigits.empty()) {
        encoding.error = SubmitError::InvalidServiceCentre;
        return encoding;
    }

    const detail::MessagePayload payload = detail::payloadOf(text, options.coding);
    encoding.alphabet = payload.alphabet;
    const std::vector<std::size_t> ends = detail::partEnds(payload);
    if (ends.size() > kMaxParts) {
        encoding.error = SubmitError::TooLong;
        return encoding;
    }
    const bool concatenated = ends.size() > 1;

    // Everything before the user data is the same in every part.
    std::string centrePart;
    if (serviceCentre.empty()) {
        centrePart = "00";
    } else {
        detail::appendHexNumber(centrePart, detail::addressOctets(centreDigits));
        detail::appendHexNumber(centrePart, centre.type);
        detail::appendSemiOctets(centrePart, centreDigits);
    }
    uint8_t firstOctet = kSubmitType;
    if (options.validity) {
        firstOctet |= kRelativeValidity;
    }
    if (options.statusReport) {
        firstOctet |= kStatusReportRequest;
    }
    if (concatenated) {
        firstOctet |= kUserDataHeaderIndicator;
    }
    std::string unitStart;
    detail::appendHexNumber(unitStart, firstOctet);
    unitStart += "00";  // message reference: the modem assigns one
    detail::appendHexNumber(unitStart, recipientDigits.size());
    detail::appendHexNumber(unitStart, recipient.type);
    detail::appendSemiOctets(unitStart, recipientDigits);
    unitStart += "00";  // protocol identifier
    detail::appendHexNumber(unitStart, dataCodingOf(payload.alphabet, options.messageClass));
    if (options.validity) {
        detail::appendHexNumber(unitStart, detail::relativeValidity(*options.validity));
    }

    encoding.parts.reserve(ends.size());
    std::size_t begin = 0;
    for (std::size_t i = 0; i < ends.size(); ++i) {
        SubmitPart part;
        part.total = static_cast<uint8_t>(ends.size());
        part.sequence = static_cast<uint8_t>(i + 1);
        std::string header;
        if (concatenated) {
            for (const uint8_t octet : {kConcatHeaderLength, kConcatElement, kConcatElementLength,
                                        reference, part.total, part.sequence}) {
                detail::appendHexNumber(header, octet);
            }
        }
        part.pdu.reserve(centrePart.size() + unitStart.size() + 2 + header.size() +
                         4 * (ends[i] - begin) + 2);
        part.pdu = centrePart;
        part.pdu += unitStart;
        appendUserData(part.pdu, payload, begin, ends[i], header);
        part.length = static_cast<int32_t>((part.pdu.size() - centrePart.size()) / 2);
        encoding.parts.push_back(std::move(part));
        begin = ends[i];
    }
    return encoding;
}

TextSize measureText(std::string_view text, TextCoding coding) {
    const detail::MessagePayload payload = detail::payloadOf(text, coding);
    TextSize size;
    size.alphabet = payload.alphabet;
    size.units = payload.size();
    size.parts = detail::partEnds(payload).size();
    return size;
}

}  // namespace vorsa
