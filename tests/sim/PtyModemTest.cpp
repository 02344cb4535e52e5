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

#include <gtest/gtest.h>

#include "TerminalClient.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::sim {
namespace {

using namespace std::chrono_literals;
using Kind = ModemLine::Kind;

constexpr Millis kPatience = 10s;
const char kSubmit[] = "0001000B910407000000F000F105E8329BFD06";

IncomingMessage Hello(const std::string& text = "Hello") {
    IncomingMessage message;
    message.from = "+40700000000";
    message.text = text;
    message.serviceCentre = "+40700000001";
    message.timeStamp = TimeStamp::Parse("02/03/04,10:20:30+08");
    return message;
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

TEST_F(PtyModem, ServesAPtyAndEchoesAsAModemDoes) {
    EXPECT_EQ(modem.DevicePath().rfind("/dev/pts/", 0), 0u) << modem.DevicePath();
    EXPECT_TRUE(modem.Running());
    EXPECT_EQ(Describe(client->Exchange("AT")), "I:AT|F:OK");
    Quiet();
    EXPECT_EQ(Describe(client->Exchange("AT")), "F:OK");
    EXPECT_EQ(Describe(client->Exchange("ATZ")), "F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT")), "I:AT|F:OK") << "ATZ turns the echo back on";
}

TEST_F(PtyModem, ChainedCommandsInOneLine) {
    Quiet();
    EXPECT_EQ(Describe(client->Exchange("AT+CGMI;+CGMM;+CMGF=1;+CMGF?")),
              "I:Vorsa|I:vorsa-sim|I:+CMGF: 1|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CMGL;")), "F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CMGF=1;+BOGUS;+CMGF=0")), "F:ERROR");
    EXPECT_TRUE(modem.Settings().textMode);
}

TEST_F(PtyModem, TextModePromptFlow) {
    Quiet();
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

TEST_F(PtyModem, PduModePromptFlow) {
    Quiet();
    client->Write("AT+CMGS=18\r\n");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Prompt})), "P:> ");
    client->Write(std::string(kSubmit) + "\x1a");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::FinalResult})), "I:+CMGS: 1|F:OK");
    std::vector<SentMessage> outbox = modem.Outbox();
    ASSERT_EQ(outbox.size(), 1u);
    EXPECT_EQ(outbox[0].pdu, kSubmit);
    EXPECT_EQ(outbox[0].text, "hello");
    client->Write("AT+CMGS=17\r");
    client->ReadUntil({Kind::Prompt});
    client->Write(std::string(kSubmit) + "\x1a");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::FinalResult})), "F:+CMS ERROR: 304");
}

TEST_F(PtyModem, StorageIndexesAndStatuses) {
    Quiet();
    client->Exchange("AT+CNMI=2,0;+CMGF=1");
    for (const char* text : {"one", "two", "three"}) {
        EXPECT_TRUE(modem.Deliver(Hello(text)).accepted);
    }
    EXPECT_EQ(Describe(client->Exchange("AT+CMGR=2")),
              "I:+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"|D:two|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CMGD=1")), "F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CMGL=\"ALL\"")),
              "I:+CMGL: 2,\"REC READ\",\"+40700000000\",,\"02/03/04,10:20:30+08\"|D:two|"
              "I:+CMGL: 3,\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"|D:three|F:OK");
    EXPECT_EQ(modem.Deliver(Hello("four")).index, 1) << "the lowest free slot";
    std::vector<StoredMessage> stored = modem.Storage();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].text, "four");
    EXPECT_EQ(stored[0].status, MessageStatus::ReceivedUnread);
    EXPECT_EQ(stored[1].status, MessageStatus::ReceivedRead);
    EXPECT_EQ(stored[2].status, MessageStatus::ReceivedRead) << "listed, so read";
}

TEST_F(PtyModem, CmtiAndCmtRouting) {
    Quiet();
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

TEST_F(PtyModem, ReportsArrivingDuringACommandComeAfterItsFinalResult) {
    Quiet();
    client->Exchange("AT+CNMI=2,1,0,0,0");
    client->Write("AT+CMGS=18\r");
    ASSERT_EQ(Describe(client->ReadUntil({Kind::Prompt})), "P:> ");
    EXPECT_EQ(modem.Deliver(Hello()).report, "+CMTI: \"SM\",1");
    client->Write(std::string(kSubmit) + "\x1a");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Report})), "I:+CMGS: 1|F:OK|R:+CMTI: \"SM\",1");
}

TEST_F(PtyModem, CompatibilityWithWhatOtherToolsSend) {
    // NUL before CR (gsmlib), an ESC-led line, phase 2+ and character set queries, the
    // radio state, memory lists and long headers.
    EXPECT_EQ(Describe(client->Exchange(std::string("ATE0\0", 5))), "I:ATE0|F:OK");
    EXPECT_EQ(Describe(client->Exchange("\x1b"
                                        "AT")),
              "F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CSMS?")), "I:+CSMS: 0,1,1,1|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CSMS=1")), "I:+CSMS: 1,1,1|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CSCS?")), "I:+CSCS: \"GSM\"|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CFUN?")), "I:+CFUN: 1|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CPMS=?")),
              "I:+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CMGF=1;+CSDH=1")), "F:OK");
    modem.Deliver(Hello());
    client->ReadUntil({Kind::Report});
    EXPECT_EQ(Describe(client->Exchange("AT+CMGR=1")),
              "I:+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\",145,4,0,0,"
              "\"+40700000001\",145,5|D:Hello|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+WHATEVER")), "F:ERROR");
    std::string nul("AT+CMGF=0\0", 10);
    EXPECT_EQ(Describe(client->Exchange(nul)), "F:OK");
    client->Write(std::string("AT+CMGS=18\0\r", 12));
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Prompt})), "P:> ");
    client->Write(std::string(kSubmit) + "\x1a");
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

