// DownloadSMS on the scripted modem: listed messages become "+CMT: " entries for
// OnReceiveSMS, deleted first when DeleteOnRead is set; replies that list nothing queue
// nothing and delete nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/ScriptedComponent.h"
#include "vorsa/SMScnst.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

const std::string TextListing =
    "\r\n+CMGL: 1,\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n"
    "+CMGL: 2,\"REC UNREAD\",\"+40700000001\",,\"02/03/04,11:00:00+08\"\r\nWorld\r\n\r\nOK\r\n";

using ListingTest = ConnectedComponent;

TEST_F(ListingTest, TextModeWorkedExampleDeletesEachThenQueuesIt) {
    Modem.Answer("AT+CMGL;", TextListing);
    const std::string First = "Received +40700000000,02/03/04,10:20:30+08";
    const std::string Second = "Received +40700000001,02/03/04,11:00:00+08";
    for (const bool Delete : {true, false}) {
        SCOPED_TRACE(Delete ? "DeleteOnRead" : "without DeleteOnRead");
        Forget();
        Events.Clear();
        Vorsa.DeleteOnRead = Delete;
        Vorsa.DownloadSMS();

        EXPECT_EQ(Modem.Written,
                  Delete ? "AT+CMGL;\r\nAT+CMGD=1\r\nAT+CMGD=2\r\n" : "AT+CMGL;\r\n");
        EXPECT_THAT(Entries(Vorsa.ReceiveQueue),
                    ElementsAre("+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n",
                                "+CMT: \"+40700000001\",,\"02/03/04,11:00:00+08\"\r\nWorld"));
        EXPECT_TRUE(Events.Received.empty());  // raised later, from the window
        EXPECT_FALSE(Vorsa.IsBusy());

        ProcessMessages();
        EXPECT_THAT(Events.Received,
                    ElementsAre(Pair("+40700000000,02/03/04,10:20:30+08", "Hello"),
                                Pair("+40700000001,02/03/04,11:00:00+08", "World")));
        using Order = std::vector<std::string>;
        EXPECT_EQ(Events.Order,
                  (Delete ? Order{"Deleted 1", "Deleted 2", First, Second} : Order{First, Second}));
        EXPECT_EQ(Vorsa.ReceiveQueue.Count(), 0);
    }
}

TEST_F(ListingTest, PduModeListingBecomesDeliveredReports) {
    Vorsa.TextMode = false;
    Vorsa.DeleteOnRead = false;
    Modem.Answer("AT+CMGL;", "\r\n+CMGL: 1,0,,24\r\n" + HelloPdu + "\r\n+CMGL: 4,1,,24\r\n" +
                                 HelloPdu + "\r\n\r\nOK\r\n");
    Vorsa.DownloadSMS();

    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL;"));
    EXPECT_THAT(Entries(Vorsa.ReceiveQueue),
                ElementsAre("+CMT: ,24\r\n" + HelloPdu + "\r\n", "+CMT: ,24\r\n" + HelloPdu));
    ProcessMessages();
    EXPECT_THAT(Events.Received,
                ElementsAre(Pair(HelloHeader, "Hello"), Pair(HelloHeader, "Hello")));
    EXPECT_TRUE(Events.Deleted.empty());
}

TEST_F(ListingTest, ReplyWithoutListedMessagesQueuesAndDeletesNothing) {
    for (const std::string Reply :
         {ScriptedModem::Ok, "\r\nJUNK\r\n", "\r\nERROR\r\n", "\r\n+CMS ERROR: 321\r\n"}) {
        Forget();
        Modem.AnswerOnce("AT+CMGL;", Reply);
        Vorsa.DownloadSMS();
        EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL;")) << Reply;
        EXPECT_EQ(Vorsa.ReceiveQueue.Count(), 0) << Reply;
    }
    ProcessMessages();
    EXPECT_TRUE(Events.Received.empty());
    EXPECT_TRUE(Events.Deleted.empty());
    // The listing reports nothing itself: the code it latched waits for the next exchange.
    EXPECT_TRUE(Events.Errors.empty());
    EXPECT_EQ(Vorsa.SMSError, 321);
    EXPECT_EQ(Vorsa.SendSMSCommand("AT"), "OK");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{321});
}

}  // namespace
}  // namespace vorsa::test
