// The decoder reads the text in the alphabet that the data coding octet names.
#include <gtest/gtest.h>

#include <string>

#include "PduPrimitives.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

// An SMS-DELIVER from +40700000001 with the given data coding, user data length and
// user data (no header).
std::string deliverWith(const std::string& coding, const std::string& length,
                        const std::string& userData) {
    return "07910407000000F0040B910407000000F100" + coding + "10203040506080" + length + userData;
}

std::string textOf(const std::string& pdu) {
    std::string centre, sender, stamp, text;
    decodeSMS(pdu, centre, sender, stamp, text);
    return text;
}

TEST(DataCoding, AlphabetFollowsTheCodingGroups) {
    using detail::UserDataAlphabet;
    EXPECT_EQ(detail::userDataAlphabet(0x00), UserDataAlphabet::Default);
    EXPECT_EQ(detail::userDataAlphabet(0x04), UserDataAlphabet::EightBit);
    EXPECT_EQ(detail::userDataAlphabet(0x08), UserDataAlphabet::Ucs2);
    EXPECT_EQ(detail::userDataAlphabet(0x0C), UserDataAlphabet::Default) << "reserved";
    EXPECT_EQ(detail::userDataAlphabet(0x11), UserDataAlphabet::Default) << "class 1, 7-bit";
    EXPECT_EQ(detail::userDataAlphabet(0x18), UserDataAlphabet::Ucs2) << "class 0, UCS2";
    EXPECT_EQ(detail::userDataAlphabet(0x26), UserDataAlphabet::EightBit) << "compressed";
    EXPECT_EQ(detail::userDataAlphabet(0x48), UserDataAlphabet::Ucs2) << "auto-deletion";
    EXPECT_EQ(detail::userDataAlphabet(0xC0), UserDataAlphabet::Default);
    EXPECT_EQ(detail::userDataAlphabet(0xD8), UserDataAlphabet::Default);
    EXPECT_EQ(detail::userDataAlphabet(0xE8), UserDataAlphabet::Ucs2);
    EXPECT_EQ(detail::userDataAlphabet(0xF0), UserDataAlphabet::Default);
    EXPECT_EQ(detail::userDataAlphabet(0xF1), UserDataAlphabet::Default);
    EXPECT_EQ(detail::userDataAlphabet(0xF4), UserDataAlphabet::EightBit);
    EXPECT_EQ(detail::userDataAlphabet(0xF5), UserDataAlphabet::EightBit);
    EXPECT_EQ(detail::userDataAlphabet(0xF7), UserDataAlphabet::EightBit);
}

TEST(DataCoding, EightBitDataWithoutClassIsReadAsOctets) {
    EXPECT_EQ(textOf(deliverWith("04", "05", "68656C6C6F")), "hello");
    EXPECT_EQ(textOf(deliverWith("F4", "03", "000278")), "@$x");
}

TEST(DataCoding, Ucs2TextComesOutAsUtf8) {
    // "Zoë €" and a smiling face, which needs a surrogate pair.
    EXPECT_EQ(textOf(deliverWith("08", "0A", "005A006F00EB002020AC")), "Zo\xC3\xAB \xE2\x82\xAC");
    EXPECT_EQ(textOf(deliverWith("08", "04", "D83DDE00")), "\xF0\x9F\x98\x80");
    EXPECT_EQ(textOf(deliverWith("08", "04", "00400024")), "@$") << "no default-alphabet swap";
}

TEST(DataCoding, BrokenUcs2NeitherCrashesNorLeaksHalfCharacters) {
    EXPECT_EQ(textOf(deliverWith("08", "02", "D83D")), "\xEF\xBF\xBD") << "lone surrogate";
    EXPECT_EQ(textOf(deliverWith("08", "04", "DE00D83D")), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(textOf(deliverWith("08", "03", "004100")), "A") << "odd octet dropped";
    EXPECT_EQ(textOf(deliverWith("08", "08", "0041")), "A") << "length beyond the data";
}

TEST(DataCoding, Ucs2AfterAHeaderSkipsTheHeaderOctets) {
    // First octet 44 announces a header: 05 00 03 01 02 01, then "Hi" in UCS2.
    const std::string pdu = "07910407000000F0440B910407000000F10008102030405060800A" +
                            std::string("050003010201") + "00480069";
    EXPECT_EQ(textOf(pdu), "Hi");
}

}  // namespace
}  // namespace vorsa
