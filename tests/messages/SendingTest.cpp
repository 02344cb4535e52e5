// SendSMS on the scripted modem: the bytes on the line in both modes, the argument checks
// and their order, line splitting, missing prompts, echo, and the refusals that keep the
// application's text off the command line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/ScriptedComponent.h"
#include "vorsa/SMScnst.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

const std::string CtrlZ = "\x1A";
const std::string Confirmed45 = "\r\n+CMGS: 45\r\n\r\nOK\r\n";

// A modem that prompts after the command and after every line of the message, and gives
// Final after Ctrl-Z.
void ActLikeSendingModem(ScriptedModem& Modem, const std::string& Final = Confirmed45) {
    Modem.IgnoreOthers();
    Modem.OnLine = [&Modem, Final](const std::string& Line) {
        Modem.Arrive(!Line.empty() && Line.back() == '\x1A' ? Final : "\r\n> ");
    };
}

using SendingTest = ConnectedComponent;

TEST_F(SendingTest, TextModeWorkedExampleWritesLineByLineAndConfirmsLater) {
    Modem.IgnoreOthers();
    Modem.Answer("AT+CMGS=\"+40700000000\"", "\r\n> ");
    Modem.Answer("Hello", "\r\n> ");
    Modem.Answer(CtrlZ, Confirmed45);

    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(Modem.Written, "AT+CMGS=\"+40700000000\"\r\nHello\r\n" + CtrlZ);
    EXPECT_TRUE(Events.Errors.empty());
    EXPECT_FALSE(Vorsa.IsBusy());
    // The reference is not part of the result; it comes through the window.
    EXPECT_TRUE(Events.Sent.empty());
    ProcessMessages();
    EXPECT_THAT(Events.Sent, ElementsAre("45"));
}

TEST_F(SendingTest, PduModeWorkedExampleWritesLengthThenPduAndCtrlZInOneWrite) {
    Vorsa.TextMode = false;
    Vorsa.SMSCenter = "+40700000001";
    const std::string Pdu = "07910407000000F101000B910407000000F000F105C8329BFD06";
    Modem.IgnoreOthers();
    Modem.Answer("AT+CMGS=18", "\r\n> ");
    Modem.Answer(Pdu + CtrlZ, "\r\n+CMGS: 46\r\n\r\nOK\r\n");

    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(Modem.Written, "AT+CMGS=18\r\n" + Pdu + CtrlZ);
    EXPECT_THAT(Modem.Writes, ElementsAre("AT+CMGS=18\r\n", Pdu + CtrlZ));
    EXPECT_TRUE(Events.Errors.empty());
    ProcessMessages();
    EXPECT_THAT(Events.Sent, ElementsAre("46"));
}

// The PDU goes out the moment the prompt comes: at once from a quick modem, after 600 ms
// from a slow one (any time within the reply time-out).
TEST_F(SendingTest, PduModeWaitsForThePromptUpToTheReplyTimeOut) {
    Vorsa.TextMode = false;
    Modem.IgnoreOthers();
    for (const uint32_t Delay : {0u, 600u, 9000u}) {
        SCOPED_TRACE(Delay);
        Forget();
        uint32_t PduAt = 0;
        Modem.OnLine = [&](const std::string& Line) {
            if (Line == "AT+CMGS=18") {
                Modem.Arrive("\r\n> ", Delay);
            } else {
                PduAt = Elapsed();
                Modem.Arrive("\r\n+CMGS: 46\r\n\r\nOK\r\n");
            }
        };
        EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
        EXPECT_EQ(PduAt, Delay);
    }
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(SendingTest, ConfirmationJoinedToTheFinalOkStillGivesOk) {
    // The final OK comes in a read of its own, and the collector joins it to the
    // confirmation; cutting the confirmation out leaves the OK in the result.
    Modem.IgnoreOthers();
    Modem.OnLine = [this](const std::string& Line) {
        Modem.Arrive(Line != CtrlZ ? "\r\n> " : "\r\n+CMGS: 45\r\n");
        if (Line == CtrlZ) {
            Modem.Arrive("\r\nOK\r\n", 100);
        }
    };
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
    ProcessMessages();
    EXPECT_THAT(Events.Sent, ElementsAre("45"));
}

class SendingBothModesTest : public ConnectedComponent, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        ConnectedComponent::SetUp();
        Vorsa.TextMode = GetParam();
        ActLikeSendingModem(Modem);
    }

    static bool TextMode() { return GetParam(); }
};

