// The codec against libgammu, an SMS stack written by others: libgammu reads the units
// the library writes back to the same text, and reads the same text as the library from
// SMS-DELIVER units made by the simulator and written by hand.
#include <gammu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/SampleTexts.h"
#include "vorsa/PDU.h"
#include "vorsa/sim/Hex.h"
#include "vorsa/sim/MessageParts.h"
#include "vorsa/sim/ModemEngine.h"
#include "vorsa/sim/StatusReportPdu.h"

namespace vorsa::interop {
namespace {

// What libgammu reads from one PDU (service-centre part first).
struct GammuMessage {
    GSM_SMSMessageType type = SMS_Deliver;
    std::string text;    // UTF-8
    std::string number;  // sender, recipient
    int partNumber = 0;  // 0 when the unit is not part of a long message
    int allParts = 0;
    int messageReference = 0;
    int deliveryStatus = 0;
};

std::string utf8Of(const unsigned char* gammuText) {
    // libgammu's text is big-endian UTF-16 ending in a zero unit; UTF-8 takes at most
    // three bytes a unit.
    std::vector<char> utf8(3 * (UnicodeLength(gammuText) + 1) + 1, '\0');
    EncodeUTF8(utf8.data(), gammuText);
    return utf8.data();
}

std::optional<GammuMessage> gammuReads(const std::string& hex) {
    const std::optional<sim::Octets> octets = sim::FromHex(hex);
    if (!octets) {
        return std::nullopt;
    }
    auto sms = std::make_unique<GSM_SMSMessage>();
    GSM_SetDefaultSMSData(sms.get());
    size_t end = 0;
    if (GSM_DecodePDUFrame(GSM_GetGlobalDebug(), sms.get(), octets->data(), octets->size(), &end,
                           TRUE) != ERR_NONE) {
        return std::nullopt;
    }
    GammuMessage message;
    message.type = sms->PDU;
    message.text = utf8Of(sms->Text);
    message.number = utf8Of(sms->Number);
    if (sms->UDH.Type != UDH_NoUDH) {
        message.partNumber = sms->UDH.PartNumber;
        message.allParts = sms->UDH.AllParts;
    }
    message.messageReference = sms->MessageReference;
    message.deliveryStatus = sms->DeliveryStatus;
    return message;
}

TEST(GammuReadsTheLibrary, LongUnicodeTextsComeBackWhole) {
    for (const SampleText& sample : sampleTexts()) {
        SCOPED_TRACE(sample.name);
        const SubmitEncoding encoding =
            encodeSubmitParts("+40700000000", "+40700000001", sample.text, {}, 0x77);
        ASSERT_EQ(encoding.error, SubmitError::None);
        std::vector<std::pair<int, std::string>> parts;
        for (const SubmitPart& part : encoding.parts) {
            const std::optional<GammuMessage> read = gammuReads(part.pdu);
            ASSERT_TRUE(read.has_value()) << part.pdu;
            EXPECT_EQ(read->type, SMS_Submit);
            EXPECT_EQ(read->number, "+40700000001");
            if (encoding.parts.size() > 1) {
                EXPECT_EQ(read->allParts, part.total);
                EXPECT_EQ(read->partNumber, part.sequence);
            }
            parts.emplace_back(read->partNumber, read->text);
        }
        std::sort(parts.begin(), parts.end());
        std::string text;
        for (const auto& [number, piece] : parts) {
            text += piece;
        }
        EXPECT_EQ(text, sample.text);
    }
}

// SMS-DELIVER units from the simulator (its own encoder): one a sample, each part of
// the long ones, and from an alphanumeric sender.
std::vector<std::string> simulatorDelivers() {
    sim::ModemOptions options;
    options.simCapacity = 1000;
    sim::ModemEngine engine(options);
    std::vector<std::string> pdus;
    std::vector<SampleText> samples = sampleTexts();
    samples.push_back({"alphanumeric sender", "Your code is 1234"});
    for (const SampleText& sample : samples) {
        sim::IncomingMessage message;
        message.from = sample.name == std::string("alphanumeric sender") ? "InfoSMS" : "+4412345";
        message.alphanumericSender = message.from == "InfoSMS";
        message.text = sample.text;
        for (const sim::IncomingMessage& part : sim::SplitIncoming(message, 0x42)) {
            pdus.push_back(engine.Deliver(part, sim::Millis(0)).pdu);
        }
    }
    return pdus;
}

TEST(GammuAndTheLibraryReadAlike, DeliverUnits) {
    std::vector<std::string> pdus = simulatorDelivers();
    // Written by hand: a Belgian message with "è ä £", a 16-bit reference, and extension
    // characters with a Greek capital from a national number.
    pdus.push_back(
        "07912394210000F0040B912374619800F500004210622154604008"
        "04D01E1400BDD7");
    pdus.push_back("00400B913316325476F80000211012315475401006080412340201F0B09C0EA2DFDF");
    pdus.push_back(
        "000409A107000000F000002110123154750009"
        "1BCA8607D994373E");
    for (const std::string& pdu : pdus) {
        SCOPED_TRACE(pdu);
        const std::optional<DeliverMessage> library = decodeDeliver(pdu);
        const std::optional<GammuMessage> gammu = gammuReads(pdu);
        ASSERT_TRUE(library.has_value());
        ASSERT_TRUE(gammu.has_value());
        EXPECT_EQ(gammu->type, SMS_Deliver);
        EXPECT_EQ(library->text, gammu->text);
        if (library->senderType == 0x91 || library->senderType == 0xD0) {
            EXPECT_EQ(library->sender, gammu->number);
        }
        if (library->concat) {
            EXPECT_EQ(library->concat->sequence, gammu->partNumber);
            EXPECT_EQ(library->concat->total, gammu->allParts);
        } else {
            EXPECT_EQ(gammu->allParts, 0);
        }
    }
}

TEST(GammuAndTheLibraryReadAlike, StatusReports) {
    for (const uint8_t status : {sim::kStatusDelivered, sim::kStatusPending, sim::kStatusFailed}) {
        sim::StatusReportPdu report;
        report.serviceCentre = sim::AddressFromText("+40700000000");
        report.messageReference = 0x9C;
        report.recipient = sim::AddressFromText("+40700000001");
        report.serviceCentreTime = sim::TimeStamp::Parse("24/06/17,15:00:00+08").value();
        report.dischargeTime = sim::TimeStamp::Parse("24/06/17,15:00:05+08").value();
        report.status = status;
        const std::string pdu = sim::ToHex(report.Encode().value());
        const std::optional<StatusReport> library = decodeStatusReport(pdu);
        const std::optional<GammuMessage> gammu = gammuReads(pdu);
        ASSERT_TRUE(library.has_value());
        ASSERT_TRUE(gammu.has_value());
        EXPECT_EQ(gammu->type, SMS_Status_Report);
        EXPECT_EQ(library->messageReference, gammu->messageReference);
        EXPECT_EQ(library->status, gammu->deliveryStatus);
        EXPECT_EQ(library->recipient, gammu->number);
    }
}

}  // namespace
}  // namespace vorsa::interop
