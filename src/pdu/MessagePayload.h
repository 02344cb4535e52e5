// A text in the alphabet it will travel in, and where it is cut into parts.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "vorsa/PDU.h"

namespace vorsa::detail {

/// The text as units of its alphabet: septets (one a char, an extension character as
/// escape and code), UTF-16 units, or octets.
struct MessagePayload {
    SmsAlphabet alphabet = SmsAlphabet::Gsm7;
    std::string septets;
    std::u16string units;
    std::string octets;

    [[nodiscard]] std::size_t size() const noexcept {
        switch (alphabet) {
            case SmsAlphabet::Gsm7:
                return septets.size();
            case SmsAlphabet::Ucs2:
                return units.size();
            case SmsAlphabet::EightBit:
                break;
        }
        return octets.size();
    }
};

[[nodiscard]] MessagePayload payloadOf(std::string_view text, TextCoding coding);

/// Units that one message holds without a header, and that one part of a long message
/// holds after the concatenation header with an 8-bit reference (six octets).
[[nodiscard]] std::size_t singleMessageCapacity(SmsAlphabet alphabet) noexcept;
[[nodiscard]] std::size_t partCapacity(SmsAlphabet alphabet) noexcept;

/// Where each part ends, in units: one end (the size) when the payload fits one message,
/// otherwise parts of partCapacity units, each shortened by one where it would end
/// between an escape and its code or between the halves of a surrogate pair.
[[nodiscard]] std::vector<std::size_t> partEnds(const MessagePayload& payload);

/// The relative validity period octet for a period: the shortest step not shorter than
/// it, held to the range of the field (5 minutes to 63 weeks).
[[nodiscard]] uint8_t relativeValidity(std::chrono::minutes period) noexcept;

}  // namespace vorsa::detail
