// The vorsa program run as a user runs it, against a simulated modem in this process: every
// command in text and PDU mode, the --json output parsed, the dialogue of -v, the built-in
// simulated modem, Ctrl-C and the exit statuses.
#include <signal.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "sim/Subprocess.h"
#include "vorsa/sim/Console.h"
#include "vorsa/sim/ModemQuirks.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::test {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kProgram = VORSA_CLI_PROGRAM_PATH;
constexpr auto kPatience = 30s;

// Every line of --json output, parsed; a line that is not JSON fails the test.
struct JsonOutput {
    explicit JsonOutput(const std::string& out) {
        std::istringstream stream(out);
        for (std::string line; std::getline(stream, line);) {
            try {
                lines.push_back(json::parse(line));
            } catch (const json::exception& error) {
                ADD_FAILURE() << "not JSON: " << line << " (" << error.what() << ")";
            }
        }
    }
    // The lines of one "type".
    std::vector<json> Of(const std::string& type) const {
        std::vector<json> found;
        for (const json& line : lines) {
            if (line.value("type", "") == type) {
                found.push_back(line);
            }
        }
        return found;
    }

    std::vector<json> lines;
};

// A run of the program with --json: its status, its streams and its output parsed.
struct JsonRun : Completed, JsonOutput {
    explicit JsonRun(Completed run) : Completed(std::move(run)), JsonOutput(out) {}
};

// Each field of `expected` is in `line` with that value (the line may hold more).
void ExpectFields(const json& line, const json& expected) {
    for (const auto& field : expected.items()) {
        EXPECT_EQ(line.value(field.key(), json()), field.value()) << field.key() << " in " << line;
    }
}

enum class Mode { Text, Pdu };

// The program against a simulated modem of this process, in text or PDU mode.
class CliAgainstModem : public ::testing::TestWithParam<Mode> {
  protected:
    void SetUp() override { modem_.Start(); }

    bool Pdu() const { return GetParam() == Mode::Pdu; }

    // -p DEVICE --pdu|--text [--json], then the rest.
    std::vector<std::string> Args(const std::vector<std::string>& rest, bool json = true) const {
        std::vector<std::string> args{"-p", modem_.DevicePath(), Pdu() ? "--pdu" : "--text"};
        if (json) {
            args.push_back("--json");
        }
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    }
    // The program with --json, and without.
    JsonRun Vorsa(const std::vector<std::string>& rest, const std::string& input = "") {
        return JsonRun(RunToEnd(kProgram, Args(rest), input, kPatience));
    }
    Completed Plain(const std::vector<std::string>& rest) {
        return RunToEnd(kProgram, Args(rest, false), "", kPatience);
    }
    // `vorsa watch` with --json and the rest, once it says it is watching.
    std::unique_ptr<Subprocess> Watching(const std::vector<std::string>& rest) {
        std::vector<std::string> args{"watch"};
        args.insert(args.end(), rest.begin(), rest.end());
        auto watch = std::make_unique<Subprocess>(kProgram, Args(args));
        EXPECT_TRUE(watch->WaitForError("watching", kPatience)) << watch->Errors();
        return watch;
    }

    int Deliver(const std::string& from, const std::string& text) {
        sim::IncomingMessage message;
        message.from = from;
        message.text = text;
        const sim::DeliveryResult delivered = modem_.Deliver(message);
        EXPECT_TRUE(delivered.accepted) << delivered.reason;
        return delivered.index;
    }

    sim::SimulatedModem modem_;
};

INSTANTIATE_TEST_SUITE_P(Modes, CliAgainstModem, ::testing::Values(Mode::Text, Mode::Pdu),
                         [](const auto& info) {
                             return info.param == Mode::Text ? "Text" : "Pdu";
                         });

// A stamp as the tool prints it: yy/MM/dd,hh:mm:ss and a zone.
const std::regex kTimeStamp(R"(\d\d/\d\d/\d\d,\d\d:\d\d:\d\d[+-]\d\d)");

bool IsTimeStamp(const json& field) {
    return field.is_string() && std::regex_match(field.get<std::string>(), kTimeStamp);
}

