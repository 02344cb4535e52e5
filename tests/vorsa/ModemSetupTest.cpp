// Connect's set-up dialogue byte for byte, with the defaults and with changed properties;
// how it gives up (PIN refused, a modem that does not answer, a refused step); DisConnect,
// Reset and the routing switch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/RecordingWindow.h"
#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;
using Lines = std::vector<std::string>;

class Setup : public ScriptedComponent {
  protected:
    void SetUp() override { Modem.ActLikeReadyModem(); }

    /// Every event so far came from the component.
    void ExpectEverySenderIsTheComponent() {
        for (const TObject* Sender : Events.Senders) {
            EXPECT_EQ(Sender, &Vorsa);
        }
    }
};

TEST_F(Setup, DefaultConnectSendsTheDialogueInOrderAndRaisesOnConnectedOnce) {
    Vorsa.Connect();
    EXPECT_TRUE(Vorsa.Connected());
    EXPECT_EQ(Modem.Written,
              "ATZ\r\nATE0&S0\r\nAT+CPAS\r\nAT+CPIN?\r\nAT+CPMS=\"SM\",\"SM\",\"SM\"\r\n"
              "AT+CNMI=2,1,0,0,0\r\nAT+CMGF=1\r\n");
    EXPECT_EQ(Modem.Writes.size(), 7u) << "one write a command line";
    EXPECT_EQ(Events.Order, Lines{"Connected"});
    EXPECT_EQ(Events.Senders, std::vector<const TObject*>{&Vorsa});
    EXPECT_FALSE(Vorsa.IsBusy());
}

// One set-up dialogue: how the modem and the component are prepared, the lines written,
// the reports on the way, and whether it ends connected. One that gives up writes nothing
// after the step that failed, closes the port again and does not raise OnConnected.
struct Dialogue {
    const char* Name;
    std::function<void(ScriptedModem&, TVorsa&)> Prepare;
    Lines Written;
    ErrorReports Reports;
    bool Connects;
    // On the virtual clock: a modem that answers is never waited out.
    uint32_t MinElapsed = 0;
    uint32_t MaxElapsed = 2000;
};

const std::string Centre = "AT+CSCA=\"+40700000001\"";

// The default dialogue with a PIN sent after the query.
Lines WithPin(const std::string& Pin) {
    Lines Result = DefaultDialogue;
    Result.insert(Result.begin() + 4, Pin);
    return Result;
}

// The default dialogue with a service centre, through the given command.
Lines Through(const std::string& Last) {
    Lines Result = DefaultDialogue;
    Result.insert(Result.begin() + 5, Centre);
    Result.erase(std::find(Result.begin(), Result.end(), Last) + 1, Result.end());
    return Result;
}

// A modem that refuses Command, to a component with a service centre.
std::function<void(ScriptedModem&, TVorsa&)> Refusing(const std::string& Command) {
    return [Command](ScriptedModem& M, TVorsa& V) {
        V.SMSCenter = "+40700000001";
        M.Answer(Command, "\r\nERROR\r\n");
    };
}

