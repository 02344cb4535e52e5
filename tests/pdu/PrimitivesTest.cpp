// Hexadecimal text, semi-octets, bit texts and the substitutions of 8-bit data.
#include <gtest/gtest.h>

#include <string>

#include "RandomText.h"
#include "pdu/PduPrimitives.h"

namespace vorsa::detail {
namespace {

TEST(Hex, ReverseAndNibbles) {
    EXPECT_EQ(reverseString("hello"), "olleh");
    EXPECT_EQ(reverseString(""), "");
    const std::string digits = "0123456789ABCDEF";
    for (int value = 0; value < 16; ++value) {
        EXPECT_EQ(nibbleToHex(value), digits[static_cast<std::size_t>(value)]);
    }
    EXPECT_EQ(nibbleToHex(16), '\0');
    EXPECT_EQ(nibbleToHex(-1), '\0');
    EXPECT_EQ(nibbleToHex(255), '\0');
}

TEST(Hex, DigitValuesFollowTheCodeRuleForEveryCharacter) {
    EXPECT_EQ(hexDigitValue('0'), 0);
    EXPECT_EQ(hexDigitValue('9'), 9);
    EXPECT_EQ(hexDigitValue('A'), 10);
    EXPECT_EQ(hexDigitValue('F'), 15);
    // Lower case is not read as digits: "a" to "f" give 42 to 47.
    EXPECT_EQ(hexDigitValue('a'), 42);
    EXPECT_EQ(hexDigitValue('f'), 47);
    // Below "0" the value wraps modulo 256; above 127 the code is taken unsigned.
    EXPECT_EQ(hexDigitValue(' '), 240);
    EXPECT_EQ(hexDigitValue('\0'), 208);
    EXPECT_EQ(hexDigitValue('\xFF'), 200);
}

TEST(Hex, HexToIntTakesTheLowEightBits) {
    EXPECT_EQ(hexToInt("7F"), 127);
    EXPECT_EQ(hexToInt("00"), 0);
    EXPECT_EQ(hexToInt("FF"), 255);
    EXPECT_EQ(hexToInt("1a"), 58);
    EXPECT_EQ(hexToInt("zz"), 0x73);  // (67 << 4 | 67) & 0xFF
    EXPECT_EQ(hexToInt(""), 0);
    EXPECT_EQ(hexToInt("B"), 11) << "a single digit is read as its own value";
    EXPECT_EQ(hexToInt("12F"), 0x12) << "digits after the second are not read";
}

TEST(Hex, TextToHexAndBack) {
    EXPECT_EQ(stringToHex("hello"), "68656C6C6F");
    EXPECT_EQ(stringToHex(""), "");
    EXPECT_EQ(stringToHex(std::string("\0\xFF", 2)), "00FF");
    EXPECT_EQ(hexToString("68656C6C6F"), "hello");
    EXPECT_EQ(hexToString(""), "");
    EXPECT_EQ(hexToString("414"), "A") << "an unpaired last digit is dropped";
    EXPECT_EQ(hexToString("6a"), "j") << "(6 << 4) | 42";

    const std::string bytes = testing::codesUpTo(255);
    const std::string hex = stringToHex(bytes);
    ASSERT_EQ(hex.size(), 512u);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(hexToString(hex), bytes);
}

TEST(SemiOctets, SwapsEveryPair) {
    EXPECT_EQ(swapSemiOctets("1234"), "2143");
    EXPECT_EQ(swapSemiOctets("0407000000F0"), "40700000000F");
    EXPECT_EQ(swapSemiOctets(""), "");
    EXPECT_EQ(swapSemiOctets("7"), "7");
    EXPECT_EQ(swapSemiOctets("123"), "213") << "the unpaired last character stays put";
    EXPECT_EQ(swapSemiOctets(swapSemiOctets("10203040506080")), "10203040506080");
}

TEST(BitText, OctetsToBitsAndBack) {
    EXPECT_EQ(stringToBits("A"), "01000001");
    EXPECT_EQ(stringToBits(std::string("\x80\x01", 2)), "1000000000000001");
    EXPECT_EQ(stringToBits(""), "");
    EXPECT_EQ(bitsToString("01000001"), "A");
    EXPECT_EQ(bitsToString("010000010100001"), "A") << "an incomplete group is dropped";
    EXPECT_EQ(bitsToString("0100000"), "");
    EXPECT_EQ(bitsToString(""), "");
    const std::string bytes = testing::codesUpTo(255);
    EXPECT_EQ(bitsToString(stringToBits(bytes)), bytes);
}

TEST(BitText, OctetsToSeptetsDropsTopBitsAndFillsOnTheLeft) {
    EXPECT_EQ(octetsToSeptets("11000001"), "01000001");                  // 7 bits, one fill
    EXPECT_EQ(octetsToSeptets("1111111100000001"), "0011111110000001");  // 14 bits, two fill
    EXPECT_EQ(octetsToSeptets(""), "");
    // Eight octets give 56 bits: a whole number of octets, so no fill.
    const std::string eight = stringToBits("ABCDEFGH");
    EXPECT_EQ(octetsToSeptets(eight).size(), 56u);
}

TEST(BitText, SeptetsToOctetsDropsLeadingPartialBitsAndWidensEachSeptet) {
    // 16 bits: the first 16 mod 7 = 2 are dropped, two septets remain.
    EXPECT_EQ(septetsToOctets("1111111111000000"), "0111111101000000");
    EXPECT_EQ(septetsToOctets("10101010"), "00101010") << "8 mod 7 = 1 bit dropped";
    EXPECT_EQ(septetsToOctets("1010101"), "01010101") << "7 mod 7 = 0: one whole septet";
    EXPECT_EQ(septetsToOctets(""), "");
}

TEST(Substitutions, ReplaceEveryOccurrenceInOrder) {
    std::string text = "a-b-c-";
    replaceChar(text, '-', '+');
    EXPECT_EQ(text, "a+b+c+");
    replaceChar(text, 'x', 'y');
    EXPECT_EQ(text, "a+b+c+");

    std::string toDefault = "@a$b@$";
    toDefaultAlphabet(toDefault);
    EXPECT_EQ(toDefault, std::string("\0a\x02"
                                     "b\0\x02",
                                     6));

    std::string fromDefault("\0x\x02y@$", 6);
    fromDefaultAlphabet(fromDefault);
    EXPECT_EQ(fromDefault, "@x$y@$");

    std::string empty;
    toDefaultAlphabet(empty);
    fromDefaultAlphabet(empty);
    EXPECT_EQ(empty, "");
}

}  // namespace
}  // namespace vorsa::detail