TEST_P(CliAgainstModem, StatusGivesActivitySignalAndIdentityBetweenConnectAndDisconnect) {
    const JsonRun run = Vorsa({"status"});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(run.lines.size(), 3u) << run.out;
    EXPECT_EQ(run.lines.front()["type"], "connected");
    EXPECT_EQ(run.lines.front()["port"], modem_.DevicePath());
    EXPECT_EQ(run.lines.back()["type"], "disconnected");
    ExpectFields(run.lines[1], {{"type", "status"},
                                {"activity", 0},
                                {"activity_text", "ready"},
                                {"signal_dbm", 2 * 20 - 113},  // the simulator's quality 20
                                {"manufacturer", "Vorsa"},
                                {"model", "vorsa-sim"},
                                {"revision", "1.0.0"},
                                {"serial", "490154203237518"}});
    EXPECT_EQ(run.err, "") << "nothing to say on a good day";
    EXPECT_EQ(modem_.Settings().textMode, !Pdu()) << "the modem was put in the chosen mode";

    const Completed text = Plain({"status"});
    EXPECT_EQ(text.status, 0);
    EXPECT_THAT(text.out, HasSubstr("signal:       -73 dBm"));
    EXPECT_THAT(text.out, HasSubstr("activity:     0 (ready)"));
}

TEST_P(CliAgainstModem, SendHandsTheMessageOverAndPrintsItsReference) {
    const JsonRun run = Vorsa({"send", "+40700000001", "Hello from vorsa"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<sim::SentMessage> outbox = modem_.Outbox();
    ASSERT_EQ(outbox.size(), 1u);
    EXPECT_EQ(outbox[0].destination, "+40700000001");
    EXPECT_EQ(outbox[0].text, "Hello from vorsa");
    EXPECT_EQ(outbox[0].textMode, !Pdu());

    const std::string reference = std::to_string(outbox[0].reference);
    ASSERT_EQ(run.Of("send").size(), 1u) << run.out;
    ExpectFields(run.Of("send")[0], {{"ok", true},
                                     {"number", "+40700000001"},
                                     {"reference", reference},
                                     {"references", json::array({outbox[0].reference})},
                                     {"parts", 1},
                                     {"outcome", "sent"}});

    const Completed text = Plain({"send", "+40700000001", "again"});
    EXPECT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(text.out,
              "sent to +40700000001, reference " + std::to_string(outbox[0].reference + 1) + "\n");
    EXPECT_THAT(text.err, Not(HasSubstr("\033["))) << "no progress line off a terminal";
}

TEST_P(CliAgainstModem, SendReadsTheTextFromStandardInputWithoutItsLastLineBreak) {
    const JsonRun run = Vorsa({"send", "+40700000001"}, "Piped text\n");
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(modem_.Outbox().size(), 1u);
    EXPECT_EQ(modem_.Outbox()[0].text, "Piped text");
}

// PDU mode sends any text in as many parts as it takes; text mode sends one part of plain
// ASCII and refuses the rest, sending nothing, with a hint.
TEST_P(CliAgainstModem, SendTakesAnyTextInPduModeAndTextModeRefusesWhatItCannotCarry) {
    const struct {
        std::string text;
        int parts;  // in PDU mode; 0: refused in text mode too
    } cases[] = {
        {std::string(160, 'a'), 1},
        {std::string(161, 'a'), 0},
        {"5 \xE2\x82\xAC", 0},
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         0},
        {"Gr\xFC\xDF"
         "e",
         0},  // ISO 8859-1 bytes: the same text
    };
    size_t sent = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const JsonRun run = Vorsa({"send", "+40700000001", c.text});
        const bool goes = Pdu() || c.parts == 1;
        ASSERT_EQ(run.status, goes ? 0 : 1) << run.err;
        ASSERT_EQ(run.Of("send").size(), 1u) << run.out;
        EXPECT_EQ(run.Of("send")[0]["ok"], goes);
        if (!goes) {
            EXPECT_THAT(run.err, HasSubstr("Without --text, PDU mode sends any text"));
            EXPECT_EQ(run.Of("send")[0]["outcome"], "permanent");
            EXPECT_EQ(modem_.Outbox().size(), sent) << "nothing went out";
            continue;
        }
        const std::vector<sim::SentMessage> outbox = modem_.Outbox();
        const int parts = c.text.size() > 160 ? 2 : 1;
        ASSERT_EQ(outbox.size(), sent + parts);
        EXPECT_EQ(run.Of("send")[0]["parts"], parts);
        std::string arrived;
        for (size_t i = sent; i < outbox.size(); ++i) {
            arrived += outbox[i].text;
            EXPECT_EQ(run.Of("send")[0]["references"][i - sent], outbox[i].reference);
        }
        EXPECT_EQ(arrived, c.text[2] == '\xFC' ? "Gr\xC3\xBC\xC3\x9F"
                                                 "e"
                                               : c.text);
        sent = outbox.size();
    }
}

