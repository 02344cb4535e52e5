// The command channel and the set-up dialogue against the simulated modem on a real
// pseudo-terminal, on the real clock: the bytes on the line, the modem's settings after
// Connect, reports cut out of real replies, and the ways Connect gives up. The line runs
// at 115200 baud so that the pauses are short; every wait is for an event, with a
// generous deadline.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vorsa/VorsaBench.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::test {
namespace {

using Lines = std::vector<std::string>;
using ReportList = std::vector<ErrorReport>;
using namespace std::chrono_literals;

const Lines DefaultDialogue = {"ATZ",
                               "ATE0&S0",
                               "AT+CPAS",
                               "AT+CPIN?",
                               "AT+CPMS=\"SM\",\"SM\",\"SM\"",
                               "AT+CNMI=2,1,0,0,0",
                               "AT+CMGF=1"};

bool PumpUntil(const std::function<bool()>& Done, std::chrono::milliseconds Deadline = 20s) {
    const auto Until = std::chrono::steady_clock::now() + Deadline;
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= Until) {
            return false;
        }
        (void)HandleMessage(50);
    }
    return true;
}

sim::IncomingMessage Message(const std::string& From, const std::string& Text) {
    sim::IncomingMessage M;
    M.from = From;
    M.text = Text;
    return M;
}

class OverPty : public ::testing::Test {
  protected:
    void SetUp() override { Start(); }

    void Start(sim::ModemOptions Options = {}) {
        Modem = std::make_unique<sim::SimulatedModem>(Options);
        Modem->Start();
        Vorsa = std::make_unique<InspectableVorsa>(nullptr);
        Vorsa->Port = Modem->DevicePath();
        Vorsa->Baud = 115200;
        Vorsa->OnSMSError = [this](TObject*, int32_t Code, std::string Text) {
            Reports.push_back({Code, Text});
        };
        Vorsa->OnConnected = [this](TObject*) { ++Connects; };
        Vorsa->OnDisconnect = [this](TObject*) { ++Disconnects; };
    }
    /// A new modem with these options; the component is made anew for it.
    void Restart(sim::ModemOptions Options) {
        Vorsa.reset();
        Modem.reset();
        Reports.clear();
        Connects = 0;
        Disconnects = 0;
        Start(Options);
    }

    /// Everything the component wrote to the line.
    std::string Written() const {
        std::string Bytes;
        for (const sim::TranscriptEntry& E : Modem->Transcript()) {
            if (!E.fromModem) {
                Bytes += E.bytes;
            }
        }
        return Bytes;
    }
    void ConnectReady() {
        Vorsa->Connect();
        ASSERT_TRUE(Vorsa->Connected()) << Modem->FormattedTranscript();
        ASSERT_TRUE(Reports.empty());
    }
    void WaitForModemOutput(const std::string& Text) {
        ASSERT_TRUE(Modem->WaitForOutput(Text, 10s)) << Text;
        // What the modem wrote is at the terminal's side once its input queue shows it.
        const auto Until = std::chrono::steady_clock::now() + 10s;
        while (Vorsa->GetIn() < static_cast<int32_t>(Text.size()) &&
               std::chrono::steady_clock::now() < Until) {
            (void)Vorsa->WaitReadable(100);
        }
    }

    std::unique_ptr<sim::SimulatedModem> Modem;
    std::unique_ptr<InspectableVorsa> Vorsa;  // destroyed before the modem
    ReportList Reports;
    int Connects = 0;
    int Disconnects = 0;
};

