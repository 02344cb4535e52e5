// The simulated modem served on a real pty, talked to as a program would talk to it.
#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <ostream>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "HelloMessage.h"
#include "TerminalClient.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::sim {
namespace {

using namespace std::chrono_literals;
using Kind = ModemLine::Kind;

constexpr Millis kPatience = 10s;
const std::string kSubmitted = std::string(kHelloSubmit) + "\x1a";

IncomingMessage Saying(const std::string& text) {
    return Hello(std::nullopt, text);
}

class PtyModem : public ::testing::Test {
  protected:
    void SetUp() override {
        modem.Start();
        client = std::make_unique<TerminalClient>(modem.DevicePath());
        ASSERT_GE(client->fd(), 0);
    }
    // Echo off, as the component sets it up.
    void Quiet() { ASSERT_EQ(Describe(client->Exchange("ATE0")), "I:ATE0|F:OK"); }

    SimulatedModem modem;
    std::unique_ptr<TerminalClient> client;
};

// The same with echo off from the start.
class QuietPtyModem : public PtyModem {
  protected:
    void SetUp() override {
        PtyModem::SetUp();
        Quiet();
    }
};

TEST_F(PtyModem, ServesAPtyAndEchoesAsAModemDoes) {
    EXPECT_EQ(modem.DevicePath().rfind("/dev/pts/", 0), 0u) << modem.DevicePath();
    EXPECT_TRUE(modem.Running());
    EXPECT_EQ(Describe(client->Exchange("AT")), "I:AT|F:OK");
    Quiet();
    EXPECT_EQ(Describe(client->Exchange("AT")), "F:OK");
}

using PtyExchange = QuietPtyModem;

TEST_F(PtyExchange, TextModePromptFlow) {
    client->Exchange("AT+CMGF=1");
    // The component writes CR LF after every line.
    client->Write("AT+CMGS=\"+40700000000\"\r\n");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Prompt})), "P:> ");
    client->Write("Hello\r\n");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Prompt})), "P:> ");
    client->Write("\x1a");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::FinalResult})), "I:+CMGS: 1|F:OK");
    ASSERT_TRUE(modem.WaitForOutbox(1, kPatience));
    EXPECT_EQ(modem.Outbox()[0].text, "Hello");
    EXPECT_EQ(modem.Outbox()[0].destination, "+40700000000");
    // The prompt is CR LF "> " with nothing after the space.
    EXPECT_TRUE(modem.WaitForOutput("\r\n> ", kPatience));
    std::string prompt = "\r\n> ";
    for (const TranscriptEntry& entry : modem.Transcript()) {
        if (entry.fromModem && entry.bytes.find("> ") != std::string::npos) {
            EXPECT_EQ(entry.bytes, prompt);
        }
    }
}

TEST_F(PtyExchange, PduModePromptFlow) {
    client->Write("AT+CMGS=18\r\n");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Prompt})), "P:> ");
    client->Write(kSubmitted);
    EXPECT_EQ(Describe(client->ReadUntil({Kind::FinalResult})), "I:+CMGS: 1|F:OK");
    std::vector<SentMessage> outbox = modem.Outbox();
    ASSERT_EQ(outbox.size(), 1u);
    EXPECT_EQ(outbox[0].pdu, kHelloSubmit);
    EXPECT_EQ(outbox[0].text, "hello");
}

