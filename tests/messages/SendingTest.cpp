// SendSMS on the scripted modem: the bytes on the line in both modes, the argument checks
// and their order, line splitting, missing prompts, echo, and the refusals that keep the
// application's text off the command line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "ScriptedFixture.h"
#include "vorsa/SMScnst.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;

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

class SendingTest : public ScriptedFixture {};

TEST_F(SendingTest, TextModeWorkedExampleWritesLineByLineAndConfirmsLater) {
    Modem.IgnoreOthers();
    Modem.Answer("AT+CMGS=\"+40700000000\"", "\r\n> ");
    Modem.Answer("Hello", "\r\n> ");
    Modem.Answer(CtrlZ, Confirmed45);

    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(Modem.Written, "AT+CMGS=\"+40700000000\"\r\nHello\r\n" + CtrlZ);
    EXPECT_TRUE(Events.Errors.empty());
    EXPECT_FALSE(Vorsa->IsBusy());
    // The reference is not part of the result; it comes through the window.
    EXPECT_TRUE(Events.Sent.empty());
    Pump();
    EXPECT_THAT(Events.Sent, ElementsAre("45"));
}

TEST_F(SendingTest, PduModeWorkedExampleWritesLengthThenPduAndCtrlZInOneWrite) {
    Vorsa->TextMode = false;
    Vorsa->SMSCenter = "+40700000001";
    const std::string Pdu = "07910407000000F101000B910407000000F000F105C8329BFD06";
    Modem.IgnoreOthers();
    Modem.Answer("AT+CMGS=18", "\r\n> ");
    Modem.Answer(Pdu + CtrlZ, "\r\n+CMGS: 46\r\n\r\nOK\r\n");

    const uint32_t Before = Clock.TickCount();
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(Modem.Written, "AT+CMGS=18\r\n" + Pdu + CtrlZ);
    EXPECT_THAT(Modem.Writes, ElementsAre("AT+CMGS=18\r\n", Pdu + CtrlZ));
    EXPECT_GE(Clock.TickCount() - Before, 500u);  // the fixed pause before the one look
    EXPECT_TRUE(Events.Errors.empty());
    Pump();
    EXPECT_THAT(Events.Sent, ElementsAre("46"));
}

TEST_F(SendingTest, ConfirmationJoinedToTheFinalOkLeavesAnEmptyResult) {
    // The final OK comes in a read of its own, and the collector joins it to the
    // confirmation, which takes it along when it is cut out.
    ActLikeSendingModem(Modem, "\r\n+CMGS: 45\r\n");
    Modem.OnLine = [this](const std::string& Line) {
        Modem.Arrive(Line != CtrlZ ? "\r\n> " : "\r\n+CMGS: 45\r\n");
        if (Line == CtrlZ) {
            Modem.Arrive("\r\nOK\r\n", 100);
        }
    };
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "");
    Pump();
    EXPECT_THAT(Events.Sent, ElementsAre("45"));
}

class SendingBothModesTest : public ScriptedFixture, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        ScriptedFixture::SetUp();
        Vorsa->TextMode = GetParam();
        ActLikeSendingModem(Modem);
    }

    void ExpectRefused(const std::string& Dest, const std::string& Message, int32_t Id,
                       const std::string& Text) {
        Events.Errors.clear();
        EXPECT_EQ(Vorsa->SendSMS(Dest, Message), "");
        EXPECT_THAT(Events.Errors, ElementsAre(ErrorReport{Id, Text})) << Dest << " / " << Message;
        EXPECT_EQ(Modem.Written, "");
        EXPECT_FALSE(Vorsa->IsBusy());
    }
};

TEST_P(SendingBothModesTest, ChecksComeInOrderAndWriteNothing) {
    const std::string Long(160, 'x');
    ExpectRefused("12", "", -1, "Dest number too short.");
    ExpectRefused("", Long, -1, "Dest number too short.");
    ExpectRefused("123", "", -1, "No message to send.");
    ExpectRefused("123", Long, -1, "Message too long.");
    // The character check of Dest comes after the checks of length.
    ExpectRefused("ab", "Hello", -1, "Dest number too short.");
    ExpectRefused("abc", Long, -1, "Message too long.");

    Vorsa->DisConnect();
    ExpectRefused("", "", ErrNotConnected, GetErrString(ErrNotConnected));
}

TEST_P(SendingBothModesTest, ThreeCharacterDestAnd159CharactersAreSent) {
    const std::string Longest(159, 'x');
    EXPECT_EQ(Vorsa->SendSMS("123", Longest), "OK");
    EXPECT_TRUE(Events.Errors.empty());
    if (GetParam()) {
        EXPECT_EQ(Modem.Written, "AT+CMGS=\"123\"\r\n" + Longest + "\r\n" + CtrlZ);
    } else {
        // 159 septets pack into 140 octets, and the submit around them takes 9 more.
        EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGS=149", ::testing::EndsWith(CtrlZ)));
    }
}

TEST_P(SendingBothModesTest, DestHoldingMoreThanDialCharactersIsRefused) {
    const std::string Refusal = "Dest number may hold only digits, \"+\", \"*\" and \"#\".";
    for (const std::string Dest :
         {"+4070\"\r\nATD112;", "123;+CMGD=1", "40 700", "+4070abc", "123\x1A", "0040\n7"}) {
        Modem.Written.clear();
        ExpectRefused(Dest, "Hello", -1, Refusal);
    }
    for (const std::string Dest : {"+40700000000", "0040700000000", "*100#", "###"}) {
        Modem.Written.clear();
        Events.Errors.clear();
        EXPECT_EQ(Vorsa->SendSMS(Dest, "Hello"), "OK") << Dest;
        EXPECT_TRUE(Events.Errors.empty()) << Dest;
    }
}

