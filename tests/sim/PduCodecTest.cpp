// The simulator's own PDU code against the worked SMS-SUBMIT and SMS-DELIVER vectors, in
// both directions: decode the hex, check the fields, encode the fields back to the hex.
#include <gtest/gtest.h>

#include "vorsa/sim/DeliverPdu.h"
#include "vorsa/sim/SubmitPdu.h"
#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

struct SubmitVector {
    const char* hex;
    const char* serviceCentre;
    const char* destination;
    uint8_t destinationType;
    uint8_t dataCoding;
    const char* text;
    size_t tpduLength;  // the AT+CMGS length
};

constexpr SubmitVector kSubmitVectors[] = {
    {"0001000B910407000000F000F105E8329BFD06", "", "+40700000000", 0x91, 0xF1, "hello", 18},
    {"07910407000000F001000A81700000000000F105E8329BFD06", "+40700000000", "0700000000", 0x81, 0xF1,
     "hello", 17},
    {"07910407000000F001000A81700000000000F50568656C6C6F", "+40700000000", "0700000000", 0x81, 0xF5,
     "hello", 17},
    {"06817000000000010005812143F500F1056180583006", "0700000000", "12345", 0x81, 0xF1, "a@b$c",
     15},
    {"07910407000000F101000B910407000000F000F105C8329BFD06", "+40700000001", "+40700000000", 0x91,
     0xF1, "Hello", 18},
};

std::string Utf8Text(const UserData& data) {
    return EncodeUtf8(data.Text());
}

Octets Bytes(const char* hex) {
    std::optional<Octets> octets = FromHex(hex);
    EXPECT_TRUE(octets.has_value()) << hex;
    return octets.value_or(Octets{});
}

TEST(SubmitPduCodec, DecodesAndReencodesTheWorkedExamples) {
    for (const SubmitVector& v : kSubmitVectors) {
        SCOPED_TRACE(v.hex);
        Octets pdu = Bytes(v.hex);
        std::string error;
        std::optional<SubmitPdu> submit = SubmitPdu::Decode(pdu, &error);
        ASSERT_TRUE(submit.has_value()) << error;
        EXPECT_EQ(submit->serviceCentre.text, v.serviceCentre);
        EXPECT_EQ(submit->destination.text, v.destination);
        EXPECT_EQ(submit->destination.type, v.destinationType);
        EXPECT_EQ(submit->FirstOctet(), 0x01);
        EXPECT_EQ(submit->messageReference, 0);
        EXPECT_EQ(submit->dataCoding, v.dataCoding);
        EXPECT_EQ(DescribeDataCoding(submit->dataCoding).messageClass, 1);
        EXPECT_EQ(Utf8Text(submit->userData), v.text);
        EXPECT_EQ(pdu.size() - ServiceCentrePartLength(pdu).value(), v.tpduLength);
        std::optional<Octets> again = submit->Encode();
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(ToHex(*again), v.hex);
    }
}

TEST(SubmitPduCodec, EncodesAFreshMessageLikeTheWorkedExample) {
    SubmitPdu submit;
    submit.destination = AddressFromText("+40700000000");
    submit.dataCoding = MakeDataCoding(Alphabet::Gsm7, 1);
    submit.userData = UserData::FromText(U"hello", Alphabet::Gsm7);
    EXPECT_EQ(submit.dataCoding, 0x11);
    submit.dataCoding = 0xF1;
    EXPECT_EQ(ToHex(submit.Encode().value()), "0001000B910407000000F000F105E8329BFD06");
}