TEST_F(PtyExchange, StorageIndexesAndStatuses) {
    client->Exchange("AT+CNMI=2,0;+CMGF=1");
    for (const char* text : {"one", "two", "three"}) {
        EXPECT_TRUE(modem.Deliver(Saying(text)).accepted);
    }
    EXPECT_EQ(Describe(client->Exchange("AT+CMGR=2")),
              "I:+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"|D:two|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CMGD=1")), "F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CMGL=\"ALL\"")),
              "I:+CMGL: 2,\"REC READ\",\"+40700000000\",,\"02/03/04,10:20:30+08\"|D:two|"
              "I:+CMGL: 3,\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"|D:three|F:OK");
    EXPECT_EQ(modem.Deliver(Saying("four")).index, 1) << "the lowest free slot";
    std::vector<StoredMessage> stored = modem.Storage();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].text, "four");
    EXPECT_EQ(stored[0].status, MessageStatus::ReceivedUnread);
    EXPECT_EQ(stored[1].status, MessageStatus::ReceivedRead);
    EXPECT_EQ(stored[2].status, MessageStatus::ReceivedRead) << "listed, so read";
}

TEST_F(PtyExchange, CmtiAndCmtRouting) {
    client->Exchange("AT+CNMI=2,1,0,0,0");
    modem.Deliver(Hello());
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Report})), "R:+CMTI: \"SM\",1");
    client->Exchange("AT+CNMI=2,2,0,0,0;+CMGF=1");
    modem.Deliver(Hello());
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Payload})),
              "R:+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"|D:Hello");
    client->Exchange("AT+CMGF=0");
    modem.Deliver(Hello());
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Payload})),
              "R:+CMT: ,24|D:07910407000000F1040B910407000000F000002030400102038005C8329BFD06");
}

TEST_F(PtyExchange, ReportsArrivingDuringACommandComeAfterItsFinalResult) {
    client->Exchange("AT+CNMI=2,1,0,0,0");
    client->Write("AT+CMGS=18\r");
    ASSERT_EQ(Describe(client->ReadUntil({Kind::Prompt})), "P:> ");
    EXPECT_EQ(modem.Deliver(Hello()).report, "+CMTI: \"SM\",1");
    client->Write(kSubmitted);
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Report})), "I:+CMGS: 1|F:OK|R:+CMTI: \"SM\",1");
}

TEST_F(PtyModem, CompatibilityWithWhatOtherToolsSend) {
    // NUL before CR (gsmlib), an ESC-led line and long headers; the queries such tools
    // make at start-up are answered as the engine tests check.
    EXPECT_EQ(Describe(client->Exchange(std::string("ATE0\0", 5))), "I:ATE0|F:OK");
    EXPECT_EQ(Describe(client->Exchange("\x1b"
                                        "AT")),
              "F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CMGF=1;+CSDH=1")), "F:OK");
    modem.Deliver(Hello());
    client->ReadUntil({Kind::Report});
    EXPECT_EQ(Describe(client->Exchange("AT+CMGR=1")),
              "I:+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\",145,4,0,0,"
              "\"+40700000001\",145,5|D:Hello|F:OK");
    std::string nul("AT+CMGF=0\0", 10);
    EXPECT_EQ(Describe(client->Exchange(nul)), "F:OK");
    client->Write(std::string("AT+CMGS=18\0\r", 12));
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Prompt})), "P:> ");
    client->Write(kSubmitted);
    EXPECT_EQ(Describe(client->ReadUntil({Kind::FinalResult})), "I:+CMGS: 1|F:OK");
}

TEST_F(PtyModem, ModemControlChangesAreIgnored) {
    termios tio{};
    ASSERT_EQ(::tcgetattr(client->fd(), &tio), 0);
    tio.c_cflag |= CRTSCTS | HUPCL;
    ::cfsetispeed(&tio, B1200);
    ::cfsetospeed(&tio, B1200);
    EXPECT_EQ(::tcsetattr(client->fd(), TCSADRAIN, &tio), 0);
    int dtr = TIOCM_DTR | TIOCM_RTS;
    // A pty may refuse the modem-control ioctls; the modem must not care either way.
    [[maybe_unused]] int set = ::ioctl(client->fd(), TIOCMBIS, &dtr);
    [[maybe_unused]] int clear = ::ioctl(client->fd(), TIOCMBIC, &dtr);
    ::tcflush(client->fd(), TCIOFLUSH);
    ::tcsendbreak(client->fd(), 0);
    EXPECT_EQ(Describe(client->Exchange("AT")), "I:AT|F:OK");
}

