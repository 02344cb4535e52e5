// Choosing the alphabet of a text, and cutting it into parts.
#include "pdu/MessagePayload.h"

#include <algorithm>

#include "pdu/GsmAlphabet.h"
#include "pdu/TextCodec.h"

namespace vorsa::detail {
namespace {

constexpr std::size_t kSeptetsPerMessage = 160;
constexpr std::size_t kOctetsPerMessage = 140;
// The concatenation header: its length octet and five octets of element (00, 03,
// reference, count, place). In 7-bit data it fills seven septets with one fill bit.
constexpr std::size_t kConcatHeaderOctets = 6;
constexpr std::size_t kConcatHeaderSeptets = (kConcatHeaderOctets * 8 + 6) / 7;

}  // namespace

MessagePayload payloadOf(std::string_view text, TextCoding coding) {
    MessagePayload payload;
    if (coding == TextCoding::EightBit) {
        payload.alphabet = SmsAlphabet::EightBit;
        payload.octets = std::string(text);
        return payload;
    }
    if (coding == TextCoding::Automatic) {
        payload.septets.reserve(text.size() + text.size() / 8);
        if (appendGsmSeptets(payload.septets, text)) {
            payload.alphabet = SmsAlphabet::Gsm7;
            return payload;
        }
        payload.septets.clear();
    }
    payload.alphabet = SmsAlphabet::Ucs2;
    payload.units.reserve(text.size());
    appendUtf16(payload.units, text);
    return payload;
}

std::size_t singleMessageCapacity(SmsAlphabet alphabet) noexcept {
    switch (alphabet) {
        case SmsAlphabet::Gsm7:
            return kSeptetsPerMessage;
        case SmsAlphabet::Ucs2:
            return kOctetsPerMessage / 2;
        case SmsAlphabet::EightBit:
            break;
    }
    return kOctetsPerMessage;
}

std::size_t partCapacity(SmsAlphabet alphabet) noexcept {
    switch (alphabet) {
        case SmsAlphabet::Gsm7:
            return kSeptetsPerMessage - kConcatHeaderSeptets;
        case SmsAlphabet::Ucs2:
            return (kOctetsPerMessage - kConcatHeaderOctets) / 2;
        case SmsAlphabet::EightBit:
            break;
    }
    return kOctetsPerMessage - kConcatHeaderOctets;
}

std::vector<std::size_t> partEnds(const MessagePayload& payload) {
    const std::size_t size = payload.size();
    if (size <= singleMessageCapacity(payload.alphabet)) {
        return {size};
    }
    const std::size_t capacity = partCapacity(payload.alphabet);
    std::vector<std::size_t> ends;
    ends.reserve(size / (capacity - 1) + 1);
    std::size_t start = 0;
    while (start < size) {
        std::size_t end = std::min(start + capacity, size);
        if (end < size) {
            // Only an escape that leads a pair can end a part here: the second septet of
            // a pair is never the escape. A low surrogate can never be a part's first unit.
            if (payload.alphabet == SmsAlphabet::Gsm7 &&
                static_cast<uint8_t>(payload.septets[end - 1]) == kGsmEscape) {
                --end;
            } else if (payload.alphabet == SmsAlphabet::Ucs2 &&
                       isHighSurrogate(payload.units[end - 1])) {
                --end;
            }
        }
        ends.push_back(end);
        start = end;
    }
    return ends;
}

uint8_t relativeValidity(std::chrono::minutes period) noexcept {
    constexpr long long kDay = 24 * 60;
    constexpr long long kWeek = 7 * kDay;
    const long long asked = std::min<long long>(period.count(), 63 * kWeek);
    auto stepsOf = [asked](long long from, long long step) {
        return (asked - from + step - 1) / step;  // whole steps beyond `from`, rounded up
    };
    if (asked <= 12 * 60) {  // 0-143: (n + 1) x 5 minutes
        return static_cast<uint8_t>(std::max(0LL, stepsOf(0, 5) - 1));
    }
    if (asked <= 24 * 60) {  // 144-167: 12 hours + (n - 143) x 30 minutes
        return static_cast<uint8_t>(143 + stepsOf(12 * 60, 30));
    }
    if (asked <= 30 * kDay) {  // 168-196: (n - 166) days
        return static_cast<uint8_t>(166 + std::max(2LL, stepsOf(0, kDay)));
    }
    // 197-255: (n - 192) weeks
    return static_cast<uint8_t>(192 + std::clamp(stepsOf(0, kWeek), 5LL, 63LL));
}

}  // namespace vorsa::detail
