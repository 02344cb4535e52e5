// SMS-SUBMIT units for texts of any length: whole units with their options, the cuts
// between parts, the refusals, and every part read back through the deliver decoder.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "HandPacking.h"
#include "support/SubmitToDeliver.h"
#include "pdu/MessagePayload.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

using namespace std::chrono_literals;

const std::string kHan = "\xE4\xB8\xAD";                                 // one UCS2 unit
const std::string kGrin = "\xF0\x9F\x98\x80";                            // a surrogate pair
const std::string kEuro = "\xE2\x82\xAC";                                // escape + 65
const std::string kThumbsUpMedium = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";  // two pairs

std::string repeat(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

// The parts read back as the recipient sees them, put together again.
std::string readBack(const SubmitEncoding& encoding) {
    std::string text;
    for (const SubmitPart& part : encoding.parts) {
        const std::optional<DeliverMessage> deliver =
            decodeDeliver(testing::deliverFromSubmit(part.pdu));
        EXPECT_TRUE(deliver.has_value()) << part.pdu;
        if (!deliver) {
            return text;
        }
        if (encoding.parts.size() > 1) {
            EXPECT_EQ(deliver->concat, (ConcatInfo{0x5A, part.total, part.sequence, false}));
        } else {
            EXPECT_FALSE(deliver->concat.has_value());
        }
        // 8-bit data comes back as its octets.
        text += deliver->alphabet == SmsAlphabet::EightBit ? deliver->data : deliver->text;
    }
    return text;
}

TEST(SubmitUnits, WholeUnitsWithTheirOptions) {
    SubmitOptions report;
    report.statusReport = true;
    report.messageClass = MessageClass::Flash;
    report.validity = 24h;
    SubmitOptions eightBit;
    eightBit.coding = TextCoding::EightBit;
    SubmitOptions simUcs2;
    simUcs2.coding = TextCoding::Ucs2;
    simUcs2.messageClass = MessageClass::Sim;
    struct Case {
        std::string centre, destination, text;
        SubmitOptions options;
        std::string pdu;
        int32_t length;
    };
    const Case cases[] = {
        // No class, no validity: data coding 00 and the first octet of encodeSMS.
        {"", "+40700000000", "hello", {}, "0001000B910407000000F0000005E8329BFD06", 18},
        // Report request, relative validity (a day is A7), flash: first octet 31, coding 10.
        {"", "+40700000000", "hello", report, "0031000B910407000000F00010A705E8329BFD06", 19},
        // Extension characters count two septets each.
        {"",
         "+40700000000",
         "[" + kEuro + "]",
         {},
         "0001000B910407000000F0000006" + testing::packByHand({}, 0, "\x1B\x3C\x1B\x65\x1B\x3E"),
         19},
        // A character outside the alphabet: UCS2, the length in octets.
        {"", "+40700000000", "a" + kHan, {}, "0001000B910407000000F000080400614E2D", 17},
        {"", "+40700000000", "hi", simUcs2, "0001000B910407000000F0001A0400680069", 17},
        {"", "+40700000000", std::string("h\xFF", 2), eightBit, "0001000B910407000000F000040268FF",
         15},
        // A centre, and "*" and "#" dialled as the semi-octets A and B.
        {"0040700000001", "*100#", "hi", {}, "07910407000000F1010005811A00FB000002E834", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pdu);
        const SubmitEncoding encoding =
            encodeSubmitParts(c.centre, c.destination, c.text, c.options, 0x5A);
        ASSERT_EQ(encoding.error, SubmitError::None);
        ASSERT_EQ(encoding.parts.size(), 1u);
        EXPECT_EQ(encoding.parts[0].pdu, c.pdu);
        EXPECT_EQ(encoding.parts[0].length, c.length);
        EXPECT_EQ(encoding.parts[0].length, PduLength(c.pdu));
        EXPECT_EQ(readBack(encoding), c.text);
    }
}

TEST(SubmitUnits, ValidityIsRoundedUpToTheNextStep) {
    const std::pair<std::chrono::minutes, int> steps[] = {{0min, 0},
                                                          {5min, 0},
                                                          {6min, 1},
                                                          {12h, 143},
                                                          {12h + 1min, 144},
                                                          {24h, 167},
                                                          {25h, 168},
                                                          {48h, 168},
                                                          {49h, 169},
                                                          {24h * 30, 196},
                                                          {24h * 31, 197},
                                                          {24h * 7 * 63, 255},
                                                          {24h * 7 * 100, 255},
                                                          {-5min, 0},
                                                          {std::chrono::minutes::max(), 255}};
    for (const auto& [period, octet] : steps) {
        EXPECT_EQ(detail::relativeValidity(period), octet) << period.count() << " minutes";
    }
}

// Each case: a text and the units (septets, UTF-16 units) each of its parts carries.
TEST(SubmitParts, CutsAtTheLimitsAndNeverInsideAPair) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::size_t> units;
    };
    const Case cases[] = {
        {"160 septets", std::string(160, 'a'), {160}},
        {"161 septets", std::string(161, 'a'), {153, 8}},
        {"306 septets", std::string(306, 'a'), {153, 153}},
        {"307 septets", std::string(307, 'a'), {153, 153, 1}},
        {"80 euro signs", repeat(kEuro, 80), {160}},
        {"escape on the cut", std::string(152, 'a') + kEuro + std::string(10, 'b'), {152, 12}},
        {"pair just before the cut",
         std::string(151, 'a') + kEuro + std::string(10, 'b'),
         {153, 10}},
        {"70 units", repeat(kHan, 70), {70}},
        {"71 units", repeat(kHan, 71), {67, 4}},
        {"134 units", repeat(kHan, 134), {67, 67}},
        {"135 units", repeat(kHan, 135), {67, 67, 1}},
        {"surrogate on the cut", repeat(kHan, 66) + kGrin + repeat(kHan, 5), {66, 7}},
        {"skin tone across the cut", repeat(kHan, 65) + kThumbsUpMedium + repeat(kHan, 5), {67, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SubmitEncoding encoding = encodeSubmitParts("", "+40700000000", c.text, {}, 0x5A);
        ASSERT_EQ(encoding.error, SubmitError::None);
        ASSERT_EQ(encoding.parts.size(), c.units.size());
        const bool ucs2 = encoding.alphabet == SmsAlphabet::Ucs2;
        for (std::size_t i = 0; i < c.units.size(); ++i) {
            const SubmitPart& part = encoding.parts[i];
            EXPECT_EQ(part.sequence, i + 1);
            EXPECT_EQ(part.total, c.units.size());
            EXPECT_EQ(part.length, PduLength(part.pdu));
            // The user data length after "00", first octet, reference, the destination,
            // protocol and coding; with a header it counts the header too.
            const std::size_t header = c.units.size() == 1 ? 0 : ucs2 ? 6 : 7;
            const std::size_t length = header + (ucs2 ? 2 : 1) * c.units[i];
            EXPECT_EQ(std::stoul(part.pdu.substr(26, 2), nullptr, 16), length);
            if (c.units.size() > 1) {
                EXPECT_EQ(part.pdu.substr(2, 2), "41") << "header indicator";
                EXPECT_EQ(part.pdu.substr(28, 12),
                          "0500035A" + testing::hexOctet(part.total) + testing::hexOctet(i + 1));
            }
        }
        EXPECT_EQ(readBack(encoding), c.text);
        const TextSize size = measureText(c.text);
        EXPECT_EQ(size.parts, c.units.size());
        EXPECT_EQ(size.alphabet, encoding.alphabet);
    }
}

TEST(SubmitParts, RandomTextsOfAnyLengthComeBackWhole) {
    const std::vector<std::string> pieces = {
        "a", "Z", " ",  "@",  "\xC3\xA9", "\xCE\xA9",     kEuro,
        "[", "~", "\n", kHan, kGrin,      kThumbsUpMedium};
    std::mt19937 random(1207);
    for (int round = 0; round < 300; ++round) {
        // Mostly GSM texts, some with one character from beyond the alphabet.
        const std::size_t choices = round % 3 == 0 ? pieces.size() : pieces.size() - 3;
        std::string text;
        const std::size_t count = random() % 700;
        for (std::size_t i = 0; i < count; ++i) {
            text += pieces[random() % choices];
        }
        const SubmitEncoding encoding = encodeSubmitParts("+4412", "+4413", text, {}, 0x5A);
        ASSERT_EQ(encoding.error, SubmitError::None);
        ASSERT_EQ(readBack(encoding), text) << "round " << round;
        ASSERT_EQ(measureText(text).parts, encoding.parts.size());
    }
}

TEST(SubmitParts, RefusesWhatCannotBeSent) {
    const std::string longest(255 * 153, 'x');
    const std::pair<SubmitError, SubmitEncoding> cases[] = {
        {SubmitError::InvalidDestination, encodeSubmitParts("", "", "hi")},
        {SubmitError::InvalidDestination, encodeSubmitParts("", "+", "hi")},
        {SubmitError::InvalidDestination, encodeSubmitParts("", "00", "hi")},
        {SubmitError::InvalidDestination, encodeSubmitParts("", "+4070-1", "hi")},
        {SubmitError::InvalidDestination, encodeSubmitParts("", std::string(21, '1'), "hi")},
        {SubmitError::InvalidServiceCentre, encodeSubmitParts("+40 70", "+4070", "hi")},
        {SubmitError::TooLong, encodeSubmitParts("", "+4070", longest + "x")},
        {SubmitError::TooLong, encodeSubmitParts("", "+4070", repeat(kHan, 255 * 67 + 1))},
        {SubmitError::None, encodeSubmitParts("", std::string(20, '1'), longest)},
        {SubmitError::None, encodeSubmitParts("", "+4070", "")},
    };
    for (const auto& [error, encoding] : cases) {
        EXPECT_EQ(encoding.error, error);
        EXPECT_EQ(encoding.parts.empty(), error != SubmitError::None);
    }
    EXPECT_EQ(encodeSubmitParts("", std::string(20, '1'), longest).parts.size(), 255u);
    EXPECT_EQ(encodeSubmitParts("", "+4070", "").parts[0].pdu, "00010004910407000000");
}

TEST(TextSizes, CountSeptetsUnitsAndOctets) {
    struct Case {
        std::string text;
        TextCoding coding;
        SmsAlphabet alphabet;
        std::size_t units;
    };
    const Case cases[] = {
        {"", TextCoding::Automatic, SmsAlphabet::Gsm7, 0},
        {"hello", TextCoding::Automatic, SmsAlphabet::Gsm7, 5},
        {"a[b]", TextCoding::Automatic, SmsAlphabet::Gsm7, 6},
        {"\f|^{}\\~" + kEuro, TextCoding::Automatic, SmsAlphabet::Gsm7, 16},
        // Latin-1 233 is "é", which the alphabet has; UTF-8 "é" the same.
        {"caf\xE9", TextCoding::Automatic, SmsAlphabet::Gsm7, 4},
        {"caf\xC3\xA9", TextCoding::Automatic, SmsAlphabet::Gsm7, 4},
        {"caf\xC3\xAA", TextCoding::Automatic, SmsAlphabet::Ucs2, 4},
        {kGrin, TextCoding::Automatic, SmsAlphabet::Ucs2, 2},
        {"hello", TextCoding::Ucs2, SmsAlphabet::Ucs2, 5},
        {"caf\xC3\xA9", TextCoding::EightBit, SmsAlphabet::EightBit, 5},
    };
    for (const Case& c : cases) {
        const TextSize size = measureText(c.text, c.coding);
        EXPECT_EQ(size.alphabet, c.alphabet) << c.text;
        EXPECT_EQ(size.units, c.units) << c.text;
        EXPECT_EQ(size.parts, 1u) << c.text;
    }
}

TEST(ConcatReferences, RotatePerDestinationHoweverItIsWritten) {
    ConcatReferences references(250);
    EXPECT_EQ(references.next("+40700000001"), 250);
    EXPECT_EQ(references.next("0040700000001"), 251);
    EXPECT_EQ(references.next("40700000001"), 251) << "unknown numbering is another number";
    EXPECT_EQ(references.next("+40700000002"), 252);
    for (int reference = 252; reference <= 255; ++reference) {
        EXPECT_EQ(references.next("+40700000001"), reference);
    }
    EXPECT_EQ(references.next("+40700000001"), 0) << "after 255 comes 0";
    EXPECT_EQ(references.next("+40700000002"), 253);
}

}  // namespace
}  // namespace vorsa
