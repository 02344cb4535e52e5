// A modem that vanishes, end to end against the simulated modem behind a link that is
// removed and made again (as a USB modem that is unplugged and plugged back): the loss is
// reported once and the port closed; with AutoReconnect the component finds the modem
// again by itself and picks up what it stored meanwhile; DisConnect stops the search.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "component/WindowMessages.h"
#include "support/SimulatorComponent.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

class LinkRecovery : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        Modem.Start();
        Vorsa.Port = Link;
        Vorsa.Baud = 115200;
        Vorsa.ReadTimeout = 2;
        Vorsa.TextMode = GetParam();
        Vorsa.AutoReconnect = true;
        Vorsa.ReconnectMaxDelay = 1;
        Events.Attach(Vorsa);
        Vorsa.Connect();
        ASSERT_TRUE(Vorsa.Connected()) << Modem.FormattedTranscript();
        Events.Clear();
    }

    /// Pulls the modem out: the line hangs up and the link goes.
    void Unplug() {
        Modem.HangUp();
        ASSERT_TRUE(PumpUntil([&] { return !Vorsa.Connected(); }, std::chrono::seconds(10)));
        Modem.Stop();
    }

    const std::string Link = "/tmp/vorsa-link-test-" + std::to_string(::getpid());
    sim::SimulatedModem Modem{sim::ModemOptions{}, sim::ServerOptions{Link}};
    EventLog Events;
    TVorsa Vorsa{nullptr};
};

TEST_P(LinkRecovery, ALostModemIsFoundAgainAndWhatItStoredMeanwhileIsPickedUp) {
    ASSERT_NO_FATAL_FAILURE(Unplug());
    EXPECT_TRUE(Vorsa.Reconnecting());
    ASSERT_EQ(Events.Order, (std::vector<std::string>{"Disconnected", "Error -1"}));
    EXPECT_EQ(Events.Errors.front().Text.rfind("System Error ", 0), 0u);

    // Meanwhile a message arrives and is stored; then the modem comes back.
    ASSERT_TRUE(Modem.Deliver(FromNetwork("Meanwhile")).accepted);
    Modem.Start();
    ASSERT_TRUE(PumpUntil([&] { return !Events.Received.empty(); }, std::chrono::seconds(15)))
        << Modem.FormattedTranscript();
    EXPECT_TRUE(Vorsa.Connected());
    EXPECT_FALSE(Vorsa.Reconnecting());
    EXPECT_EQ(Events.Connects, 1);
    EXPECT_EQ(Events.Errors.size(), 1u) << "the failed attempts reported nothing";
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Meanwhile")));
    EXPECT_TRUE(PumpUntil([&] { return Modem.Storage().empty(); }));
}

TEST_P(LinkRecovery, DisconnectStopsTheSearch) {
    ASSERT_NO_FATAL_FAILURE(Unplug());
    Vorsa.DisConnect();
    EXPECT_FALSE(Vorsa.Reconnecting());
    EXPECT_FALSE(KillTimer(Vorsa.WindowHandle(), detail::ReconnectTimerId))
        << "no attempt is left to come";
    EXPECT_EQ(Events.Disconnects, 1) << "the loss was announced once";
}

INSTANTIATE_TEST_SUITE_P(Modes, LinkRecovery, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                             return Info.param ? "Text" : "Pdu";
                         });

}  // namespace
}  // namespace vorsa::test
