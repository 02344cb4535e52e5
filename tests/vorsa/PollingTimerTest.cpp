// The polling timer on real time: Connect starts it on the hidden window, DisConnect leaves
// it running, and its tick collects reports that arrive between the application's
// commands. These tests wait for the tick with a generous deadline. What one tick does is
// tested tick by tick with the rest of the hidden window.
#include <gtest/gtest.h>

#include "support/RecordingWindow.h"
#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

class PollingTimer : public ScriptedComponent {
  protected:
    void SetUp() override { Modem.ActLikeReadyModem(); }
};

TEST_F(PollingTimer, ConnectStartsTimerOneAndDisConnectLeavesItRunning) {
    WindowStandIn StandIn(Vorsa);
    Vorsa.Connect();
    ASSERT_TRUE(Vorsa.Connected());

    ASSERT_TRUE(PumpUntil([&] { return !StandIn.Window.Received.empty(); }));
    EXPECT_EQ(StandIn.Window.Received[0].Msg, WM_TIMER);
    EXPECT_EQ(StandIn.Window.Received[0].WParam, 1u);

    Vorsa.DisConnect();
    StandIn.Window.Received.clear();
    ASSERT_TRUE(PumpUntil([&] { return !StandIn.Window.Received.empty(); }))
        << "still ticking with the port closed";
    EXPECT_EQ(StandIn.Window.Received[0].Msg, WM_TIMER);
}

TEST_F(PollingTimer, ATickCollectsAReportThatArrivedBetweenCommands) {
    Vorsa.Connect();
    ASSERT_TRUE(Vorsa.Connected());
    Forget();

    Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n");
    ASSERT_TRUE(PumpUntil([&] { return Modem.CountOfLine("AT") == 1; }));
    EXPECT_EQ(Entries(Vorsa.NotifyQueue), std::vector<std::string>{"+CMTI: \"SM\",3"});
    ASSERT_TRUE(PumpUntil([&] { return !Events.Notified.empty(); }));
    EXPECT_EQ(Modem.Lines(), std::vector<std::string>{"AT"});
    EXPECT_EQ(Events.Notified, (std::vector<std::pair<std::string, std::string>>{{"SM", "3"}}));
    EXPECT_TRUE(Events.Errors.empty());
}

}  // namespace
}  // namespace vorsa::test
