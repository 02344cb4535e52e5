// The default alphabet, its extension table, septet packing and the text encodings.
#include <gtest/gtest.h>

#include "vorsa/sim/GsmAlphabet.h"
#include "vorsa/sim/SeptetPacking.h"
#include "vorsa/sim/SmsAddress.h"
#include "vorsa/sim/TextEncoding.h"
#include "vorsa/sim/TimeStamp.h"

namespace vorsa::sim {
namespace {

TEST(GsmAlphabet, MapsTheCharactersThatDifferFromAscii) {
    EXPECT_EQ(ToGsmSeptets(U"@$_\u00A3\u00E9\u0394\u00A1\u00BF\u00E0\n\r"),
              (Septets{0x00, 0x02, 0x11, 0x01, 0x05, 0x10, 0x40, 0x60, 0x7F, 0x0A, 0x0D}));
    EXPECT_EQ(FromGsmSeptets({0x00, 0x02, 0x11, 0x24, 0x5F}), U"@$_\u00A4\u00A7");
}

TEST(GsmAlphabet, ExtensionCharactersTakeAnEscape) {
    EXPECT_EQ(ToGsmSeptets(U"{}[]~\\|^\u20AC\f"),
              (Septets{0x1B, 0x28, 0x1B, 0x29, 0x1B, 0x3C, 0x1B, 0x3E, 0x1B, 0x3D,
                       0x1B, 0x2F, 0x1B, 0x40, 0x1B, 0x14, 0x1B, 0x65, 0x1B, 0x0A}));
    EXPECT_EQ(FromGsmSeptets({0x1B, 0x65, 0x1B, 0x41, 0x1B}), U"\u20ACA ")
        << "an undefined escape reads as the base character, a trailing one as a space";
}

TEST(GsmAlphabet, EveryDefaultCharacterRoundTrips) {
    for (uint8_t code = 0; code < 128; ++code) {
        if (code == kGsmEscape) {
            continue;
        }
        std::u32string text = FromGsmSeptets({code});
        ASSERT_EQ(text.size(), 1u);
        EXPECT_EQ(ToGsmSeptets(text), Septets{code}) << int(code);
    }
}

TEST(GsmAlphabet, UnknownCharactersBecomeQuestionMarks) {
    bool complete = true;
    EXPECT_EQ(ToGsmSeptets(U"a\u0416b", &complete), (Septets{'a', '?', 'b'}));
    EXPECT_FALSE(complete);
    EXPECT_FALSE(IsGsmEncodable(U"\u0416"));
    EXPECT_FALSE(IsGsmEncodable(U"\u00A0")) << "the escape has no character of its own";
    EXPECT_TRUE(IsGsmEncodable(U"\u20AC{}"));
}

TEST(SeptetPacking, PacksLowBitsFirstAndHonoursFillBits) {
    Septets hello = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(ToHex(PackSeptets(hello)), "E8329BFD06");
    EXPECT_EQ(UnpackSeptets(PackSeptets(hello), 5), hello);
    EXPECT_EQ(ToHex(PackSeptets(hello, 1)), "D06536FB0D");
    EXPECT_EQ(UnpackSeptets(PackSeptets(hello, 1), 5, 1), hello);
    Septets eight(8, 0x7F);
    EXPECT_EQ(PackSeptets(eight).size(), 7u) << "eight septets fill seven octets";
    EXPECT_EQ(UnpackSeptets(PackSeptets(eight), 8), eight);
    EXPECT_EQ(UnpackSeptets({0xE8}, 5).size(), 1u) << "stops where the octets end";
    EXPECT_EQ(PackedLength(160), 140u);
    EXPECT_EQ(PackedLength(0), 0u);
}

TEST(TextEncoding, Utf8RoundTripAndMalformedInput) {
    std::u32string text = U"a\u00E9\u20AC\U0001F600";
    EXPECT_EQ(DecodeUtf8(EncodeUtf8(text)), text);
    EXPECT_EQ(DecodeUtf8("\xC3"), U"\uFFFD") << "cut short";
    EXPECT_EQ(DecodeUtf8("\xC0\xAF"), U"\uFFFD\uFFFD") << "overlong";
    EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD") << "a surrogate";
    EXPECT_EQ(DecodeUtf8("a\xFF"
                         "b"),
              U"a\uFFFDb");
}

TEST(TextEncoding, Latin1AndUcs2) {
    EXPECT_EQ(EncodeLatin1(U"\u00E9\u20AC"), "\xE9?");
    EXPECT_EQ(DecodeLatin1("\xE9"), U"\u00E9");
    EXPECT_EQ(ToHex(EncodeUcs2(U"A\U0001F600")), "0041D83DDE00");
    EXPECT_EQ(DecodeUcs2(FromHex("0041D83DDE00").value()), U"A\U0001F600");
    EXPECT_EQ(DecodeUcs2(FromHex("D83D").value()), U"\uFFFD") << "a lone surrogate";
    EXPECT_FALSE(DecodeUcs2({0x00}).has_value());
}

TEST(SmsAddress, DigitsTypesAndLimits) {
    EXPECT_EQ(ToHex(EncodeAddressField(AddressFromText("+40700000000")).value()),
              "0B910407000000F0");
    EXPECT_EQ(ToHex(EncodeAddressField(AddressFromText("*#123")).value()), "0581BA21F3");
    EXPECT_EQ(AddressFromText("0700", kInternationalNumber).text, "+0700");
    EXPECT_FALSE(EncodeAddressField(AddressFromText("12x")).has_value());
    EXPECT_FALSE(EncodeAddressField(AddressFromText(std::string(21, '1'))).has_value());
    EXPECT_FALSE(
        EncodeAddressField(AddressFromText("TwelveLetter", kAlphanumericAddress)).has_value());
    EXPECT_EQ(ToHex(EncodeServiceCentreField(Address{"", 0}).value()), "00");
    EXPECT_EQ(DecodeSemiOctets(FromHex("BA21F3").value(), 5), "*#123");
}

TEST(TimeStampText, ParsesFormatsAndEncodesTheZone) {
    std::optional<TimeStamp> t = TimeStamp::Parse("02/03/04,10:20:30+08");
    ASSERT_TRUE(t.has_value());
    EXPECT_EQ(ToHex(t->ToOctets()), "20304001020380");
    EXPECT_EQ(TimeStamp::Parse("01/02/03,04:05:06-12")->ToOctets().back(), 0x29);
    EXPECT_EQ(TimeStamp::FromOctets(FromHex("10203040506029").value())->ToText(),
              "01/02/03,04:05:06-12");
    EXPECT_FALSE(TimeStamp::Parse("02/03/04 10:20:30+08").has_value());
    EXPECT_FALSE(TimeStamp::Parse("02/03/04,10:20:30").has_value());
    EXPECT_FALSE(TimeStamp::FromOctets(FromHex("102030405060").value()).has_value());
}

}  // namespace
}  // namespace vorsa::sim
