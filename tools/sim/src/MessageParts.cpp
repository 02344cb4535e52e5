#include "vorsa/sim/MessageParts.h"

#include <algorithm>

#include "vorsa/sim/GsmAlphabet.h"
#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

constexpr uint8_t kConcat8 = 0x00;
constexpr uint8_t kConcat16 = 0x08;
constexpr size_t kMaxParts = 255;
constexpr size_t kMessageSeptets = 160;
constexpr size_t kMessageOctets = 140;

Alphabet ChosenAlphabet(const IncomingMessage& message, const std::u32string& text) {
    switch (message.coding) {
        case TextCoding::Gsm7:
            return Alphabet::Gsm7;
        case TextCoding::EightBit:
            return Alphabet::EightBit;
        case TextCoding::Ucs2:
            return Alphabet::Ucs2;
        case TextCoding::Automatic:
            break;
    }
    return IsGsmEncodable(text) ? Alphabet::Gsm7 : Alphabet::Ucs2;
}

// What one character costs in its alphabet: septets (an extension character two, one the
// alphabet lacks one, as it goes out as "?") or UTF-16 units.
size_t Cost(char32_t c, Alphabet alphabet) {
    if (alphabet == Alphabet::Ucs2) {
        return c >= 0x10000 ? 2 : 1;
    }
    return ToGsmSeptets(std::u32string_view(&c, 1)).size();
}

}  // namespace

Octets EncodeConcatElement(const ConcatElement& element) {
    if (element.sixteenBit) {
        return {kConcat16,
                4,
                static_cast<uint8_t>(element.reference >> 8),
                static_cast<uint8_t>(element.reference & 0xFF),
                element.total,
                element.sequence};
    }
    return {kConcat8, 3, static_cast<uint8_t>(element.reference & 0xFF), element.total,
            element.sequence};
}

std::optional<ConcatElement> FindConcatElement(const Octets& header) {
    std::optional<ConcatElement> found;
    size_t at = 0;
    while (at < header.size()) {
        if (at + 2 > header.size() || at + 2 + header[at + 1] > header.size()) {
            return std::nullopt;  // an element that runs past the header
        }
        uint8_t id = header[at];
        uint8_t length = header[at + 1];
        const uint8_t* data = header.data() + at + 2;
        ConcatElement element;
        bool concat = false;
        if (id == kConcat8 && length == 3) {
            element = {data[0], data[1], data[2], false};
            concat = true;
        } else if (id == kConcat16 && length == 4) {
            element = {static_cast<uint16_t>(data[0] << 8 | data[1]), data[2], data[3], true};
            concat = true;
        }
        if (concat && element.total > 0 && element.sequence >= 1 &&
            element.sequence <= element.total) {
            found = element;
        }
        at += 2u + length;
    }
    return found;
}

std::vector<IncomingMessage> SplitIncoming(const IncomingMessage& message, uint16_t reference,
                                           bool sixteenBit) {
    std::u32string text = DecodeUtf8(message.text);
    Alphabet alphabet = ChosenAlphabet(message, text);
    size_t headerOctets = 1 + (sixteenBit ? 6 : 5);
    size_t whole = 0;  // the message's length in its alphabet's units
    size_t capacity = 0;
    size_t single = 0;
    if (alphabet == Alphabet::EightBit) {
        whole = message.text.size();
        single = kMessageOctets;
        capacity = kMessageOctets - headerOctets;
    } else {
        for (char32_t c : text) {
            whole += Cost(c, alphabet);
        }
        if (alphabet == Alphabet::Gsm7) {
            single = kMessageSeptets;
            capacity = kMessageSeptets - (headerOctets * 8 + 6) / 7;
        } else {
            single = kMessageOctets / 2;
            capacity = (kMessageOctets - headerOctets) / 2;
        }
    }
    if (whole <= single || !message.userDataHeader.empty()) {
        return {message};
    }

    // The pieces of text, each as long as a part holds without cutting a character.
    std::vector<std::string> pieces;
    if (alphabet == Alphabet::EightBit) {
        for (size_t at = 0; at < message.text.size(); at += capacity) {
            pieces.push_back(message.text.substr(at, capacity));
        }
    } else {
        std::u32string piece;
        size_t used = 0;
        for (char32_t c : text) {
            size_t cost = Cost(c, alphabet);
            if (used + cost > capacity) {
                pieces.push_back(EncodeUtf8(piece));
                piece.clear();
                used = 0;
            }
            piece += c;
            used += cost;
        }
        pieces.push_back(EncodeUtf8(piece));
    }
    if (pieces.size() > kMaxParts) {
        return {};
    }
    std::vector<IncomingMessage> parts;
    TextCoding coding = alphabet == Alphabet::Gsm7       ? TextCoding::Gsm7
                        : alphabet == Alphabet::EightBit ? TextCoding::EightBit
                                                         : TextCoding::Ucs2;
    for (size_t i = 0; i < pieces.size(); ++i) {
        IncomingMessage part = message;
        part.text = pieces[i];
        part.coding = coding;
        part.userDataHeader = EncodeConcatElement({reference, static_cast<uint8_t>(pieces.size()),
                                                   static_cast<uint8_t>(i + 1), sixteenBit});
        parts.push_back(std::move(part));
    }
    return parts;
}

std::optional<std::vector<size_t>> ArrangeParts(size_t count, const PartArrangement& arrangement,
                                                std::string* error) {
    auto fail = [error](std::string text) -> std::optional<std::vector<size_t>> {
        if (error != nullptr) {
            *error = std::move(text);
        }
        return std::nullopt;
    };
    auto valid = [count](int part) { return part >= 1 && static_cast<size_t>(part) <= count; };
    std::vector<size_t> order;
    if (!arrangement.order.empty()) {
        if (arrangement.order.size() != count) {
            return fail("the order must name each of the " + std::to_string(count) + " parts once");
        }
        std::vector<bool> seen(count, false);
        for (int part : arrangement.order) {
            if (!valid(part) || seen[static_cast<size_t>(part - 1)]) {
                return fail("the order must name each of the " + std::to_string(count) +
                            " parts once");
            }
            seen[static_cast<size_t>(part - 1)] = true;
            order.push_back(static_cast<size_t>(part - 1));
        }
    } else {
        for (size_t i = 0; i < count; ++i) {
            order.push_back(i);
        }
        if (arrangement.reverse) {
            std::reverse(order.begin(), order.end());
        }
    }
    for (const std::optional<int>& part : {arrangement.drop, arrangement.repeat}) {
        if (part && !valid(*part)) {
            return fail("there is no part " + std::to_string(*part) + " of " +
                        std::to_string(count));
        }
    }
    if (arrangement.drop) {
        order.erase(
            std::find(order.begin(), order.end(), static_cast<size_t>(*arrangement.drop - 1)));
    }
    if (arrangement.repeat) {
        order.push_back(static_cast<size_t>(*arrangement.repeat - 1));
    }
    return order;
}

}  // namespace vorsa::sim
