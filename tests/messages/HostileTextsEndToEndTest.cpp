// Texts anyone can send that read like modem output, end to end against the simulated
// modem in both modes: read, listed and delivered directly, each comes out whole, raises
// nothing else, and deletes nothing but itself. And events without delay: the port's input
// makes the message loop collect at once, with no polling tick.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/SimulatorComponent.h"

namespace vorsa::test {
namespace {

using ::testing::IsEmpty;

const std::vector<std::string> TextsLikeModemOutput = {
    "OK",
    "Fine, OK",
    "x\r\nOK\r\n",
    "> ",
    "+CMS ERROR: 500",
    "+CMTI: \"SM\",5",
    "+CMGS: 12",
    "+CMT: \"+40700000009\",,\"26/01/01,00:00:00+00\"",
    "+CMGL: 3,\"REC UNREAD\",\"+40700000009\",,\"26/01/01,00:00:00+00\"",
    "ERROR\r\nmore",
};

class HostileTexts : public SimulatorComponent, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        SimulatorComponent::SetUp();
        Vorsa->TextMode = TextMode();
        ASSERT_NO_FATAL_FAILURE(ConnectReady());
    }

    static bool TextMode() { return GetParam(); }

    // The text as the component gives it: text mode trims the end of a message, as it
    // always has.
    static std::string AsGiven(std::string Text) {
        while (TextMode() && !Text.empty() && static_cast<unsigned char>(Text.back()) <= 32) {
            Text.pop_back();
        }
        return Text;
    }
};

TEST_P(HostileTexts, ReadWholeAndDeleted) {
    std::vector<std::pair<std::string, std::string>> Stored;
    for (const std::string& Text : TextsLikeModemOutput) {
        SCOPED_TRACE(Text);
        const std::string Index = std::to_string(Deliver(FromNetwork(Text)).index);
        Stored.emplace_back("SM", Index);
        EXPECT_EQ(Vorsa->ReadSMS(Index),
                  "REC UNREAD," + HelloHeader + (TextMode() ? "\r\n" : "") + AsGiven(Text))
            << Modem->FormattedTranscript();
        EXPECT_TRUE(Modem->Storage().empty());
    }
    ProcessMessages();
    EXPECT_EQ(Events.Deleted.size(), TextsLikeModemOutput.size());
    EXPECT_EQ(Events.Notified, Stored) << "each stored message announced, and nothing else";
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(HostileTexts, ListedWholeAndDeleted) {
    std::vector<std::pair<std::string, std::string>> Stored;
    for (const std::string& Text : TextsLikeModemOutput) {
        Stored.emplace_back("SM", std::to_string(Deliver(FromNetwork(Text)).index));
    }
    Vorsa->DownloadSMS();
    ASSERT_TRUE(PumpUntil([&] { return Events.Received.size() >= TextsLikeModemOutput.size(); }))
        << Modem->FormattedTranscript();
    for (size_t I = 0; I < TextsLikeModemOutput.size(); ++I) {
        EXPECT_EQ(Events.Received[I].first, HelloHeader);
        EXPECT_EQ(Events.Received[I].second, AsGiven(TextsLikeModemOutput[I]));
    }
    EXPECT_EQ(Events.Received.size(), TextsLikeModemOutput.size());
    EXPECT_EQ(Events.Deleted.size(), TextsLikeModemOutput.size());
    EXPECT_TRUE(Modem->Storage().empty());
    EXPECT_EQ(Events.Notified, Stored) << "each stored message announced, and nothing else";
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(HostileTexts, DeliveredDirectlyWhole) {
    Vorsa->DirectForward = true;
    for (const std::string& Text : TextsLikeModemOutput) {
        Deliver(FromNetwork(Text));
        Tick();
        ASSERT_TRUE(PumpUntil([&] { return !Events.Received.empty(); }))
            << Modem->FormattedTranscript();
        EXPECT_EQ(Events.Received.front().second, AsGiven(Text));
        EXPECT_EQ(Events.Received.size(), 1u);
        Events.Received.clear();
    }
    EXPECT_THAT(Events.Notified, IsEmpty());
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// Reports that stall half way, one after another: none is dropped, none merged.
TEST_P(HostileTexts, StalledReportsAreNeitherDroppedNorMerged) {
    Vorsa->DirectForward = true;
    Modem->UpdateFaults([](sim::FaultSettings& F) { F.stallGap = sim::Millis(150); });
    for (const char* Text : {"stall A", "stall B", "stall C"}) {
        ASSERT_TRUE(Modem->Deliver(FromNetwork(Text)).accepted);
    }
    ASSERT_TRUE(PumpUntil([&] { return Events.Received.size() >= 3; }))
        << Modem->FormattedTranscript();
    EXPECT_EQ(Events.Received,
              (std::vector<std::pair<std::string, std::string>>{
                  {HelloHeader, "stall A"}, {HelloHeader, "stall B"}, {HelloHeader, "stall C"}}));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// With no polling tick to come, a message reaches the application as soon as the modem
// announces it: the port's input wakes the message loop.
TEST_P(HostileTexts, EventsComeWithoutAPollingTick) {
    Vorsa->PollingDelay = 3600;
    Vorsa->DisConnect();
    ASSERT_NO_FATAL_FAILURE(ConnectReady());
    for (const bool Direct : {false, true}) {
        SCOPED_TRACE(Direct ? "+CMT" : "+CMTI");
        Vorsa->DirectForward = Direct;
        Events.Clear();
        Deliver(FromNetwork("Now"));
        ASSERT_TRUE(PumpUntil([&] { return !Events.Notified.empty() || !Events.Received.empty(); },
                              std::chrono::seconds(5)))
            << Modem->FormattedTranscript();
        EXPECT_EQ(Direct ? Events.Received.size() : Events.Notified.size(), 1u);
    }
    EXPECT_THAT(Events.Errors, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(Modes, HostileTexts, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                             return Info.param ? "Text" : "Pdu";
                         });

}  // namespace
}  // namespace vorsa::test