TEST_P(CliAgainstModem, ReadGivesTheFieldsAndDeletesTheMessageUnlessKept) {
    const std::string at = std::to_string(Deliver("+40700000002", "Meet at noon"));

    const JsonRun kept = Vorsa({"--keep", "read", at});
    ASSERT_EQ(kept.status, 0) << kept.err;
    ASSERT_EQ(kept.Of("message").size(), 1u) << kept.out;
    const json read = kept.Of("message")[0];
    ExpectFields(read, {{"index", at},
                        {"from", "+40700000002"},
                        {"text", "Meet at noon"},
                        {"parts", 1},
                        {"complete", true},
                        {"indexes", json::array({std::stoi(at)})}});
    EXPECT_TRUE(IsTimeStamp(read["time"])) << read;
    EXPECT_EQ(modem_.Storage().size(), 1u);
    EXPECT_TRUE(kept.Of("deleted").empty());

    const JsonRun taken = Vorsa({"read", at});
    ASSERT_EQ(taken.status, 0) << taken.err;
    EXPECT_EQ(taken.Of("message").at(0)["text"], "Meet at noon") << "read again";
    ASSERT_EQ(taken.Of("deleted").size(), 1u);
    EXPECT_EQ(taken.Of("deleted")[0]["index"], at);
    EXPECT_TRUE(modem_.Storage().empty());

    const Completed text = Plain({"read", at});
    EXPECT_EQ(text.status, 1) << "the slot is empty now";
    EXPECT_THAT(text.err, HasSubstr("error 321"));
}

TEST_P(CliAgainstModem, ReadInTextFormPrintsOneBlock) {
    const std::string at = std::to_string(Deliver("+40700000002", "Two\nlines"));
    const Completed run = Plain({"--keep", "read", at});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Index:  " + at + "\n"));
    EXPECT_THAT(run.out, HasSubstr("From:   +40700000002\n"));
    EXPECT_THAT(run.out, HasSubstr("Text:   Two\n        lines\n"));
}

TEST_P(CliAgainstModem, DeleteRemovesTheStoredMessage) {
    const JsonRun run = Vorsa({"delete", std::to_string(Deliver("+40700000002", "Delete me"))});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(modem_.Storage().empty());
    ASSERT_EQ(run.Of("deleted").size(), 1u);
    ASSERT_EQ(run.Of("delete").size(), 1u);
    EXPECT_EQ(run.Of("delete")[0]["ok"], true);

    const Completed text = Plain({"delete", "3"});
    EXPECT_EQ(text.status, 0) << "deleting an empty slot is no error to the modem";
    EXPECT_EQ(text.out, "deleted message 3\n");
}

TEST_P(CliAgainstModem, ListGivesEveryUnreadMessageAndDeletesThemUnlessKept) {
    Deliver("+40700000002", "First");
    Deliver("+40700000003", "Second");

    const JsonRun kept = Vorsa({"--keep", "list"});
    ASSERT_EQ(kept.status, 0) << kept.err;
    const std::vector<json> messages = kept.Of("message");
    ASSERT_EQ(messages.size(), 2u) << kept.out;
    ExpectFields(messages[0], {{"from", "+40700000002"}, {"text", "First"}});
    ExpectFields(messages[1], {{"from", "+40700000003"}, {"text", "Second"}});
    EXPECT_TRUE(IsTimeStamp(messages[1]["time"])) << messages[1];
    EXPECT_EQ(kept.Of("list").at(0)["count"], 2);
    EXPECT_EQ(modem_.Storage().size(), 2u);

    // The listing takes read messages too.
    modem_.ClearStorage();
    Deliver("+40700000004", "Third");
    const JsonRun taken = Vorsa({"list"});
    ASSERT_EQ(taken.status, 0) << taken.err;
    EXPECT_EQ(taken.Of("message").size(), 1u);
    EXPECT_EQ(taken.Of("deleted").size(), 1u);
    EXPECT_TRUE(modem_.Storage().empty());

    const Completed none = Plain({"list"});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "no stored messages\n");
}