TEST(SubmitPduCodec, ReadsValidityPeriodsHeadersAndUcs2) {
    SubmitPdu submit;
    submit.validityFormat = ValidityFormat::Relative;
    submit.validityPeriod = {0xA7};
    submit.statusReportRequest = true;
    submit.messageReference = 0x42;
    submit.destination = AddressFromText("+4912345");
    submit.dataCoding = MakeDataCoding(Alphabet::Ucs2, std::nullopt);
    submit.userData = UserData::FromText(U"\u0416\u20AC", Alphabet::Ucs2);
    submit.userData.header = {0x00, 0x03, 0x07, 0x02, 0x01};
    std::optional<Octets> pdu = submit.Encode();
    ASSERT_TRUE(pdu.has_value());
    EXPECT_EQ(ToHex(*pdu),
              "0071420791942143F50008A70A0500030702010416"
              "20AC");
    std::optional<SubmitPdu> back = SubmitPdu::Decode(*pdu, nullptr);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->validityFormat, ValidityFormat::Relative);
    EXPECT_EQ(back->validityPeriod, Octets{0xA7});
    EXPECT_TRUE(back->statusReportRequest);
    EXPECT_EQ(back->messageReference, 0x42);
    EXPECT_EQ(back->userData.header, (Octets{0x00, 0x03, 0x07, 0x02, 0x01}));
    EXPECT_EQ(back->userData.Text(), U"\u0416\u20AC");
}

TEST(SubmitPduCodec, RefusesMalformedUnits) {
    const char* bad[] = {
        "",                                          // nothing
        "0001000B910407000000F000F105E8329BFD",      // user data one octet short
        "0001000B910407000000F000F105E8329BFD0600",  // one octet too many
        "0000000B910407000000F000F105E8329BFD06",    // message type SMS-DELIVER
        "0001000B910407000000",                      // cut inside the destination
        "0B01000B910407000000F000F105E8329BFD06",    // centre length runs past the end
        "0001001F910407000000F000F105E8329BFD06",    // 31 destination digits
        "0011000B910407000000F000F105E8329BFD06",    // relative validity missing
        "0001000B910407000000F000F4A1"
        "00",  // 8-bit length beyond 140 octets
    };
    for (const char* hex : bad) {
        SCOPED_TRACE(hex);
        std::string error;
        EXPECT_FALSE(SubmitPdu::Decode(Bytes(hex), &error).has_value());
        EXPECT_FALSE(error.empty());
    }
}

struct DeliverVector {
    const char* hex;
    const char* serviceCentre;
    const char* originator;
    uint8_t originatorType;
    const char* time;
    const char* text;
    uint8_t firstOctet;
};

constexpr DeliverVector kDeliverVectors[] = {
    {"07910407000000F0040B910407000000F100001020304050608005E8329BFD06", "+40700000000",
     "+40700000001", 0x91, "01/02/03,04:05:06+08", "hello", 0x04},
    {"07910407000000F04409A107000000F000F5102030405060800E0500030102013132333435363738",
     "+40700000000", "700000000", 0xA1, "01/02/03,04:05:06+08", "12345678", 0x44},
    {"07910407000000F00409A107000000F00000102030405060290731D98C56B3DD00", "+40700000000",
     "700000000", 0xA1, "01/02/03,04:05:06-12", "1234567", 0x04},
    {"07910407000000F00409A107000000F000F5102030405060800A31323334353637383930", "+40700000000",
     "700000000", 0xA1, "01/02/03,04:05:06+08", "1234567890", 0x04},
    {"07910407000000F02409A107000000F000001020304050608005E8329BFD06", "+40700000000", "700000000",
     0xA1, "01/02/03,04:05:06+08", "hello", 0x24},
    {"07910407000000F1040B910407000000F000002030400102038005C8329BFD06", "+40700000001",
     "+40700000000", 0x91, "02/03/04,10:20:30+08", "Hello", 0x04},
};

