// SMS-DELIVER decoding: fields, numbers, headers, and PDUs that are cut short or are not
// PDUs at all.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "HandPacking.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

using testing::hexOctet;
using testing::packByHand;

struct Decoded {
    std::string serviceCentre;
    std::string originator;
    std::string timeStamp;
    std::string text;
};

Decoded decode(const std::string& pdu) {
    Decoded d;
    decodeSMS(pdu, d.serviceCentre, d.originator, d.timeStamp, d.text);
    return d;
}

// Service centre none, originator +33612345678, time stamp 21-10-12 13:45:57 +00, the
// first octet and data coding as given; the user data length and data follow.
std::string deliverPrefix(const std::string& firstOctet, const std::string& coding) {
    return "00" + firstOctet + "0B913316325476F800" + coding + "21101231547500";
}

TEST(DecoderFields, WorkedExample) {
    const Decoded d = decode("07910407000000F0040B910407000000F100001020304050608005E8329BFD06");
    EXPECT_EQ(d.serviceCentre, "+40700000000");
    EXPECT_EQ(d.originator, "+40700000001");
    EXPECT_EQ(d.timeStamp, "01020304050608");
    EXPECT_EQ(d.text, "hello");
}

TEST(DecoderFields, SevenBitTextIsCutToItsLengthAndZoneDigitsStayRaw) {
    const Decoded d = decode("07910407000000F00409A107000000F00000102030405060290731D98C56B3DD00");
    EXPECT_EQ(d.text, "1234567") << "the seven fill bits are no eighth character";
    EXPECT_EQ(d.timeStamp, "01020304050692");
    EXPECT_EQ(d.originator, "0700000000") << "national type: 0 in front, filler removed";
}

TEST(DecoderFields, EightBitTextAndOtherFirstOctetBits) {
    EXPECT_EQ(
        decode("07910407000000F00409A107000000F000F5102030405060800A31323334353637383930").text,
        "1234567890");
    // Status report indication set, no header: only bit 6 of the first octet matters.
    EXPECT_EQ(decode("07910407000000F02409A107000000F000001020304050608005E8329BFD06").text,
              "hello");
    // 8-bit codes 0 and 2 arrive as "@" and "$".
    EXPECT_EQ(decode(deliverPrefix("04", "F5") + "03"
                                                 "000278")
                  .text,
              "@$x");
}

TEST(DecoderFields, OnlyTheFirstFillerIsRemoved) {
    // A centre of odd length: +123 is written 21F3.
    const Decoded d = decode("039121F3040B910407000000F100001020304050608005E8329BFD06");
    EXPECT_EQ(d.serviceCentre, "+123");
    EXPECT_EQ(d.originator, "+40700000001");
    // A digit "F" inside the number is not the filler, but only the first one goes.
    EXPECT_EQ(decode("0004049121FF0000"
                     "21101231547500"
                     "00")
                  .originator,
              "+12F");
}

TEST(Numbers, UnknownNumberingKeepsItsDigitsAsTheyAre) {
    // Type 81: no "0" is put in front, so numbers and short codes survive unchanged.
    EXPECT_EQ(decode("00040A81700000000000F5"
                     "21101231547500"
                     "00")
                  .originator,
              "0700000000");
    EXPECT_EQ(decode("0004048121430000"
                     "21101231547500"
                     "00")
                  .originator,
              "1234");
    EXPECT_EQ(decode("03812143"
                     "04048121430000"
                     "21101231547500"
                     "00")
                  .serviceCentre,
              "1234");
    // Every other numeric type still gets its national "0".
    EXPECT_EQ(decode("000404A121430000"
                     "21101231547500"
                     "00")
                  .originator,
              "01234");
    EXPECT_EQ(decode("0004049121430000"
                     "21101231547500"
                     "00")
                  .originator,
              "+1234");
}

TEST(Numbers, AlphanumericSenderIsReadAsPackedText) {
    // "InfoSMS": 7 characters, 49 bits, 13 useful semi-octets, type D0.
    const Decoded d = decode("07914477581006F5040DD049B7F93D6D4E0100002110123154750005E8329BFD06");
    EXPECT_EQ(d.originator, "InfoSMS");
    EXPECT_EQ(d.serviceCentre, "+44778501605");
    EXPECT_EQ(d.text, "hello");
    // Nine characters with an "@" (code 0) among them: 16 semi-octets.
    EXPECT_EQ(decode("000410D0D6B77C1E064C9B5300002110123154750000").originator, "Vorsa@SMS");
    // Any numbering plan with type of number 101 is alphanumeric.
    EXPECT_EQ(decode("00040DD149B7F93D6D4E0100002110123154750000").originator, "InfoSMS");
}

