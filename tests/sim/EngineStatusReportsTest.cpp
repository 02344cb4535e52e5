// Status reports: a send that asks for one is answered after the set delay with the set
// status, routed as AT+CNMI <ds> says: "+CDS:" at once, or stored and "+CDSI:".
#include <gtest/gtest.h>

#include <regex>

#include "EngineTerminal.h"
#include "HelloMessage.h"
#include "vorsa/sim/StatusReportPdu.h"

namespace vorsa::sim {
namespace {

using EngineStatusReports = QuietEngine;

// kHelloSubmit with first octet 21: a status report is asked for.
constexpr char kReportedSubmit[] = "0021000B910407000000F000F105E8329BFD06";
constexpr char kSent[] = "\r\n+CMGS: 1\r\n\r\nOK\r\n";
const Millis kDelay = StatusReportSettings{}.delay;

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}
bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The PDU of a "+CDS: 25" report on its own.
std::string CdsPdu(const std::string& output) {
    const std::string start = "\r\n+CDS: 25\r\n";
    EXPECT_TRUE(StartsWith(output, start) && EndsWith(output, "\r\n")) << Printable(output);
    return output.size() < start.size() + 2
               ? std::string()
               : output.substr(start.size(), output.size() - start.size() - 2);
}

StatusReportPdu DecodeReport(const std::string& hex) {
    std::string error;
    std::optional<StatusReportPdu> report = StatusReportPdu::Decode(FromHex(hex).value(), &error);
    EXPECT_TRUE(report.has_value()) << error;
    return report.value_or(StatusReportPdu{});
}

TEST_F(EngineStatusReports, PduModeReportComesAfterTheDelay) {
    ASSERT_EQ(t.Command("AT+CNMI=2,1,0,1,0"), kOk);
    EXPECT_EQ(t.Enter("AT+CMGS=18", kReportedSubmit), kSent);
    EXPECT_EQ(t.Advance(kDelay - Millis(1)), "");
    const StatusReportPdu report = DecodeReport(CdsPdu(t.Advance(Millis(1))));
    EXPECT_EQ(report.FirstOctet(), 0x06);
    EXPECT_EQ(report.messageReference, 1);
    EXPECT_EQ(report.recipient, AddressFromText("+40700000000"));
    EXPECT_EQ(report.serviceCentre, AddressFromText("+40700000000"));
    EXPECT_EQ(report.status, kStatusDelivered);
    EXPECT_EQ(t.Advance(kDelay), "") << "one report a send";
}

TEST_F(EngineStatusReports, TextModeAsksWithCsmpAndGetsOneLine) {
    t.ExpectAnswers({{"AT+CMGF=1", kOk}, {"AT+CNMI=2,1,0,1,0", kOk}, {"AT+CSMP=49,167,0,0", kOk}});
    EXPECT_EQ(t.Enter("AT+CMGS=\"+40700000001\"", "hi"), kSent);
    const std::string output = t.Advance(kDelay);
    const std::regex shape(
        "\r\n\\+CDS: "
        "6,1,\"\\+40700000001\",145,\"\\d\\d/\\d\\d/\\d\\d,\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d\","
        "\"\\d\\d/\\d\\d/\\d\\d,\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d\",0\r\n");
    EXPECT_TRUE(std::regex_match(output, shape)) << Printable(output);
    // Without the request bit nothing comes back.
    t.Command("AT+CSMP=17,167,0,0");
    EXPECT_EQ(t.Enter("AT+CMGS=\"+40700000001\"", "hi"), "\r\n+CMGS: 2\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Advance(kDelay), "");
}

TEST_F(EngineStatusReports, StoredReportsAreAnnouncedAndReadable) {
    ASSERT_EQ(t.Command("AT+CNMI=2,1,0,2,0"), kOk);
    EXPECT_EQ(t.Enter("AT+CMGS=18", kReportedSubmit), kSent);
    EXPECT_EQ(t.Advance(kDelay), "\r\n+CDSI: \"SM\",1\r\n");
    std::vector<StoredMessage> stored = t.engine.Storage();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].text, "status report on reference 1: status 0");
    EXPECT_EQ(t.Command("AT+CMGR=1"), Answer("+CMGR: 0,,25\r\n" + stored[0].pdu));
    EXPECT_EQ(DecodeReport(stored[0].pdu).messageReference, 1);
    t.Command("AT+CMGF=1");
    const std::string read = t.Command("AT+CMGR=1");
    EXPECT_TRUE(StartsWith(read, "\r\n+CMGR: \"REC READ\",6,1,\"+40700000000\",145,\""))
        << Printable(read);
    EXPECT_TRUE(EndsWith(read, "\",0\r\n\r\nOK\r\n")) << Printable(read);
    const std::string listed = t.Command("AT+CMGL=\"ALL\"");
    EXPECT_TRUE(StartsWith(listed, "\r\n+CMGL: 1,\"REC READ\",6,1,\"+40700000000\",145,\""))
        << Printable(listed);
}

TEST_F(EngineStatusReports, DelayAndOutcomeAreSetAndNoRouteMeansNoReport) {
    t.engine.SetStatusReports({Millis(500), kStatusFailed});
    ASSERT_EQ(t.Command("AT+CNMI=2,1,0,1,0"), kOk);
    EXPECT_EQ(t.Enter("AT+CMGS=18", kReportedSubmit), kSent);
    EXPECT_EQ(t.engine.NextOutputTime(), t.now + Millis(500));
    EXPECT_EQ(DecodeReport(CdsPdu(t.Advance(Millis(500)))).status, kStatusFailed);

    ASSERT_EQ(t.Command("AT+CNMI=2,1,0,0,0"), kOk);
    EXPECT_EQ(t.Enter("AT+CMGS=18", kReportedSubmit), "\r\n+CMGS: 2\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Advance(Millis(500)), "");
    EXPECT_TRUE(t.engine.Storage().empty());
    EXPECT_FALSE(t.engine.NextOutputTime().has_value());
}

TEST(StatusReportUnits, WrittenAndReadBack) {
    StatusReportPdu report;
    report.serviceCentre = AddressFromText("+40700000000");
    report.messageReference = 46;
    report.recipient = AddressFromText("+40700000001");
    report.serviceCentreTime = TimeStamp::Parse("12/01/21,13:45:57+00").value();
    report.dischargeTime = TimeStamp::Parse("12/01/21,13:55:57+08").value();
    report.status = kStatusPending;
    const std::string hex = ToHex(report.Encode().value());
    EXPECT_EQ(hex, "07910407000000F0062E0B910407000000F1211012315475002110123155758021");
    const StatusReportPdu again = DecodeReport(hex + "00");  // a parameter indicator after
    EXPECT_EQ(again.recipient, report.recipient);
    EXPECT_EQ(again.dischargeTime, report.dischargeTime);
    EXPECT_EQ(again.status, kStatusPending);
    EXPECT_FALSE(StatusReportPdu::Decode(FromHex(hex.substr(0, hex.size() - 2)).value(), nullptr));
    EXPECT_FALSE(StatusReportPdu::Decode(FromHex(kHelloPdu).value(), nullptr));
}

}  // namespace
}  // namespace vorsa::sim
