// Reports that a modem holds while a command runs (AT+CNMI mode 2) and sends right after
// the command's final result, in the same read: the reply is complete, its result is the
// command's own, and every report goes to its queue.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

using ReportsAfterFinalResultTest = ConnectedComponent;

TEST_F(ReportsAfterFinalResultTest, SendConfirmedAndANewMessageInOneRead) {
    Modem.IgnoreOthers();
    Modem.Answer("AT+CMGS=\"+40700000000\"", "\r\n> ");
    Modem.Answer("Hello", "\r\n> ");
    Modem.Answer("\x1A", "\r\n+CMGS: 45\r\n\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n");
    const uint32_t Start = Clock.TickCount();

    EXPECT_EQ(Vorsa.SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_LT(Clock.TickCount() - Start, 1000u);  // no waiting for a time-out
    EXPECT_TRUE(Events.Errors.empty());
    ProcessMessages();
    EXPECT_THAT(Events.Sent, ElementsAre("45"));
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "1")));
}

TEST_F(ReportsAfterFinalResultTest, EveryReportAfterTheResultIsQueuedInOrder) {
    Modem.Answer("AT+CMGD=3",
                 "\r\nOK\r\n\r\n+CMTI: \"SM\",1\r\n\r\n+CMTI: \"SM\",2\r\n"
                 "\r\n+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n");
    EXPECT_TRUE(Vorsa.DeleteSMS("3"));
    EXPECT_THAT(Events.Deleted, ElementsAre("3"));
    ProcessMessages();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "1"), Pair("SM", "2")));
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Hello")));
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(ReportsAfterFinalResultTest, ModemErrorKeepsItsCodeWhenAReportFollows) {
    Modem.Answer("AT+CMGR=9", "\r\n+CMS ERROR: 321\r\n\r\n+CMTI: \"SM\",4\r\n");
    EXPECT_EQ(Vorsa.ReadSMS("9"), "");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{321});
    Modem.Answer("AT+CMGD=9", "\r\nERROR\r\n\r\n+CMTI: \"SM\",5\r\n");
    EXPECT_FALSE(Vorsa.DeleteSMS("9"));
    EXPECT_EQ(Events.ErrorIds(), (std::vector<int32_t>{321, 1001}));
    ProcessMessages();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "4"), Pair("SM", "5")));
}

TEST_F(ReportsAfterFinalResultTest, ReportReadInPartIsWaitedForUntilTheLineIsQuiet) {
    Modem.Answer("AT", "\r\nOK\r\n\r\n+CMTI: \"SM\",1");
    Modem.OnLine = [this](const std::string&) { Modem.Arrive("2\r\n", 5); };
    EXPECT_EQ(Vorsa.SendSMSCommand("AT"), "OK");
    ProcessMessages();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "12")));
}

}  // namespace
}  // namespace vorsa::test
