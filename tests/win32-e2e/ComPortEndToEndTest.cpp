// The component on a Windows COM port served by vorsa-sim, as run-end-to-end.sh sets it up:
// the simulator (a native program of the build machine) serves a pseudo-terminal, the Wine
// prefix's COM5 leads to it, and this program opens COM5 through the Windows serial API. It
// sends, receives a stored-message report through the hidden window's timer, lists, reads
// and deletes in text and in PDU mode, and survives a command that is never answered and a
// hang-up in the middle of a read.
//
// Lines "sim> COMMAND" on standard output ask the driver to give the simulator's console
// COMMAND; the driver answers with the console's one-line reply on standard input.
//
// Under Wine two things differ from Windows on a real port and are accepted here, and only
// there: DTR and RTS cannot be switched on a pseudo-terminal (error 50), and a second open of
// the port is not refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "support/EventLog.h"
#include "vorsa/Vorsa32.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr char kPort[] = "COM5";
/// The simulator sends messages for this number back as received messages.
constexpr char kOwnNumber[] = "+40700000099";
/// How long a test waits for an event before it gives up.
constexpr DWORD kPatienceMs = 20000;

/// Gives the simulator's console one line and returns its answer.
std::string Simulator(const std::string& Line) {
    std::cout << "sim> " << Line << std::endl;
    std::string Answer;
    std::getline(std::cin, Answer);
    return Answer;
}

bool UnderWine() {
    const HMODULE Ntdll = ::GetModuleHandleA("ntdll.dll");
    return Ntdll != nullptr && ::GetProcAddress(Ntdll, "wine_get_version") != nullptr;
}

/// The component connected to COM5, every event logged and the operations run to their end.
class ComPort : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(Simulator("storage clear"), "storage cleared");
        ASSERT_EQ(Simulator("fault clear"), "faults cleared");
        Vorsa.Port = kPort;
        Vorsa.Baud = 115200;
        Vorsa.ReadTimeout = 5;
        Vorsa.PollingDelay = 1;
        Vorsa.DeleteOnRead = false;
        Events.Attach(Vorsa);
        Vorsa.OnTrace = [this](bool Outgoing, const std::string& Bytes) {
            if (Outgoing) {
                Written += Bytes;
                if (OnWrite) {
                    OnWrite(Bytes);
                }
            }
        };
    }
    void TearDown() override {
        if (Vorsa.Connected()) {
            Vorsa.DisConnect();
        }
    }

    void Connect(bool TextMode) {
        Vorsa.TextMode = TextMode;
        Vorsa.Connect();
        ASSERT_TRUE(Vorsa.Connected()) << ::testing::PrintToString(Events.Errors);
        ASSERT_THAT(Events.Errors, IsEmpty());
        Events.Clear();
    }

    TVorsa Vorsa{nullptr};
    EventLog Events;
    /// Every byte the component wrote.
    std::string Written;
    /// Runs for every write, with its bytes.
    std::function<void(const std::string&)> OnWrite;
};

/// Runs the application's own GetMessage loop, which calls nothing of vorsa, until Done
/// holds or the patience runs out; gives Done().
bool RunApplicationLoopUntil(const std::function<bool()>& Done) {
    const ULONGLONG Deadline = ::GetTickCount64() + kPatienceMs;
    // A timer of the thread wakes GetMessage at least every 100 ms to look at Done and the
    // deadline; its ticks have no window and dispatch to nothing.
    const UINT_PTR Check = ::SetTimer(nullptr, 0, 100, nullptr);
    MSG Message{};
    while (!Done() && ::GetTickCount64() < Deadline && ::GetMessageA(&Message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&Message);
        ::DispatchMessageA(&Message);
    }
    ::KillTimer(nullptr, Check);
    return Done();
}

/// Waits on MessageLoopHandle, as a program with handles of its own does, and runs
/// ProcessMessages when it is set, until Done holds or the patience runs out.
bool RunHandleLoopUntil(const std::function<bool()>& Done) {
    const ULONGLONG Deadline = ::GetTickCount64() + kPatienceMs;
    const HANDLE Loop = MessageLoopHandle();
    while (!Done() && ::GetTickCount64() < Deadline) {
        if (::WaitForSingleObject(Loop, 100) == WAIT_OBJECT_0) {
            ProcessMessages();
        }
    }
    return Done();
}

class Exchange : public ComPort, public ::testing::WithParamInterface<bool> {
  protected:
    bool TextMode() const { return GetParam(); }
    bool RunLoopUntil(const std::function<bool()>& Done) {
        return TextMode() ? RunApplicationLoopUntil(Done) : RunHandleLoopUntil(Done);
    }
};

