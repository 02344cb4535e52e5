// decodeDeliver and decodeStatusReport: fields, concatenation headers, alphabets, and
// input that is cut short, is not hexadecimal, or is another kind of unit.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "HandPacking.h"
#include "vorsa/PDU.h"

namespace vorsa {
namespace {

// 21-10-12 13:45:57 +00 as it travels.
const std::string kDeliverStamp = "21101231547500";

struct DeliverCase {
    std::string pdu;
    std::string sender;
    std::string text;
    SmsAlphabet alphabet;
    std::optional<ConcatInfo> concat;
};

const std::vector<DeliverCase> kDelivers = {
    // Part 1 of 2, 8-bit reference A7, 7-bit text after the header and one fill bit.
    {"07914477581006F5440C9144770009103200002110123154750012050003A70201906536FB0DBABFE56C32",
     "+447700900123", "Hello world", SmsAlphabet::Gsm7, ConcatInfo{0xA7, 2, 1, false}},
    // A 16-bit reference (element 08) fills eight septets exactly.
    {"00400B913316325476F80000211012315475401006080412340201F0B09C0EA2DFDF", "+33612345678",
     "part two", SmsAlphabet::Gsm7, ConcatInfo{0x1234, 2, 1, true}},
    // UCS2 after a header; an element the decoder does not know (0A, text formatting)
    // before the concatenation element.
    {"07910407000000F0440B910407000000F10008" + kDeliverStamp + "0F0A0A03040001000301030100480069",
     "+40700000001", "Hi", SmsAlphabet::Ucs2, ConcatInfo{1, 3, 1, false}},
    // Extension characters and Greek capitals from an alphanumeric sender.
    {"000410D0D6B77C1E064C9B530000" + kDeliverStamp + "07" +
         testing::packByHand({}, 0, "\x1B\x14\x1B\x3C\x1B\x65\x10"),
     "Vorsa@SMS", "^[\xE2\x82\xAC\xCE\x94", SmsAlphabet::Gsm7, std::nullopt},
    // Emoji with a skin tone: two surrogate pairs.
    {"00040B913316325476F80008" + kDeliverStamp + "08D83DDC4DD83CDFFD", "+33612345678",
     "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", SmsAlphabet::Ucs2, std::nullopt},
    // A concatenation element with place 3 of 2 is no concatenation.
    {"00440B913316325476F80004" + kDeliverStamp + "09050003070203414243", "+33612345678", "ABC",
     SmsAlphabet::EightBit, std::nullopt},
};

TEST(DeliverDecoding, FieldsTextsAndConcatenation) {
    for (const DeliverCase& c : kDelivers) {
        SCOPED_TRACE(c.pdu);
        const std::optional<DeliverMessage> message = decodeDeliver(c.pdu);
        ASSERT_TRUE(message.has_value());
        EXPECT_EQ(message->sender, c.sender);
        EXPECT_EQ(message->text, c.text);
        EXPECT_EQ(message->alphabet, c.alphabet);
        EXPECT_EQ(message->concat, c.concat);
        EXPECT_EQ(message->timeStamp.substr(0, 18), "12/01/21,13:45:57+");
        // Lower-case hexadecimal reads the same.
        std::string lower = c.pdu;
        for (char& ch : lower) {
            ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        }
        const std::optional<DeliverMessage> again = decodeDeliver(lower);
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(again->text, c.text);
    }
}

TEST(DeliverDecoding, ClassTimeStampAndEightBitData) {
    // Class 0 (flash) 8-bit data with octets that are not UTF-8, from a national number.
    const std::optional<DeliverMessage> data = decodeDeliver(
        "07910407000000F00409A107000000F000F4" + std::string("21101231547529") + "0300E9FF");
    ASSERT_TRUE(data.has_value());
    EXPECT_EQ(data->serviceCentre, "+40700000000");
    EXPECT_EQ(data->sender, "0700000000");
    EXPECT_EQ(data->senderType, 0xA1);
    EXPECT_EQ(data->timeStamp, "12/01/21,13:45:57-12");
    EXPECT_EQ(data->messageClass, MessageClass::Flash);
    EXPECT_EQ(data->data, std::string("\0\xE9\xFF", 3));
    EXPECT_EQ(data->text, std::string("\0\xC3\xA9\xC3\xBF", 5));
}

TEST(DeliverDecoding, RefusesWhatIsNotAWholeDeliver) {
    const std::string whole = kDelivers[0].pdu;
    // Every shorter piece of a valid unit is refused, whatever the cut.
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        EXPECT_FALSE(decodeDeliver(whole.substr(0, cut)).has_value()) << cut;
    }
    const std::string refused[] = {
        "07914477581006F5440C9144770009103200002110123154750012050003A70201906536FB0DBABFE56C3G",
        " 07914477581006F5440C914477000910320000211012315475001",
        // An SMS-SUBMIT (message type 01) and a status report (10).
        "0001000B910407000000F0000005E8329BFD06",
        "07910407000000F0062E0B910407000000F1" + kDeliverStamp + kDeliverStamp + "00",
        // A header that claims more octets than the user data has.
        "00440B913316325476F80004" + kDeliverStamp + "03070003",
        // 7-bit: the header's septets beyond the user data length.
        "00440B913316325476F80000" + kDeliverStamp + "06050003010201",
    };
    for (const std::string& pdu : refused) {
        EXPECT_FALSE(decodeDeliver(pdu).has_value()) << pdu;
    }
    // Octets after the user data are not looked at.
    EXPECT_EQ(decodeDeliver(whole + "FFFF")->text, "Hello world");
}

const std::string kReportStart = "07910407000000F0062E0B910407000000F1";

TEST(StatusReports, EachOutcomeWithItsText) {
    struct Case {
        std::string status;
        DeliveryStatus outcome;
        std::string text;
    };
    const Case cases[] = {
        {"00", DeliveryStatus::Delivered, "Short message received by the SME"},
        {"02", DeliveryStatus::Delivered, "Short message replaced by the SC"},
        {"1F", DeliveryStatus::Delivered, "Delivered (service centre specific status)"},
        {"21", DeliveryStatus::Pending, "SME busy"},
        {"30", DeliveryStatus::Pending, "Temporary error, still trying (service centre specific)"},
        {"41", DeliveryStatus::Failed, "Incompatible destination"},
        {"46", DeliveryStatus::Failed, "SM Validity Period Expired"},
        {"62", DeliveryStatus::Failed, "No response from SME"},
        {"6A", DeliveryStatus::Failed, "Temporary error, no more attempts (reserved status)"},
        {"80", DeliveryStatus::Failed, "Reserved status"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        const std::optional<StatusReport> report =
            decodeStatusReport(kReportStart + "21101231547500" + "21101231557580" + c.status);
        ASSERT_TRUE(report.has_value());
        EXPECT_EQ(report->serviceCentre, "+40700000000");
        EXPECT_EQ(report->messageReference, 46);
        EXPECT_EQ(report->recipient, "+40700000001");
        EXPECT_EQ(report->serviceCentreTime, "12/01/21,13:45:57+00");
        EXPECT_EQ(report->dischargeTime, "12/01/21,13:55:57+08");
        EXPECT_EQ(report->outcome, c.outcome);
        EXPECT_EQ(report->statusText, c.text);
        EXPECT_EQ(report->status, std::stoi(c.status, nullptr, 16));
    }
}

TEST(StatusReports, RefusesCutOrForeignUnitsAndSkipsOptionalFields) {
    const std::string whole = kReportStart + kDeliverStamp + kDeliverStamp + "00";
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        EXPECT_FALSE(decodeStatusReport(whole.substr(0, cut)).has_value()) << cut;
    }
    EXPECT_FALSE(decodeStatusReport(kDelivers[0].pdu).has_value());
    EXPECT_FALSE(decodeStatusReport(whole + "0").has_value());
    // Without a service centre, and with the parameter indicator and user data after
    // the status.
    const std::optional<StatusReport> report = decodeStatusReport(
        "00060B0B913316325476F8" + kDeliverStamp + kDeliverStamp + "0003000005E8329BFD06");
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->serviceCentre, "");
    EXPECT_EQ(report->messageReference, 11);
    EXPECT_EQ(report->recipient, "+33612345678");
    EXPECT_EQ(report->outcome, DeliveryStatus::Delivered);
}

}  // namespace
}  // namespace vorsa
