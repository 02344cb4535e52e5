// DownloadSMS on the scripted modem: listed messages become "+CMT: " entries for
// OnReceiveSMS, deleted first when DeleteOnRead is set; replies that list nothing queue
// nothing and delete nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ScriptedFixture.h"
#include "vorsa/SMScnst.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

const std::string TextListing =
    "\r\n+CMGL: 1,\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n"
    "+CMGL: 2,\"REC UNREAD\",\"+40700000001\",,\"02/03/04,11:00:00+08\"\r\nWorld\r\n\r\nOK\r\n";

class ListingTest : public ScriptedFixture {
  protected:
    std::vector<std::string> Queued() const {
        std::vector<std::string> Entries;
        for (int I = 0; I < Vorsa->ReceiveQueue.Count(); ++I) {
            Entries.push_back(Vorsa->ReceiveQueue[I]);
        }
        return Entries;
    }
};

TEST_F(ListingTest, TextModeWorkedExampleDeletesEachThenQueuesIt) {
    Modem.Answer("AT+CMGL;", TextListing);
    Vorsa->DownloadSMS();

    EXPECT_EQ(Modem.Written, "AT+CMGL;\r\nAT+CMGD=1\r\nAT+CMGD=2\r\n");
    EXPECT_THAT(Queued(),
                ElementsAre("+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n",
                            "+CMT: \"+40700000001\",,\"02/03/04,11:00:00+08\"\r\nWorld"));
    EXPECT_THAT(Events.Deleted, ElementsAre("1", "2"));
    EXPECT_TRUE(Events.Received.empty());  // raised later, from the window
    EXPECT_FALSE(Vorsa->IsBusy());

    Pump();
    EXPECT_THAT(Events.Received, ElementsAre(Pair("+40700000000,02/03/04,10:20:30+08", "Hello"),
                                             Pair("+40700000001,02/03/04,11:00:00+08", "World")));
    EXPECT_THAT(Events.Order,
                ElementsAre("Deleted 1", "Deleted 2", "Received +40700000000,02/03/04,10:20:30+08",
                            "Received +40700000001,02/03/04,11:00:00+08"));
    EXPECT_TRUE(Events.Errors.empty());
    EXPECT_EQ(Vorsa->ReceiveQueue.Count(), 0);
}

TEST_F(ListingTest, PduModeListingBecomesDeliveredReports) {
    Vorsa->TextMode = false;
    Vorsa->DeleteOnRead = false;
    Modem.Answer("AT+CMGL;", "\r\n+CMGL: 1,0,,24\r\n" + HelloPdu + "\r\n+CMGL: 4,1,,24\r\n" +
                                 HelloPdu + "\r\n\r\nOK\r\n");
    Vorsa->DownloadSMS();

    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL;"));
    EXPECT_THAT(Queued(),
                ElementsAre("+CMT: ,24\r\n" + HelloPdu + "\r\n", "+CMT: ,24\r\n" + HelloPdu));
    Pump();
    EXPECT_THAT(Events.Received,
                ElementsAre(Pair(HelloHeader, "Hello"), Pair(HelloHeader, "Hello")));
    EXPECT_TRUE(Events.Deleted.empty());
}

TEST_F(ListingTest, DeleteOnReadClearedDeletesNothing) {
    Vorsa->DeleteOnRead = false;
    Modem.Answer("AT+CMGL;", TextListing);
    Vorsa->DownloadSMS();
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL;"));
    Pump();
    EXPECT_EQ(Events.Received.size(), 2u);
    EXPECT_TRUE(Events.Deleted.empty());
}

TEST_F(ListingTest, EmptyListingQueuesNothing) {
    Vorsa->DownloadSMS();  // the double answers "OK"
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL;"));
    EXPECT_EQ(Vorsa->ReceiveQueue.Count(), 0);
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(ListingTest, ReplyWithoutListedMessagesQueuesAndDeletesNothing) {
    for (const std::string Reply : {"\r\nJUNK\r\n", "\r\nERROR\r\n", "\r\n+CMS ERROR: 321\r\n"}) {
        Forget();
        Modem.AnswerOnce("AT+CMGL;", Reply);
        Vorsa->DownloadSMS();
        EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL;")) << Reply;
        EXPECT_EQ(Vorsa->ReceiveQueue.Count(), 0) << Reply;
    }
    Pump();
    EXPECT_TRUE(Events.Received.empty());
    EXPECT_TRUE(Events.Deleted.empty());
    // The listing reports nothing itself: the code it latched waits for the next exchange.
    EXPECT_TRUE(Events.Errors.empty());
    EXPECT_EQ(Vorsa->SMSError, 321);
    EXPECT_EQ(Vorsa->SendSMSCommand("AT"), "OK");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{321});
}

TEST_F(ListingTest, ClosedPortReportsAndWritesNothing) {
    Vorsa->DisConnect();
    Vorsa->DownloadSMS();
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrNotConnected});
    EXPECT_EQ(Modem.Written, "");
}

}  // namespace
}  // namespace vorsa::test