TEST_F(OverPty, DefaultConnectWritesTheDialogueAndSetsTheModemUp) {
    Vorsa->Connect();
    EXPECT_TRUE(Vorsa->Connected());
    EXPECT_EQ(Written(),
              "ATZ\r\nATE0&S0\r\nAT+CPAS\r\nAT+CPIN?\r\nAT+CPMS=\"SM\",\"SM\",\"SM\"\r\n"
              "AT+CNMI=2,1,0,0,0\r\nAT+CMGF=1\r\n")
        << Modem->FormattedTranscript();
    EXPECT_EQ(Modem->CommandLines(), DefaultDialogue);
    EXPECT_EQ(Connects, 1);
    EXPECT_EQ(Disconnects, 0);
    EXPECT_TRUE(Reports.empty());

    const sim::ModemSettings S = Modem->Settings();
    EXPECT_FALSE(S.echo);
    EXPECT_TRUE(S.textMode);
    EXPECT_EQ(S.notifyMode, 2);
    EXPECT_EQ(S.notifyDeliver, 1);
    EXPECT_EQ(S.readMemory, "SM");

    // Connected already: nothing goes out, nothing is raised.
    const std::string Before = Written();
    Vorsa->Connect();
    EXPECT_EQ(Written(), Before);
    EXPECT_EQ(Connects, 1);
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
    EXPECT_EQ(Connects, 1);
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
    EXPECT_TRUE(Reports.empty());
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
    EXPECT_EQ(Connects, 1);

    Restart(Options);  // the PIN is asked again; now the component has none
    Vorsa->Connect();
    EXPECT_EQ(Modem->CommandLines(),
              (Lines{"ATZ", "ATE0&S0", "AT+CPAS", "AT+CPIN?", "AT+CPIN=\"\""}));
    EXPECT_EQ(Reports, (ReportList{Catalogued(ErrModemError), Catalogued(ErrPinRefused)}));
    EXPECT_FALSE(Vorsa->Connected());
    EXPECT_EQ(Disconnects, 1);
    EXPECT_EQ(Connects, 0);
}

TEST_F(OverPty, AModemThatNeverAnswersFailsAfterThreeTimeOuts) {
    Vorsa->ReadTimeout = 1;
    Modem->UpdateFaults([](sim::FaultSettings& F) { F.ignoreNextCommands = 100; });
    Vorsa->Connect();
    EXPECT_EQ(Modem->CommandLines(), (Lines{"ATZ", "ATE0&S0", "AT+CPAS"}));
    EXPECT_EQ(Reports, (ReportList{Catalogued(ErrReadTimeout), Catalogued(ErrReadTimeout),
                                   Catalogued(ErrReadTimeout), Catalogued(ErrNotConnected)}));
    EXPECT_FALSE(Vorsa->Connected());
    EXPECT_EQ(Disconnects, 1);
}

TEST_F(OverPty, TheDefaultHandlerEndsConnectWithThePortOpen) {
    Vorsa->OnSMSError = [this](TObject* S, int32_t Code, std::string Text) {
        Reports.push_back({Code, Text});
        Vorsa->InernalErrorHandling(S, Code, Text);
    };
    Modem->UpdateFaults([](sim::FaultSettings& F) { F.failingCommands["Z"] = "ERROR"; });
    try {
        Vorsa->Connect();
        FAIL() << "the default handler did not raise";
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "1001: System Error.");
    }
    EXPECT_TRUE(Vorsa->Connected());
    EXPECT_EQ(Disconnects, 0);
    EXPECT_EQ(Modem->CommandLines(), Lines{"ATZ"});

    Vorsa->Connect();
    EXPECT_EQ(Modem->CommandLines(), Lines{"ATZ"}) << "a later Connect does nothing";

    Modem->ClearFaults();
    Vorsa->Reset();
    EXPECT_EQ(Disconnects, 1);
    EXPECT_EQ(Connects, 1);
    EXPECT_TRUE(Vorsa->Connected());
}

TEST_F(OverPty, ResetOnAClosedComponentIsAConnect) {
    Vorsa->Reset();
    EXPECT_EQ(Modem->CommandLines(), DefaultDialogue);
    EXPECT_EQ(Connects, 1);
    EXPECT_EQ(Disconnects, 0);
    Vorsa->DisConnect();
    Vorsa->DisConnect();
    EXPECT_EQ(Disconnects, 1);
}

TEST_F(OverPty, AStoredMessageIsAnnouncedByACutOutReport) {
    ConnectReady();
    WindowStandIn StandIn(*Vorsa);
    const sim::DeliveryResult Delivery = Modem->Deliver(Message("+40700000001", "Hello"));
    ASSERT_TRUE(Delivery.accepted);
    ASSERT_EQ(Delivery.memory, "SM");
    WaitForModemOutput("+CMTI: \"SM\",1");

    EXPECT_EQ(Vorsa->SendSMSCommand("AT"), "OK");
    ASSERT_EQ(Vorsa->NotifyQueue.Count(), 1);
    EXPECT_EQ(Vorsa->NotifyQueue[0], "+CMTI: \"SM\",1");
    EXPECT_TRUE(StandIn.Window.Received.empty());
    DrainMessages();
    EXPECT_EQ(StandIn.Window.Numbers(), std::vector<uint32_t>{WM_USER + 1});
    EXPECT_TRUE(Reports.empty());
}