TEST_P(SendingBothModesTest, FinalErrorIsReturnedAndReported) {
    ActLikeSendingModem(Modem, "\r\nERROR\r\n");
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "ERROR");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrModemError});
    ActLikeSendingModem(Modem, "\r\n+CMS ERROR: 500\r\n");
    Events.Errors.clear();
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "+CMS ERROR: 500");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{500});
    EXPECT_FALSE(Vorsa->IsBusy());
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
        EXPECT_EQ(Vorsa->SendSMS("+40700000000", C.Message), "OK");
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
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_GE(HelloAt - Start, 300u);
    EXPECT_LT(HelloAt - Start, 350u);
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(SendingTest, TextModeWithoutPromptWaitsOutEachLineAndReportsOneTimeOut) {
    Vorsa->ReadTimeout = 3;
    Modem.IgnoreOthers();
    Modem.Answer(CtrlZ, "\r\nOK\r\n");
    const uint32_t Start = Clock.TickCount();

    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "OK");
    // Both lines and Ctrl-Z still went out, each line after the full time-out.
    EXPECT_EQ(Modem.Written, "AT+CMGS=\"+40700000000\"\r\nHello\r\n" + CtrlZ);
    EXPECT_GT(Clock.TickCount() - Start, 2u * 3000u);
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrReadTimeout});
    EXPECT_FALSE(Vorsa->IsBusy());
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
    TVorsa Vorsa(nullptr, Borrow(Modem));
    Vorsa.Baud = 115200;
    Vorsa.PollingDelay = 3600;
    Vorsa.ReadTimeout = 1;
    EventLog Events;
    Events.Attach(Vorsa);
    Vorsa.Connect();
    ASSERT_TRUE(Vorsa.Connected());
    Modem.IgnoreOthers();
    Modem.Answer("\x1A", ScriptedModem::Ok);
    Modem.ClearLog();

    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrReadTimeout});
    // Two lines waited a second each with nothing to read; reads came only between
    // watches of a few milliseconds, not back to back.
    EXPECT_LT(Modem.CountOf(MemorySerialPort::Call::ReadFile) +
                  Modem.CountOf(MemorySerialPort::Call::ClearCommError),
              2000u);
    EXPECT_GE(Modem.CountOf(MemorySerialPort::Call::WaitReadable), 2u);
}

TEST_F(SendingTest, TextModeWithEchoOnWaitsOutEveryLine) {
    Vorsa->ReadTimeout = 2;
    Modem.IgnoreOthers();
    Modem.OnLine = [this](const std::string& Line) {
        Modem.Arrive(Line == CtrlZ ? Confirmed45 : Line + "\r\r\n> ");
    };
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(Modem.Written, "AT+CMGS=\"+40700000000\"\r\nHello\r\n" + CtrlZ);
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrReadTimeout});
}

TEST_F(SendingTest, PduModeWithoutExactPromptLatchesModemErrorAndWritesNoPdu) {
    Vorsa->TextMode = false;
    const std::vector<std::string> NotAPrompt{
        "",                               // no answer at all
        "AT+CMGS=18\r\r\n> ",             // the modem echoes the command
        "\r\n+CMTI: \"SM\",3\r\n\r\n> ",  // a report came first
    };
    for (const std::string& Answer : NotAPrompt) {
        Forget();
        Events.Errors.clear();
        Modem.IgnoreOthers();
        Modem.AnswerOnce("AT+CMGS=18", Answer);
        EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "");
        EXPECT_EQ(Modem.Written, "AT+CMGS=18\r\n");
        EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrModemError});
        EXPECT_FALSE(Vorsa->IsBusy());
    }
}

TEST_F(SendingTest, DefaultHandlerRaisesAndLeavesTheComponentIdle) {
    Vorsa->OnSMSError = nullptr;  // reports go to the default handler, which raises
    Vorsa->TextMode = false;
    Modem.IgnoreOthers();
    try {
        (void)Vorsa->SendSMS("+40700000000", "Hello");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "1001: " + GetErrString(ErrModemError));
    }
    EXPECT_FALSE(Vorsa->IsBusy());
}

TEST_F(SendingTest, TextModeRefusesCtrlZAndEscapeInTheMessage) {
    ActLikeSendingModem(Modem);
    const std::string Refusal = "Message may not hold Ctrl-Z or ESC in text mode.";
    for (const std::string Message : {"Hi\x1A"
                                      "AT+CMGD=1",
                                      "Hi\x1B", "\x1A"}) {
        Events.Errors.clear();
        EXPECT_EQ(Vorsa->T_SendSMS("+40700000000", Message), "");
        EXPECT_THAT(Events.Errors, ElementsAre(ErrorReport{-1, Refusal}));
        EXPECT_EQ(Modem.Written, "");
    }
    // In PDU mode the text travels packed in hexadecimal and cannot end the command.
    Events.Errors.clear();
    EXPECT_EQ(Vorsa->P_SendSMS("+40700000000", "Hi\x1A"), "OK");
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(SendingTest, TextModeFlagChosenAtTheMomentOfTheCall) {
    ActLikeSendingModem(Modem);
    Vorsa->TextMode = false;
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(Modem.Lines().front(), "AT+CMGS=18");
    Forget();
    Vorsa->TextMode = true;
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(Modem.Lines().front(), "AT+CMGS=\"+40700000000\"");
}

}  // namespace
}  // namespace vorsa::test