TEST(Numbers, AlphanumericServiceCentreDropsOnlyTheSevenFillBits) {
    // The centre length counts octets, so seven spare bits at the end read as one more
    // code 0, which is the fill and not an "@".
    const std::string sevenChars = packByHand({}, 0, "InfoSMS");
    EXPECT_EQ(decode("08D0" + sevenChars +
                     "04048121430000"
                     "21101231547500"
                     "00")
                  .serviceCentre,
              "InfoSMS");
    const std::string eightChars = packByHand({}, 0, "InfoSMS!");
    EXPECT_EQ(decode("08D0" + eightChars +
                     "04048121430000"
                     "21101231547500"
                     "00")
                  .serviceCentre,
              "InfoSMS!");
    const std::string sixChars = packByHand({}, 0, "Vorsa1");
    EXPECT_EQ(decode("07D0" + sixChars +
                     "04048121430000"
                     "21101231547500"
                     "00")
                  .serviceCentre,
              "Vorsa1");
}

TEST(Numbers, ServiceCentreLengthZeroMeansNoCentre) {
    const Decoded d = decode("00040B910407000000F100001020304050608005E8329BFD06");
    EXPECT_EQ(d.serviceCentre, "");
    EXPECT_EQ(d.originator, "+40700000001");
    EXPECT_EQ(d.timeStamp, "01020304050608");
    EXPECT_EQ(d.text, "hello");
}

TEST(HeaderSkipping, EightBitTextAfterAHeader) {
    const Decoded d =
        decode("07910407000000F04409A107000000F000F5102030405060800E0500030102013132333435363738");
    EXPECT_EQ(d.originator, "0700000000");
    EXPECT_EQ(d.text, "12345678");
    // A header that claims more than the whole user data leaves no text.
    EXPECT_EQ(decode(deliverPrefix("44", "F5") + "03"
                                                 "05000301020141")
                  .text,
              "");
    EXPECT_EQ(decode(deliverPrefix("44", "F5") + "06"
                                                 "050003010201")
                  .text,
              "");
}

TEST(HeaderSkipping, SevenBitTextStartsAfterTheFillBits) {
    // Concatenation header of six octets (48 bits), one fill bit, then "Hello world"
    // from bit 49; the length counts 7 header septets and 11 text septets.
    const Decoded d = decode(
        "07914477581006F5440C9144770009103200002110123154750012050003A70201906536FB0DBABFE5"
        "6C32");
    EXPECT_EQ(d.originator, "+447700900123");
    EXPECT_EQ(d.timeStamp, "12012113455700");
    EXPECT_EQ(d.text, "Hello world");
    // A seven-octet header (16-bit reference) fills exactly eight septets: no fill bits.
    EXPECT_EQ(decode("00400B913316325476F80000211012315475401006080412340201F0B09C0EA2DFDF").text,
              "part two");
}

TEST(HeaderSkipping, EveryHeaderLengthAndFillCount) {
    // Header lengths 0 to 20 go through every fill count from 0 to 6.
    const std::string text = "Fill@bits$vary";
    for (std::size_t h = 0; h <= 20; ++h) {
        SCOPED_TRACE(h);
        std::vector<uint8_t> header(h + 1, 0xA5);
        header[0] = static_cast<uint8_t>(h);
        const std::size_t headerSeptets = ((h + 1) * 8 + 6) / 7;
        std::string septets = text;
        for (char& c : septets) {
            c = c == '@' ? '\0' : c == '$' ? '\2' : c;
        }
        const std::string userData = packByHand(header, headerSeptets * 7, septets);
        const std::string pdu =
            deliverPrefix("44", "00") + hexOctet(headerSeptets + text.size()) + userData;
        EXPECT_EQ(decode(pdu).text, text);
        // A length that reaches only into the header leaves no text.
        EXPECT_EQ(decode(deliverPrefix("44", "00") + hexOctet(headerSeptets) + userData).text, "");
    }
}