TEST(DeliverPduCodec, DecodesAndReencodesTheWorkedExamples) {
    for (const DeliverVector& v : kDeliverVectors) {
        SCOPED_TRACE(v.hex);
        Octets pdu = Bytes(v.hex);
        std::string error;
        std::optional<DeliverPdu> deliver = DeliverPdu::Decode(pdu, &error);
        ASSERT_TRUE(deliver.has_value()) << error;
        EXPECT_EQ(deliver->serviceCentre.text, v.serviceCentre);
        EXPECT_EQ(deliver->originator.text, v.originator);
        EXPECT_EQ(deliver->originator.type, v.originatorType);
        EXPECT_EQ(deliver->serviceCentreTime.ToText(), v.time);
        EXPECT_EQ(Utf8Text(deliver->userData), v.text);
        EXPECT_EQ(deliver->FirstOctet(), v.firstOctet);
        std::optional<Octets> again = deliver->Encode();
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(ToHex(*again), v.hex);
    }
}

TEST(DeliverPduCodec, TheHeaderOfThe8BitExampleIsKeptApart) {
    std::optional<DeliverPdu> deliver = DeliverPdu::Decode(
        Bytes("07910407000000F04409A107000000F000F5102030405060800E0500030102013132333435363738"),
        nullptr);
    ASSERT_TRUE(deliver.has_value());
    EXPECT_EQ(deliver->userData.header, (Octets{0x00, 0x03, 0x01, 0x02, 0x01}));
    EXPECT_EQ(deliver->userData.alphabet, Alphabet::EightBit);
    EXPECT_EQ(deliver->userData.LengthField(), 14u);
}

TEST(DeliverPduCodec, SevenBitTextAfterAHeaderSkipsTheFillBits) {
    DeliverPdu deliver;
    deliver.serviceCentre = AddressFromText("+40700000000");
    deliver.originator = AddressFromText("+40700000001");
    deliver.serviceCentreTime = TimeStamp::Parse("01/02/03,04:05:06+08").value();
    deliver.userData = UserData::FromText(U"hello", Alphabet::Gsm7);
    deliver.userData.header = {0x00, 0x03, 0x01, 0x02, 0x01};
    Octets pdu = deliver.Encode().value();
    // Six header octets take seven septets (one fill bit), then five characters.
    EXPECT_EQ(deliver.userData.LengthField(), 12u);
    std::optional<DeliverPdu> back = DeliverPdu::Decode(pdu, nullptr);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->userData.Text(), U"hello");
    std::string hex = ToHex(pdu);
    EXPECT_EQ(hex.substr(hex.size() - 24), "0C050003010201D06536FB0D");
}

TEST(DeliverPduCodec, AlphanumericSenderRoundTrips) {
    DeliverPdu deliver;
    deliver.serviceCentre = AddressFromText("+40700000000");
    deliver.originator = AddressFromText("Vorsa", kAlphanumericAddress);
    deliver.dataCoding = MakeDataCoding(Alphabet::Gsm7, 0);
    deliver.serviceCentreTime = TimeStamp::Parse("26/12/31,23:59:59-04").value();
    deliver.userData = UserData::FromText(U"Flash {x} \u20AC5", Alphabet::Gsm7);
    Octets pdu = deliver.Encode().value();
    // "Vorsa": five septets in 35 bits, nine useful semi-octets.
    EXPECT_EQ(ToHex(pdu).substr(18, 14), "09D0D6B77C1E06");
    std::optional<DeliverPdu> back = DeliverPdu::Decode(pdu, nullptr);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->originator, deliver.originator);
    EXPECT_EQ(back->serviceCentreTime, deliver.serviceCentreTime);
    EXPECT_EQ(back->userData.Text(), U"Flash {x} \u20AC5");
    EXPECT_EQ(back->userData.Length(), 15u) << "braces and euro take two septets each";
    EXPECT_EQ(DescribeDataCoding(back->dataCoding).messageClass, 0);
}

TEST(DeliverPduCodec, RefusesASubmitAndABadTimeStamp) {
    EXPECT_FALSE(DeliverPdu::Decode(Bytes("0001000B910407000000F000F105E8329BFD06"), nullptr));
    EXPECT_FALSE(DeliverPdu::Decode(
        Bytes("07910407000000F0040B910407000000F1000010203040506A8005E8329BFD06"), nullptr));
}

}  // namespace
}  // namespace vorsa::sim