// clang-format off
const Dialogue Dialogues[] = {
    {"ChangedProperties",
     [](auto&, auto& V) { V.InitString1 = "AT&F"; V.InitString3 = "AT+CSCS=\"GSM\"";
                          V.StorageString = "\"ME\",\"ME\",\"ME\""; V.SMSCenter = "+40700000001";
                          V.DirectForward = true; V.TextMode = false; },
     {"AT&F", "ATE0&S0", "AT+CSCS=\"GSM\"", "AT+CPAS", "AT+CPIN?", "AT+CPMS=\"ME\",\"ME\",\"ME\"",
      Centre, "AT+CNMI=2,2,0,0,0", "AT+CMGF=0"}, {}, true},
    {"EmptyInitStringsAndStorageAreSkipped",
     [](auto&, auto& V) { V.InitString1 = ""; V.InitString2 = ""; V.StorageString = ""; },
     {"AT+CPAS", "AT+CPIN?", "AT+CNMI=2,1,0,0,0", "AT+CMGF=1"}, {}, true},
    {"OnlyTheMiddleInitStringEmpty",
     [](auto&, auto& V) { V.InitString2 = ""; V.InitString3 = "ATI"; V.StorageString = ""; },
     {"ATZ", "ATI", "AT+CPAS", "AT+CPIN?", "AT+CNMI=2,1,0,0,0", "AT+CMGF=1"}, {}, true},
    {"ASimAskingForItsPinGetsIt",
     [](auto& M, auto& V) { M.Answer("AT+CPIN?", Framed("+CPIN: SIM PIN")); V.PIN = "1234"; },
     WithPin("AT+CPIN=\"1234\""), {}, true},
    // The query makes its own report, and the PIN goes out all the same.
    {"AFailedPinQueryStillSendsThePin",
     [](auto& M, auto& V) { M.Answer("AT+CPIN?", "\r\nERROR\r\n"); V.PIN = "0000"; },
     WithPin("AT+CPIN=\"0000\""), {Catalogued(ErrModemError)}, true},
    // The PIN goes out even when empty.
    {"ARefusedPinReports311",
     [](auto& M, auto&) { M.Answer("AT+CPIN?", Framed("+CPIN: SIM PIN"));
                          M.Answer("AT+CPIN=\"\"", "\r\nERROR\r\n"); },
     {"ATZ", "ATE0&S0", "AT+CPAS", "AT+CPIN?", "AT+CPIN=\"\""},
     {Catalogued(ErrModemError), {ErrPinRefused, "SIM PIN required"}}, false},
    // Three read time-outs, on the virtual clock.
    {"AModemThatNeverAnswersFailsAfterThreeExchanges",
     [](auto& M, auto&) { M.IgnoreOthers(); M.Ignore("AT+CPIN?"); M.Ignore("AT+CPAS"); },
     {"ATZ", "ATE0&S0", "AT+CPAS"},
     {Catalogued(ErrReadTimeout), Catalogued(ErrReadTimeout), Catalogued(ErrReadTimeout),
      Catalogued(ErrNotConnected)}, false, 3 * 10000, 3 * 10200},
    // A Wavecom modem answers the PIN query with "+CPIN: READY" and no final result; the
    // answer stands for it once the line stays silent.
    {"WavecomPinAnswerWithoutOk",
     [](auto& M, auto&) { M.Answer("AT+CPIN?", "\r\n+CPIN: READY\r\n"); },
     DefaultDialogue, {}, true, 0, 1500},
    // Huawei and ZTE lines before the answers: the SIM is ready, no PIN goes out.
    {"VendorLinesBeforeTheAnswers",
     [](auto& M, auto&) {
         M.Answer("AT+CPAS", "\r\n^RSSI: 12\r\n\r\n+ZPASR: \"UMTS\"\r\n\r\n+CPAS: 0\r\n\r\nOK\r\n");
         M.Answer("AT+CPIN?", "\r\n^BOOT:1,0,0,0,1\r\n\r\n+CPIN: READY\r\n\r\nOK\r\n"); },
     DefaultDialogue, {}, true},
    // A wrong PIN after AT+CMEE=1 is refused at once, not after the reply time-out.
    {"AWrongPinRefusedWithACmeError",
     [](auto& M, auto& V) { M.Answer("AT+CPIN?", Framed("+CPIN: SIM PIN")); V.PIN = "1234";
                            M.Answer("AT+CPIN=\"1234\"", "\r\n+CME ERROR: 16\r\n"); },
     {"ATZ", "ATE0&S0", "AT+CPAS", "AT+CPIN?", "AT+CPIN=\"1234\""},
     {Catalogued(ErrModemError), {ErrPinRefused, "SIM PIN required"}}, false},
    {"AModemThatIsNotReadyIsGivenUp",
     [](auto& M, auto&) { M.Answer("AT+CPAS", Framed("+CPAS: 3")); },
     {"ATZ", "ATE0&S0", "AT+CPAS"}, {Catalogued(ErrNotConnected)}, false},
    // A refused later step has no report of its own, only the exchange's. (A refused
    // initialisation command, storage or routing is adapted to: SetupAdaptationTest.)
    {"RefusedServiceCentre", Refusing(Centre), Through(Centre), {Catalogued(ErrModemError)}, false},
    {"RefusedFormat", Refusing(DefaultDialogue[6]), Through(DefaultDialogue[6]),
     {Catalogued(ErrModemError)}, false},
    // An empty reply does not end in OK either.
    {"ALaterStepUnanswered", [](auto& M, auto&) { M.Ignore("AT+CMGF=1"); }, DefaultDialogue,
     {Catalogued(ErrReadTimeout)}, false, 10000, 12000},
};
// clang-format on