TEST(HeaderSkipping, UserDataBeyondTheFirst255Characters) {
    // A 201-octet header puts the text far past position 255 of the PDU text.
    const std::string header = "C8" + std::string(400, '0');
    const std::string eightBit =
        decode(deliverPrefix("44", "F5") + "FF" + header + std::string(2 * 54, '7') + "3939").text;
    EXPECT_EQ(eightBit, std::string(54, 'w'));

    std::vector<uint8_t> longHeader(151, 0);
    longHeader[0] = 150;
    const std::size_t headerSeptets = (151 * 8 + 6) / 7;  // 173, three fill bits
    const std::string text(255 - headerSeptets, 'q');
    const std::string sevenBit =
        decode(deliverPrefix("44", "00") + "FF" + packByHand(longHeader, headerSeptets * 7, text))
            .text;
    EXPECT_EQ(sevenBit, text);

    // A service-centre address of 254 octets moves every field past position 255.
    const std::string centre = "FF81" + std::string(2 * 254, '1');
    const Decoded d = decode(centre + "040B910407000000F100001020304050608005E8329BFD06");
    EXPECT_EQ(d.serviceCentre, std::string(2 * 254, '1'));
    EXPECT_EQ(d.originator, "+40700000001");
    EXPECT_EQ(d.text, "hello");
}

TEST(IndependentVectors, HandBuiltAndWellKnownPdus) {
    // Hand-packed "How are you?" from +31641600986, the common textbook PDU.
    const Decoded d =
        decode("07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07");
    EXPECT_EQ(d.serviceCentre, "+31624000000");
    EXPECT_EQ(d.originator, "+31641600986");
    EXPECT_EQ(d.timeStamp, "02082619374180");
    EXPECT_EQ(d.text, "How are you?");
    // 8-bit part two of a concatenated message, zone three hours west.
    const Decoded c = decode("00440B913316325476F800F52110123154752909050003A70202414243");
    EXPECT_EQ(c.text, "ABC");
    EXPECT_EQ(c.timeStamp, "12012113455792");
    EXPECT_EQ(formatDate(c.timeStamp), "12/01/21,13:45:57-12");
}

TEST(DecoderOutputs, AreReplacedAndMayAliasTheInput) {
    std::string centre = "old", sender = "old", stamp = "old", text = "old";
    decodeSMS("", centre, sender, stamp, text);
    EXPECT_EQ(centre, "");
    EXPECT_EQ(sender, "0") << "an empty PDU reads as an address of type 0: just the prefix";
    EXPECT_EQ(stamp, "");
    EXPECT_EQ(text, "");

    const std::string worked = "07910407000000F0040B910407000000F100001020304050608005E8329BFD06";
    std::string pdu = worked;
    decodeSMS(pdu, pdu, sender, stamp, text);
    EXPECT_EQ(pdu, "+40700000000");
    EXPECT_EQ(text, "hello");
    pdu = worked;
    decodeSMS(pdu, centre, sender, stamp, pdu);
    EXPECT_EQ(pdu, "hello");
    EXPECT_EQ(sender, "+40700000001");
}

TEST(TruncatedPdus, EveryPrefixDecodesToAPrefixOfTheText) {
    const std::string pdus[] = {
        "07910407000000F0040B910407000000F100001020304050608005E8329BFD06",
        "07914477581006F5440C9144770009103200002110123154750012050003A70201906536FB0DBABFE56C32",
        "07910407000000F04409A107000000F000F5102030405060800E0500030102013132333435363738",
    };
    for (const std::string& pdu : pdus) {
        const Decoded full = decode(pdu);
        for (std::size_t cut = 0; cut <= pdu.size(); ++cut) {
            SCOPED_TRACE(cut);
            const Decoded part = decode(pdu.substr(0, cut));
            EXPECT_EQ(full.text.compare(0, part.text.size(), part.text), 0) << part.text;
            EXPECT_LE(part.timeStamp.size(), 14u);
        }
    }
}

TEST(GarbagePdus, AnyBytesDecodeWithinBounds) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 700);
    const std::string hex = "0123456789ABCDEF";
    for (int round = 0; round < 2000; ++round) {
        std::string pdu(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : pdu) {
            c = round % 2 == 0 ? static_cast<char>(byte(random)) : hex[byte(random) % 16];
        }
        const Decoded d = decode(pdu);
        ASSERT_LE(d.timeStamp.size(), 14u);
        ASSERT_LE(d.text.size(), 255u / 2 * 3)
            << "the length octet bounds the text (UCS2 as UTF-8: three bytes a unit at most)";
        ASSERT_LE(d.originator.size(), 257u);
        ASSERT_LE(d.serviceCentre.size(), 2 * 254u + 1);
    }
    // All "F": every length at its largest, and a header longer than the user data.
    const Decoded d = decode(std::string(2000, 'F'));
    EXPECT_EQ(d.serviceCentre, "0" + std::string(507, 'F'));
    EXPECT_EQ(d.timeStamp, std::string(14, 'F'));
    EXPECT_EQ(d.text, "");
}

}  // namespace
}  // namespace vorsa
