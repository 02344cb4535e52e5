// The command channel and the set-up dialogue against the simulated modem on a real
// pseudo-terminal, on the real clock: the bytes on the line, the modem's settings after
// Connect, reports cut out of real replies, and the ways Connect gives up.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/SimulatorComponent.h"

namespace vorsa::test {
namespace {

using Lines = std::vector<std::string>;

using OverPty = SimulatorComponent;

TEST_F(OverPty, DefaultConnectWritesTheDialogueAndSetsTheModemUp) {
    Vorsa->Connect();
    EXPECT_TRUE(Vorsa->Connected());
    EXPECT_EQ(WrittenSince(),
              "ATZ\r\nATE0&S0\r\nAT+CPAS\r\nAT+CPIN?\r\nAT+CPMS=\"SM\",\"SM\",\"SM\"\r\n"
              "AT+CNMI=2,1,0,0,0\r\nAT+CMGF=1\r\n")
        << Modem->FormattedTranscript();
    EXPECT_EQ(Modem->CommandLines(), DefaultDialogue);
    EXPECT_EQ(Events.Order, Lines{"Connected"});

    const sim::ModemSettings S = Modem->Settings();
    EXPECT_FALSE(S.echo);
    EXPECT_TRUE(S.textMode);
    EXPECT_EQ(S.notifyMode, 2);
    EXPECT_EQ(S.notifyDeliver, 1);
    EXPECT_EQ(S.readMemory, "SM");

    // Connected already: nothing goes out, nothing is raised.
    const std::string Before = WrittenSince();
    Vorsa->Connect();
    EXPECT_EQ(WrittenSince(), Before);
    EXPECT_EQ(Events.Connects, 1);

    // DisConnect raises OnDisconnect once; Reset on the closed component is a Connect.
    Vorsa->DisConnect();
    Vorsa->DisConnect();
    EXPECT_EQ(Events.Disconnects, 1);
    Vorsa->Reset();
    EXPECT_EQ(Events.Order, (Lines{"Connected", "Disconnected", "Connected"}));
    EXPECT_EQ(CommandsSince(DefaultDialogue.size()), DefaultDialogue);
}

TEST_F(OverPty, ChangedPropertiesReachTheModem) {
    Vorsa->SMSCenter = "+40700000009";
    Vorsa->StorageString = "\"ME\",\"ME\",\"ME\"";
    Vorsa->InitString1 = "";
    Vorsa->InitString2 = "ATE0";
    Vorsa->InitString3 = "AT+CMEE=0";
    Vorsa->DirectForward = true;  // closed: nothing is sent
    EXPECT_TRUE(Modem->CommandLines().empty());
    Vorsa->TextMode = false;
    Vorsa->Connect();
    EXPECT_EQ(Modem->CommandLines(),
              (Lines{"ATE0", "AT+CMEE=0", "AT+CPAS", "AT+CPIN?", "AT+CPMS=\"ME\",\"ME\",\"ME\"",
                     "AT+CSCA=\"+40700000009\"", "AT+CNMI=2,2,0,0,0", "AT+CMGF=0"}))
        << Modem->FormattedTranscript();
    EXPECT_EQ(Events.Connects, 1);
    const sim::ModemSettings S = Modem->Settings();
    EXPECT_EQ(S.serviceCentre, "+40700000009");
    EXPECT_EQ(S.notifyDeliver, 2);
    EXPECT_FALSE(S.textMode);
    EXPECT_EQ(S.readMemory, "ME");
}

TEST_F(OverPty, DirectForwardWhileConnectedSwitchesTheRoutingAtOnce) {
    ConnectReady();
    Vorsa->DirectForward = true;
    EXPECT_EQ(Modem->Settings().notifyDeliver, 2);
    Vorsa->DirectForward = true;
    Vorsa->DirectForward = false;
    EXPECT_EQ(Modem->Settings().notifyDeliver, 1);
    const Lines All = Modem->CommandLines();
    EXPECT_EQ(Lines(All.end() - 3, All.end()),
              (Lines{"AT+CNMI=2,2,0,0,0", "AT+CNMI=2,2,0,0,0", "AT+CNMI=2,1,0,0,0"}));
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(OverPty, ASimWithAPinGetsItAndARefusedPinDisconnects) {
    sim::ModemOptions Options;
    Options.pinRequired = true;
    Options.pin = "1234";
    Restart(Options);
    Vorsa->PIN = "1234";
    Vorsa->Connect();
    EXPECT_TRUE(Vorsa->Connected()) << Modem->FormattedTranscript();
    EXPECT_EQ(Modem->Settings().simState, "READY");
    const Lines All = Modem->CommandLines();
    ASSERT_GE(All.size(), 5u);
    EXPECT_EQ(All[3], "AT+CPIN?");
    EXPECT_EQ(All[4], "AT+CPIN=\"1234\"");
    EXPECT_EQ(Events.Connects, 1);

    Restart(Options);  // the PIN is asked again; now the component has none
    Vorsa->Connect();
    EXPECT_EQ(Modem->CommandLines(),
              (Lines{"ATZ", "ATE0&S0", "AT+CPAS", "AT+CPIN?", "AT+CPIN=\"\""}));
    EXPECT_EQ(Events.Errors, (ErrorReports{Catalogued(ErrModemError), Catalogued(ErrPinRefused)}));
    EXPECT_FALSE(Vorsa->Connected());
    EXPECT_EQ(Events.Disconnects, 1);
    EXPECT_EQ(Events.Connects, 0);
}

TEST_F(OverPty, AModemThatNeverAnswersFailsAfterThreeTimeOuts) {
    Vorsa->ReadTimeout = 1;
    Modem->UpdateFaults([](sim::FaultSettings& F) { F.ignoreNextCommands = 100; });
    Vorsa->Connect();
    EXPECT_EQ(Modem->CommandLines(), (Lines{"ATZ", "ATE0&S0", "AT+CPAS"}));
    EXPECT_EQ(Events.Errors,
              (ErrorReports{Catalogued(ErrReadTimeout), Catalogued(ErrReadTimeout),
                            Catalogued(ErrReadTimeout), Catalogued(ErrNotConnected)}));
    EXPECT_FALSE(Vorsa->Connected());
    EXPECT_EQ(Events.Disconnects, 1);
}

TEST_F(OverPty, TheDefaultHandlerEndsConnectWithThePortOpen) {
    Events.Raise = true;
    Modem->UpdateFaults([](sim::FaultSettings& F) { F.failingCommands["+CPAS"] = "ERROR"; });
    const Lines UpToTheRefusal{"ATZ", "ATE0&S0", "AT+CPAS"};
    EXPECT_EQ(RaisedText([&] { Vorsa->Connect(); }), "1001: System Error.");
    EXPECT_TRUE(Vorsa->Connected());
    EXPECT_EQ(Events.Disconnects, 0);
    EXPECT_EQ(Modem->CommandLines(), UpToTheRefusal);

    Vorsa->Connect();
    EXPECT_EQ(Modem->CommandLines(), UpToTheRefusal) << "a later Connect does nothing";

    Modem->ClearFaults();
    Vorsa->Reset();
    EXPECT_EQ(Events.Disconnects, 1);
    EXPECT_EQ(Events.Connects, 1);
    EXPECT_TRUE(Vorsa->Connected());
}

TEST_F(OverPty, AStoredMessageIsAnnouncedByACutOutReport) {
    ConnectReady();
    WindowStandIn StandIn(*Vorsa);
    const sim::DeliveryResult Delivery = Modem->Deliver(FromNetwork("Hello", "+40700000001"));
    ASSERT_TRUE(Delivery.accepted);
    ASSERT_EQ(Delivery.memory, "SM");
    WaitForModemOutput("+CMTI: \"SM\",1");

    EXPECT_EQ(Vorsa->SendSMSCommand("AT"), "OK");
    EXPECT_EQ(Entries(Vorsa->NotifyQueue), Lines{"+CMTI: \"SM\",1"});
    EXPECT_TRUE(StandIn.Window.Received.empty());
    ProcessMessages();
    EXPECT_EQ(StandIn.Window.Numbers(), std::vector<uint32_t>{WM_USER + 1});
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(OverPty, ADirectlyDeliveredMessageIsCutOutWithoutTheFinalResult) {
    ConnectReady();
    Vorsa->DirectForward = true;
    ASSERT_TRUE(Modem->Deliver(FromNetwork("Hello", "+40700000001")).accepted);
    WaitForModemOutput("Hello");

    EXPECT_EQ(Vorsa->SendSMSCommand("AT"), "OK");
    ASSERT_EQ(Vorsa->ReceiveQueue.Count(), 1);
    const std::string Entry = Vorsa->ReceiveQueue[0];
    EXPECT_TRUE(startWith(Entry, "+CMT: \"+40700000001\",")) << Entry;
    EXPECT_TRUE(endWith(Entry, "\r\nHello")) << "the final OK stays with the reply: " << Entry;
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(OverPty, ReportsOfEveryKindAreCutOutOfOneReply) {
    ConnectReady();
    WindowStandIn StandIn(*Vorsa);
    const std::string Raw = "\r\n+CMTI: \"SM\",3\r\n\r\n+CMGS: 12\r\n\r\n+CBMI: \"BM\",5\r\n";
    Modem->SendRaw(Raw);
    WaitForModemOutput(Raw);

    EXPECT_TRUE(endWith(Vorsa->SendSMSCommand("AT"), "OK"));
    EXPECT_EQ(Entries(Vorsa->NotifyQueue), (Lines{"+CMTI: \"SM\",3", "+CBMI: \"BM\",5"}));
    EXPECT_EQ(Entries(Vorsa->SentQueue), Lines{"+CMGS: 12"});
    ProcessMessages();
    EXPECT_EQ(StandIn.Window.Numbers(),
              (std::vector<uint32_t>{WM_USER + 1, WM_USER + 1, WM_USER + 2}))
        << "the broadcast report, a second of its queue's kind, is announced too";
}

TEST_F(OverPty, ModemErrorsAreLatchedAndReported) {
    ConnectReady();
    std::string Reply;
    for (const auto& [Answer, Report] :
         {std::pair{"+CMS ERROR: 500", ErrorReport{500, "Unknown error"}},
          std::pair{"ERROR", Catalogued(ErrModemError)}}) {
        Events.Clear();
        const std::string Failure = Answer;
        Modem->UpdateFaults([&](sim::FaultSettings& F) { F.failingCommands["+CSQ"] = Failure; });
        EXPECT_FALSE(Vorsa->SendCommand("AT+CSQ", Reply));
        EXPECT_EQ(Reply, Failure);
        EXPECT_EQ(Events.Errors, ErrorReports{Report});
        EXPECT_FALSE(Vorsa->IsBusy());
    }
}

TEST_F(OverPty, StatusQueriesReadTheModemsAnswers) {
    sim::ModemOptions Options;
    Options.signalQuality = 15;
    Restart(Options);
    ConnectReady();
    EXPECT_EQ(Vorsa->GetState(), 0);
    EXPECT_EQ(Vorsa->GetField(), -83);
    Modem->UpdateFaults([](sim::FaultSettings& F) { F.activityStatus = 3; });
    EXPECT_EQ(Vorsa->GetState(), 3);
    Modem->UpdateFaults([](sim::FaultSettings& F) {
        F.failingCommands["+CSQ"] = "ERROR";
        F.failingCommands["+CPAS"] = "ERROR";
    });
    EXPECT_EQ(Vorsa->GetField(), 0);
    EXPECT_EQ(Vorsa->GetState(), -1);
    EXPECT_EQ(Events.Errors, (ErrorReports{Catalogued(ErrModemError), Catalogued(ErrModemError)}));
}

// A modem that hangs up ends the exchange at once, with one report of the system error,
// and the component closes the port (nothing would ever come through it again).
TEST_F(OverPty, AHungUpModemEndsTheExchangeAtOnceWithOneReport) {
    ConnectReady();
    Vorsa->ReadTimeout = 10;
    Modem->HangUp();
    std::string Reply;
    const auto Start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Vorsa->SendCommand("AT", Reply));
    EXPECT_LT(std::chrono::steady_clock::now() - Start, std::chrono::seconds(5))
        << "no waiting for the reply time-out";
    ASSERT_EQ(Events.Errors.size(), 1u);
    EXPECT_EQ(Events.Errors[0].Code, -1);
    EXPECT_TRUE(startWith(Events.Errors[0].Text, "System Error ")) << Events.Errors[0].Text;
    EXPECT_NE(Events.Errors[0].Text, "System Error 0");
    EXPECT_FALSE(Vorsa->Connected());
    EXPECT_EQ(Events.Order, (Lines{"Disconnected", "Error -1"}));
    EXPECT_FALSE(Vorsa->IsBusy());
}

TEST_F(OverPty, ThePollingTimerCollectsAReportBetweenCommands) {
    ConnectReady();
    const std::string Before = WrittenSince();
    WindowStandIn StandIn(*Vorsa);  // keeps the announcement from taking the entry
    ASSERT_TRUE(Modem->Deliver(FromNetwork("Hello", "+40700000001")).accepted);
    ASSERT_TRUE(PumpUntil([&] { return Vorsa->NotifyQueue.Count() == 1; }))
        << Modem->FormattedTranscript();
    EXPECT_EQ(Vorsa->NotifyQueue[0], "+CMTI: \"SM\",1");
    EXPECT_EQ(WrittenSince(), Before + "AT\r\n") << "the tick sent a bare AT";
    EXPECT_TRUE(Events.Errors.empty());
}

}  // namespace
}  // namespace vorsa::test