TEST_F(PtyModem, TranscriptHoldsEveryByteBothWays) {
    Quiet();
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

TEST_F(PtyModem, FaultNoAnswerToTheNextCommands) {
    Quiet();
    modem.UpdateFaults([](FaultSettings& f) { f.ignoreNextCommands = 1; });
    client->Write("AT+CGMI\r");
    ASSERT_TRUE(modem.WaitForCommand("AT+CGMI", kPatience));
    // Had the first line been answered, its answer would come before this one.
    EXPECT_EQ(Describe(client->Exchange("AT+CSQ")), "I:+CSQ: 20,99|F:OK");
}

TEST_F(PtyModem, FaultNoAnswerToANamedCommand) {
    Quiet();
    modem.UpdateFaults([](FaultSettings& f) { f.ignoredCommands.insert("+CPAS"); });
    client->Write("AT+CPAS\r");
    ASSERT_TRUE(modem.WaitForCommand("AT+CPAS", kPatience));
    EXPECT_EQ(Describe(client->Exchange("AT")), "F:OK");
    modem.ClearFaults();
    EXPECT_EQ(Describe(client->Exchange("AT+CPAS")), "I:+CPAS: 0|F:OK");
}

TEST_F(PtyModem, FaultErrorsForANamedCommand) {
    Quiet();
    modem.UpdateFaults([](FaultSettings& f) {
        f.failingCommands["+CMGS"] = "+CMS ERROR: 500";
        f.failingCommands["+CPIN"] = "ERROR";
    });
    EXPECT_EQ(Describe(client->Exchange("AT+CMGS=18")), "F:+CMS ERROR: 500");
    EXPECT_EQ(Describe(client->Exchange("AT+CPIN?")), "F:ERROR");
}

TEST_F(PtyModem, FaultDelaysEachAnswer) {
    Quiet();
    modem.UpdateFaults([](FaultSettings& f) { f.answerDelay = 300ms; });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Describe(client->Exchange("AT")), "F:OK");
    // The modem's clock counts whole milliseconds: allow for its rounding.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 299ms);
}

TEST_F(PtyModem, FaultTricklesAnswersByteByByte) {
    Quiet();
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

TEST_F(PtyModem, FaultWithholdsThePrompt) {
    Quiet();
    modem.UpdateFaults([](FaultSettings& f) { f.withholdPrompt = true; });
    client->Write("AT+CMGS=18\r");
    ASSERT_TRUE(modem.WaitUntil([this] { return modem.Settings().awaitingMessage; }, kPatience));
    client->Write(std::string(kSubmit) + "\x1a");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::FinalResult})), "I:+CMGS: 1|F:OK")
        << "no prompt came before the result";
}

TEST_F(PtyModem, FaultSendsEchoAfterAte0) {
    Quiet();
    modem.UpdateFaults([](FaultSettings& f) { f.forceEcho = true; });
    EXPECT_EQ(Describe(client->Exchange("AT+CSQ")), "I:AT+CSQ|I:+CSQ: 20,99|F:OK");
}

TEST_F(PtyModem, FaultSendsNulBytesAndLineNoise) {
    Quiet();
    modem.UpdateFaults([](FaultSettings& f) {
        f.nulBytes = 3;
        f.lineNoise = "\x7f~";
    });
    client->Write("AT\r");
    EXPECT_EQ(client->ReadRawUntil("OK\r\n"), std::string("\0\0\0\x7f~\r\nOK\r\n", 11));
    modem.SendRaw(std::string("\xff\x00 junk", 7));
    EXPECT_EQ(client->ReadRawUntil("junk"), std::string("\xff\x00 junk", 7));
}

TEST_F(PtyModem, FaultHangUpMakesTheDeviceFail) {
    Quiet();
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

TEST_F(PtyModem, FaultSimNeedsPinAndActivityStatus) {
    Quiet();
    modem.UpdateFaults([](FaultSettings& f) {
        f.simNeedsPin = true;
        f.activityStatus = 2;
    });
    EXPECT_EQ(Describe(client->Exchange("AT+CPIN?")), "I:+CPIN: SIM PIN|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CPAS")), "I:+CPAS: 2|F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CPIN=\"0000\"")), "F:OK");
    EXPECT_EQ(Describe(client->Exchange("AT+CPIN?")), "I:+CPIN: READY|F:OK");
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
    std::string first = modem.DevicePath();
    modem.Deliver(Hello());
    modem.Stop();
    EXPECT_EQ(modem.DevicePath(), "");
    modem.Start();
    EXPECT_FALSE(modem.DevicePath().empty());
    EXPECT_EQ(modem.Storage().size(), 1u);
    TerminalClient client(modem.DevicePath());
    EXPECT_EQ(Describe(client.Exchange("AT+CPMS?")),
              "I:AT+CPMS?|I:+CPMS: \"SM\",1,30,\"SM\",1,30,\"SM\",1,30|F:OK");
    (void)first;
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