TEST_F(PtyExchange, TranscriptHoldsEveryByteBothWays) {
    client->Exchange("AT+CGMI");
    std::vector<TranscriptEntry> transcript = modem.Transcript();
    std::string in, out;
    for (const TranscriptEntry& entry : transcript) {
        (entry.fromModem ? out : in) += entry.bytes;
    }
    EXPECT_EQ(in, "ATE0\rAT+CGMI\r");
    EXPECT_EQ(out, "ATE0\r\r\nOK\r\n\r\nVorsa\r\n\r\nOK\r\n");
    for (size_t i = 1; i < transcript.size(); ++i) {
        EXPECT_GE(transcript[i].time, transcript[i - 1].time);
    }
    std::string formatted = modem.FormattedTranscript();
    EXPECT_NE(formatted.find(" ms -> \"AT+CGMI\\r\""), std::string::npos) << formatted;
    EXPECT_NE(formatted.find(" ms <- \"\\r\\nVorsa\\r\\n\\r\\nOK\\r\\n\""), std::string::npos);
}

TEST_F(PtyModem, WaitHelpersSeeCommandsAndChanges) {
    client->Write("ATE0\rAT+CSQ\r");
    EXPECT_TRUE(modem.WaitForCommand("at+csq", kPatience));
    EXPECT_TRUE(modem.WaitForCommand("AT", kPatience, 2));
    EXPECT_FALSE(modem.WaitForCommand("AT", 0ms, 3));
    EXPECT_TRUE(modem.WaitForOutput("+CSQ: 20,99", kPatience));
    EXPECT_TRUE(modem.WaitUntil([this] { return modem.CommandLines().size() == 2; }, kPatience));
    EXPECT_FALSE(modem.WaitForOutbox(1, 0ms));
}

// --- faults over the pty ---

// A fault switched on over the running modem, and the exchanges that show it: lines that
// get no answer are written first, then each exchange is checked, all within `atLeast`.
struct PtyFaultCase {
    const char* name;
    std::function<void(FaultSettings&)> set;
    std::vector<std::string> unanswered;
    std::vector<std::pair<std::string, std::string>> exchanges;
    Millis atLeast{0};
};

void PrintTo(const PtyFaultCase& c, std::ostream* os) {
    *os << c.name;
}

const PtyFaultCase kPtyFaults[] = {
    // Had the first line been answered, its answer would come before the next one.
    {"NoAnswerToTheNextCommands",
     [](FaultSettings& f) { f.ignoreNextCommands = 1; },
     {"AT+CGMI"},
     {{"AT+CSQ", "I:+CSQ: 20,99|F:OK"}}},
    {"ErrorsForANamedCommand",
     [](FaultSettings& f) {
         f.failingCommands["+CMGS"] = "+CMS ERROR: 500";
         f.failingCommands["+CPIN"] = "ERROR";
     },
     {},
     {{"AT+CMGS=18", "F:+CMS ERROR: 500"}, {"AT+CPIN?", "F:ERROR"}}},
    // The modem's clock counts whole milliseconds: allow for its rounding.
    {"DelaysEachAnswer",
     [](FaultSettings& f) { f.answerDelay = 300ms; },
     {},
     {{"AT", "F:OK"}},
     299ms},
    {"SendsEchoAfterAte0",
     [](FaultSettings& f) { f.forceEcho = true; },
     {},
     {{"AT+CSQ", "I:AT+CSQ|I:+CSQ: 20,99|F:OK"}}},
    {"SimNeedsPinAndActivityStatus",
     [](FaultSettings& f) {
         f.simNeedsPin = true;
         f.activityStatus = 2;
     },
     {},
     {{"AT+CPIN?", "I:+CPIN: SIM PIN|F:OK"},
      {"AT+CPAS", "I:+CPAS: 2|F:OK"},
      {"AT+CPIN=\"0000\"", "F:OK"},
      {"AT+CPIN?", "I:+CPIN: READY|F:OK"}}},
};

