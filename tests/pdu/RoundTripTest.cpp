// What encodeSMS writes comes back through decodeSMS: the fields of each SMS-SUBMIT are
// rebuilt into the SMS-DELIVER that a recipient's modem would show.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Decoded.h"
#include "RandomText.h"
#include "support/SubmitToDeliver.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

using testing::deliverFromSubmit;

// A number in one of the forms a caller writes, and the form the decoder gives back.
struct Number {
    std::string written;
    std::string read;
};

Number randomNumber(std::mt19937& random) {
    const std::string digits = testing::randomText(random, 1, 20, "0123456789");
    switch (random() % 3) {
        case 0:
            return {"+" + digits, "+" + digits};
        case 1:
            return {"00" + digits, "+" + digits};
        default:
            // Digits that happen to begin with "00" are international all the same.
            return {digits, digits.compare(0, 2, "00") == 0 ? "+" + digits.substr(2) : digits};
    }
}

// Codes 0 and 2 of 8-bit data share their octets with "@" and "$", which is how they
// return.
std::string arrivesAs(std::string text) {
    for (char& c : text) {
        c = c == '\0' ? '@' : c == '\2' ? '$' : c;
    }
    return text;
}

// UTF-8 characters to draw texts from: all of the GSM alphabet's basic and extension
// characters that are not plain ASCII letters, and characters outside it.
const std::vector<std::string> kGsmCharacters = {
    "@",        "$",        "_",        "\n",       "\r",       " ",
    "a",        "Z",        "0",        "?",        "\xC2\xA3", "\xC2\xA5",
    "\xC3\xA8", "\xC3\xA9", "\xC3\x87", "\xC3\x98", "\xC3\x85", "\xCE\x94",
    "\xCE\xA6", "\xCE\xA3", "\xC3\x9F", "\xC2\xA4", "\xC2\xA1", "\xC3\x84",
    "\xC2\xA7", "\xC2\xBF", "\xC3\xA0", "^",        "{",        "}",
    "\\",       "[",        "~",        "]",        "|",        "\xE2\x82\xAC",
    "\f"};
const std::vector<std::string> kOtherCharacters = {"\t",
                                                   "`",
                                                   "\x01",
                                                   "\xC3\xAA",
                                                   "\xCE\xB1",
                                                   "\xD0\x96",
                                                   "\xE4\xB8\xAD",
                                                   "\xF0\x9F\x98\x80",
                                                   "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD"};

std::string randomCharacters(std::mt19937& random, std::size_t count,
                             const std::vector<std::string>& characters) {
    std::string text;
    std::uniform_int_distribution<std::size_t> pick(0, characters.size() - 1);
    for (std::size_t i = 0; i < count; ++i) {
        text += characters[pick(random)];
    }
    return text;
}

TEST(RoundTrip, GsmTextsAndNumbersComeBack) {
    std::mt19937 random(4242);
    for (int round = 0; round < 4000; ++round) {
        // At most 80 characters: even all of them extension characters fit 160 septets.
        const std::string text = randomCharacters(random, random() % 81, kGsmCharacters);
        const Number centre = round % 4 == 0 ? Number{"", ""} : randomNumber(random);
        const Number destination = randomNumber(random);
        const std::string submit = encodeSMS(centre.written, destination.written, text,
                                             static_cast<uint8_t>(random()), 1, 0);
        ASSERT_EQ(PduLength(submit),
                  static_cast<int32_t>(submit.size() / 2 - 1 -
                                       std::stoul(submit.substr(0, 2), nullptr, 16)));
        ASSERT_EQ(testing::decode(deliverFromSubmit(submit)),
                  (testing::Decoded{centre.read, destination.read, "24061715005308", text}))
            << submit;
    }
}

TEST(RoundTrip, TextsOutsideTheAlphabetComeBackAsUcs2) {
    std::mt19937 random(4343);
    for (int round = 0; round < 2000; ++round) {
        // One character from outside the alphabet makes the whole text UCS2; at most 30
        // characters of at most two units each fit one message.
        std::string text = randomCharacters(random, random() % 15, kGsmCharacters) +
                           randomCharacters(random, 1, kOtherCharacters) +
                           randomCharacters(random, random() % 15, kOtherCharacters);
        const std::string submit = encodeSMS("", "+4412", text, 0, 1, 0);
        ASSERT_EQ(submit.substr(16, 2), "08") << submit;
        ASSERT_EQ(testing::decode(deliverFromSubmit(submit)).text, text) << submit;
    }
}

TEST(RoundTrip, EightBitTextsComeBack) {
    std::mt19937 random(99);
    const std::string codes = testing::codesUpTo(255);
    for (int round = 0; round < 2000; ++round) {
        const std::string text = testing::randomText(random, 0, 140, codes);
        const Number destination = randomNumber(random);
        const testing::Decoded d =
            testing::decode(deliverFromSubmit(encodeSMS("", destination.written, text, 0, 1, 1)));
        ASSERT_EQ(d.text, arrivesAs(text));
        ASSERT_EQ(d.originator, destination.read);
    }
}

}  // namespace
}  // namespace vorsa
