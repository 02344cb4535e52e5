// SMS-DELIVER decoding: fields, numbers, headers, and PDUs that are cut short or are not
// PDUs at all.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Decoded.h"
#include "HandPacking.h"
#include "RandomText.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

using testing::decode;
using testing::Decoded;
using testing::hexOctet;
using testing::packByHand;

// The time stamp 21-10-12 13:45:57 +00 as it travels and as it is read.
const std::string kStamp = "21101231547500";
const std::string kStampRead = "12012113455700";
// The worked example: +40700000001 says "hello" through the centre +40700000000.
const std::string kWorked = "07910407000000F0040B910407000000F100001020304050608005E8329BFD06";

// Service centre none, originator +33612345678, the time stamp above, the first octet and
// data coding as given; the user data length and data follow.
std::string deliverPrefix(const std::string& firstOctet, const std::string& coding) {
    return "00" + firstOctet + "0B913316325476F800" + coding + kStamp;
}

struct Case {
    std::string pdu;
    Decoded expected;
};

void expectDecodes(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pdu);
        EXPECT_EQ(decode(c.pdu), c.expected);
    }
}

TEST(DecoderFields, WorkedAndIndependentPdus) {
    expectDecodes({
        {kWorked, {"+40700000000", "+40700000001", "01020304050608", "hello"}},
        // Service centre length 0: no centre.
        {"00040B910407000000F100001020304050608005E8329BFD06",
         {"", "+40700000001", "01020304050608", "hello"}},
        // Hand-packed "How are you?" from +31641600986, the common textbook PDU.
        {"07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07",
         {"+31624000000", "+31641600986", "02082619374180", "How are you?"}},
        // 8-bit part two of a concatenated message, zone three hours west.
        {"00440B913316325476F800F52110123154752909050003A70202414243",
         {"", "+33612345678", "12012113455792", "ABC"}},
    });
    EXPECT_EQ(formatDate("12012113455792"), "12/01/21,13:45:57-12");
}

TEST(DecoderFields, TextIsCutToItsLengthAndZoneDigitsStayRaw) {
    expectDecodes({
        // Seven fill bits are no eighth character; a national number gets its "0".
        {"07910407000000F00409A107000000F00000102030405060290731D98C56B3DD00",
         {"+40700000000", "0700000000", "01020304050692", "1234567"}},
        {"07910407000000F00409A107000000F000F5102030405060800A31323334353637383930",
         {"+40700000000", "0700000000", "01020304050608", "1234567890"}},
        // Status report indication set, no header: only bit 6 of the first octet matters.
        {"07910407000000F02409A107000000F000001020304050608005E8329BFD06",
         {"+40700000000", "0700000000", "01020304050608", "hello"}},
        // 8-bit codes 0 and 2 arrive as "@" and "$".
        {deliverPrefix("04", "F5") + "03000278", {"", "+33612345678", kStampRead, "@$x"}},
    });
}

TEST(Numbers, TheTypeChoosesThePrefixAndOnlyTheFirstFillerGoes) {
    expectDecodes({
        // A centre of odd length: +123 is written 21F3.
        {"039121F3040B910407000000F100001020304050608005E8329BFD06",
         {"+123", "+40700000001", "01020304050608", "hello"}},
        // A digit "F" inside the number is not the filler, but only the first one goes.
        {"0004049121FF0000" + kStamp + "00", {"", "+12F", kStampRead, ""}},
        // Type 81: no "0" in front, so numbers and short codes survive unchanged.
        {"00040A81700000000000F5" + kStamp + "00", {"", "0700000000", kStampRead, ""}},
        {"0004048121430000" + kStamp + "00", {"", "1234", kStampRead, ""}},
        {"0381214304048121430000" + kStamp + "00", {"1234", "1234", kStampRead, ""}},
        // Every other numeric type still gets its national "0".
        {"000404A121430000" + kStamp + "00", {"", "01234", kStampRead, ""}},
        {"0004049121430000" + kStamp + "00", {"", "+1234", kStampRead, ""}},
    });
}