// The checks come in order, the first that fails is reported, and a refused message
// writes nothing. The length checks come before the character checks. A message may not
// hold Ctrl-Z or ESC in text mode, where they would end the command; in PDU mode the text
// travels packed in hexadecimal and cannot.
TEST_P(SendingBothModesTest, RefusalsComeInOrderAndWriteNothing) {
    const std::string Short = "Dest number too short.";
    const std::string Long(160, 'x');
    const std::string TooLong = "Message too long.";
    const std::string Dial = "Dest number may hold only digits, \"+\", \"*\" and \"#\".";
    const std::string Terminator = "Message may not hold Ctrl-Z or ESC in text mode.";
    const std::string Digits20 = "40700000000123456789";
    struct Case {
        std::string Dest;
        std::string Message;
        std::string Refusal;  // none: sent
    };
    const Case Cases[] = {
        {"12", "", Short},
        {"", Long, Short},
        {"123", "", "No message to send."},
        {"123", Long, TooLong},
        {"ab", "Hello", Short},
        {"abc", Long, TooLong},
        {"+4070\"\r\nATD112;", "Hello", Dial},
        {"123;+CMGD=1", "Hello", Dial},
        {"123;456", "Hello", Dial},
        {"40 700", "Hello", Dial},
        {"+4070abc", "Hello", Dial},
        {"123\x1A", "Hello", Dial},
        {"0040\n7", "Hello", Dial},
        {"+40700000000",
         "Hi\x1A"
         "AT+CMGD=1",
         TextMode() ? Terminator : ""},
        {"+40700000000", "Hi\x1B", TextMode() ? Terminator : ""},
        {"+40700000000", "\x1A", TextMode() ? Terminator : ""},
        {"+40700000000", "Hello", ""},
        {"0040700000000", "Hello", ""},
        {"*100#", "Hello", ""},
        {"###", "Hello", ""},
        // An address field holds 20 digits; "+" is no digit of it.
        {"+" + Digits20, "Hello", ""},
        {Digits20 + "0", "Hello", "Dest number too long."},
        {std::string(131000, '7'), "Hello", "Dest number too long."},
        {Digits20 + "x", "Hello", Dial},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Dest + " / " + C.Message);
        Events.Clear();
        Forget();
        if (C.Refusal.empty()) {
            EXPECT_EQ(Vorsa.SendSMS(C.Dest, C.Message), "OK");
            EXPECT_TRUE(Events.Errors.empty());
        } else {
            EXPECT_EQ(Vorsa.SendSMS(C.Dest, C.Message), "");
            EXPECT_THAT(Events.Errors, ElementsAre(ErrorReport{-1, C.Refusal}));
            EXPECT_EQ(Modem.Written, "");
        }
        EXPECT_FALSE(Vorsa.IsBusy());
    }
}

// The service centre goes into every PDU, which is written as it is; text mode leaves it to
// the modem.
TEST_P(SendingBothModesTest, AServiceCentreThatIsNoNumberIsRefusedInPduMode) {
    Vorsa.SMSCenter = "+40\";+CMGD=1,4;+CSCA=\"+40";
    if (TextMode()) {
        EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
        return;
    }
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "");
    EXPECT_THAT(
        Events.Errors,
        ElementsAre(ErrorReport{
            -1, "SMSCenter must be a number of at most 20 digits, \"+\", \"*\" and \"#\"."}));
    EXPECT_EQ(Modem.Written, "");
    Vorsa.SMSCenter = std::string(21, '1');
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "");
    EXPECT_EQ(Modem.Written, "");
}

TEST_P(SendingBothModesTest, ThreeCharacterDestAnd159CharactersAreSent) {
    const std::string Longest(159, 'x');
    EXPECT_EQ(Vorsa.SendSMS("123", Longest), "OK");
    EXPECT_TRUE(Events.Errors.empty());
    if (TextMode()) {
        EXPECT_EQ(Modem.Written, "AT+CMGS=\"123\"\r\n" + Longest + "\r\n" + CtrlZ);
    } else {
        // 159 septets pack into 140 octets, and the submit around them takes 9 more.
        EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGS=149", ::testing::EndsWith(CtrlZ)));
    }
}

TEST_P(SendingBothModesTest, FinalErrorIsReturnedAndReported) {
    ActLikeSendingModem(Modem, "\r\nERROR\r\n");
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "ERROR");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrModemError});
    ActLikeSendingModem(Modem, "\r\n+CMS ERROR: 500\r\n");
    Events.Errors.clear();
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "+CMS ERROR: 500");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{500});
    EXPECT_FALSE(Vorsa.IsBusy());
}

TEST_P(SendingBothModesTest, ReportsWaitingBeforeThePromptAreQueuedAndTheSendGoesOn) {
    Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n");  // stored before the send began
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_TRUE(Events.Errors.empty()) << Events.Errors.front();
    ProcessMessages();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "3")));
}

