// User data: 7-bit packing at every length of a full cycle, the 8-bit path, and the
// shifting code held to the bit-text definition on many random inputs.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "pdu/PduPrimitives.h"
#include "RandomText.h"

namespace vorsa::detail {
namespace {

constexpr uint8_t kSevenBitCoding = 0xF1;

std::string sevenBit(const std::string& text) {
    return textToUserData(text, 0);
}
std::string eightBit(const std::string& text) {
    return textToUserData(text, 1);
}

TEST(SevenBitPacking, KnownTexts) {
    EXPECT_EQ(sevenBit("hello"), "E8329BFD06");
    EXPECT_EQ(sevenBit("a"), "61");
    EXPECT_EQ(sevenBit("1234567"), "31D98C56B3DD00");
    EXPECT_EQ(sevenBit("12345678"), "31D98C56B3DD70");
    EXPECT_EQ(sevenBit("hellohello"), "E8329BFD4697D9EC37");
    EXPECT_EQ(sevenBit("How are you?"), "C8F71D14969741F977FD07");
    EXPECT_EQ(sevenBit("@$x"), "00011E");
    EXPECT_EQ(sevenBit(""), "");
}

TEST(SevenBitPacking, TopBitOfEveryCharacterIsLost) {
    EXPECT_EQ(sevenBit("\xE9"), sevenBit("i"));  // 233 travels as 105
    EXPECT_EQ(userDataToText(sevenBit("\xE9"), kSevenBitCoding), "i");
    // 192 is not "@": it travels as 64 and comes back as "@" only by its code.
    EXPECT_EQ(sevenBit("\xC0"), "40");
}

// Every length from 0 to 17, through two full cycles of the eight-septet pattern. The
// expected octets were packed by hand: septet i at bits 7i..7i+6, zero fill on top.
TEST(SevenBitPacking, EveryLengthUpToSeventeen) {
    const std::string text = "Zz~{1@$ aQ|yX3_w9";
    const char* const expected[] = {
        "",
        "5A",
        "5A3D",
        "5ABD1F",
        "5ABD7F0F",
        "5ABD7F1F03",
        "5ABD7F1F0300",
        "5ABD7F1F030800",
        "5ABD7F1F030840",
        "5ABD7F1F03084061",
        "5ABD7F1F030840E128",
        "5ABD7F1F030840E1281F",
        "5ABD7F1F030840E1283F0F",
        "5ABD7F1F030840E1283F8F05",
        "5ABD7F1F030840E1283F8F9D01",
        "5ABD7F1F030840E1283F8F9D7D01",
        "5ABD7F1F030840E1283F8F9D7DEF",
        "5ABD7F1F030840E1283F8F9D7DEF39",
    };
    for (std::size_t m = 0; m <= 17; ++m) {
        SCOPED_TRACE(m);
        const std::string part = text.substr(0, m);
        const std::string packed = sevenBit(part);
        EXPECT_EQ(packed, expected[m]);
        EXPECT_EQ(packed.size(), 2 * ((7 * m + 7) / 8));
        EXPECT_EQ(textToUserDataByBitText(part, 0), packed);

        // Unpacking gives every whole septet: the text itself, and when m mod 8 is 7 the
        // seven fill bits as one more code 0, shown as "@".
        const std::string unpacked = userDataToText(packed, kSevenBitCoding);
        EXPECT_EQ(unpacked, m % 8 == 7 ? part + "@" : part);
        EXPECT_EQ(userDataToTextByBitText(packed, kSevenBitCoding), unpacked);
    }
}

TEST(SevenBitUnpacking, KnownUserData) {
    EXPECT_EQ(userDataToText("E8329BFD06", 241), "hello");
    EXPECT_EQ(userDataToText("31D98C56B3DD00", 0), "1234567@");
    EXPECT_EQ(userDataToText("00", 241), "@");
    EXPECT_EQ(userDataToText("", 0), "");
    EXPECT_EQ(userDataToText("E8329BFD0", 0), "hell") << "an unpaired digit is no octet";
}

TEST(EightBitPath, SubstitutesAndKeepsEveryOtherOctet) {
    EXPECT_EQ(eightBit("hello"), "68656C6C6F");
    EXPECT_EQ(eightBit("@$x"), "000278");
    EXPECT_EQ(eightBit(""), "");
    EXPECT_EQ(eightBit("\xE9\x7F\x80"), "E97F80");
    EXPECT_EQ(textToUserData("A", 0x80), "41") << "any non-zero flag selects 8-bit data";

    EXPECT_EQ(userDataToText("68656C6C6F", 245), "hello");
    EXPECT_EQ(userDataToText("000278", 245), "@$x");
    EXPECT_EQ(userDataToText("E97F80", 245), "\xE9\x7F\x80");
    EXPECT_EQ(userDataToText("4142434", 245), "ABC");
    EXPECT_EQ(userDataToText("", 245), "");
}

// The shifting code must give what the bit-text definition gives, for any bytes at all
// (including texts longer than one message) and for any user data text, hexadecimal or
// not, of either parity.
TEST(FastPathEquivalence, PackingMatchesTheBitTextDefinition) {
    std::mt19937 random(20240601);
    const std::string bytes = testing::codesUpTo(255);
    for (int round = 0; round < 3000; ++round) {
        const std::string text = testing::randomText(random, 0, 400, bytes);
        const uint8_t flag = round % 2 == 0 ? 0 : static_cast<uint8_t>(random() | 1);
        ASSERT_EQ(textToUserData(text, flag), textToUserDataByBitText(text, flag))
            << "round " << round << " flag " << int(flag);
    }
}

TEST(FastPathEquivalence, UnpackingMatchesTheBitTextDefinition) {
    std::mt19937 random(20240602);
    // Upper-case digits only, digits mixed with lower case and stray characters, or any
    // bytes at all.
    const std::string alphabets[] = {"0123456789ABCDEF", "0123456789ABCDEFabcdefXZ @\x7F\xFF",
                                     testing::codesUpTo(255)};
    for (int round = 0; round < 3000; ++round) {
        const std::string userData = testing::randomText(random, 0, 600, alphabets[round % 3]);
        const uint8_t coding = round % 2 == 0 ? 245 : static_cast<uint8_t>(random());
        ASSERT_EQ(userDataToText(userData, coding), userDataToTextByBitText(userData, coding))
            << "round " << round << " coding " << int(coding);
    }
}

TEST(FastPathEquivalence, AppendingSeptetsFromAnyIndex) {
    // The decoder takes the text after a header from a septet index of its own.
    const std::string packed = sevenBit("Zz~{1@$ aQ|yX3_w9");
    const std::string all = userDataToText(packed, 0);
    for (std::size_t first = 0; first <= all.size() + 2; ++first) {
        for (std::size_t count = 0; count <= all.size() + 2; ++count) {
            std::string out = "prefix";
            appendSeptets(out, packed, first, count);
            const std::string expected =
                first < all.size() ? all.substr(first, count) : std::string();
            ASSERT_EQ(out, "prefix" + expected) << first << " " << count;
        }
    }
}

}  // namespace
}  // namespace vorsa::detail