TEST_P(CliAgainstModem, ListingTheModemRefusesIsAnError) {
    modem_.UpdateFaults(
        [](sim::FaultSettings& f) { f.failingCommands["+CMGL"] = "+CMS ERROR: 302"; });
    const JsonRun run = Vorsa({"list"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("error 302"));
}

TEST_P(CliAgainstModem, WatchReadsANotifiedMessageAsItArrives) {
    const auto watch = Watching({"--count", "1", "--for", "30"});
    Deliver("+40700000002", "Are you there?");
    ASSERT_EQ(watch->Finish(kPatience), 0) << watch->Errors();

    const JsonOutput output(watch->Output());
    const std::vector<json> messages = output.Of("message");
    ASSERT_EQ(messages.size(), 1u) << watch->Output();
    ExpectFields(messages[0], {{"text", "Are you there?"}, {"from", "+40700000002"}, {"parts", 1}});
    EXPECT_EQ(messages[0]["indexes"].size(), 1u);
    EXPECT_TRUE(output.Of("notify").empty()) << "the tool reads new messages itself";
    EXPECT_EQ(output.Of("watch").at(0)["messages"], 1);
    EXPECT_EQ(output.lines.back()["type"], "disconnected");
    EXPECT_TRUE(modem_.Storage().empty()) << "read, then deleted";
}

TEST_P(CliAgainstModem, WatchWithDirectForwardingPrintsTheMessageItself) {
    const auto watch = Watching({"--direct", "--count", "1", "--for", "30"});
    EXPECT_EQ(modem_.Settings().notifyDeliver, 2) << "AT+CNMI asked for +CMT";
    Deliver("+40700000002", "Straight through");
    ASSERT_EQ(watch->Finish(kPatience), 0) << watch->Errors();

    const std::vector<json> messages = JsonOutput(watch->Output()).Of("message");
    ASSERT_EQ(messages.size(), 1u) << watch->Output();
    ExpectFields(messages[0], {{"text", "Straight through"}, {"from", "+40700000002"}});
    EXPECT_TRUE(IsTimeStamp(messages[0]["time"])) << messages[0];
    EXPECT_TRUE(modem_.Storage().empty()) << "a forwarded message is never stored";
}

TEST_P(CliAgainstModem, WatchForSecondsEndsOnTimeAndCtrlCDisconnectsCleanly) {
    const auto start = std::chrono::steady_clock::now();
    const JsonRun quiet = Vorsa({"watch", "--for", "1"});
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(quiet.Of("watch").at(0)["messages"], 0);

    const auto watch = Watching({});
    watch->Signal(SIGINT);
    EXPECT_EQ(watch->Finish(kPatience), 0) << watch->Errors();
    EXPECT_THAT(watch->Errors(), HasSubstr("interrupted"));
    const JsonOutput output(watch->Output());
    ASSERT_FALSE(output.lines.empty());
    EXPECT_EQ(output.lines.back()["type"], "disconnected");
}

// A modem unplugged while watched (it hangs up, its device link goes) and plugged back: the
// watch reports the loss, finds the modem again and picks up what it stored meanwhile.
TEST_P(CliAgainstModem, WatchFindsAModemAgainThatWasUnpluggedAndPluggedBack) {
    const std::string link = "/tmp/vorsa-cli-link-" + std::to_string(::getpid());
    sim::SimulatedModem modem(sim::ModemOptions{}, sim::ServerOptions{link});
    modem.Start();
    std::vector<std::string> args{
        "-p", link, Pdu() ? "--pdu" : "--text", "--json", "watch", "--count", "1", "--for", "30"};
    Subprocess watch(kProgram, args);
    ASSERT_TRUE(watch.WaitForError("watching", kPatience)) << watch.Errors();
    modem.HangUp();
    ASSERT_TRUE(watch.WaitForOutput("\"disconnected\"", kPatience)) << watch.Errors();
    modem.Stop();
    sim::IncomingMessage message;
    message.from = "+40700000002";
    message.text = "While you were away";
    ASSERT_TRUE(modem.Deliver(message).accepted);
    modem.Start();

    EXPECT_EQ(watch.Finish(kPatience), 1) << "the loss was an error" << watch.Errors();
    EXPECT_THAT(watch.Errors(), HasSubstr("System Error"));
    const JsonOutput output(watch.Output());
    EXPECT_EQ(output.Of("connected").size(), 2u) << watch.Output();
    const std::vector<json> messages = output.Of("message");
    ASSERT_EQ(messages.size(), 1u) << watch.Output();
    ExpectFields(messages[0], {{"text", "While you were away"}, {"from", "+40700000002"}});
    EXPECT_TRUE(modem.Storage().empty()) << "picked up, then deleted";
}

TEST_P(CliAgainstModem, VerboseShowsTheDialogueWithTimeStamps) {
    const Completed run = Plain({"-v", "status"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string format = Pdu() ? "0" : "1";
    EXPECT_TRUE(std::regex_search(
        run.err, std::regex(R"(\[ *\d+\.\d{3}\] -> AT\+CMGF=)" + format + R"(\\r\\n)")))
        << run.err;
    EXPECT_TRUE(std::regex_search(run.err, std::regex(R"(\[ *\d+\.\d{3}\] <- .*\+CSQ: 20)")));
    EXPECT_THAT(run.out, HasSubstr("signal:")) << "results stay on standard output";
}

// A long Unicode message: sent with --report, every part's delivery report is printed;
// delivered to a watch in parts out of order and one twice, it is printed once, whole.
TEST(CliLongMessages, SendWaitsForEveryReportAndWatchPrintsTheMessageWhole) {
    sim::SimulatedModem modem;
    modem.SetStatusReports({std::chrono::milliseconds(100), 0x00});
    modem.Start();
    std::string text;
    for (int i = 0; i < 8; ++i) {
        text += "Καλημέρα, привет, 你好 👋🏽👍🏿 ";  // 240 UCS2 units: 4 parts
    }
    text.pop_back();  // the console trims its lines
    const JsonRun sent(RunToEnd(kProgram,
                                {"-p", modem.DevicePath(), "--json", "send", "--report",
                                 "--validity", "1d", "+40700000001", text},
                                "", kPatience));
    ASSERT_EQ(sent.status, 0) << sent.err;
    const json send = sent.Of("send").at(0);
    EXPECT_EQ(send["parts"], 4);
    const std::vector<sim::SentMessage> outbox = modem.Outbox();
    ASSERT_EQ(outbox.size(), 4u);
    std::string arrived;
    for (const sim::SentMessage& part : outbox) {
        arrived += part.text;
    }
    EXPECT_EQ(arrived, text);
    const std::vector<json> reports = sent.Of("report");
    ASSERT_EQ(reports.size(), 4u) << sent.out;
    for (size_t i = 0; i < reports.size(); ++i) {
        ExpectFields(reports[i], {{"reference", outbox[i].reference},
                                  {"status", "delivered"},
                                  {"delivered", true},
                                  {"recipient", "+40700000001"}});
    }

    Subprocess watch(kProgram,
                     {"-p", modem.DevicePath(), "--json", "watch", "--count", "1", "--for", "30"});
    ASSERT_TRUE(watch.WaitForError("watching", kPatience)) << watch.Errors();
    sim::Console console(modem);
    const std::string said =
        console.Execute("deliver --reverse --repeat 2 +40700000002 " + text).output;
    EXPECT_THAT(said, HasSubstr("4 parts")) << said;
    ASSERT_EQ(watch.Finish(kPatience), 0) << watch.Errors();
    const std::vector<json> messages = JsonOutput(watch.Output()).Of("message");
    ASSERT_EQ(messages.size(), 1u) << watch.Output();
    ExpectFields(messages[0],
                 {{"from", "+40700000002"}, {"text", text}, {"parts", 4}, {"complete", true}});
    EXPECT_TRUE(IsTimeStamp(messages[0]["time"])) << messages[0];
    EXPECT_TRUE(modem.WaitUntil([&] { return modem.Storage().empty(); }, kPatience))
        << "every part, the copy too, deleted once the message was printed";
}

// A report that says the message failed is an error of the send; none at all, too.
TEST(CliLongMessages, AFailedOrMissingReportFailsTheSend) {
    sim::SimulatedModem modem;
    modem.SetStatusReports({std::chrono::milliseconds(50), 0x41});
    modem.Start();
    const JsonRun failed(RunToEnd(
        kProgram, {"-p", modem.DevicePath(), "--json", "send", "--report", "+40700000001", "hi"},
        "", kPatience));
    EXPECT_EQ(failed.status, 1);
    ExpectFields(failed.Of("report").at(0), {{"status", "failed"}, {"delivered", false}});
    EXPECT_THAT(failed.err, HasSubstr("was not delivered"));

    modem.SetStatusReports({std::chrono::seconds(60), 0x00});
    const Completed waited = RunToEnd(kProgram,
                                      {"-p", modem.DevicePath(), "send", "--report",
                                       "--report-wait", "0.5", "+40700000001", "hi"},
                                      "", kPatience);
    EXPECT_EQ(waited.status, 1);
    EXPECT_THAT(waited.err, HasSubstr("no delivery report"));
}

// A text-mode modem writes its default character set as ISO 8859-1 bytes, which are not
// UTF-8; they come out as UTF-8.
TEST(CliCharacters, Latin1TextFromATextModeModemComesOutAsUtf8) {
    sim::SimulatedModem modem;
    modem.Start();
    sim::IncomingMessage message;
    message.from = "+40700000002";
    message.text = "Grüße";
    const std::string index = std::to_string(modem.Deliver(message).index);
    const Completed run =
        RunToEnd(kProgram, {"-p", modem.DevicePath(), "--text", "--json", "--keep", "read", index});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(JsonRun(run).Of("message").at(0)["text"], "Grüße");
    const Completed text = RunToEnd(kProgram, {"-p", modem.DevicePath(), "--text", "read", index});
    EXPECT_THAT(text.out, HasSubstr("Text:   Grüße"));
}

// A modem that refuses steps of the set-up: the tool goes on and says what it did instead,
// with -v as a note and with --json as "adaptation" events.
TEST(CliModems, VerboseSaysWhatTheSetUpAdaptedTo) {
    sim::SimulatedModem modem;
    modem.SetQuirks(*sim::ProfileQuirks("nokia-n79"));
    modem.Start();
    const Completed run = RunToEnd(kProgram, {"-p", modem.DevicePath(), "-v", "status"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("vorsa: modem adapted to: AT+CPMS=\"SM\",\"SM\",\"SM\" refused "
                                   "(ERROR) and the modem lists no message memory"));
    EXPECT_THAT(run.err, HasSubstr("vorsa: modem adapted to: AT+CNMI=2,1,0,0,0 refused (ERROR); "
                                   "routing set to AT+CNMI=3,1,0,0,0"));
    EXPECT_THAT(run.out, HasSubstr("activity:     0 (ready)"));

    const JsonRun json(RunToEnd(kProgram, {"-p", modem.DevicePath(), "--json", "status"}));
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.Of("adaptation").size(), 2u) << json.out;
    EXPECT_EQ(json.err, "") << "without -v the notes stay unsaid";
}

// A setting that would end its command early is refused before the device is opened.
TEST(CliModems, SettingsThatWouldRunAsCommandsAreRefused) {
    sim::SimulatedModem modem;
    modem.Start();
    for (const std::vector<std::string>& setting :
         std::vector<std::vector<std::string>>{{"--smsc", "+40\";+CMGD=1,4;+CSCA=\"+40"},
                                               {"--pin", "0000\";+CMGD=1,4;+CPIN=\"0000"},
                                               {"--storage", "\"SM\";+CMGD=1,4"}}) {
        std::vector<std::string> args{"-p", modem.DevicePath()};
        args.insert(args.end(), setting.begin(), setting.end());
        args.push_back("status");
        const Completed run = RunToEnd(kProgram, args);
        EXPECT_EQ(run.status, 1) << setting[0];
        EXPECT_THAT(run.err, HasSubstr("error -1: ")) << setting[0];
    }
    EXPECT_TRUE(modem.CommandLines().empty()) << "not a byte reached the modem";
    const JsonRun send(RunToEnd(
        kProgram, {"-p", modem.DevicePath(), "--json", "send", std::string(21, '4'), "hi"}));
    EXPECT_EQ(send.status, 1);
    ASSERT_FALSE(send.Of("error").empty()) << send.out;
    EXPECT_EQ(send.Of("error")[0]["message"], "Dest number too long.");
    EXPECT_TRUE(modem.Outbox().empty());
}

// Exit statuses and the conventions every command shares.

TEST(CliExitStatus, AMissingDeviceIsAModemError) {
    const Completed run = RunToEnd(kProgram, {"-p", "/dev/vorsa-no-such-device", "status"});
    EXPECT_EQ(run.status, 1);
    EXPECT_THAT(run.err, HasSubstr("error 1000"));
    EXPECT_THAT(run.err, HasSubstr("No such file or directory"));
    EXPECT_EQ(run.out, "");
}

TEST(CliExitStatus, ARefusedPinIsAModemErrorAndTheRightOneConnects) {
    sim::ModemOptions options;
    options.pin = "1234";
    options.pinRequired = true;
    sim::SimulatedModem modem(options);
    modem.Start();
    const JsonRun wrong(
        RunToEnd(kProgram, {"-p", modem.DevicePath(), "--pin", "0000", "--json", "status"}));
    EXPECT_EQ(wrong.status, 1);
    ASSERT_FALSE(wrong.Of("error").empty()) << wrong.out;
    EXPECT_EQ(wrong.Of("error").back()["code"], 311);
    EXPECT_TRUE(wrong.Of("status").empty());

    const Completed none = RunToEnd(kProgram, {"-p", modem.DevicePath(), "status"});
    EXPECT_EQ(none.status, 1) << "no PIN at all";

    const Completed right =
        RunToEnd(kProgram, {"-p", modem.DevicePath(), "--pin", "1234", "status"});
    EXPECT_EQ(right.status, 0) << right.err;
}

TEST(CliExitStatus, UsageErrorsExitWithTwoAndSayWhy) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"bogus"},
                                               {"read"},
                                               {"read", "x1"},
                                               {"--sim", "-p", "/dev/null", "status"},
                                               {"send"},
                                               {"watch", "--for", "-1"},
                                               {"--baud"}}) {
        const Completed run = RunToEnd(kProgram, args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
        EXPECT_NE(run.err, "") << ::testing::PrintToString(args);
        EXPECT_EQ(run.out, "") << ::testing::PrintToString(args);
    }
}