INSTANTIATE_TEST_SUITE_P(Modes, SendingBothModesTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                             return Info.param ? "Text" : "Pdu";
                         });

TEST_F(SendingTest, TextModeMessageBreaksIntoLinesAtEveryLineEnd) {
    ActLikeSendingModem(Modem);
    const std::string Command = "AT+CMGS=\"+40700000000\"";
    struct Case {
        std::string Message;
        std::vector<std::string> Lines;
    };
    const std::vector<Case> Cases{
        {"Hello\r\nWorld", {Command, "Hello", "World", CtrlZ}},
        {"Hello\r\nWorld\r\n", {Command, "Hello", "World", CtrlZ}},
        {"Hello\r\n\r\nWorld", {Command, "Hello", "", "World", CtrlZ}},
        {"Hello\rWorld\nAgain", {Command, "Hello", "World", "Again", CtrlZ}},
        {std::string("Hello\0World", 11), {Command, "Hello", CtrlZ}},
    };
    for (const Case& C : Cases) {
        Forget();
        EXPECT_EQ(Vorsa.SendSMS("+40700000000", C.Message), "OK");
        EXPECT_EQ(Modem.Lines(), C.Lines);
    }
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(SendingTest, TextModeLineGoesOutTheMomentThePromptArrives) {
    uint32_t HelloAt = 0;
    Modem.IgnoreOthers();
    Modem.OnLine = [this, &HelloAt](const std::string& Line) {
        if (Line == "Hello") {
            HelloAt = Clock.TickCount();
        }
        Modem.Arrive(Line == CtrlZ ? Confirmed45 : "\r\n> ", Line == CtrlZ ? 0 : 300);
    };
    const uint32_t Start = Clock.TickCount();
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_GE(HelloAt - Start, 300u);
    EXPECT_LT(HelloAt - Start, 350u);
    EXPECT_TRUE(Events.Errors.empty());
}

// A modem that never prompts: the command waits out the time-out once, and not a byte of
// the message follows; ESC cancels it in case the modem does wait for it. With echo on the
// prompt comes after the echoed line, and the message goes out as usual.
TEST_F(SendingTest, TextModeWithoutAPromptWritesNoTextAndCancelsTheMessage) {
    Vorsa.ReadTimeout = 2;
    Modem.IgnoreOthers();
    for (const bool Echo : {false, true}) {
        SCOPED_TRACE(Echo ? "echo" : "no prompt");
        Events.Clear();
        Forget();
        Modem.OnLine = [this, Echo](const std::string& Line) {
            if (Line == CtrlZ) {
                Modem.Arrive(Confirmed45);
            } else if (Echo) {
                Modem.Arrive(Line + "\r\r\n> ");
            }
        };
        const std::string Command = "AT+CMGS=\"+40700000000\"\r\n";
        if (Echo) {
            EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
            EXPECT_EQ(Modem.Written, Command + "Hello\r\n" + CtrlZ);
            EXPECT_TRUE(Events.Errors.empty());
        } else {
            EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "");
            EXPECT_EQ(Modem.Written, Command + "\x1B");
            EXPECT_GT(Elapsed(), 2000u);
            EXPECT_LT(Elapsed(), 2u * 2000u) << "one wait, not one a line";
            EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrReadTimeout});
        }
        EXPECT_FALSE(Vorsa.IsBusy());
    }
}

// A modem that refuses the command, at once or after a line of the message: the refusal is
// the result and its code the report, and nothing more of the message is written.
TEST_F(SendingTest, TextModeRefusalStopsTheMessageWhereItStands) {
    Modem.IgnoreOthers();
    Modem.Answer("AT+CMGS=\"+40700000000\"", "\r\n+CMS ERROR: 304\r\n");
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "AT+CMGD=1"), "+CMS ERROR: 304");
    EXPECT_EQ(Modem.Written, "AT+CMGS=\"+40700000000\"\r\n\x1B");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{304});

    Forget();
    Events.Clear();
    Modem.Answer("AT+CMGS=\"+40700000000\"", "\r\n> ");
    Modem.Answer("One", "\r\nERROR\r\n");
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "One\r\nAT+CMGD=1"), "ERROR");
    EXPECT_EQ(Modem.Written, "AT+CMGS=\"+40700000000\"\r\nOne\r\n\x1B");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrModemError});
    EXPECT_FALSE(Vorsa.IsBusy());
}

