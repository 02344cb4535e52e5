// Where a new message goes by AT+CNMI, and how reports wait for a command to finish.
#include <gtest/gtest.h>

#include "EngineTerminal.h"
#include "HelloMessage.h"

namespace vorsa::sim {
namespace {

TEST(EngineRouting, StoredMessagesAreAnnouncedWithCmti) {
    EngineTerminal t;
    t.Quiet();
    ASSERT_EQ(t.Command("AT+CNMI=2,1,0,0,0"), "\r\nOK\r\n");
    DeliveryResult result = t.engine.Deliver(Hello(), t.now);
    EXPECT_TRUE(result.accepted);
    EXPECT_EQ(result.memory, "SM");
    EXPECT_EQ(result.index, 1);
    EXPECT_EQ(result.report, "+CMTI: \"SM\",1");
    EXPECT_EQ(result.pdu, kHelloPdu);
    EXPECT_EQ(t.Advance(Millis(0)), "\r\n+CMTI: \"SM\",1\r\n");
    t.Command("AT+CPMS=\"ME\",\"ME\",\"ME\"");
    EXPECT_EQ(t.Arrive(Hello()), "\r\n+CMTI: \"ME\",1\r\n");
}

TEST(EngineRouting, DirectDeliveryInTextAndPduMode) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CNMI=2,2,0,0,0");
    EXPECT_EQ(t.Arrive(Hello()), std::string("\r\n+CMT: ,24\r\n") + kHelloPdu + "\r\n");
    t.Command("AT+CMGF=1");
    EXPECT_EQ(t.Arrive(Hello()),
              "\r\n+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n");
    t.Command("AT+CSDH=1");
    EXPECT_EQ(t.Arrive(Hello()),
              "\r\n+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\",145,4,0,0,\"+40700000001\","
              "145,5\r\nHello\r\n");
    EXPECT_TRUE(t.engine.Storage().empty()) << "forwarded messages are not stored";
}

TEST(EngineRouting, ClassesPickTheRouteAsTheSettingsSay) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CNMI=2,2");
    EXPECT_EQ(t.Arrive(Hello(2)), "\r\n+CMTI: \"SM\",1\r\n") << "class 2 belongs on the SIM";
    t.Command("AT+CNMI=2,3");
    EXPECT_EQ(t.Arrive(Hello(3)).substr(0, 13), "\r\n+CMT: ,24\r\n");
    EXPECT_EQ(t.Arrive(Hello(1)), "\r\n+CMTI: \"SM\",2\r\n");
    t.Command("AT+CNMI=2,0");
    DeliveryResult quiet = t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(quiet.index, 3);
    EXPECT_EQ(quiet.report, "");
    EXPECT_EQ(t.Advance(Millis(0)), "");
}

TEST(EngineRouting, AcknowledgementIsExpectedOnlyAfterADirectDeliveryInPhase2Plus) {
    EngineTerminal t;
    t.Quiet();
    EXPECT_EQ(t.Command("AT+CNMA"), "\r\n+CMS ERROR: 340\r\n");
    t.Command("AT+CSMS=1;+CNMI=2,2");
    t.Arrive(Hello());
    EXPECT_EQ(t.Command("AT+CNMA"), "\r\nOK\r\n");
    EXPECT_EQ(t.Command("AT+CNMA"), "\r\n+CMS ERROR: 340\r\n");
}

TEST(EngineRouting, NoDeliveryWhileTheSimIsLockedOrTheRadioOff) {
    ModemOptions options;
    options.pinRequired = true;
    EngineTerminal t(options);
    DeliveryResult locked = t.engine.Deliver(Hello(), t.now);
    EXPECT_FALSE(locked.accepted);
    EXPECT_EQ(locked.error, 331);
    t.Quiet();
    t.Command("AT+CPIN=\"0000\";+CFUN=0");
    EXPECT_FALSE(t.engine.Deliver(Hello(), t.now).accepted);
    t.Command("AT+CFUN=1");
    EXPECT_TRUE(t.engine.Deliver(Hello(), t.now).accepted);
}

TEST(EngineRouting, RefusesTextsThatDoNotFitOneMessage) {
    EngineTerminal t;
    IncomingMessage longText = Hello();
    longText.text = std::string(161, 'a');
    DeliveryResult result = t.engine.Deliver(longText, t.now);
    EXPECT_FALSE(result.accepted);
    EXPECT_FALSE(result.reason.empty());
    longText.text = std::string(160, 'a');
    EXPECT_TRUE(t.engine.Deliver(longText, t.now).accepted);
    longText.text = std::string(70, 'a') + "\u0416";  // UCS2: 2 octets a character
    EXPECT_FALSE(t.engine.Deliver(longText, t.now).accepted);
    longText.text = std::string(69, 'a') + "\u0416";
    EXPECT_TRUE(t.engine.Deliver(longText, t.now).accepted);
}

TEST(EngineBuffering, ReportsWaitForTheFinalResultOfATextModeSend) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CMGF=1;+CNMI=2,1,0,0,0");
    EXPECT_EQ(t.Command("AT+CMGS=\"+40700000000\""), "\r\n> ");
    DeliveryResult result = t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(result.report, "+CMTI: \"SM\",1");
    EXPECT_EQ(t.Advance(Millis(0)), "") << "held while the message is entered";
    EXPECT_EQ(t.Type("Hi\r"), "\r\n> ");
    EXPECT_EQ(t.Type("\x1a"), "\r\n+CMGS: 1\r\n\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n");
}

TEST(EngineBuffering, ReportsWaitWhileACommandLineIsBeingTyped) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CNMI=2,2");
    EXPECT_EQ(t.Type("AT+CG"), "");
    EXPECT_EQ(t.Arrive(Hello()), "");
    EXPECT_EQ(t.Type("MI\r"),
              std::string("\r\nVorsa\r\n\r\nOK\r\n\r\n+CMT: ,24\r\n") + kHelloPdu + "\r\n");
}

TEST(EngineBuffering, ReportsFollowADelayedAnswer) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CNMI=2,1");
    FaultSettings faults;
    faults.answerDelay = Millis(300);
    t.engine.SetFaults(faults);
    EXPECT_EQ(t.Command("AT"), "");
    t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(t.Advance(Millis(299)), "");
    EXPECT_EQ(t.Advance(Millis(1)), "\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n");
}

TEST(EngineBuffering, ModeOneDropsReportsWhileBusy) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CNMI=1,1");
    t.Type("AT+CG");
    DeliveryResult result = t.engine.Deliver(Hello(), t.now);
    EXPECT_TRUE(result.accepted) << "the message is still stored";
    EXPECT_EQ(t.Type("MI\r"), "\r\nVorsa\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Advance(Millis(1000)), "");
}

TEST(EngineBuffering, ModeZeroKeepsReportsUntilTheTerminalAsksForThem) {
    EngineTerminal t;
    t.Quiet();
    t.Command("AT+CNMI=0,1");
    EXPECT_EQ(t.Arrive(Hello()), "");
    EXPECT_EQ(t.Arrive(Hello()), "");
    EXPECT_EQ(t.Command("AT+CNMI=2,1,0,0,0"),
              "\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n\r\n+CMTI: \"SM\",2\r\n");
    t.Command("AT+CNMI=0,1");
    t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(t.Command("AT+CNMI=2,1,0,0,1"), "\r\nOK\r\n") << "bfr 1 clears the buffer";
}

}  // namespace
}  // namespace vorsa::sim
