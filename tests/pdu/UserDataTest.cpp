// User data: 7-bit packing at every length of a full cycle, the alphabet of the classic
// user data, the 8-bit path, and the shifting code held to the bit-text definition on
// many random inputs.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "HandPacking.h"
#include "RandomText.h"
#include "pdu/GsmAlphabet.h"
#include "pdu/PduPrimitives.h"

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

TEST(SevenBitPacking, CharactersTravelAsTheirGsmSeptets) {
    // Latin-1 233 and UTF-8 "é" both travel as septet 05 and come back as UTF-8 "é".
    EXPECT_EQ(sevenBit("\xE9"), "05");
    EXPECT_EQ(sevenBit("\xC3\xA9"), "05");
    EXPECT_EQ(userDataToText("05", kSevenBitCoding), "\xC3\xA9");
    // Extension characters take two septets, the escape first: "[" is 1B 3C, "€" 1B 65.
    EXPECT_EQ(sevenBit("["), packSeptets("\x1B\x3C"));
    EXPECT_EQ(sevenBit("\xE2\x82\xAC"), packSeptets("\x1B\x65"));
    EXPECT_EQ(userDataToText(sevenBit("a[b]\xE2\x82\xAC"), kSevenBitCoding), "a[b]\xE2\x82\xAC");
    // "_" has a septet of its own (11); a character the alphabet lacks travels as "?".
    EXPECT_EQ(sevenBit("_"), "11");
    EXPECT_EQ(sevenBit("\xE4\xB8\xAD"), sevenBit("?"));
}

// Every length from 0 to 17, through two full cycles of the eight-septet pattern. The
// expected octets were packed by hand: septet i at bits 7i..7i+6, zero fill on top.
TEST(SevenBitPacking, EveryLengthUpToSeventeen) {
    const std::string text("Zz~{1\0\2 aQ|yX3_w9", 17);
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
        const std::string packed = packSeptets(part);
        EXPECT_EQ(packed, expected[m]);
        EXPECT_EQ(packed.size(), 2 * ((7 * m + 7) / 8));
        EXPECT_EQ(packSeptetsByBitText(part), packed);

        // Unpacking gives every whole septet: the septets themselves, and when m mod 8 is
        // 7 the seven fill bits as one more code 0.
        const std::string unpacked = unpackSeptets(packed);
        EXPECT_EQ(unpacked, m % 8 == 7 ? part + std::string(1, '\0') : part);
        EXPECT_EQ(unpackSeptetsByBitText(packed), unpacked);
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

TEST(SevenBitPacking, FillBitsComeBeforeTheFirstSeptet) {
    // After a six-octet header one fill bit puts "Hello" on a septet boundary: the
    // septets then sit one bit higher than packed from bit 0.
    std::string shifted;
    appendPackedSeptets(shifted, "Hello", 1);
    EXPECT_EQ(shifted, "906536FB0D");
    // Any length (the packer works eight septets at a time) after any fill, against the
    // packing done bit by bit.
    std::mt19937 random(20240604);
    const std::string codes = testing::codesUpTo(127);
    for (int round = 0; round < 500; ++round) {
        const std::string septets = testing::randomText(random, 0, 170, codes);
        const unsigned fill = static_cast<unsigned>(round % 7);
        std::string packed = "AB";
        appendPackedSeptets(packed, septets, fill);
        ASSERT_EQ(packed, "AB" + testing::packByHand({}, fill, septets)) << round;
    }
}

// The shifting code must give what the bit-text definition gives, for any bytes at all
// (including texts longer than one message) and for any user data text, hexadecimal or
// not, of either parity.
TEST(FastPathEquivalence, PackingMatchesTheBitTextDefinition) {
    std::mt19937 random(20240601);
    const std::string bytes = testing::codesUpTo(255);
    for (int round = 0; round < 3000; ++round) {
        const std::string septets = testing::randomText(random, 0, 400, bytes);
        ASSERT_EQ(packSeptets(septets), packSeptetsByBitText(septets)) << "round " << round;
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
        ASSERT_EQ(unpackSeptets(userData), unpackSeptetsByBitText(userData)) << "round " << round;
    }
}

TEST(FastPathEquivalence, AppendingSeptetsFromAnyIndex) {
    // The decoder takes the text after a header from a septet index of its own.
    const std::string packed = packSeptets("Zz~{1@$ aQ|yX3_w9");
    const std::string all = unpackSeptets(packed);
    for (std::size_t first = 0; first <= all.size() + 2; ++first) {
        for (std::size_t count = 0; count <= all.size() + 2; ++count) {
            std::string out = "prefix";
            appendSeptetCodes(out, packed, first, count);
            const std::string expected =
                first < all.size() ? all.substr(first, count) : std::string();
            ASSERT_EQ(out, "prefix" + expected) << first << " " << count;
        }
    }
}

TEST(FastPathEquivalence, TextStraightFromUserDataMatchesSeptetsThenText) {
    // The decoders read 7-bit text in one pass, eight septets at a time; it must give what
    // the septets read one by one and then turned into text give, from any septet on,
    // escapes and all.
    std::mt19937 random(20240603);
    const std::string digits = "0123456789ABCDEF";
    for (int round = 0; round < 3000; ++round) {
        // Many escapes (1B) among the octets.
        std::string userData = testing::randomText(random, 0, 300, digits);
        userData.resize(userData.size() / 2 * 2);
        for (std::size_t at = 0; at + 1 < userData.size(); at += 2 * (1 + random() % 5)) {
            userData.replace(at, 2, random() % 2 == 0 ? "1B" : "36");
        }
        const std::size_t first = random() % 40;
        const std::size_t count = random() % 200;
        std::string septets;
        appendSeptetCodes(septets, userData, first, count);
        std::string expected = "<";
        appendGsmText(expected, septets);
        std::string fast = "<";
        appendGsmTextFromUserData(fast, userData, first, count);
        ASSERT_EQ(fast, expected) << userData << " from " << first << " count " << count;
    }
}

}  // namespace
}  // namespace vorsa::detail
