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

TEST(Assembly, WholePdusAndTheirLengths) {
    struct Case {
        std::string centre, destination, text;
        uint8_t eightBit;
        std::string pdu;
        int32_t length;
    };
    const Case cases[] = {
        {"", "+40700000000", "hello", 0, "0001000B910407000000F000F105E8329BFD06", 18},
        // International centre, destination of unknown type.
        {"+40700000000", "0700000000", "hello", 0,
         "07910407000000F001000A81700000000000F105E8329BFD06", 17},
        {"0040700000000", "0700000000", "hello", 1,
         "07910407000000F001000A81700000000000F50568656C6C6F", 17},
        // Odd destination, "@" and "$" written as their default-alphabet codes.
        {"0700000000", "12345", "a@b$c", 0, "06817000000000010005812143F500F1056180583006", 15},
        {"", "1", "@$", 1, "0001000181F100F5020002", 10},
        // An empty text has length zero and no user data.
        {"", "+4412", "", 0, "0001000491442100F100", 9},
        {"", "+4412", "", 1, "0001000491442100F500", 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pdu);
        const std::string pdu = submit(c.centre, c.destination, c.text, c.eightBit);
        EXPECT_EQ(pdu, c.pdu);
        EXPECT_EQ(PduLength(pdu), c.length);
    }
}

TEST(Assembly, FirstOctetPrecedesMessageReferenceDespiteTheParameterOrder) {
    const std::string pdu = encodeSMS("", "12", "", 0x12, 0x31, 0);
    EXPECT_EQ(pdu, "00311202812100F100");
    EXPECT_EQ(PduLength(pdu), 8);
}

TEST(Assembly, LengthsNeverTruncatedToTwoDigits) {
    // The encoder sets no limit: 300 characters are counted as 12C, and a long number's
    // length takes as many digits as it needs.
    const std::string pdu = submit("", "1", std::string(300, 'x'), 1);
    EXPECT_EQ(pdu.substr(0, 25), "0001000181F100F512C787878");
    EXPECT_EQ(pdu.size(), 12u + 4 + 3 + 600);

    const std::string longNumber(300, '5');
    const std::string withLongCentre = submit(longNumber, "1", "");
    EXPECT_EQ(withLongCentre.substr(0, 5), "97815");  // 1 + 150 octets = 0x97, type 81
    EXPECT_EQ(PduLength(withLongCentre), 8);
    EXPECT_EQ(submit("", longNumber, "").substr(6, 5), "12C81");
}

TEST(NumberRule, PlusAndDoubleZeroMakeAnInternationalNumberAndAnythingElseStaysAsWritten) {
    struct Case {
        std::string number;
        std::string asDestination;  // digit count, type, semi-octets
        std::string asCentre;       // octet count, type, semi-octets
    };
    const Case cases[] = {
        {"+4412", "04914421", "03914421"},
        {"004412", "04914421", "03914421"},
        {"+", "0091", "0191"},  // no digits at all
        // A single leading zero stays a digit.
        {"0712", "04817021", "03817021"},
        // "+" after the first character is no prefix and is carried as a character, and
        // "0" then "+" is neither prefix either.
        {"1+23", "0481+132", "0381+132"},
        {"0+1", "0381+0F1", "0381+0F1"},
        // Even digit counts get no filler; odd ones get "F", which the length does not count.
        {"0700000000", "0A817000000000", "06817000000000"},
        {"123", "038121F3", "038121F3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(submit("", c.number, ""), "000100" + c.asDestination + "00F100");
        EXPECT_EQ(submit(c.number, "1", ""), c.asCentre + "01000181F100F100");
    }
}

TEST(PduLength, CountsOctetsAfterTheServiceCentrePart) {
    struct Case {
        const char* pdu;
        int32_t length;
    };
    // Malformed input gives the arithmetic's value, never a failure: "" and "0" read a
    // centre length of 0 and no octets, "zz" reads as 115 (1 - 115 - 1).
    for (const Case& c : {Case{"0001", 1}, Case{"00", 0}, Case{"0291FF01", 1},
                          Case{"0291FF0", 0},  // an unpaired digit is not counted
                          Case{"", -1}, Case{"0", -1}, Case{"FF", -255}, Case{"zz", -115}}) {
        EXPECT_EQ(PduLength(c.pdu), c.length) << '"' << c.pdu << '"';
    }
}

}  // namespace
}  // namespace vorsa
