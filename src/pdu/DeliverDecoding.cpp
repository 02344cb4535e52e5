// SMS-DELIVER taken apart strictly: every field must be there.
#include <string>
#include <string_view>

#include "pdu/GsmAlphabet.h"
#include "pdu/HexOctets.h"
#include "pdu/PduPrimitives.h"
#include "pdu/TextCodec.h"
#include "pdu/UserDataHeader.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

constexpr uint8_t kMessageTypeMask = 0x03;
constexpr uint8_t kDeliverType = 0x00;
constexpr uint8_t kUserDataHeaderIndicator = 0x40;

SmsAlphabet alphabetOf(uint8_t dataCoding) {
    switch (detail::userDataAlphabet(dataCoding)) {
        case detail::UserDataAlphabet::EightBit:
            return SmsAlphabet::EightBit;
        case detail::UserDataAlphabet::Ucs2:
            return SmsAlphabet::Ucs2;
        case detail::UserDataAlphabet::Default:
            break;
    }
    return SmsAlphabet::Gsm7;
}

// Reads the user data of `length` (septets for 7-bit data, octets otherwise) into the
// message: header, concatenation, text. False when the octets are not all there or the
// header is longer than the user data.
bool readUserData(detail::HexOctets& reader, uint8_t length, bool hasHeader,
                  DeliverMessage& message) {
    const std::size_t octets =
        message.alphabet == SmsAlphabet::Gsm7 ? (length * 7u + 7) / 8 : length;
    const std::optional<std::string_view> userData = reader.take(octets);
    if (!userData) {
        return false;
    }
    std::size_t headerOctets = 0;  // with its length octet
    if (hasHeader) {
        if (userData->empty()) {
            return false;
        }
        headerOctets = 1 + static_cast<std::size_t>(detail::hexToInt(userData->substr(0, 2)));
        if (headerOctets > octets) {
            return false;
        }
        detail::appendOctets(message.userDataHeader, *userData, 1, headerOctets - 1);
        message.concat = detail::concatOf(message.userDataHeader);
    }
    switch (message.alphabet) {
        case SmsAlphabet::Gsm7: {
            // The text starts at the first septet boundary after the header.
            const std::size_t headerSeptets = (headerOctets * 8 + 6) / 7;
            if (headerSeptets > length) {
                return false;
            }
            detail::appendGsmTextFromUserData(message.text, *userData, headerSeptets,
                                              length - headerSeptets);
            break;
        }
        case SmsAlphabet::Ucs2:
            detail::appendUcs2AsUtf8(message.text, *userData, headerOctets, octets - headerOctets);
            break;
        case SmsAlphabet::EightBit:
            detail::appendOctets(message.data, *userData, headerOctets, octets - headerOctets);
            for (const char byte : message.data) {
                detail::appendUtf8(message.text, static_cast<unsigned char>(byte));
            }
            break;
    }
    return true;
}

}  // namespace

std::optional<DeliverMessage> decodeDeliver(std::string_view pdu) {
    std::string upperCase;
    const std::optional<std::string_view> hex = detail::normalizedHex(pdu, upperCase);
    if (!hex) {
        return std::nullopt;
    }
    detail::HexOctets reader(*hex);
    DeliverMessage message;
    std::optional<std::string> centre = detail::readServiceCentre(reader);
    const std::optional<uint8_t> firstOctet = reader.octet();
    if (!centre || !firstOctet || (*firstOctet & kMessageTypeMask) != kDeliverType) {
        return std::nullopt;
    }
    message.serviceCentre = std::move(*centre);
    std::optional<detail::AddressField> sender = detail::readAddress(reader);
    const std::optional<uint8_t> protocolId = reader.octet();
    const std::optional<uint8_t> dataCoding = reader.octet();
    std::optional<std::string> timeStamp = detail::readTimeStamp(reader);
    const std::optional<uint8_t> length = reader.octet();
    if (!sender || !protocolId || !dataCoding || !timeStamp || !length) {
        return std::nullopt;
    }
    message.sender = std::move(sender->text);
    message.senderType = sender->type;
    message.protocolId = *protocolId;
    message.dataCoding = *dataCoding;
    message.alphabet = alphabetOf(*dataCoding);
    const int messageClass = detail::messageClassOf(*dataCoding);
    if (messageClass >= 0) {
        message.messageClass = static_cast<MessageClass>(messageClass);
    }
    message.timeStamp = std::move(*timeStamp);
    if (!readUserData(reader, *length, (*firstOctet & kUserDataHeaderIndicator) != 0, message)) {
        return std::nullopt;
    }
    return message;
}

}  // namespace vorsa
