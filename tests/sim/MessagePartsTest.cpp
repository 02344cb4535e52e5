// Long messages in the simulator: the concatenation element, the parts a long text is
// delivered in, the order they are made to arrive in, and the console that asks for it.
#include <gtest/gtest.h>

#include "vorsa/sim/Console.h"
#include "vorsa/sim/DeliverPdu.h"
#include "vorsa/sim/GsmAlphabet.h"
#include "vorsa/sim/MessageParts.h"
#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

const std::string kHan = "\xE4\xB8\xAD";
const std::string kEuro = "\xE2\x82\xAC";
const std::string kGrin = "\xF0\x9F\x98\x80";

std::string Repeat(const std::string& piece, size_t times) {
    std::string text;
    for (size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

// The length of each part in its alphabet's units, read from the PDU the modem builds.
std::vector<size_t> UnitsOf(const std::vector<IncomingMessage>& parts) {
    std::vector<size_t> units;
    ModemEngine engine;
    for (const IncomingMessage& part : parts) {
        DeliveryResult result = engine.Deliver(part, Millis(0));
        EXPECT_TRUE(result.accepted) << result.reason;
        std::optional<DeliverPdu> deliver =
            DeliverPdu::Decode(FromHex(result.pdu).value(), nullptr);
        EXPECT_TRUE(deliver.has_value());
        if (deliver) {
            units.push_back(deliver->userData.alphabet == Alphabet::Ucs2
                                ? deliver->userData.octets.size() / 2
                                : deliver->userData.Length());
        }
    }
    return units;
}

TEST(ConcatElements, WrittenAndFoundAgain) {
    const ConcatElement elements[] = {{0xA7, 3, 2, false}, {0x1234, 2, 2, true}};
    for (const ConcatElement& element : elements) {
        Octets header = {0x0A, 0x03, 0x01, 0x02, 0x03};  // another element first
        Octets concat = EncodeConcatElement(element);
        header.insert(header.end(), concat.begin(), concat.end());
        EXPECT_EQ(FindConcatElement(header), element);
    }
    EXPECT_EQ(EncodeConcatElement({0xA7, 3, 2, false}), (Octets{0x00, 0x03, 0xA7, 0x03, 0x02}));
    EXPECT_FALSE(FindConcatElement({0x00, 0x03, 0x01, 0x02, 0x03}).has_value()) << "place 3 of 2";
    EXPECT_FALSE(FindConcatElement({0x00, 0x03, 0x01, 0x00, 0x00}).has_value()) << "no parts";
    EXPECT_FALSE(FindConcatElement({0x00, 0x03, 0x01, 0x02}).has_value()) << "cut short";
}

TEST(SplitIncoming, PartsFillToTheLimitAndKeepPairsWhole) {
    struct Case {
        const char* name;
        std::string text;
        bool sixteenBit;
        std::vector<size_t> units;
    };
    const Case cases[] = {
        {"160 septets", std::string(160, 'a'), false, {160}},
        {"161 septets", std::string(161, 'a'), false, {153, 8}},
        {"16-bit reference", std::string(161, 'a'), true, {152, 9}},
        {"escape on the cut",
         std::string(152, 'a') + kEuro + "b" + std::string(10, 'c'),
         false,
         {152, 13}},
        {"71 units", Repeat(kHan, 71), false, {67, 4}},
        {"135 units, 16-bit", Repeat(kHan, 135), true, {66, 66, 3}},
        {"surrogate on the cut", Repeat(kHan, 66) + kGrin + Repeat(kHan, 3), false, {66, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IncomingMessage message;
        message.from = "+40700000001";
        message.text = c.text;
        std::vector<IncomingMessage> parts = SplitIncoming(message, 0x4321, c.sixteenBit);
        EXPECT_EQ(UnitsOf(parts), c.units);
        std::string joined;
        for (size_t i = 0; i < parts.size(); ++i) {
            joined += parts[i].text;
            if (parts.size() > 1) {
                EXPECT_EQ(FindConcatElement(parts[i].userDataHeader),
                          (ConcatElement{static_cast<uint16_t>(c.sixteenBit ? 0x4321 : 0x21),
                                         static_cast<uint8_t>(parts.size()),
                                         static_cast<uint8_t>(i + 1), c.sixteenBit}));
            }
        }
        EXPECT_EQ(joined, c.text);
    }
}

TEST(SplitIncoming, EveryPartKeepsTheAlphabetOfTheWholeText) {
    IncomingMessage message;
    message.from = "+40700000001";
    // Only the last part holds the character that needs UCS2.
    message.text = std::string(140, 'a') + kHan;
    std::vector<IncomingMessage> parts = SplitIncoming(message, 1);
    ASSERT_EQ(parts.size(), 3u);
    for (const IncomingMessage& part : parts) {
        EXPECT_EQ(part.coding, TextCoding::Ucs2);
    }
    message.text = std::string(255 * 153 + 1, 'a');
    EXPECT_TRUE(SplitIncoming(message, 1).empty()) << "256 parts";
}

TEST(ArrangeParts, OrderDropAndRepeat) {
    struct Case {
        PartArrangement arrangement;
        std::optional<std::vector<size_t>> order;
    };
    const Case cases[] = {
        {{}, std::vector<size_t>{0, 1, 2}},
        {{{}, true, std::nullopt, std::nullopt}, std::vector<size_t>{2, 1, 0}},
        {{{2, 3, 1}, false, std::nullopt, std::nullopt}, std::vector<size_t>{1, 2, 0}},
        {{{}, false, 2, std::nullopt}, std::vector<size_t>{0, 2}},
        {{{}, true, 1, 3}, std::vector<size_t>{2, 1, 2}},
        {{{1, 1, 2}, false, std::nullopt, std::nullopt}, std::nullopt},
        {{{1, 2}, false, std::nullopt, std::nullopt}, std::nullopt},
        {{{}, false, 4, std::nullopt}, std::nullopt},
        {{{}, false, std::nullopt, 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(ArrangeParts(3, c.arrangement, &error), c.order);
        EXPECT_EQ(error.empty(), c.order.has_value()) << error;
    }
}

TEST(ConsoleParts, DeliverSplitsALongTextAndArrangesItsParts) {
    SimulatedModem modem;  // not started: the console acts on the engine alone
    Console console(modem);
    const std::string text = std::string(200, 'x') + "[" + std::string(150, 'y');
    Console::Result result =
        console.Execute("deliver --ref 9 --order 3,1,2 --drop 1 --repeat 2 +40700000001 " + text);
    EXPECT_EQ(result.output,
              "3 parts, reference 9\n"
              "part 3: stored in SM at 1; report +CMTI: \"SM\",1\n"
              "part 2: stored in SM at 2; report +CMTI: \"SM\",2\n"
              "part 2: stored in SM at 3; report +CMTI: \"SM\",3\n");
    std::vector<StoredMessage> stored = modem.Storage();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1].text, stored[2].text);
    EXPECT_EQ(stored[1].text + stored[0].text, text.substr(153));

    EXPECT_EQ(console.Execute("deliver --order 1,2 +1 " + text).output,
              "the order must name each of the 3 parts once\n");
    EXPECT_EQ(console.Execute("deliver --drop x +1 hi").output,
              "--drop takes a part number from 1\n");
    // A short text goes as one message, unless an arrangement asks for parts.
    EXPECT_EQ(console.Execute("deliver +1 hi").output,
              "stored in SM at 4; report +CMTI: \"SM\",4\n");
    EXPECT_EQ(console.Execute("deliver --repeat 1 +1 hi").output,
              "1 part, reference 2\n"
              "part 1: stored in SM at 5; report +CMTI: \"SM\",5\n"
              "part 1: stored in SM at 6; report +CMTI: \"SM\",6\n");
}

}  // namespace
}  // namespace vorsa::sim
