// Where a new message goes by AT+CNMI, and how reports wait for a command to finish.
#include <gtest/gtest.h>

#include "EngineTerminal.h"
#include "HelloMessage.h"

namespace vorsa::sim {
namespace {

using EngineRouting = QuietEngine;
using EngineBuffering = QuietEngine;

TEST_F(EngineRouting, StoredMessagesAreAnnouncedWithCmti) {
    ASSERT_EQ(t.Command("AT+CNMI=2,1,0,0,0"), kOk);
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

TEST_F(EngineRouting, DirectDeliveryInTextAndPduMode) {
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

TEST_F(EngineRouting, ClassesPickTheRouteAsTheSettingsSay) {
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

TEST_F(EngineRouting, AcknowledgementIsExpectedOnlyAfterADirectDeliveryInPhase2Plus) {
    EXPECT_EQ(t.Command("AT+CNMA"), CmsError(340));
    t.Command("AT+CSMS=1;+CNMI=2,2");
    t.Arrive(Hello());
    EXPECT_EQ(t.Command("AT+CNMA"), kOk);
    EXPECT_EQ(t.Command("AT+CNMA"), CmsError(340));
}

TEST(EngineArrival, NoDeliveryWhileTheSimIsLockedOrTheRadioOff) {
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

TEST(EngineArrival, RefusesTextsThatDoNotFitOneMessage) {
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

TEST_F(EngineBuffering, ReportsWaitForTheFinalResultOfATextModeSend) {
    t.Command("AT+CMGF=1;+CNMI=2,1,0,0,0");
    EXPECT_EQ(t.Command("AT+CMGS=\"+40700000000\""), "\r\n> ");
    DeliveryResult result = t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(result.report, "+CMTI: \"SM\",1");
    EXPECT_EQ(t.Advance(Millis(0)), "") << "held while the message is entered";
    EXPECT_EQ(t.Type("Hi\r"), "\r\n> ");
    EXPECT_EQ(t.Type("\x1a"), "\r\n+CMGS: 1\r\n\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n");
}

TEST_F(EngineBuffering, ReportsWaitWhileACommandLineIsBeingTyped) {
    t.Command("AT+CNMI=2,2");
    EXPECT_EQ(t.Type("AT+CG"), "");
    EXPECT_EQ(t.Arrive(Hello()), "");
    EXPECT_EQ(t.Type("MI\r"),
              std::string("\r\nVorsa\r\n\r\nOK\r\n\r\n+CMT: ,24\r\n") + kHelloPdu + "\r\n");
}

TEST_F(EngineBuffering, ReportsFollowADelayedAnswer) {
    t.Command("AT+CNMI=2,1");
    FaultSettings faults;
    faults.answerDelay = Millis(300);
    t.engine.SetFaults(faults);
    EXPECT_EQ(t.Command("AT"), "");
    t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(t.Advance(Millis(299)), "");
    EXPECT_EQ(t.Advance(Millis(1)), "\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n");
}

TEST_F(EngineBuffering, ModeOneDropsReportsWhileBusy) {
    t.Command("AT+CNMI=1,1");
    t.Type("AT+CG");
    DeliveryResult result = t.engine.Deliver(Hello(), t.now);
    EXPECT_TRUE(result.accepted) << "the message is still stored";
    EXPECT_EQ(t.Type("MI\r"), Answer("Vorsa"));
    EXPECT_EQ(t.Advance(Millis(1000)), "");
}

TEST_F(EngineBuffering, ModeZeroKeepsReportsUntilTheTerminalAsksForThem) {
    t.Command("AT+CNMI=0,1");
    EXPECT_EQ(t.Arrive(Hello()), "");
    EXPECT_EQ(t.Arrive(Hello()), "");
    EXPECT_EQ(t.Command("AT+CNMI=2,1,0,0,0"),
              "\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n\r\n+CMTI: \"SM\",2\r\n");
    t.Command("AT+CNMI=0,1");
    t.engine.Deliver(Hello(), t.now);
    EXPECT_EQ(t.Command("AT+CNMI=2,1,0,0,1"), kOk) << "bfr 1 clears the buffer";
}

}  // namespace
}  // namespace vorsa::sim
