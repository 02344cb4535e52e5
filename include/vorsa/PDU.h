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
/// service-centre address, then an SMS-SUBMIT with no validity period, protocol
/// identifier 00 and data coding F1 (7-bit default alphabet, class 1) or F5 (8-bit data,
/// class 1), as upper-case hexadecimal text.
///
/// A number that begins with "+" or "00" loses that prefix and is written as
/// international (type 91); any other number is written as it is with type 81. An empty
/// `serviceCentre` writes "00": the modem then uses its own. The text travels with "@" as
/// code 0 and "$" as code 2 of the default alphabet; every other character keeps its own
/// code, and in 7-bit data loses its top bit. The user data length is the number of
/// characters of `text`; the encoder puts no limit on it (a valid unit holds at most 160
/// characters with 7-bit data and 140 with 8-bit data).
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
///  - `text`: the message. The data coding octet names its alphabet (GSM 03.38): 7-bit
///    default alphabet or 8-bit data (such as F5 or 04), with code 0 shown as "@" and code
///    2 as "$" and every other code as itself; or UCS2 (such as 08), given as UTF-8. A
///    user data header, when the first octet announces one, is skipped together with the
///    fill bits that follow it in 7-bit data.
/// The outputs may be the same string objects as `pdu`.
void decodeSMS(const std::string& pdu, std::string& serviceCentre, std::string& originator,
               std::string& timeStamp, std::string& text);

/// Turns the 14 time-stamp digits YYMMDDhhmmsszz into "YY/MM/DD,hh:mm:ss+zz". A zone whose
/// first digit carries the sign bit (8 and above) is shown as "-" and the zone without
/// it, so "92" (three hours west) gives "-12" quarter hours. Shorter or longer input is
/// copied character by character with each separator appended after its position.
[[nodiscard]] std::string formatDate(const std::string& timeStamp);

}  // namespace vorsa