TEST(Numbers, AlphanumericAddressesAreReadAsPackedText) {
    expectDecodes({
        // "InfoSMS": 7 characters, 49 bits, 13 useful semi-octets, type D0.
        {"07914477581006F5040DD049B7F93D6D4E0100002110123154750005E8329BFD06",
         {"+44778501605", "InfoSMS", kStampRead, "hello"}},
        // Nine characters with an "@" (code 0) among them: 16 semi-octets.
        {"000410D0D6B77C1E064C9B5300002110123154750000", {"", "Vorsa@SMS", kStampRead, ""}},
        // Any numbering plan with type of number 101 is alphanumeric.
        {"00040DD149B7F93D6D4E0100002110123154750000", {"", "InfoSMS", kStampRead, ""}},
        // The centre length counts octets, so seven spare bits at the end read as one more
        // code 0, which is the fill and not an "@".
        {"08D0" + packByHand({}, 0, "InfoSMS") + "04048121430000" + kStamp + "00",
         {"InfoSMS", "1234", kStampRead, ""}},
        {"08D0" + packByHand({}, 0, "InfoSMS!") + "04048121430000" + kStamp + "00",
         {"InfoSMS!", "1234", kStampRead, ""}},
        {"07D0" + packByHand({}, 0, "Vorsa1") + "04048121430000" + kStamp + "00",
         {"Vorsa1", "1234", kStampRead, ""}},
    });
}

TEST(HeaderSkipping, TextStartsAfterTheHeaderAndItsFillBits) {
    expectDecodes({
        {"07910407000000F04409A107000000F000F5102030405060800E0500030102013132333435363738",
         {"+40700000000", "0700000000", "01020304050608", "12345678"}},
        // A header that claims more than the whole user data leaves no text.
        {deliverPrefix("44", "F5") + "0305000301020141", {"", "+33612345678", kStampRead, ""}},
        {deliverPrefix("44", "F5") + "06050003010201", {"", "+33612345678", kStampRead, ""}},
        // Concatenation header of six octets (48 bits), one fill bit, then "Hello world"
        // from bit 49; the length counts 7 header septets and 11 text septets.
        {"07914477581006F5440C9144770009103200002110123154750012050003A70201906536FB0DBABFE5"
         "6C32",
         {"+44778501605", "+447700900123", kStampRead, "Hello world"}},
        // A seven-octet header (16-bit reference) fills exactly eight septets: no fill bits.
        {"00400B913316325476F80000211012315475401006080412340201F0B09C0EA2DFDF",
         {"", "+33612345678", "12012113455704", "part two"}},
    });
}

TEST(HeaderSkipping, EveryHeaderLengthAndFillCount) {
    // Header lengths 0 to 20 go through every fill count from 0 to 6.
    const std::string text = "Fill@bits$vary";
    std::string septets = text;
    for (char& c : septets) {
        c = c == '@' ? '\0' : c == '$' ? '\2' : c;
    }
    for (std::size_t h = 0; h <= 20; ++h) {
        SCOPED_TRACE(h);
        std::vector<uint8_t> header(h + 1, 0xA5);
        header[0] = static_cast<uint8_t>(h);
        const std::size_t headerSeptets = ((h + 1) * 8 + 6) / 7;
        const std::string userData = packByHand(header, headerSeptets * 7, septets);
        const std::string prefix = deliverPrefix("44", "00");
        EXPECT_EQ(decode(prefix + hexOctet(headerSeptets + text.size()) + userData).text, text);
        // A length that reaches only into the header leaves no text.
        EXPECT_EQ(decode(prefix + hexOctet(headerSeptets) + userData).text, "");
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
    EXPECT_EQ(decode(centre + "040B910407000000F100001020304050608005E8329BFD06"),
              (Decoded{std::string(2 * 254, '1'), "+40700000001", "01020304050608", "hello"}));
}

TEST(DecoderOutputs, AreReplacedAndMayAliasTheInput) {
    std::string centre = "old", sender = "old", stamp = "old", text = "old";
    decodeSMS("", centre, sender, stamp, text);
    // An empty PDU reads as an address of type 0: just the prefix.
    EXPECT_EQ((Decoded{centre, sender, stamp, text}), (Decoded{"", "0", "", ""}));

    std::string pdu = kWorked;
    decodeSMS(pdu, pdu, sender, stamp, text);
    EXPECT_EQ(pdu, "+40700000000");
    EXPECT_EQ(text, "hello");
    pdu = kWorked;
    decodeSMS(pdu, centre, sender, stamp, pdu);
    EXPECT_EQ(pdu, "hello");
    EXPECT_EQ(sender, "+40700000001");
}

TEST(TruncatedPdus, EveryPrefixDecodesToAPrefixOfTheText) {
    const std::string pdus[] = {
        kWorked,
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
    const std::string bytes = testing::codesUpTo(255);
    for (int round = 0; round < 2000; ++round) {
        const Decoded d = decode(
            testing::randomText(random, 0, 700, round % 2 == 0 ? bytes : "0123456789ABCDEF"));
        ASSERT_LE(d.timeStamp.size(), 14u);
        ASSERT_LE(d.text.size(), 255u * 2)
            << "the length octet bounds the text (a septet is at most two bytes of UTF-8, an "
               "escape pair three, a UCS2 unit three)";
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
