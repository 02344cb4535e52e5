// The user data of a transfer unit: an optional header of information elements, then the
// message as septets (default alphabet) or octets (8-bit data, UCS2).
#pragma once

#include <optional>
#include <string>

#include "vorsa/sim/DataCoding.h"
#include "vorsa/sim/GsmAlphabet.h"
#include "vorsa/sim/Hex.h"

namespace vorsa::sim {

struct UserData {
    Alphabet alphabet = Alphabet::Gsm7;
    /// Information elements of the user data header, without its length octet; empty
    /// when the message has no header.
    Octets header;
    /// Gsm7: the characters as septets (escapes included).
    Septets septets;
    /// EightBit and Ucs2: the data octets after the header.
    Octets octets;

    /// Builds the user data of a text in the given alphabet. Gsm7 maps characters the
    /// alphabet lacks to '?'; EightBit takes each code point's low octet.
    [[nodiscard]] static UserData FromText(std::u32string_view text, Alphabet alphabet);
    /// The text: Gsm7 and Ucs2 decoded, EightBit octets read as ISO 8859-1 code points.
    [[nodiscard]] std::u32string Text() const;
    /// Characters for Gsm7 (septets, escapes counted), octets otherwise; header excluded.
    [[nodiscard]] size_t Length() const;
    /// TP-UDL: septets (Gsm7) or octets, the header and its fill bits included.
    [[nodiscard]] size_t LengthField() const;
    /// The octets after TP-UDL: header length octet, header, fill bits, data.
    [[nodiscard]] Octets Encode() const;
    /// Reads user data of `lengthField` (TP-UDL) from exactly `data`; nullopt when the
    /// octets do not match that length, the header overruns, or the length is beyond
    /// what one message can hold (160 septets, 140 octets). `error` says why.
    [[nodiscard]] static std::optional<UserData> Decode(uint8_t lengthField, const Octets& data,
                                                        Alphabet alphabet, bool hasHeader,
                                                        std::string* error);
};

}  // namespace vorsa::sim
