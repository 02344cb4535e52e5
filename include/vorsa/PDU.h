// The PDU codec: builds the SMS-SUBMIT unit that a modem in PDU mode sends, and takes
// apart the SMS-DELIVER unit that it hands back, both as text of hexadecimal digits, two
// per octet, high nibble first (GSM 03.40 units in the form of GSM 07.05's PDU mode).
//
// The routines are pure functions of their arguments: they keep no state, share nothing
// and may be called from any thread. None of them validates its input, reports a failure
// or throws: malformed, truncated or oversized input yields a value formed by the same
// rules from whatever is there, and nothing is ever read or written outside a string.
#pragma once

#include <cstdint>
#include <string>

namespace vorsa {

/// Builds the PDU that follows the modem's ">" prompt after "AT+CMGS=": an optional
/// service-centre address, then an SMS-SUBMIT with no validity period and protocol
/// identifier 00, as upper-case hexadecimal text.
///
/// A number that begins with "+" or "00" loses that prefix and is written as
/// international (type 91); any other number is written as it is with type 81. An empty
/// `serviceCentre` writes "00": the modem then uses its own.
///
/// `text` is UTF-8; a byte that does not begin a UTF-8 sequence is read as ISO 8859-1.
/// With `eightBit` zero the text travels in the GSM 7-bit default alphabet and its
/// extension table (data coding F1, class 1) when every character has a place there, the
/// user data length counting septets (an extension character such as "[" or "€" takes
/// two); otherwise it travels as UCS2 (data coding 08), the length counting octets. A
/// non-zero `eightBit` sends the bytes of `text` as 8-bit data (data coding F5, class 1),
/// "@" as octet 0 and "$" as octet 2. The encoder puts no limit on the length: one unit
/// holds 160 septets or 140 octets, and longer texts go with encodeSubmitParts.
///
/// Note the order: `messageReference` comes before `firstOctet` here, while the unit
/// carries the first octet first. A non-zero `eightBit` selects 8-bit data.
[[nodiscard]] std::string encodeSMS(const std::string& serviceCentre,
                                    const std::string& destination, const std::string& text,
                                    uint8_t messageReference, uint8_t firstOctet, uint8_t eightBit);

/// The length in octets that goes after "AT+CMGS=": the octets of `pdu` after its
/// service-centre part, as given by the service-centre length in its first octet.
[[nodiscard]] int32_t PduLength(const std::string& pdu);

/// Takes apart an SMS-DELIVER PDU, the PDU line of a "+CMGR:", "+CMGL:" or "+CMT:" reply,
/// and replaces the four outputs:
///  - `serviceCentre` and `originator`: the numbers, "+" before an international number
///    (type 91), nothing before one of unknown type (81), "0" before every other numeric
///    type (the national dialling form); an alphanumeric address (type of number 101,
///    such as D0) is given as its text. An empty service-centre part (length 00) gives
///    the empty string.
///  - `timeStamp`: the 14 digits of the service-centre time stamp, YYMMDDhhmmsszz, the
///    zone digits raw (the sign bit of a negative zone is left in place; see formatDate).
///  - `text`: the message. The data coding octet names its alphabet (GSM 03.38): the
///    7-bit default alphabet with its extension table, or UCS2 (such as 08), both given
///    as UTF-8; or 8-bit data (such as F5 or 04), given as its octets with octet 0 shown
///    as "@" and 2 as "$". A user data header, when the first octet announces one, is
///    skipped together with the fill bits that follow it in 7-bit data.
/// The outputs may be the same string objects as `pdu`.
void decodeSMS(const std::string& pdu, std::string& serviceCentre, std::string& originator,
               std::string& timeStamp, std::string& text);

/// Turns the 14 time-stamp digits YYMMDDhhmmsszz into "YY/MM/DD,hh:mm:ss+zz". A zone whose
/// first digit carries the sign bit (8 and above) is shown as "-" and the zone without
/// it, so "92" (three hours west) gives "-12" quarter hours. Shorter or longer input is
/// copied character by character with each separator appended after its position.
[[nodiscard]] std::string formatDate(const std::string& timeStamp);

}  // namespace vorsa