TEST_F(OverPty, ADirectlyDeliveredMessageTakesTheRestOfTheReply) {
    ConnectReady();
    Vorsa->DirectForward = true;
    ASSERT_TRUE(Modem->Deliver(Message("+40700000001", "Hello")).accepted);
    WaitForModemOutput("Hello");

    (void)Vorsa->SendSMSCommand("AT");
    ASSERT_EQ(Vorsa->ReceiveQueue.Count(), 1);
    const std::string Entry = Vorsa->ReceiveQueue[0];
    EXPECT_TRUE(startWith(Entry, "+CMT: \"+40700000001\",")) << Entry;
    EXPECT_NE(Entry.find("\r\nHello"), std::string::npos) << Entry;
    EXPECT_TRUE(endWith(Entry, "OK")) << "the final OK goes with it: " << Entry;
    EXPECT_TRUE(Reports.empty());
}

TEST_F(OverPty, ReportsOfEveryKindAreCutOutOfOneReply) {
    ConnectReady();
    WindowStandIn StandIn(*Vorsa);
    const std::string Raw = "\r\n+CMTI: \"SM\",3\r\n\r\n+CMGS: 12\r\n\r\n+CBMI: \"BM\",5\r\n";
    Modem->SendRaw(Raw);
    WaitForModemOutput(Raw);

    EXPECT_TRUE(endWith(Vorsa->SendSMSCommand("AT"), "OK"));
    ASSERT_EQ(Vorsa->NotifyQueue.Count(), 1);
    EXPECT_EQ(Vorsa->NotifyQueue[0], "+CMTI: \"SM\",3");
    ASSERT_EQ(Vorsa->SentQueue.Count(), 1);
    EXPECT_EQ(Vorsa->SentQueue[0], "+CMGS: 12");
    DrainMessages();
    EXPECT_EQ(StandIn.Window.Numbers(), (std::vector<uint32_t>{WM_USER + 1, WM_USER + 2}))
        << "the broadcast report, a second of its kind, stays in the reply";
}

TEST_F(OverPty, ModemErrorsAreLatchedAndReported) {
    ConnectReady();
    Modem->UpdateFaults(
        [](sim::FaultSettings& F) { F.failingCommands["+CSQ"] = "+CMS ERROR: 500"; });
    std::string Reply;
    EXPECT_FALSE(Vorsa->SendCommand("AT+CSQ", Reply));
    EXPECT_EQ(Reply, "+CMS ERROR: 500");
    EXPECT_EQ(Reports, (ReportList{{500, "Unknown error"}}));

    Reports.clear();
    Modem->UpdateFaults([](sim::FaultSettings& F) { F.failingCommands["+CSQ"] = "ERROR"; });
    EXPECT_FALSE(Vorsa->SendCommand("AT+CSQ", Reply));
    EXPECT_EQ(Reply, "ERROR");
    EXPECT_EQ(Reports, ReportList{Catalogued(ErrModemError)});
    EXPECT_FALSE(Vorsa->IsBusy());
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
    EXPECT_EQ(Reports, (ReportList{Catalogued(ErrModemError), Catalogued(ErrModemError)}));
}

TEST_F(OverPty, ASystemErrorIsReportedBeforeTheModemError) {
    ConnectReady();
    Vorsa->ReadTimeout = 1;
    Modem->HangUp();
    std::string Reply;
    (void)Vorsa->SendCommand("AT", Reply);
    ASSERT_EQ(Reports.size(), 2u);
    EXPECT_EQ(Reports[0].Code, -1);
    EXPECT_TRUE(startWith(Reports[0].Text, "System Error ")) << Reports[0].Text;
    EXPECT_NE(Reports[0].Text, "System Error 0");
    EXPECT_EQ(Reports[1], Catalogued(ErrReadTimeout));
    EXPECT_FALSE(Vorsa->IsBusy());
}

TEST_F(OverPty, ThePollingTimerCollectsAReportBetweenCommands) {
    ConnectReady();
    const std::string Before = Written();
    ASSERT_TRUE(Modem->Deliver(Message("+40700000001", "Hello")).accepted);
    ASSERT_TRUE(PumpUntil([&] { return Vorsa->NotifyQueue.Count() == 1; }))
        << Modem->FormattedTranscript();
    EXPECT_EQ(Vorsa->NotifyQueue[0], "+CMTI: \"SM\",1");
    EXPECT_EQ(Written(), Before + "AT\r\n") << "the tick sent a bare AT";
    EXPECT_TRUE(Reports.empty());
}

}  // namespace
}  // namespace vorsa::test