TEST(CliConventions, EveryCommandHasHelpAndThereIsAVersion) {
    for (const std::string command : {"", "send", "read", "delete", "list", "watch", "status"}) {
        std::vector<std::string> args;
        if (!command.empty()) {
            args.push_back(command);
        }
        args.push_back("--help");
        const Completed run = RunToEnd(kProgram, args);
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_THAT(run.out,
                    HasSubstr(command.empty() ? "Usage: vorsa" : "Usage: vorsa " + command))
            << run.out;
    }
    const Completed version = RunToEnd(kProgram, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "vorsa " VORSA_TEST_VERSION "\n");
}

TEST(CliBuiltInModem, WithoutAPortTheToolSaysItUsesTheSimulatedModem) {
    const Completed run = RunToEnd(kProgram, {"status"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("simulated modem"));
    EXPECT_THAT(run.err, HasSubstr("-p DEVICE"));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << "one line";
    EXPECT_THAT(run.out, HasSubstr("model:        vorsa-sim"));

    const Completed asked = RunToEnd(kProgram, {"--sim", "--pdu", "send", "+4070000", "hi"});
    EXPECT_EQ(asked.status, 0) << asked.err;
    EXPECT_EQ(asked.err, "") << "--sim asked for it: nothing to point out";
}

TEST(CliBuiltInModem, WatchTakesSimulatorConsoleCommandsOnStandardInput) {
    const JsonRun run(RunToEnd(kProgram,
                               {"--sim", "--json", "watch", "--count", "1", "--for", "30"},
                               "deliver +40700000009 From the console\n", kPatience));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<json> messages = run.Of("message");
    ASSERT_EQ(messages.size(), 1u) << run.out;
    ExpectFields(messages[0], {{"from", "+40700000009"}, {"text", "From the console"}});
}

TEST(CliProgress, ATerminalGetsAProgressLineThatIsClearedAgain) {
    const Completed run =
        RunOnTerminal(kProgram, {"--sim", "send", "+40700000001", "hi"}, kPatience);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_THAT(run.out, HasSubstr("connecting to /dev/pts/"));
    EXPECT_THAT(run.out, HasSubstr("sending to +40700000001"));
    EXPECT_THAT(run.out, HasSubstr("\r\033[K"));
    EXPECT_THAT(run.out, HasSubstr("sent to +40700000001, reference 1"));

    const Completed json = RunOnTerminal(kProgram, {"--sim", "--json", "status"}, kPatience);
    EXPECT_EQ(json.status, 0);
    EXPECT_THAT(json.out, Not(HasSubstr("connecting"))) << "no progress with --json";
}

}  // namespace
}  // namespace vorsa::test
