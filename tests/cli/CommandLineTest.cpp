// The command line as parsed: global options on either side of the command, what each
// option sets, and the mistakes that are usage errors.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "vorsa/cli/CommandLine.h"

namespace vorsa::cli {
namespace {

Options Parsed(const std::vector<std::string>& arguments) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    EXPECT_TRUE(parsed.options.has_value());
    return parsed.options.value_or(Options{});
}

int UsageStatus(const std::vector<std::string>& arguments) {
    testing::internal::CaptureStderr();
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    (void)testing::internal::GetCapturedStderr();
    EXPECT_FALSE(parsed.options.has_value());
    return parsed.exitStatus;
}

TEST(CommandLine, DefaultsAndEveryGlobalOption) {
    const Options plain = Parsed({"status"});
    EXPECT_EQ(plain.command, Command::Status);
    EXPECT_EQ(plain.baud, 115200);
    EXPECT_EQ(plain.port, "");
    EXPECT_TRUE(plain.pdu) << "PDU mode unless --text";
    EXPECT_FALSE(plain.keep || plain.direct || plain.json || plain.verbose);
    EXPECT_FALSE(Parsed({"--text", "status"}).pdu);
    EXPECT_FALSE(plain.pin || plain.smsc || plain.timeout || plain.init1 || plain.storage);

    // clang-format off
    const std::vector<std::string> everything = {
        "-p", "/dev/ttyUSB0", "-b", "9600", "--pdu", "--pin", "1234", "--smsc", "+40700000000",
        "--timeout", "30", "--keep", "--direct", "--init1", "", "--init2", "ATE0",
        "--init3", "AT+CSCS=\"GSM\"", "--storage", "\"ME\",\"ME\",\"ME\"", "--json", "-v", "list"};
    // clang-format on
    const Options all = Parsed(everything);
    EXPECT_EQ(all.command, Command::List);
    EXPECT_EQ(all.port, "/dev/ttyUSB0");
    EXPECT_EQ(all.baud, 9600);
    EXPECT_TRUE(all.pdu && all.keep && all.direct && all.json && all.verbose);
    EXPECT_EQ(all.pin, "1234");
    EXPECT_EQ(all.smsc, "+40700000000");
    EXPECT_EQ(all.timeout, 30u);
    EXPECT_EQ(all.init1, "") << "an empty command is given, not absent: it skips the step";
    EXPECT_EQ(all.init2, "ATE0");
    EXPECT_EQ(all.init3, "AT+CSCS=\"GSM\"");
    EXPECT_EQ(all.storage, "\"ME\",\"ME\",\"ME\"");
}

TEST(CommandLine, GlobalOptionsMayFollowTheCommand) {
    const Options o = Parsed({"send", "+40700000001", "hi there", "--pdu", "-p", "/dev/x"});
    EXPECT_EQ(o.command, Command::Send);
    EXPECT_EQ(o.number, "+40700000001");
    EXPECT_EQ(o.text, "hi there");
    EXPECT_TRUE(o.pdu);
    EXPECT_EQ(o.port, "/dev/x");

    EXPECT_FALSE(Parsed({"send", "+40700000001"}).text.has_value()) << "read from stdin";
}

TEST(CommandLine, CommandsAndTheirArguments) {
    EXPECT_EQ(Parsed({"read", "7"}).index, "7");
    EXPECT_EQ(Parsed({"delete", "12"}).command, Command::Delete);
    const Options watch = Parsed({"watch", "--for", "2.5", "--count", "3"});
    EXPECT_EQ(watch.command, Command::Watch);
    EXPECT_EQ(watch.watchFor, 2.5);
    EXPECT_EQ(watch.watchCount, 3u);
    EXPECT_FALSE(Parsed({"watch"}).watchFor.has_value());
    const Options send = Parsed({"send", "--report", "--class", "0", "--validity", "2h", "1", "x"});
    EXPECT_TRUE(send.report);
    EXPECT_EQ(send.messageClass, 0);
    EXPECT_EQ(send.validity, std::chrono::minutes(120));
    EXPECT_TRUE(Parsed({"--sim", "status"}).sim);
}

TEST(CommandLine, MistakesAreUsageErrors) {
    const struct {
        std::vector<std::string> arguments;
        const char* why;
    } mistakes[] = {
        {{}, "no command"},
        {{"frobnicate"}, "no such command"},
        {{"read"}, "missing INDEX"},
        {{"read", "1a"}, "INDEX is no number"},
        {{"delete", "-1"}, "INDEX below zero"},
        {{"send"}, "missing NUMBER"},
        {{"send", "+4070", "a", "b"}, "quote the text"},
        {{"-p", "/dev/x", "--sim", "status"}, "a port and the simulated modem"},
        {{"--timeout", "0", "status"}, "no time to wait"},
        {{"-b", "0", "status"}, "no speed"},
        {{"-b", "fast", "status"}, "a speed that is no number"},
        {{"watch", "--for", "0"}, "watching for no time"},
        {{"status", "list"}, "one command at a time"},
        {{"--bogus", "status"}, "no such option"},
        {{"--pdu", "--text", "status"}, "two modes"},
        {{"send", "--class", "4", "1", "x"}, "no such class"},
        {{"send", "--report-wait", "5", "1", "x"}, "a wait without a report"},
        {{"send", "--validity", "0h", "1", "x"}, "no time at all"},
    };
    for (const auto& mistake : mistakes) {
        EXPECT_EQ(UsageStatus(mistake.arguments), kExitUsage) << mistake.why;
    }
}

TEST(CommandLine, ValidityPeriods) {
    const struct {
        const char* text;
        long minutes;  // 0: refused
    } periods[] = {{"30m", 30}, {"2h", 120},      {"1d", 1440}, {"1w", 10080}, {"63w", 635040},
                   {"64w", 0},  {"0m", 0},        {"m", 0},     {"5", 0},      {"5s", 0},
                   {"-1h", 0},  {"99999999d", 0}, {"1.5h", 0}};
    for (const auto& period : periods) {
        const std::optional<std::chrono::minutes> parsed = ParseDuration(period.text);
        EXPECT_EQ(parsed.value_or(std::chrono::minutes(0)).count(), period.minutes) << period.text;
    }
}

TEST(CommandLine, HelpAndVersionEndWithSuccess) {
    testing::internal::CaptureStdout();
    const ParsedCommandLine version = ParseCommandLine({"--version"});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), VersionText() + "\n");
    EXPECT_FALSE(version.options.has_value());
    EXPECT_EQ(version.exitStatus, kExitOk);

    testing::internal::CaptureStdout();
    const ParsedCommandLine help = ParseCommandLine({"send", "--help"});
    const std::string text = testing::internal::GetCapturedStdout();
    EXPECT_EQ(help.exitStatus, kExitOk);
    EXPECT_NE(text.find("vorsa send"), std::string::npos) << text;
}

}  // namespace
}  // namespace vorsa::cli
