// The decoder reads the text in the alphabet that the data coding octet names.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Decoded.h"
#include "pdu/PduPrimitives.h"

namespace vorsa {
namespace {

TEST(DataCoding, AlphabetFollowsTheCodingGroups) {
    using detail::UserDataAlphabet;
    // 0C is reserved, 11 class 1 7-bit, 18 class 0 UCS2, 26 compressed, 48 auto-deletion.
    const std::pair<UserDataAlphabet, std::vector<int>> groups[] = {
        {UserDataAlphabet::Default, {0x00, 0x0C, 0x11, 0xC0, 0xD8, 0xF0, 0xF1}},
        {UserDataAlphabet::EightBit, {0x04, 0x26, 0xF4, 0xF5, 0xF7}},
        {UserDataAlphabet::Ucs2, {0x08, 0x18, 0x48, 0xE8}},
    };
    for (const auto& [alphabet, codings] : groups) {
        for (const int coding : codings) {
            EXPECT_EQ(detail::userDataAlphabet(coding), alphabet) << "coding " << coding;
        }
    }
}

TEST(DataCoding, TextIsReadInTheAlphabetOfTheCoding) {
    struct Case {
        const char* coding;
        const char* length;
        const char* userData;
        std::string text;
    };
    const Case cases[] = {
        // 8-bit data without a class is read as octets.
        {"04", "05", "68656C6C6F", "hello"},
        {"F4", "03", "000278", "@$x"},
        // UCS2 comes out as UTF-8: "Zoë €", a smiling face that needs a surrogate pair, and
        // "@$" with no default-alphabet swap.
        {"08", "0A", "005A006F00EB002020AC", "Zo\xC3\xAB \xE2\x82\xAC"},
        {"08", "04", "D83DDE00", "\xF0\x9F\x98\x80"},
        {"08", "04", "00400024", "@$"},
        // Broken UCS2 neither crashes nor leaks half characters: lone surrogates, an odd
        // octet dropped, a length beyond the data.
        {"08", "02", "D83D", "\xEF\xBF\xBD"},
        {"08", "04", "DE00D83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"08", "03", "004100", "A"},
        {"08", "08", "0041", "A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.coding) + " " + c.userData);
        // An SMS-DELIVER from +40700000001 with this coding, length and user data.
        EXPECT_EQ(testing::decode(std::string("07910407000000F0040B910407000000F100") + c.coding +
                                  "10203040506080" + c.length + c.userData)
                      .text,
                  c.text);
    }
}

TEST(DataCoding, Ucs2AfterAHeaderSkipsTheHeaderOctets) {
    // First octet 44 announces a header: 05 00 03 01 02 01, then "Hi" in UCS2.
    EXPECT_EQ(testing::decode("07910407000000F0440B910407000000F10008102030405060800A" +
                              std::string("050003010201") + "00480069")
                  .text,
              "Hi");
}

}  // namespace
}  // namespace vorsa
