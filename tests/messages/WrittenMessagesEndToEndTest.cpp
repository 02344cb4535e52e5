// Messages as people write them, end to end against the simulated modem on a
// pseudo-terminal: every script and the lengths at the part limits go out with SendMessage
// to the modem's own number, the simulator's own codec reads each part, and they come back
// through "+CMTI:" as one whole message with the same text; and a status report for each
// outcome, by "+CDS:" and by "+CDSI:", in both modes, names the reference its send gave.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/SampleTexts.h"
#include "support/SimulatorComponent.h"

namespace vorsa::test {
namespace {

using ::testing::IsEmpty;

const std::string kOwnNumber = "+40700000077";

class WrittenMessages : public SimulatorComponent {
  protected:
    void SetUp() override {
        sim::ModemOptions Options;
        Options.ownNumber = kOwnNumber;
        Options.simCapacity = 255;
        Options.statusReports.delay = sim::Millis(50);
        Start(Options);
        Vorsa->TextMode = false;
        Vorsa->OnMessage = [this](TObject*, const SmsMessage& Message) {
            Messages.push_back(Message);
        };
        Vorsa->OnStatusReport = [this](TObject*, const StatusReport& Report) {
            Reports.push_back(Report);
        };
    }

    std::vector<SmsMessage> Messages;
    std::vector<StatusReport> Reports;
};

TEST_F(WrittenMessages, EveryScriptAndLengthGoesOutAndComesBackWhole) {
    ASSERT_NO_FATAL_FAILURE(ConnectReady());
    std::vector<interop::SampleText> Texts = interop::sampleTexts();
    for (const interop::SampleText& AtCut : interop::pairsAtTheCuts()) {
        Texts.push_back(AtCut);
    }
    for (const interop::SampleText& Sample : Texts) {
        SCOPED_TRACE(Sample.name);
        const size_t SentBefore = Modem->Outbox().size();
        Messages.clear();
        const TextSize Size = measureText(Sample.text);

        const SendResult Result = Vorsa->SendMessage(kOwnNumber, Sample.text);
        ASSERT_TRUE(Result.sent()) << Result.errorText;
        ASSERT_EQ(Result.parts, Size.parts);
        ASSERT_EQ(Result.references.size(), Size.parts);

        // What the simulator's own codec read from each part, in order, with the
        // reference it gave that part.
        ASSERT_TRUE(Modem->WaitForOutbox(SentBefore + Size.parts, Patience));
        const std::vector<sim::SentMessage> Outbox = Modem->Outbox();
        std::string Arrived;
        for (size_t I = 0; I < Size.parts; ++I) {
            Arrived += Outbox[SentBefore + I].text;
            EXPECT_EQ(Result.references[I], Outbox[SentBefore + I].reference);
        }
        EXPECT_EQ(Arrived, Sample.text);

        // The parts come back as stored messages and are put together again.
        Tick();
        ASSERT_TRUE(PumpUntil([&] { return !Messages.empty(); })) << Modem->FormattedTranscript();
        ASSERT_EQ(Messages.size(), 1u);
        EXPECT_EQ(Messages[0].text, Sample.text);
        EXPECT_EQ(Messages[0].sender, kOwnNumber);
        EXPECT_TRUE(Messages[0].complete);
        EXPECT_EQ(Messages[0].partsExpected, Size.parts);
        EXPECT_EQ(Messages[0].coding, Size.alphabet);
        ASSERT_TRUE(Modem->WaitUntil([&] { return Modem->Storage().empty(); }, Patience))
            << "every stored part is deleted once the message was handed over";
    }
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// Mode (text?), routing, and a TP-Status with the outcome it means.
using ReportCase = std::tuple<bool, StatusReportRouting, std::pair<uint8_t, DeliveryStatus>>;

class StatusReports : public WrittenMessages, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(StatusReports, EachOutcomeNamesTheReferenceOfItsSend) {
    const auto [TextMode, Routing, Meaning] = GetParam();
    const auto [Status, Outcome] = Meaning;
    Modem->SetStatusReports({sim::Millis(50), Status});
    Vorsa->TextMode = TextMode;
    Vorsa->StatusReports = Routing;
    ASSERT_NO_FATAL_FAILURE(ConnectReady());
    EXPECT_EQ(Modem->Settings().notifyStatus, Routing == StatusReportRouting::Direct ? 1 : 2);

    // A message sent without a report asks for none and gets none.
    const SendResult Quiet = Vorsa->SendMessage("+40700000001", "No report, please");
    ASSERT_TRUE(Quiet.sent()) << Quiet.errorText;

    SubmitOptions Asked;
    Asked.statusReport = true;
    // Text mode sends one part; PDU mode two, each with its own report.
    const std::string Text = TextMode ? "Did it arrive?" : std::string(200, 'r');
    const SendResult Result = Vorsa->SendMessage("+40700000001", Text, Asked);
    ASSERT_TRUE(Result.sent()) << Result.errorText;
    ASSERT_EQ(Result.references.size(), TextMode ? 1u : 2u);

    Tick();
    ASSERT_TRUE(PumpUntil([&] { return Reports.size() >= Result.references.size(); }))
        << Modem->FormattedTranscript();
    ASSERT_EQ(Reports.size(), Result.references.size());
    for (size_t I = 0; I < Reports.size(); ++I) {
        EXPECT_EQ(Reports[I].messageReference, Result.references[I]);
        EXPECT_EQ(Reports[I].status, Status);
        EXPECT_EQ(Reports[I].outcome, Outcome);
        EXPECT_EQ(Reports[I].recipient, "+40700000001");
        EXPECT_EQ(Reports[I].statusText, statusText(Status));
    }
    if (Routing == StatusReportRouting::Stored) {
        EXPECT_TRUE(Modem->WaitUntil([&] { return Modem->Storage().empty(); }, Patience))
            << "a stored report is deleted once raised";
    }
    EXPECT_THAT(Events.Errors, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    ModesRoutesAndOutcomes, StatusReports,
    ::testing::Combine(::testing::Bool(),
                       ::testing::Values(StatusReportRouting::Direct, StatusReportRouting::Stored),
                       ::testing::Values(std::pair(uint8_t{0x00}, DeliveryStatus::Delivered),
                                         std::pair(uint8_t{0x21}, DeliveryStatus::Pending),
                                         std::pair(uint8_t{0x41}, DeliveryStatus::Failed))),
    [](const auto& Info) {
        const uint8_t Status = std::get<2>(Info.param).first;
        return std::string(std::get<0>(Info.param) ? "Text" : "Pdu") +
               (std::get<1>(Info.param) == StatusReportRouting::Direct ? "Cds" : "Cdsi") +
               (Status == 0x00   ? "Delivered"
                : Status == 0x21 ? "Pending"
                                 : "Failed");
    });

}  // namespace
}  // namespace vorsa::test