// The prompt is the last thing received, whatever came before it: Qualcomm-based ZTE sticks
// send their +ZPASR and +ZDONR lines first, other modems a stored message's report.
TEST_P(SendingBothModesTest, PromptAfterOtherLinesIsStillThePrompt) {
    Modem.OnLine = [this](const std::string& Line) {
        Modem.Arrive(!Line.empty() && Line.back() == '\x1A'
                         ? Confirmed45
                         : "\r\n+ZPASR: \"UMTS\"\r\n\r\n+CMTI: \"SM\",2\r\n\r\n+ZDONR: "
                           "\"Op\",1,1,\"CS_PS\",\"ROAM_OFF\"\r\n\r\n> ");
    };
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_TRUE(Events.Errors.empty()) << Events.Errors.front();
    EXPECT_EQ(Modem.Lines().back(), TextMode() ? CtrlZ : Modem.Lines()[1]);
    ProcessMessages();
    // One report came with each prompt: after the command, and after the text's one line.
    const std::vector<std::pair<std::string, std::string>> Stored(TextMode() ? 2 : 1, {"SM", "2"});
    EXPECT_EQ(Events.Notified, Stored);
}

// The scripted modem on the real clock, watching for input as a device does: a wait with
// nothing to read takes its whole time-out.
class RealTimeModem : public ScriptedModem {
  public:
    explicit RealTimeModem(FakeClock& Unused) : ScriptedModem(Unused) {}
    detail::WaitResult WaitReadable(THandle Handle, uint32_t TimeoutMs) override {
        const detail::WaitResult Result = ScriptedModem::WaitReadable(Handle, TimeoutMs);
        if (Result == detail::WaitResult::TimedOut) {
            std::this_thread::sleep_for(std::chrono::milliseconds(TimeoutMs));
        }
        return Result;
    }
};

TEST(TextModePromptWait, WatchesThePortInsteadOfSpinning) {
    FakeClock NotInPlace;
    RealTimeModem Modem(NotInPlace);
    Modem.ActLikeReadyModem();
    EventLog Events;  // outlives the component, whose destruction it records
    TVorsa Vorsa(nullptr, Borrow(Modem));
    Vorsa.Baud = 115200;
    Vorsa.PollingDelay = 3600;
    Vorsa.ReadTimeout = 1;
    Events.Attach(Vorsa);
    Vorsa.Connect();
    ASSERT_TRUE(Vorsa.Connected());
    Modem.IgnoreOthers();
    Modem.Answer("\x1A", ScriptedModem::Ok);
    Modem.ClearLog();

    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrReadTimeout});
    EXPECT_EQ(Modem.Written.back(), '\x1B');
    // The command waited a second with nothing to read, watching the port rather than
    // reading it back to back.
    EXPECT_LT(Modem.CountOf(MemorySerialPort::Call::ReadFile) +
                  Modem.CountOf(MemorySerialPort::Call::ClearCommError),
              100u);
    EXPECT_GE(Modem.CountOf(MemorySerialPort::Call::WaitReadable), 1u);
}

TEST_F(SendingTest, PduModeWithoutThePromptWritesNoPduAndCancelsTheMessage) {
    Vorsa.TextMode = false;
    const std::vector<std::string> NotAPrompt{
        "",  // no answer at all
        "\r\n+CMS ERROR: 330\r\n",
    };
    for (const std::string& Answer : NotAPrompt) {
        Forget();
        Events.Errors.clear();
        Modem.IgnoreOthers();
        Modem.AnswerOnce("AT+CMGS=18", Answer);
        EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "");
        EXPECT_EQ(Modem.Written, "AT+CMGS=18\r\n\x1B")
            << "no PDU; ESC leaves a modem that may still wait for one in command mode";
        EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrModemError});
        EXPECT_FALSE(Vorsa.IsBusy());
    }
}

TEST_F(SendingTest, DefaultHandlerRaisesAndLeavesTheComponentIdle) {
    Vorsa.OnSMSError = nullptr;  // reports go to the default handler, which raises
    Vorsa.TextMode = false;
    Modem.IgnoreOthers();
    EXPECT_EQ(RaisedText([&] { (void)Vorsa.SendSMS("+40700000000", "Hello"); }),
              "1001: " + GetErrString(ErrModemError));
    EXPECT_FALSE(Vorsa.IsBusy());
}

TEST_F(SendingTest, TextModeFlagChosenAtTheMomentOfTheCall) {
    ActLikeSendingModem(Modem);
    Vorsa.TextMode = false;
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(Modem.Lines().front(), "AT+CMGS=18");
    Forget();
    Vorsa.TextMode = true;
    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(Modem.Lines().front(), "AT+CMGS=\"+40700000000\"");
}

}  // namespace
}  // namespace vorsa::test