class SetupDialogue : public Setup, public ::testing::WithParamInterface<Dialogue> {};

TEST_P(SetupDialogue, WritesItsLinesAndEndsAsExpected) {
    const Dialogue& D = GetParam();
    D.Prepare(Modem, Vorsa);
    Vorsa.Connect();
    EXPECT_EQ(Modem.Lines(), D.Written);
    EXPECT_EQ(Events.Errors, D.Reports);
    EXPECT_EQ(Vorsa.Connected(), D.Connects);
    EXPECT_EQ(Events.Connects, D.Connects ? 1 : 0);
    EXPECT_EQ(Events.Disconnects, D.Connects ? 0 : 1) << "the port had been opened";
    EXPECT_EQ(Modem.CountOf(Call::Open), Modem.CountOf(Call::CloseHandle) + (D.Connects ? 1 : 0));
    EXPECT_GE(Elapsed(), D.MinElapsed);
    EXPECT_LT(Elapsed(), D.MaxElapsed);
    EXPECT_TRUE(Events.Adaptations.empty()) << "nothing here to adapt to";
    ExpectEverySenderIsTheComponent();
}

INSTANTIATE_TEST_SUITE_P(Dialogues, SetupDialogue, ::testing::ValuesIn(Dialogues),
                         [](const ::testing::TestParamInfo<Dialogue>& Info) {
                             return Info.param.Name;
                         });

TEST_F(Setup, APortThatCannotBeOpenedReportsNotConnectedAndRaisesNoDisconnect) {
    Modem.FailAlways(Call::Open, ENOENT);
    Vorsa.Connect();
    EXPECT_FALSE(Vorsa.Connected());
    EXPECT_EQ(Events.Errors, ErrorReports{Catalogued(ErrNotConnected)});
    EXPECT_TRUE(Modem.Written.empty());
    EXPECT_EQ(Events.Connects, 0);
    EXPECT_EQ(Events.Disconnects, 0);
}

TEST_F(Setup, ConnectOnAConnectedComponentDoesNothing) {
    WindowStandIn StandIn(Vorsa);
    Vorsa.Connect();
    ASSERT_TRUE(Vorsa.Connected());
    ASSERT_TRUE(KillTimer(StandIn.Window.Handle(), 1)) << "the first Connect started timer 1";
    Forget();

    Vorsa.Connect();
    EXPECT_TRUE(Modem.Log().empty()) << "not even a reopen";
    EXPECT_TRUE(Modem.Lines().empty());
    EXPECT_FALSE(KillTimer(StandIn.Window.Handle(), 1)) << "the timer was left alone";
    EXPECT_EQ(Events.Connects, 1);
    EXPECT_EQ(Events.Disconnects, 0);
}

TEST_F(Setup, WithTheDefaultHandlerTheFirstReportEndsConnectWithThePortOpen) {
    Events.Raise = true;
    Modem.AnswerOnce("AT+CPAS", "\r\nERROR\r\n");
    const Lines UpToTheRefusal{"ATZ", "ATE0&S0", "AT+CPAS"};
    EXPECT_EQ(RaisedText([&] { Vorsa.Connect(); }), "1001: System Error.");
    EXPECT_EQ(Modem.Lines(), UpToTheRefusal);
    EXPECT_TRUE(Vorsa.Connected()) << "no Disconnect ran";
    EXPECT_EQ(Events.Disconnects, 0);
    EXPECT_EQ(Events.Connects, 0);
    EXPECT_FALSE(Vorsa.IsBusy());

    Vorsa.Connect();
    EXPECT_EQ(Modem.Lines(), UpToTheRefusal) << "a later Connect does nothing";

    // Reset closes the port and sets the modem up again.
    Forget();
    Vorsa.Reset();
    EXPECT_EQ(Events.Disconnects, 1);
    EXPECT_EQ(Events.Connects, 1);
    EXPECT_EQ(Modem.Lines(), DefaultDialogue);
}

TEST_F(Setup, WithTheDefaultHandlerASilentModemEndsConnectAfterOneTimeOut) {
    Events.Raise = true;
    Modem.IgnoreOthers();
    EXPECT_EQ(RaisedText([&] { Vorsa.Connect(); }), "1002: Reading Timeout.");
    EXPECT_EQ(Events.Errors, ErrorReports{Catalogued(ErrReadTimeout)});
    EXPECT_TRUE(Vorsa.Connected());
    EXPECT_EQ(Events.Disconnects, 0);
}

