// The vorsa-sim command in a process of its own: it prints the device path when ready,
// takes console commands on standard input, and stops on quit or a signal.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Subprocess.h"
#include "TerminalClient.h"

namespace vorsa::sim {
namespace {

using namespace std::chrono_literals;
using test::Subprocess;
using Kind = ModemLine::Kind;

constexpr auto kPatience = 10s;

const std::string kSim = VORSA_SIM_PROGRAM_PATH;

// The first line vorsa-sim prints: the device to open.
std::string DeviceOf(Subprocess& sim) {
    EXPECT_TRUE(sim.WaitForOutput("\n", kPatience)) << sim.Errors();
    const std::string out = sim.Output();
    return out.substr(0, out.find('\n'));
}

// Each vorsa-sim below keeps its standard input open for console commands.

TEST(CommandLine, PrintsTheDeviceServesItAndQuits) {
    Subprocess sim(kSim, {}, "", true);
    const std::string device = DeviceOf(sim);
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    TerminalClient client(device);
    EXPECT_EQ(Describe(client.Exchange("ATE0")), "I:ATE0|F:OK");
    EXPECT_EQ(Describe(client.Exchange("AT+CGMI")), "I:Vorsa|F:OK");
    ASSERT_TRUE(sim.Write("deliver +40700000001 hi there\n"));
    EXPECT_EQ(Describe(client.ReadUntil({Kind::Report})), "R:+CMTI: \"SM\",1");
    ASSERT_TRUE(sim.Write("storage\n"));
    EXPECT_TRUE(sim.WaitForOutput("SM 1 REC UNREAD from +40700000001", kPatience)) << sim.Output();
    ASSERT_TRUE(sim.Write("quit\n"));
    EXPECT_EQ(sim.Finish(kPatience), 0);
}

TEST(CommandLine, SignalStopsItAndRemovesTheLink) {
    const std::string link = ::testing::TempDir() + "vorsa-sim-cli-" + std::to_string(::getpid());
    Subprocess sim(kSim, {"--link", link}, "", true);
    ASSERT_EQ(DeviceOf(sim), link);
    TerminalClient client(link);
    EXPECT_EQ(Describe(client.Exchange("AT")), "I:AT|F:OK");
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Finish(kPatience), 0);
    struct stat info {};
    EXPECT_NE(::lstat(link.c_str(), &info), 0);
}

TEST(CommandLine, KeepsServingAfterTheEndOfInput) {
    Subprocess sim(kSim, {"--pin", "4321", "--capacity", "5"}, "", true);
    const std::string device = DeviceOf(sim);
    sim.CloseInput();
    TerminalClient client(device);
    client.Exchange("ATE0");
    EXPECT_EQ(Describe(client.Exchange("AT+CPIN?")), "I:+CPIN: SIM PIN|F:OK");
    EXPECT_EQ(Describe(client.Exchange("AT+CPIN=\"4321\"")), "F:OK");
    EXPECT_EQ(Describe(client.Exchange("AT+CPMS?")),
              "I:+CPMS: \"SM\",0,5,\"SM\",0,5,\"SM\",0,5|F:OK");
    sim.Signal(SIGINT);
    EXPECT_EQ(sim.Finish(kPatience), 0);
}

TEST(CommandLine, VerbosePrintsTheTranscript) {
    Subprocess sim(kSim, {"-v"}, "", true);
    TerminalClient client(DeviceOf(sim));
    client.Exchange("AT");
    EXPECT_TRUE(sim.WaitForError("\\r\\nOK\\r\\n\"", kPatience));
    const std::string errors = sim.Errors();
    EXPECT_NE(errors.find(" ms -> \"AT\\r\""), std::string::npos) << errors;
    EXPECT_NE(errors.find(" ms <- \""), std::string::npos) << errors;
    ASSERT_TRUE(sim.Write("quit\n"));
    EXPECT_EQ(sim.Finish(kPatience), 0);
}

TEST(CommandLine, AnswersAsTheChosenFamilyWithQuirksAdded) {
    Subprocess sim(kSim, {"--profile", "qualcomm-m6280", "--quirk", "cpin-without-ok"}, "", true);
    TerminalClient client(DeviceOf(sim));
    EXPECT_EQ(Describe(client.Exchange("ATZ")), "I:ATZ|F:ERROR") << "the SIM wants its PIN";
    EXPECT_EQ(Describe(client.Exchange("AT+CPIN=\"0000\"")), "I:AT+CPIN=\"0000\"|F:OK");
    ASSERT_TRUE(client.Write("AT+CPIN?\r"));
    EXPECT_EQ(client.ReadRawUntil("READY\r\n"), "AT+CPIN?\r\r\n+CPIN: READY\r\n");
    EXPECT_EQ(Describe(client.Exchange("AT+CSQ")), "I:AT+CSQ|I:+CSQ: 20,99|F:OK");
    sim.CloseInput();
    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Finish(kPatience), 0);
}

TEST(CommandLine, RefusesUnknownOptions) {
    EXPECT_EQ(test::RunToEnd(kSim, {"--frobnicate"}, "", kPatience).status, 2);
    const test::Completed profile = test::RunToEnd(kSim, {"--profile", "nokia"}, "", kPatience);
    EXPECT_EQ(profile.status, 2);
    EXPECT_NE(profile.err.find("nokia-n79"), std::string::npos) << "it names the profiles";
    EXPECT_EQ(test::RunToEnd(kSim, {"--quirk", "bogus"}, "", kPatience).status, 2);
    const test::Completed help = test::RunToEnd(kSim, {"--help"}, "", kPatience);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: vorsa-sim"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("--link"), std::string::npos) << help.out;
}

}  // namespace
}  // namespace vorsa::sim
