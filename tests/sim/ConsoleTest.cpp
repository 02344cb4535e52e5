// The console commands of vorsa-sim, on a running modem in this process.
#include <gtest/gtest.h>

#include "TerminalClient.h"
#include "vorsa/sim/Console.h"
#include "vorsa/sim/ModemQuirks.h"

namespace vorsa::sim {
namespace {

using namespace std::chrono_literals;
using Kind = ModemLine::Kind;

class ConsoleOnModem : public ::testing::Test {
  protected:
    void SetUp() override {
        modem.Start();
        client = std::make_unique<TerminalClient>(modem.DevicePath());
        ASSERT_EQ(Describe(client->Exchange("ATE0")), "I:ATE0|F:OK");
    }
    std::string Run(std::string_view line) {
        Console::Result result = console.Execute(line);
        EXPECT_FALSE(result.quit);
        return result.output;
    }

    SimulatedModem modem;
    Console console{modem};
    std::unique_ptr<TerminalClient> client;
};

TEST_F(ConsoleOnModem, DeliverStoresAndAnnounces) {
    EXPECT_EQ(Run("deliver +40700000001 Hello there\\nsecond line"),
              "stored in SM at 1; report +CMTI: \"SM\",1\n");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Report})), "R:+CMTI: \"SM\",1");
    std::vector<StoredMessage> stored = modem.Storage();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].number, "+40700000001");
    EXPECT_EQ(stored[0].text, "Hello there\nsecond line");
    EXPECT_EQ(Run("storage").rfind("SM 1 REC UNREAD from +40700000001 at ", 0), 0u);
}

TEST_F(ConsoleOnModem, DeliverOptions) {
    EXPECT_EQ(Run("deliver --alpha --class 0 --time 02/03/04,10:20:30+08 --smsc +40711111111 "
                  "Vorsa Flash"),
              "stored in SM at 1; report +CMTI: \"SM\",1\n");
    EXPECT_EQ(Run("deliver --8bit --hex 0700000000 01FF"),
              "stored in SM at 2; report +CMTI: \"SM\",2\n");
    EXPECT_EQ(Run("deliver --ucs2 +40700000001 \xD0\x96"),
              "stored in SM at 3; report +CMTI: \"SM\",3\n");
    std::vector<StoredMessage> stored = modem.Storage();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[0].number, "Vorsa");
    EXPECT_EQ(stored[0].timeStamp, "02/03/04,10:20:30+08");
    EXPECT_EQ(stored[0].pdu.substr(0, 16), "07910417111111F1");
    EXPECT_EQ(stored[1].text, std::string("\x01\xff", 2));
    EXPECT_EQ(stored[2].text, "\xD0\x96");
    EXPECT_EQ(Run("deliver --class 7 +1 x"), "--class takes 0, 1, 2 or 3\n");
    EXPECT_EQ(Run("deliver --time yesterday +1 x"), "--time takes yy/MM/dd,hh:mm:ss+zz\n");
    EXPECT_EQ(Run("deliver --hex +1 ABC"), "--hex needs an even number of hexadecimal digits\n");
    EXPECT_EQ(Run("deliver"), "usage: deliver [options] FROM TEXT\n");
    EXPECT_EQ(Run("deliver --bogus +1 x"), "unknown option --bogus; type help\n");
    EXPECT_EQ(modem.Storage().size(), 3u) << "refused lines deliver nothing";
}

TEST_F(ConsoleOnModem, DeliverIntoAFullMemoryIsRefused) {
    for (int i = 0; i < 30; ++i) {
        Run("deliver +1 m");
    }
    EXPECT_EQ(Run("deliver +1 m"), "refused (322): memory SM full\n");
    EXPECT_EQ(Run("storage clear"), "storage cleared\n");
    EXPECT_EQ(Run("storage"), "storage empty\n");
}

