// The hidden window on the scripted modem: the polling timer, the three queue messages and
// their events, re-posting while busy, a closed port, and entries whose message was lost.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptedFixture.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

constexpr uint32_t NotifyMsg = WM_USER + 1;
constexpr uint32_t SentMsg = WM_USER + 2;
constexpr uint32_t ReceiveMsg = WM_USER + 3;

class HiddenWindowTest : public ScriptedFixture {
  protected:
    void Tick() {
        TMessage Message{WM_TIMER, 1, 0, 0};
        Vorsa->TimerWndProc(Message);
    }
    void QueueNotify(const std::string& Entry) {
        Vorsa->ProcessNot(Entry, NotifyMsg, Vorsa->NotifyQueue);
    }
};

TEST_F(HiddenWindowTest, NotifyEntryGivesMemoryAndReference) {
    for (const std::string Entry :
         {"+CMTI: \"SM\",3", "+CMTI: \"ME\",12", "+CBMI: \"BM\",5", "+CMTI: \"SM\",3OK"}) {
        QueueNotify(Entry);
    }
    Pump();
    EXPECT_THAT(Events.Notified,
                ElementsAre(Pair("SM", "3"), Pair("ME", "12"), Pair("BM", "5"), Pair("SM", "3")));
    EXPECT_EQ(Vorsa->NotifyQueue.Count(), 0);
}

TEST_F(HiddenWindowTest, SentEntryGivesReferenceWithoutJoinedOk) {
    Vorsa->ProcessNot("+CMGS: 45", SentMsg, Vorsa->SentQueue);
    Vorsa->ProcessNot("+CMGS: 46OK", SentMsg, Vorsa->SentQueue);
    Vorsa->ProcessNot("+CMGS: 47\r\nOK", SentMsg, Vorsa->SentQueue);
    Pump();
    EXPECT_THAT(Events.Sent, ElementsAre("45", "46", "47")) << "no line break left behind";
}

TEST_F(HiddenWindowTest, ReceiveEntryGivesHeaderAndBody) {
    const std::vector<std::string> Entries{
        "+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello",
        // The rest of the reply it was cut from, final OK included.
        "+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\nWorld\r\n\r\nOK",
        "+CMT: \"+40700000000\",\"Office\",\"02/03/04,10:20:30+08\"\r\nHi",
        // No line break after the header: all of it is header, and the text is empty.
        "+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"",
        "+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"OK",
    };
    for (const std::string& Entry : Entries) {
        Vorsa->ProcessNot(Entry, ReceiveMsg, Vorsa->ReceiveQueue);
    }
    Pump();
    EXPECT_THAT(Events.Received,
                ElementsAre(Pair(HelloHeader, "Hello"), Pair(HelloHeader, "Hello\r\nWorld"),
                            Pair("+40700000000,Office,02/03/04,10:20:30+08", "Hi"),
                            Pair(HelloHeader, ""), Pair(HelloHeader, "")));
}

TEST_F(HiddenWindowTest, ReceiveEntryIsReadInTheModeOfTheMomentItIsHandled) {
    Vorsa->ProcessNot("+CMT: ,24\r\n" + HelloPdu + "\r\n\r\nOK", ReceiveMsg, Vorsa->ReceiveQueue);
    Vorsa->TextMode = false;
    Pump();
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Hello")));
}

TEST_F(HiddenWindowTest, EntryIsTakenEvenWithoutHandler) {
    Vorsa->OnNotifySMS = nullptr;
    Vorsa->OnSentSMS = nullptr;
    Vorsa->OnReceiveSMS = nullptr;
    QueueNotify("+CMTI: \"SM\",3");
    Vorsa->ProcessNot("+CMGS: 45", SentMsg, Vorsa->SentQueue);
    Vorsa->ProcessNot("+CMT: ,24\r\n" + HelloPdu, ReceiveMsg, Vorsa->ReceiveQueue);
    Pump();
    EXPECT_EQ(Vorsa->NotifyQueue.Count() + Vorsa->SentQueue.Count() + Vorsa->ReceiveQueue.Count(),
              0);
}

TEST_F(HiddenWindowTest, QueueMessageIsPostedAgainWhileBusy) {
    QueueNotify("+CMTI: \"SM\",3");
    Vorsa->Busy = true;
    // Each pass takes the message and posts it again, unhandled.
    EXPECT_TRUE(HandleMessage(0));
    EXPECT_TRUE(HandleMessage(0));
    EXPECT_EQ(Vorsa->NotifyQueue.Count(), 1);
    EXPECT_TRUE(Events.Notified.empty());

    Vorsa->Busy = false;
    EXPECT_TRUE(HandleMessage(0));
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "3")));
    EXPECT_FALSE(HandleMessage(0));
}