class PtyFault : public QuietPtyModem, public ::testing::WithParamInterface<PtyFaultCase> {};

TEST_P(PtyFault, ShowsOverThePty) {
    const PtyFaultCase& c = GetParam();
    modem.UpdateFaults(c.set);
    for (const std::string& line : c.unanswered) {
        client->Write(line + "\r");
        ASSERT_TRUE(modem.WaitForCommand(line, kPatience)) << line;
    }
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [line, lines] : c.exchanges) {
        EXPECT_EQ(Describe(client->Exchange(line)), lines) << line;
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, c.atLeast);
}

INSTANTIATE_TEST_SUITE_P(Faults, PtyFault, ::testing::ValuesIn(kPtyFaults),
                         [](const auto& info) { return std::string(info.param.name); });

using PtyFaults = QuietPtyModem;

TEST_F(PtyFaults, NoAnswerToANamedCommandUntilTheFaultsAreCleared) {
    modem.UpdateFaults([](FaultSettings& f) { f.ignoredCommands.insert("+CPAS"); });
    client->Write("AT+CPAS\r");
    ASSERT_TRUE(modem.WaitForCommand("AT+CPAS", kPatience));
    EXPECT_EQ(Describe(client->Exchange("AT")), "F:OK");
    modem.ClearFaults();
    EXPECT_EQ(Describe(client->Exchange("AT+CPAS")), "I:+CPAS: 0|F:OK");
}

TEST_F(PtyFaults, TricklesAnswersByteByByte) {
    modem.UpdateFaults([](FaultSettings& f) { f.trickleGap = 15ms; });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Describe(client->Exchange("AT+CGMI")), "I:Vorsa|F:OK");
    // 15 bytes, 14 gaps between them (less the rounding of the modem's millisecond clock).
    EXPECT_GE(std::chrono::steady_clock::now() - start, 14 * 15ms - 1ms);
    size_t pieces = 0;
    for (const TranscriptEntry& entry : modem.Transcript()) {
        if (entry.fromModem && entry.time >= Millis(0)) {
            ++pieces;
        }
    }
    EXPECT_GE(pieces, 3u) << "the answer went out in many writes";
}

TEST_F(PtyFaults, WithholdsThePrompt) {
    modem.UpdateFaults([](FaultSettings& f) { f.withholdPrompt = true; });
    client->Write("AT+CMGS=18\r");
    ASSERT_TRUE(modem.WaitUntil([this] { return modem.Settings().awaitingMessage; }, kPatience));
    client->Write(kSubmitted);
    EXPECT_EQ(Describe(client->ReadUntil({Kind::FinalResult})), "I:+CMGS: 1|F:OK")
        << "no prompt came before the result";
}

TEST_F(PtyFaults, SendsNulBytesAndLineNoise) {
    modem.UpdateFaults([](FaultSettings& f) {
        f.nulBytes = 3;
        f.lineNoise = "\x7f~";
    });
    client->Write("AT\r");
    EXPECT_EQ(client->ReadRawUntil("OK\r\n"), std::string("\0\0\0\x7f~\r\nOK\r\n", 11));
    modem.SendRaw(std::string("\xff\x00 junk", 7));
    EXPECT_EQ(client->ReadRawUntil("junk"), std::string("\xff\x00 junk", 7));
}

TEST_F(PtyFaults, HangUpMakesTheDeviceFail) {
    modem.HangUp();
    EXPECT_TRUE(modem.HungUp());
    // Reads end (EOF or EIO) and writes fail, as with an unplugged USB modem.
    client->ReadUntil({Kind::FinalResult}, 2s);
    EXPECT_LE(client->LastReadResult(), 0);
    EXPECT_FALSE(client->Write("AT\r"));
    EXPECT_EQ(client->LastError(), EIO);
    modem.Stop();
    EXPECT_FALSE(modem.Running());
}