TEST_F(ConsoleOnModem, OutboxShowsWhatWasSent) {
    EXPECT_EQ(Run("outbox"), "outbox empty\n");
    client->Write("AT+CMGS=18\r");
    client->ReadUntil({Kind::Prompt});
    client->Write("0001000B910407000000F000F105E8329BFD06\x1a");
    client->ReadUntil({Kind::FinalResult});
    EXPECT_EQ(Run("outbox"),
              "ref 1 to +40700000000 (PDU mode, class 1): \"hello\"\n"
              "    PDU 0001000B910407000000F000F105E8329BFD06\n");
}

TEST_F(ConsoleOnModem, FaultSwitches) {
    EXPECT_EQ(Run("fault ignore 2"), "no answer to the next 2 commands\n");
    EXPECT_EQ(modem.Faults().ignoreNextCommands, 2);
    EXPECT_EQ(Run("fault ignore at+cmgs"), "no answer to +CMGS\n");
    EXPECT_EQ(modem.Faults().ignoredCommands.count("+CMGS"), 1u);
    EXPECT_EQ(Run("fault ignore cmgs off"), "answering +CMGS\n");
    EXPECT_TRUE(modem.Faults().ignoredCommands.empty());
    EXPECT_EQ(Run("fault error +CMGR 321"), "+CMGR now answers +CMS ERROR: 321\n");
    EXPECT_EQ(Run("fault error CPIN"), "+CPIN now answers ERROR\n");
    EXPECT_EQ(Run("fault error cimi cme 10"), "+CIMI now answers +CME ERROR: 10\n");
    EXPECT_EQ(modem.Faults().failingCommands.at("+CMGR"), "+CMS ERROR: 321");
    EXPECT_EQ(modem.Faults().failingCommands.at("+CPIN"), "ERROR");
    EXPECT_EQ(Run("fault error cpin off"), "+CPIN works again\n");
    EXPECT_EQ(modem.Faults().failingCommands.count("+CPIN"), 0u);
    EXPECT_EQ(Run("fault delay 250"), "fault delay 250\n");
    EXPECT_EQ(Run("fault trickle 5"), "fault trickle 5\n");
    EXPECT_EQ(Run("fault stall 300"), "fault stall 300\n");
    EXPECT_EQ(Run("fault nul 2"), "fault nul 2\n");
    EXPECT_EQ(Run("fault cpas 3"), "fault cpas 3\n");
    EXPECT_EQ(Run("fault noprompt on"), "fault noprompt on\n");
    EXPECT_EQ(Run("fault echo on"), "fault echo on\n");
    EXPECT_EQ(Run("fault pin on"), "fault pin on\n");
    EXPECT_EQ(Run("fault noise \\xFF~"), "line noise \"\xFF~\"\n");
    FaultSettings f = modem.Faults();
    EXPECT_EQ(f.answerDelay, Millis(250));
    EXPECT_EQ(f.trickleGap, Millis(5));
    EXPECT_EQ(f.stallGap, Millis(300));
    EXPECT_EQ(f.nulBytes, 2);
    EXPECT_EQ(f.activityStatus, 3);
    EXPECT_TRUE(f.withholdPrompt);
    EXPECT_TRUE(f.forceEcho);
    EXPECT_TRUE(f.simNeedsPin);
    EXPECT_EQ(f.lineNoise, "\xFF~");
    EXPECT_NE(Run("fault").find("delay: 250 ms\n"), std::string::npos);
    EXPECT_EQ(Run("fault noise off"), "no line noise\n");
    EXPECT_EQ(Run("fault delay soon"), "fault delay takes a number\n");
    EXPECT_EQ(Run("fault echo maybe"), "fault echo takes on or off\n");
    EXPECT_EQ(Run("fault frobnicate"), "unknown fault 'frobnicate'; type help\n");
    EXPECT_EQ(Run("fault clear"), "faults cleared\n");
    EXPECT_EQ(modem.Faults().answerDelay, Millis(0));
    EXPECT_EQ(modem.Settings().simState, "READY");
}