TEST_F(Setup, AnActivityStatusWithoutADigitRaisesOutOfConnect) {
    Modem.Answer("AT+CPAS", Framed("+CPAS: "));
    EXPECT_THROW(Vorsa.Connect(), EConvertError);
    EXPECT_FALSE(Vorsa.IsBusy());
    EXPECT_TRUE(Vorsa.Connected());
}

TEST_F(Setup, DisConnectRaisesOnDisconnectOnlyForAnOpenPort) {
    Vorsa.DisConnect();
    EXPECT_EQ(Events.Disconnects, 0);
    Vorsa.Connect();
    Vorsa.DisConnect();
    EXPECT_EQ(Events.Disconnects, 1);
    EXPECT_FALSE(Vorsa.Connected());
    EXPECT_EQ(Modem.CountOf(Call::Open), Modem.CountOf(Call::CloseHandle));
    Vorsa.DisConnect();
    EXPECT_EQ(Events.Disconnects, 1);
    ExpectEverySenderIsTheComponent();
}

TEST_F(Setup, ResetConnectsAClosedComponentAndSetsAConnectedOneUpAgain) {
    Vorsa.Reset();
    EXPECT_EQ(Modem.Lines(), DefaultDialogue);
    EXPECT_EQ(Events.Order, Lines{"Connected"}) << "on a closed component it is a Connect";

    Forget();
    Vorsa.Reset();
    EXPECT_EQ(Events.Order, (Lines{"Connected", "Disconnected", "Connected"}));
    EXPECT_EQ(Modem.Lines(), DefaultDialogue);
    EXPECT_TRUE(Vorsa.Connected());
}

// DirectForward is assigned through SetNotify: stored while closed and used by Connect,
// sent at once (also when unchanged) while connected.
TEST_F(Setup, DirectForwardGoesThroughSetNotify) {
    Vorsa.SetNotify(true);
    EXPECT_TRUE(Vorsa.DirectForward);
    Vorsa.DirectForward = false;
    Vorsa.DirectForward = true;  // closed: stored, nothing sent
    EXPECT_TRUE(Vorsa.DirectForward);
    EXPECT_TRUE(Modem.Lines().empty());

    Vorsa.Connect();
    ASSERT_TRUE(Vorsa.Connected());
    EXPECT_EQ(Modem.CountOfLine("AT+CNMI=2,2,0,0,0"), 1u) << "Connect used the stored value";
    Forget();

    Vorsa.SetNotify(true);
    Vorsa.SetNotify(false);
    EXPECT_FALSE(Vorsa.DirectForward);
    Vorsa.DirectForward = false;
    Vorsa.DirectForward = true;
    EXPECT_EQ(Modem.Lines(), (Lines{"AT+CNMI=2,2,0,0,0", "AT+CNMI=2,1,0,0,0", "AT+CNMI=2,1,0,0,0",
                                    "AT+CNMI=2,2,0,0,0"}));
    EXPECT_TRUE(Vorsa.DirectForward);

    // Assigning one component's property to another's goes through the setter too.
    ExposedVorsa Other(nullptr, std::make_unique<MemorySerialPort>());
    Forget();
    Vorsa.DirectForward = Other.DirectForward;
    EXPECT_FALSE(Vorsa.DirectForward);
    EXPECT_EQ(Modem.Lines(), Lines{"AT+CNMI=2,1,0,0,0"});

    // TextMode is a plain property: changing it while connected sends nothing.
    Forget();
    Vorsa.TextMode = false;
    EXPECT_TRUE(Modem.Lines().empty());
    EXPECT_TRUE(Events.Errors.empty());

    // A refusal is reported by the exchange; the value is kept all the same.
    Modem.Answer("AT+CNMI=2,2,0,0,0", "\r\n+CMS ERROR: 303\r\n");
    Vorsa.DirectForward = true;
    EXPECT_TRUE(Vorsa.DirectForward);
    EXPECT_EQ(Events.Errors, ErrorReports{Catalogued(303)});
    EXPECT_TRUE(Vorsa.Connected());
}

}  // namespace
}  // namespace vorsa::test