// --- life cycle ---

size_t OpenDescriptors() {
    size_t count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir) != nullptr) {
            ++count;
        }
        ::closedir(dir);
    }
    return count;
}

size_t Threads() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Threads:", 0) == 0) {
            return std::stoul(line.substr(8));
        }
    }
    return 0;
}

TEST(PtyModemLifeCycle, StopIsPromptAndLeavesNoDescriptorOrThread) {
    size_t descriptors = OpenDescriptors();
    size_t threads = Threads();
    for (int i = 0; i < 5; ++i) {
        SimulatedModem modem;
        modem.Start();
        TerminalClient client(modem.DevicePath());
        EXPECT_EQ(Describe(client.Exchange("AT")), "I:AT|F:OK");
        EXPECT_EQ(Threads(), threads + 1);
        auto start = std::chrono::steady_clock::now();
        modem.Stop();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        modem.Stop();  // twice is fine
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(Threads(), threads);
}

TEST(PtyModemLifeCycle, RestartsOnANewDeviceKeepingItsState) {
    SimulatedModem modem;
    modem.Start();
    modem.Deliver(Hello());
    modem.Stop();
    EXPECT_EQ(modem.DevicePath(), "");
    modem.Start();
    EXPECT_FALSE(modem.DevicePath().empty());
    EXPECT_EQ(modem.Storage().size(), 1u);
    TerminalClient client(modem.DevicePath());
    EXPECT_EQ(Describe(client.Exchange("AT+CPMS?")),
              "I:AT+CPMS?|I:+CPMS: \"SM\",1,30,\"SM\",1,30,\"SM\",1,30|F:OK");
}

TEST(PtyModemLifeCycle, MakesAndRemovesTheLink) {
    std::string link = ::testing::TempDir() + "vorsa-sim-link-" + std::to_string(::getpid());
    ::unlink(link.c_str());
    {
        SimulatedModem modem({}, ServerOptions{link});
        modem.Start();
        EXPECT_EQ(modem.PreferredPath(), link);
        char target[256] = {};
        ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target), modem.DevicePath());
        TerminalClient client(link);
        EXPECT_EQ(Describe(client.Exchange("AT")), "I:AT|F:OK");
    }
    struct stat info {};
    EXPECT_NE(::lstat(link.c_str(), &info), 0) << "the link is gone after Stop";
}

TEST(PtyModemLifeCycle, NeverReplacesARegularFileWithTheLink) {
    std::string path = ::testing::TempDir() + "vorsa-sim-file-" + std::to_string(::getpid());
    { std::ofstream(path) << "keep me"; }
    SimulatedModem modem({}, ServerOptions{path});
    EXPECT_THROW(modem.Start(), std::system_error);
    EXPECT_FALSE(modem.Running());
    std::ifstream kept(path);
    std::string content;
    std::getline(kept, content);
    EXPECT_EQ(content, "keep me");
    ::unlink(path.c_str());
}

TEST(PtyModemLifeCycle, TwoModemsRunSideBySide) {
    SimulatedModem a;
    SimulatedModem b;
    a.Start();
    b.Start();
    EXPECT_NE(a.DevicePath(), b.DevicePath());
    TerminalClient ca(a.DevicePath());
    TerminalClient cb(b.DevicePath());
    ca.Exchange("ATE0");
    cb.Exchange("ATE0");
    b.Deliver(Hello());
    EXPECT_EQ(Describe(cb.ReadUntil({Kind::Report})), "R:+CMTI: \"SM\",1");
    EXPECT_EQ(Describe(ca.Exchange("AT+CPMS?")),
              "I:+CPMS: \"SM\",0,30,\"SM\",0,30,\"SM\",0,30|F:OK");
}

}  // namespace
}  // namespace vorsa::sim