TEST_F(ConsoleOnModem, ProfilesAndQuirkSwitches) {
    EXPECT_EQ(Run("profile").substr(0, 13), "* textbook (a") << "the textbook modem is on";
    EXPECT_EQ(Run("profile wavecom-multiband"),
              "profile wavecom-multiband: cpin-without-ok, cpms-two-memories\n");
    ASSERT_TRUE(client->Write("AT+CPIN?\r"));
    EXPECT_EQ(client->ReadRawUntil("READY\r\n"), "\r\n+CPIN: READY\r\n");
    EXPECT_EQ(Describe(client->Exchange("AT+CSQ")), "I:+CSQ: 20,99|F:OK") << "no OK was left";
    EXPECT_NE(Run("profile").find("* wavecom-multiband (Wavecom Multiband)\n"), std::string::npos);
    EXPECT_EQ(Run("quirk cnmi-mode-1-only"), "quirk cnmi-mode-1-only on\n");
    EXPECT_EQ(Run("quirk CPIN-without-ok off"), "quirk cpin-without-ok off\n");
    EXPECT_EQ(ActiveQuirks(modem.Quirks()),
              (std::vector<std::string>{"cpms-two-memories", "cnmi-mode-1-only"}));
    EXPECT_NE(
        Run("quirk").find("on   cnmi-mode-1-only: AT+CNMI takes mode 1 only (Huawei K3715)\n"),
        std::string::npos);
    EXPECT_EQ(Run("profile nokia"), "unknown profile 'nokia'; profile lists them\n");
    EXPECT_EQ(Run("quirk bogus on"), "unknown quirk 'bogus'; quirk lists them\n");
    EXPECT_EQ(Run("quirk zte-lines maybe"), "quirk zte-lines takes on or off\n");
    EXPECT_EQ(Run("profile textbook"), "profile textbook: no quirks\n");
    EXPECT_EQ(modem.Quirks(), QuirkSettings{});
}

TEST_F(ConsoleOnModem, FaultHangUpClosesTheLine) {
    EXPECT_EQ(Run("fault hangup"), "line closed; the device now reports errors\n");
    EXPECT_TRUE(modem.HungUp());
    EXPECT_FALSE(client->Write("AT\r"));
}

TEST_F(ConsoleOnModem, RawBytesStatusTranscriptHelpAndQuit) {
    EXPECT_EQ(Run("raw \\r\\nRING\\r\\n"), "sent 8 bytes\n");
    EXPECT_EQ(Describe(client->ReadUntil({Kind::Report})), "R:RING");
    EXPECT_NE(Run("status").find("format: PDU, echo off"), std::string::npos);
    EXPECT_NE(Run("transcript").find("-> \"ATE0\\r\""), std::string::npos);
    EXPECT_NE(Run("help").find("fault trickle MS"), std::string::npos);
    EXPECT_EQ(Run(""), "");
    EXPECT_EQ(Run("dance"), "unknown command 'dance'; type help\n");
    EXPECT_TRUE(console.Execute("quit").quit);
}

TEST(ConsoleText, EscapesAndCommandNames) {
    EXPECT_EQ(Unescape("a\\nb\\r\\t\\\\\\x41\\x4"), "a\nb\r\t\\A\\x4");
    EXPECT_EQ(Unescape("\\q"), "\\q");
    EXPECT_EQ(Printable(std::string("a\r\n\x1a\\\xC3\xA9", 7)), "a\\r\\n\\x1A\\\\\xC3\xA9");
    EXPECT_EQ(CommandName("at+cmgs"), "+CMGS");
    EXPECT_EQ(CommandName("CMGS"), "+CMGS");
    EXPECT_EQ(CommandName("+cpin"), "+CPIN");
    EXPECT_EQ(CommandName("e"), "E");
    EXPECT_EQ(CommandName("&s"), "&S");
}

}  // namespace
}  // namespace vorsa::sim
