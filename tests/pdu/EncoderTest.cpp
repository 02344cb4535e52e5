// SMS-SUBMIT assembly, the numbering rule and the length that AT+CMGS takes.
#include <gtest/gtest.h>

#include <string>

#include "vorsa/PDU.h"

namespace vorsa {
namespace {

// What the messaging component passes: message reference 0, first octet 01.
std::string submit(const std::string& centre, const std::string& destination,
                   const std::string& text, uint8_t eightBit = 0) {
    return encodeSMS(centre, destination, text, 0, 1, eightBit);
}

TEST(Assembly, WithoutServiceCentre) {
    const std::string pdu = submit("", "+40700000000", "hello");
    EXPECT_EQ(pdu, "0001000B910407000000F000F105E8329BFD06");
    EXPECT_EQ(PduLength(pdu), 18);
}

TEST(Assembly, InternationalCentreAndUnknownTypeDestination) {
    const std::string pdu = submit("+40700000000", "0700000000", "hello");
    EXPECT_EQ(pdu, "07910407000000F001000A81700000000000F105E8329BFD06");
    EXPECT_EQ(PduLength(pdu), 17);
}

TEST(Assembly, EightBitWithDoubleZeroCentre) {
    const std::string pdu = submit("0040700000000", "0700000000", "hello", 1);
    EXPECT_EQ(pdu, "07910407000000F001000A81700000000000F50568656C6C6F");
    EXPECT_EQ(PduLength(pdu), 17);
}

TEST(Assembly, OddDestinationAndSubstitutedText) {
    EXPECT_EQ(submit("0700000000", "12345", "a@b$c"),
              "06817000000000010005812143F500F1056180583006");
}

TEST(Assembly, FirstOctetPrecedesMessageReferenceDespiteTheParameterOrder) {
    const std::string pdu = encodeSMS("", "12", "", 0x12, 0x31, 0);
    EXPECT_EQ(pdu,
              "003112028121"
              "00F100");
    EXPECT_EQ(PduLength(pdu), 8);
}

TEST(Assembly, EmptyTextHasLengthZeroAndNoUserData) {
    EXPECT_EQ(submit("", "+4412", "", 0),
              "000100049144210"
              "0F100");
    EXPECT_EQ(submit("", "+4412", "", 1),
              "000100049144210"
              "0F500");
}

TEST(Assembly, EightBitWritesAtAndDollarAsTheirDefaultCodes) {
    const std::string pdu = submit("", "1", "@$", 1);
    EXPECT_EQ(pdu.substr(pdu.size() - 6), "020002");
}

TEST(Assembly, LengthsNeverTruncatedToTwoDigits) {
    // The encoder sets no limit: 300 characters are counted as 12C, and a long number's
    // length takes as many digits as it needs.
    const std::string text(300, 'x');
    const std::string pdu = submit("", "1", text, 1);
    EXPECT_EQ(pdu.substr(0, 25),
              "0001000181F1"
              "00F5"
              "12C"
              "787878");
    EXPECT_EQ(pdu.size(), 12u + 4 + 3 + 600);

    const std::string longNumber(300, '5');
    const std::string withLongCentre = submit(longNumber, "1", "");
    EXPECT_EQ(withLongCentre.substr(0, 5),
              "97"
              "81"
              "5");  // 1 + 150 octets = 0x97
    EXPECT_EQ(PduLength(withLongCentre), 8);
    EXPECT_EQ(submit("", longNumber, "").substr(6, 5), "12C81");
}

TEST(NumberRule, PlusAndDoubleZeroMakeAnInternationalNumber) {
    EXPECT_EQ(submit("+4412", "1", ""), submit("004412", "1", ""));
    EXPECT_EQ(submit("", "+4412", ""), submit("", "004412", ""));
    EXPECT_EQ(submit("+", "1", "").substr(0, 4), "0191") << "length 1, type 91, no digits";
    EXPECT_EQ(submit("", "+", "").substr(0, 10),
              "00010000"
              "91");
}

TEST(NumberRule, AnythingElseIsWrittenAsItIsWithUnknownType) {
    // A single leading zero stays a digit.
    EXPECT_EQ(submit("", "0712", "").substr(6, 8),
              "0481"
              "7021");
    // "+" after the first character is not a prefix and is carried as a character.
    EXPECT_EQ(submit("", "1+23", "").substr(6, 8),
              "0481"
              "+132");
    // "0" then "+" is neither prefix either.
    EXPECT_EQ(submit("", "0+1", "").substr(6, 8),
              "0381"
              "+0F1");
    // Even digit counts get no filler.
    EXPECT_EQ(submit("", "0700000000", "").substr(6, 14),
              "0A81"
              "7000000000");
    // Odd counts get "F", which the length does not count.
    EXPECT_EQ(submit("", "123", "").substr(6, 8),
              "0381"
              "21F3");
}

TEST(PduLength, CountsOctetsAfterTheServiceCentrePart) {
    EXPECT_EQ(PduLength("0001"), 1);
    EXPECT_EQ(PduLength("00"), 0);
    EXPECT_EQ(PduLength("0291FF01"), 1);
    EXPECT_EQ(PduLength("0291FF0"), 0) << "an unpaired digit is not counted";
    // Malformed input gives the arithmetic's value, never a failure.
    EXPECT_EQ(PduLength(""), -1);
    EXPECT_EQ(PduLength("0"), -1);
    EXPECT_EQ(PduLength("FF"), -255);
    EXPECT_EQ(PduLength("zz"), -115);  // "zz" reads as 115: 1 - 115 - 1
}

}  // namespace
}  // namespace vorsa
