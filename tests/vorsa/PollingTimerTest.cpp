// The polling timer: Connect starts it on the hidden window, DisConnect leaves it running,
// and its tick sends "AT" when two or more bytes wait, so that reports arriving between the
// application's commands are collected. The timer runs on real time: these tests wait for
// the tick with a generous deadline.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "vorsa/VorsaBench.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;

// Runs the message loop until Done holds or the deadline passes; gives Done().
bool PumpUntil(const std::function<bool()>& Done,
               std::chrono::milliseconds Deadline = std::chrono::seconds(20)) {
    const auto Until = std::chrono::steady_clock::now() + Deadline;
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= Until) {
            return false;
        }
        (void)HandleMessage(100);
    }
    return true;
}

TMessage Tick() {
    return TMessage{WM_TIMER, 1, 0, 0};
}

TEST(PollingTimer, ConnectStartsTimerOneAndDisConnectLeavesItRunning) {
    VorsaBench Bench;
    Bench.Modem.ActLikeReadyModem();
    WindowStandIn StandIn(Bench.Vorsa);
    Bench.Vorsa.Connect();
    ASSERT_TRUE(Bench.Vorsa.Connected());

    ASSERT_TRUE(PumpUntil([&] { return !StandIn.Window.Received.empty(); }));
    EXPECT_EQ(StandIn.Window.Received[0].Msg, WM_TIMER);
    EXPECT_EQ(StandIn.Window.Received[0].WParam, 1u);

    Bench.Vorsa.DisConnect();
    StandIn.Window.Received.clear();
    ASSERT_TRUE(PumpUntil([&] { return !StandIn.Window.Received.empty(); }))
        << "still ticking with the port closed";
    EXPECT_EQ(StandIn.Window.Received[0].Msg, WM_TIMER);
}

TEST(PollingTimer, ATickCollectsAReportThatArrivedBetweenCommands) {
    VorsaBench Bench;
    Bench.Modem.ActLikeReadyModem();
    Bench.Vorsa.Connect();
    ASSERT_TRUE(Bench.Vorsa.Connected());
    Bench.Modem.ClearLines();

    Bench.Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n");
    ASSERT_TRUE(PumpUntil([&] { return Bench.Modem.CountOfLine("AT") == 1; }));
    EXPECT_EQ(Bench.Vorsa.NotifyQueue.Count(), 1);
    EXPECT_EQ(Bench.Vorsa.NotifyQueue[0], "+CMTI: \"SM\",3");
    EXPECT_TRUE(Bench.Reports.empty());
}

TEST(PollingTimer, ATickSendsATOnlyForTwoOrMoreWaitingBytes) {
    VorsaBench Bench;
    Bench.OpenPortOnly();

    TMessage M = Tick();
    Bench.Vorsa.TimerWndProc(M);
    Bench.Modem.Arrive("x");
    Bench.Vorsa.TimerWndProc(M);
    EXPECT_TRUE(Bench.Modem.Lines().empty()) << "nothing or one byte waiting";
    EXPECT_EQ(Bench.Modem.CountOf(Call::ClearCommError), 2u) << "one status query a tick";

    Bench.Modem.Arrive("\r\n+CMGS: 45\r\n");
    TMessage Other{WM_TIMER, 99, 0, 0};  // the timer's identifier is not examined
    Bench.Vorsa.TimerWndProc(Other);
    EXPECT_EQ(Bench.Modem.Lines(), std::vector<std::string>{"AT"});
    EXPECT_EQ(Bench.Vorsa.SentQueue.Count(), 1);
    EXPECT_EQ(Bench.Vorsa.SentQueue[0], "+CMGS: 45");
}

TEST(PollingTimer, ATickDuringAnExchangeDoesNothing) {
    VorsaBench Bench;
    Bench.OpenPortOnly();
    Bench.Modem.Arrive("\r\n+CMTI: \"SM\",1\r\n");
    Bench.Vorsa.Busy = true;
    TMessage M = Tick();
    Bench.Vorsa.TimerWndProc(M);
    Bench.Vorsa.Busy = false;
    EXPECT_TRUE(Bench.Modem.Lines().empty());
    EXPECT_EQ(Bench.Modem.CountOf(Call::ClearCommError), 0u) << "not even a status query";
}

TEST(PollingTimer, WithThePortClosedEveryMessageGoesToTheDefaultProcedure) {
    VorsaBench Bench;
    Bench.Modem.Arrive("\r\n+CMTI: \"SM\",1\r\n");
    for (const uint32_t Msg : {WM_TIMER, WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_USER + 9}) {
        TMessage M{Msg, 1, 2, 77};
        Bench.Vorsa.TimerWndProc(M);
        EXPECT_EQ(M.Result, 0) << Msg << ": the default procedure's result is stored";
    }
    EXPECT_TRUE(Bench.Modem.Log().empty());
    EXPECT_TRUE(Bench.Reports.empty());
}

}  // namespace
}  // namespace vorsa::test