TEST_P(Exchange, SendsReceivesListsReadsAndDeletes) {
    ASSERT_NO_FATAL_FAILURE(Connect(TextMode()));

    // A message to the simulator's own number comes back and is stored.
    const std::string Text = TextMode() ? "Hello from Windows" : "PDU from Windows";
    EXPECT_EQ(Vorsa.SendSMS(kOwnNumber, Text), "OK");
    ASSERT_TRUE(RunLoopUntil([&] {
        return Events.Sent.size() == 1 && Events.Notified.size() == 1;
    })) << ::testing::PrintToString(Events.Order);
    EXPECT_FALSE(Events.Sent[0].empty()) << "the message reference";

    // A message that arrives while the component idles can only be collected by the
    // polling timer's bare AT.
    const size_t Before = Written.size();
    ASSERT_THAT(Simulator("deliver +40700000001 Second message"), HasSubstr("stored in SM"));
    ASSERT_TRUE(RunLoopUntil([&] { return Events.Notified.size() == 2; }))
        << ::testing::PrintToString(Events.Order);
    EXPECT_EQ(Written.substr(Before), "AT\r\n") << "the timer polled";
    EXPECT_EQ(Events.Notified[0].first, "SM");
    EXPECT_EQ(Events.Notified[1].first, "SM");
    const std::string First = Events.Notified[0].second;
    const std::string Second = Events.Notified[1].second;
    EXPECT_NE(First, Second);

    // The listing raises OnReceiveSMS for both unread messages.
    Vorsa.DownloadSMS();
    ASSERT_TRUE(RunLoopUntil([&] { return Events.Received.size() == 2; }))
        << ::testing::PrintToString(Events.Order);
    EXPECT_EQ(Events.Received[0].second, Text);
    EXPECT_THAT(Events.Received[0].first, HasSubstr(kOwnNumber));
    EXPECT_EQ(Events.Received[1].second, "Second message");
    EXPECT_THAT(Events.Received[1].first, HasSubstr("+40700000001"));

    const std::string Read = Vorsa.ReadSMS(Second);
    EXPECT_THAT(Read, HasSubstr("+40700000001"));
    EXPECT_THAT(Read, HasSubstr("Second message"));

    EXPECT_TRUE(Vorsa.DeleteSMS(First));
    EXPECT_TRUE(Vorsa.DeleteSMS(Second));
    EXPECT_THAT(Events.Deleted, ElementsAre(First, Second));
    EXPECT_EQ(Simulator("storage"), "storage empty");
    EXPECT_THAT(Events.Errors, IsEmpty());
    EXPECT_FALSE(Vorsa.IsBusy());
}

INSTANTIATE_TEST_SUITE_P(TextAndPdu, Exchange, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                             return Info.param ? "TextMode" : "PduMode";
                         });

TEST_F(ComPort, ModemLinesAndExclusiveUseAreTheSystemsOrWinesKnownDifferences) {
    ASSERT_NO_FATAL_FAILURE(Connect(true));
    for (const uint32_t Function : {SETDTR, CLRDTR, SETRTS, CLRRTS, SETDTR, SETRTS}) {
        Vorsa.SetEscCode(Function);
        const int32_t Code = Vorsa.GetError();
        if (UnderWine()) {
            // A pseudo-terminal has no modem lines.
            EXPECT_TRUE(Code == 0 || Code == ERROR_NOT_SUPPORTED) << Function << ": " << Code;
        } else {
            EXPECT_EQ(Code, 0) << Function;
        }
    }
    // The other functions work everywhere; each pair leaves the line as it was.
    for (const uint32_t Function : {SETXOFF, SETXON, SETBREAK, CLRBREAK}) {
        Vorsa.SetEscCode(Function);
        EXPECT_EQ(Vorsa.GetError(), 0) << Function;
    }

    TComPortDriver Second(nullptr);
    Second.Port = kPort;
    Second.Connect();
    if (!UnderWine()) {
        EXPECT_FALSE(Second.Connected()) << "the port is in exclusive use";
        EXPECT_EQ(Second.GetError(), ERROR_ACCESS_DENIED);
    }
    Second.DisConnect();

    EXPECT_EQ(Vorsa.GetState(), 0) << "the line still works";
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_F(ComPort, ACommandThatIsNeverAnsweredTimesOutWithBusyClear) {
    ASSERT_NO_FATAL_FAILURE(Connect(true));
    Vorsa.ReadTimeout = 2;
    ASSERT_EQ(Simulator("fault ignore CSQ"), "no answer to +CSQ");
    EXPECT_EQ(Vorsa.GetField(), 0);
    EXPECT_EQ(Events.Errors, ErrorReports{Catalogued(ErrReadTimeout)});
    EXPECT_FALSE(Vorsa.IsBusy());

    ASSERT_EQ(Simulator("fault ignore CSQ off"), "answering +CSQ");
    Events.Clear();
    EXPECT_NE(Vorsa.GetField(), 0) << "the next command is answered";
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// Ends the line for good: the driver runs it last.
TEST_F(ComPort, AHangUpInTheMiddleOfAReadIsReportedWithBusyClear) {
    ASSERT_NO_FATAL_FAILURE(Connect(true));
    Vorsa.ReadTimeout = 2;
    ASSERT_THAT(Simulator("deliver +40700000001 Never read"), HasSubstr("stored in SM at 1"));
    // The line drops as soon as the read command went out, before any of its answer.
    OnWrite = [](const std::string& Bytes) {
        if (Bytes.rfind("AT+CMGR=", 0) == 0) {
            EXPECT_THAT(Simulator("fault hangup"), HasSubstr("line closed"));
        }
    };
    EXPECT_EQ(Vorsa.ReadSMS("1"), "");
    OnWrite = nullptr;
    EXPECT_FALSE(Vorsa.IsBusy());
    // A port that hung up ends the read at once, with one report, and is closed.
    ASSERT_EQ(Events.Errors.size(), 1u) << ::testing::PrintToString(Events.Errors);
    EXPECT_EQ(Events.Errors[0].Code, -1);
    EXPECT_THAT(Events.Errors[0].Text, ::testing::StartsWith("System Error "));
    EXPECT_NE(Events.Errors[0].Text, "System Error 0");
    EXPECT_FALSE(Vorsa.Connected());
}

}  // namespace
}  // namespace vorsa::test