TEST_F(HiddenWindowTest, ClosedPortPassesEverythingToTheDefaultProcedure) {
    Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n");
    QueueNotify("+CMTI: \"SM\",3");
    Vorsa->DisConnect();
    for (const uint32_t Msg : {WM_TIMER, NotifyMsg, SentMsg, ReceiveMsg, WM_USER + 9}) {
        TMessage Message{Msg, 1, 2, 77};
        Vorsa->TimerWndProc(Message);
        EXPECT_EQ(Message.Result, 0) << Msg;
    }
    Pump();
    EXPECT_TRUE(Events.Notified.empty());
    EXPECT_EQ(Vorsa->NotifyQueue.Count(), 1);
    EXPECT_EQ(Modem.Written, "");
}

TEST_F(HiddenWindowTest, EntriesLeftWhileClosedAreRaisedOnceInOrderAfterReconnect) {
    QueueNotify("+CMTI: \"SM\",1");
    QueueNotify("+CMTI: \"SM\",2");
    Vorsa->DisConnect();
    Pump();  // both messages arrive while the port is closed
    EXPECT_TRUE(Events.Notified.empty());

    Vorsa->Connect();
    ASSERT_TRUE(Vorsa->Connected());
    QueueNotify("+CMTI: \"SM\",3");
    Pump();  // the one message left takes the oldest entry
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "1")));

    // The next tick announces what is still queued.
    ASSERT_TRUE(PostMessageA(Vorsa->WindowHandle(), WM_TIMER, 1, 0));
    Pump();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "1"), Pair("SM", "2"), Pair("SM", "3")));
    Tick();
    Tick();
    Pump();
    EXPECT_EQ(Events.Notified.size(), 3u);
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(HiddenWindowTest, TimerPollsOnlyWhenTwoBytesWaitAndNoExchangeRuns) {
    Modem.Arrive("X");
    Tick();
    EXPECT_EQ(Modem.Written, "");

    Modem.Incoming.clear();
    Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n");
    Vorsa->Busy = true;
    Tick();
    EXPECT_EQ(Modem.Written, "");
    Vorsa->Busy = false;

    Tick();
    EXPECT_EQ(Modem.Written, "AT\r\n");
    EXPECT_EQ(Vorsa->NotifyQueue.Count(), 1);
    EXPECT_TRUE(Events.Notified.empty());  // raised by the loop, not by the tick
    Pump();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "3")));
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(HiddenWindowTest, StoredMessageIsAnnouncedReadAndDeletedFromTheHandler) {
    Modem.Answer("AT+CMGR=3",
                 "\r\n+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello"
                 "\r\n\r\nOK\r\n");
    std::string Read;
    bool BusyInHandler = true;
    Vorsa->OnNotifySMS = [&](TObject*, std::string Mem, std::string Reference) {
        BusyInHandler = Vorsa->IsBusy();
        EXPECT_EQ(Mem, "SM");
        Read = Vorsa->ReadSMS(Reference);
    };
    // The final OK of the poll comes in a read of its own and joins the report.
    Modem.Answer("AT", "\r\nOK\r\n", 100);
    Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n");
    ASSERT_TRUE(PostMessageA(Vorsa->WindowHandle(), WM_TIMER, 1, 0));
    Pump();

    EXPECT_FALSE(BusyInHandler);
    EXPECT_EQ(Read, "REC UNREAD,+40700000000,02/03/04,10:20:30+08\r\nHello");
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT", "AT+CMGR=3", "AT+CMGD=3"));
    EXPECT_THAT(Events.Deleted, ElementsAre("3"));
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(HiddenWindowTest, DirectlyDeliveredMessageIsPickedUpByTheTimer) {
    Modem.Arrive("\r\n+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n");
    Tick();
    EXPECT_EQ(Modem.Written, "AT\r\n");
    Pump();
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Hello")));
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(HiddenWindowTest, ReportInsideAnotherReplyIsRaisedAfterTheCommand) {
    Modem.Answer("AT+CSQ", "\r\n+CMTI: \"SM\",4\r\n\r\n+CSQ: 15,99\r\n\r\nOK\r\n");
    EXPECT_EQ(Vorsa->GetField(), -83);
    EXPECT_TRUE(Events.Notified.empty());
    Pump();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "4")));
}

}  // namespace
}  // namespace vorsa::test
