// SMS-DELIVER decoder.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "pdu/GsmAlphabet.h"
#include "pdu/PduPrimitives.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

constexpr uint8_t kTypeOfNumberMask = 0x70;
constexpr uint8_t kAlphanumeric = 0x50;
constexpr uint8_t kUserDataHeaderIndicator = 0x40;

// Walks the PDU text from left to right. A field that runs past the end is as long as
// what is left of the text, possibly empty; the position never passes the end.
class FieldReader {
  public:
    explicit FieldReader(std::string_view pdu) : pdu_(pdu) {}

    std::string_view take(std::size_t characters) noexcept {
        const std::string_view field = pdu_.substr(position_, characters);
        position_ += field.size();
        return field;
    }

    int octet() noexcept { return detail::hexToInt(take(2)); }

    void skip(std::size_t characters) noexcept { (void)take(characters); }

    std::string_view rest() const noexcept { return pdu_.substr(position_); }

  private:
    std::string_view pdu_;
    std::size_t position_ = 0;
};

// An alphanumeric address (type of number 101) carries GSM 7-bit packed text in its
// digits field.
bool isAlphanumeric(int type) {
    return (type & kTypeOfNumberMask) == kAlphanumeric;
}

// A numeric address: its semi-octets swapped into reading order and the filler "F"
// removed, after "+" for an international number, nothing for one of unknown numbering
// (its digits are already as they are dialled) and "0" for every other type, which gives
// a national number its national dialling form.
std::string numericAddress(int type, std::string_view field) {
    std::string number = type == detail::kInternationalNumber ? "+"
                         : type == detail::kUnknownNumber     ? ""
                                                              : "0";
    number += detail::swapSemiOctets(field);
    const std::size_t filler = number.find('F');
    if (filler != std::string::npos) {
        number.erase(filler, 1);
    }
    return number;
}

std::string alphanumericAddress(std::string_view field, std::size_t characters) {
    std::string septets;
    detail::appendSeptetCodes(septets, field, 0, characters);
    std::string name;
    detail::appendGsmText(name, septets);
    return name;
}

// The service centre length counts octets: the type and the packed text. When the text
// leaves seven spare bits at the end of its last octet, they are zero fill and read as
// one more code 0; such a trailing "@" is the fill and is dropped.
std::string serviceCentreName(std::string_view field) {
    std::string septets;
    detail::appendSeptetCodes(septets, field, 0, field.size());
    if (septets.size() % 8 == 0 && !septets.empty() && septets.back() == '\0' &&
        field.size() / 2 * 8 == septets.size() * 7) {
        septets.pop_back();
    }
    std::string name;
    detail::appendGsmText(name, septets);
    return name;
}

// The text of user data that starts with a header of `headerOctets` octets (its length
// octet included), or with none when that is 0. `length` is the user data length: in
// septets for 7-bit data, where the header is followed by fill bits up to the next whole
// septet, and in octets for 8-bit and UCS2 data. UCS2 text comes out as UTF-8.
std::string userDataText(std::string_view userData, detail::UserDataAlphabet alphabet,
                         std::size_t length, std::size_t headerOctets) {
    std::string text;
    if (alphabet != detail::UserDataAlphabet::Default) {
        if (length > headerOctets) {
            if (alphabet == detail::UserDataAlphabet::Ucs2) {
                detail::appendUcs2AsUtf8(text, userData, headerOctets, length - headerOctets);
            } else {
                detail::appendOctets(text, userData, headerOctets, length - headerOctets);
                detail::fromDefaultAlphabet(text);
            }
        }
        return text;
    }
    const std::size_t headerSeptets = (headerOctets * 8 + 6) / 7;
    if (length > headerSeptets) {
        detail::appendGsmTextFromUserData(text, userData, headerSeptets, length - headerSeptets);
    }
    return text;
}

}  // namespace

void decodeSMS(const std::string& pdu, std::string& serviceCentre, std::string& originator,
               std::string& timeStamp, std::string& text) {
    // The outputs are formed apart and assigned at the end: the caller may pass the PDU's
    // own string as one of them.
    FieldReader reader(pdu);

    std::string centre;
    const int centreLength = reader.octet();
    if (centreLength > 0) {
        const int type = reader.octet();
        const std::string_view field = reader.take(2 * static_cast<std::size_t>(centreLength - 1));
        centre = isAlphanumeric(type) ? serviceCentreName(field) : numericAddress(type, field);
    }

    const int firstOctet = reader.octet();
    const int senderLength = reader.octet();
    const int senderType = reader.octet();
    const std::size_t senderWidth = static_cast<std::size_t>(senderLength + senderLength % 2);
    const std::string_view senderField = reader.take(senderWidth);
    std::string sender =
        isAlphanumeric(senderType)
            ? alphanumericAddress(senderField, static_cast<std::size_t>(senderLength) * 4 / 7)
            : numericAddress(senderType, senderField);

    reader.skip(2);  // protocol identifier
    const detail::UserDataAlphabet alphabet = detail::userDataAlphabet(reader.octet());
    std::string stamp = detail::swapSemiOctets(reader.take(14));
    const auto length = static_cast<std::size_t>(reader.octet());

    std::size_t headerOctets = 0;
    if ((firstOctet & kUserDataHeaderIndicator) != 0) {
        headerOctets = 1 + static_cast<std::size_t>(detail::hexToInt(reader.rest().substr(0, 2)));
    }
    std::string message = userDataText(reader.rest(), alphabet, length, headerOctets);

    serviceCentre = std::move(centre);
    originator = std::move(sender);
    timeStamp = std::move(stamp);
    text = std::move(message);
}

}  // namespace vorsa
