// The hidden window on the scripted modem: the polling timer, the three queue messages and
// their events, re-posting while busy, a closed port, and entries whose message was lost.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

constexpr uint32_t NotifyMsg = WM_USER + 1;
constexpr uint32_t SentMsg = WM_USER + 2;
constexpr uint32_t ReceiveMsg = WM_USER + 3;

const std::string Delivered = "+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"";

class HiddenWindowTest : public ConnectedComponent {
  protected:
    void Tick() {
        TMessage Message{WM_TIMER, 1, 0, 0};
        Vorsa.TimerWndProc(Message);
    }
    void QueueNotify(const std::string& Entry) {
        Vorsa.ProcessNot(Entry, NotifyMsg, Vorsa.NotifyQueue);
    }
};

// Each message takes the oldest entry of its queue and raises its event with the entry's
// fields; a final OK joined to an entry is no part of them, and no line break is left.
TEST_F(HiddenWindowTest, EachQueueEntryBecomesItsEvent) {
    for (const char* Entry :
         {"+CMTI: \"SM\",3", "+CMTI: \"ME\",12", "+CBMI: \"BM\",5", "+CMTI: \"SM\",3OK"}) {
        QueueNotify(Entry);
    }
    for (const char* Entry : {"+CMGS: 45", "+CMGS: 46OK", "+CMGS: 47\r\nOK"}) {
        Vorsa.ProcessNot(Entry, SentMsg, Vorsa.SentQueue);
    }
    for (const std::string& Entry : {
             Delivered + "\r\nHello",
             // The rest of the reply it was cut from, final OK included.
             Delivered + "\r\nHello\r\nWorld\r\n\r\nOK",
             std::string("+CMT: \"+40700000000\",\"Office\",\"02/03/04,10:20:30+08\"\r\nHi"),
             // No line break after the header: all of it is header, and the text is empty.
             Delivered,
             Delivered + "OK",
         }) {
        Vorsa.ProcessNot(Entry, ReceiveMsg, Vorsa.ReceiveQueue);
    }
    ProcessMessages();
    EXPECT_THAT(Events.Notified,
                ElementsAre(Pair("SM", "3"), Pair("ME", "12"), Pair("BM", "5"), Pair("SM", "3")));
    EXPECT_THAT(Events.Sent, ElementsAre("45", "46", "47"));
    EXPECT_THAT(Events.Received,
                ElementsAre(Pair(HelloHeader, "Hello"), Pair(HelloHeader, "Hello\r\nWorld"),
                            Pair("+40700000000,Office,02/03/04,10:20:30+08", "Hi"),
                            Pair(HelloHeader, ""), Pair(HelloHeader, "")));
    EXPECT_EQ(Vorsa.NotifyQueue.Count() + Vorsa.SentQueue.Count() + Vorsa.ReceiveQueue.Count(), 0);
}

TEST_F(HiddenWindowTest, ReceiveEntryIsReadInTheModeOfTheMomentItIsHandled) {
    Vorsa.ProcessNot("+CMT: ,24\r\n" + HelloPdu + "\r\n\r\nOK", ReceiveMsg, Vorsa.ReceiveQueue);
    Vorsa.TextMode = false;
    ProcessMessages();
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Hello")));
}

TEST_F(HiddenWindowTest, EntryIsTakenEvenWithoutHandler) {
    Vorsa.OnNotifySMS = nullptr;
    Vorsa.OnSentSMS = nullptr;
    Vorsa.OnReceiveSMS = nullptr;
    QueueNotify("+CMTI: \"SM\",3");
    Vorsa.ProcessNot("+CMGS: 45", SentMsg, Vorsa.SentQueue);
    Vorsa.ProcessNot("+CMT: ,24\r\n" + HelloPdu, ReceiveMsg, Vorsa.ReceiveQueue);
    ProcessMessages();
    EXPECT_EQ(Vorsa.NotifyQueue.Count() + Vorsa.SentQueue.Count() + Vorsa.ReceiveQueue.Count(), 0);
}

TEST_F(HiddenWindowTest, QueueMessageIsPostedAgainWhileBusy) {
    QueueNotify("+CMTI: \"SM\",3");
    Vorsa.Busy = true;
    // Each pass takes the message and posts it again, unhandled.
    EXPECT_TRUE(HandleMessage(0));
    EXPECT_TRUE(HandleMessage(0));
    EXPECT_EQ(Vorsa.NotifyQueue.Count(), 1);
    EXPECT_TRUE(Events.Notified.empty());

    Vorsa.Busy = false;
    EXPECT_TRUE(HandleMessage(0));
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "3")));
    EXPECT_FALSE(HandleMessage(0));
}

TEST_F(HiddenWindowTest, ClosedPortPassesEverythingToTheDefaultProcedure) {
    Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n");
    QueueNotify("+CMTI: \"SM\",3");
    Vorsa.DisConnect();
    Events.Clear();
    Forget();
    ExposedVorsa NeverOpened(nullptr, Borrow(Modem));
    for (ExposedVorsa* Closed : {&Vorsa, &NeverOpened}) {
        for (const uint32_t Msg : std::initializer_list<uint32_t>{WM_TIMER, NotifyMsg, SentMsg,
                                                                  ReceiveMsg, WM_USER + 9}) {
            TMessage Message{Msg, 1, 2, 77};
            Closed->TimerWndProc(Message);
            EXPECT_EQ(Message.Result, 0) << Msg << ": the default procedure's result is stored";
        }
    }
    ProcessMessages();
    EXPECT_TRUE(Events.Order.empty());
    EXPECT_EQ(Vorsa.NotifyQueue.Count(), 1);
    EXPECT_TRUE(Modem.Log().empty());
}

TEST_F(HiddenWindowTest, EntriesLeftWhileClosedAreRaisedOnceInOrderAfterReconnect) {
    QueueNotify("+CMTI: \"SM\",1");
    QueueNotify("+CMTI: \"SM\",2");
    Vorsa.DisConnect();
    ProcessMessages();  // both messages arrive while the port is closed
    EXPECT_TRUE(Events.Notified.empty());

    Vorsa.Connect();
    ASSERT_TRUE(Vorsa.Connected());
    QueueNotify("+CMTI: \"SM\",3");
    ProcessMessages();  // the one message left takes the oldest entry
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "1")));

    // The next tick announces what is still queued.
    ASSERT_TRUE(PostMessageA(Vorsa.WindowHandle(), WM_TIMER, 1, 0));
    ProcessMessages();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "1"), Pair("SM", "2"), Pair("SM", "3")));
    Tick();
    Tick();
    ProcessMessages();
    EXPECT_EQ(Events.Notified.size(), 3u);
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(HiddenWindowTest, TickPollsOnlyWhenTwoBytesWaitAndNoExchangeRuns) {
    Tick();
    Modem.Arrive("X");
    Tick();
    EXPECT_EQ(Modem.Written, "") << "nothing or one byte waiting";
    EXPECT_EQ(Modem.CountOf(MemorySerialPort::Call::ClearCommError), 2u)
        << "one status query a tick";

    Modem.Incoming.clear();
    Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n\r\n+CMGS: 45\r\n\r\n" + Delivered + "\r\nHello\r\n");
    Forget();
    Vorsa.Busy = true;
    Tick();
    Vorsa.Busy = false;
    EXPECT_TRUE(Modem.Log().empty()) << "not even a status query during an exchange";

    TMessage Other{WM_TIMER, 99, 0, 0};  // the timer's identifier is not examined
    Vorsa.TimerWndProc(Other);
    EXPECT_EQ(Modem.Written, "AT\r\n");
    EXPECT_THAT(Entries(Vorsa.NotifyQueue), ElementsAre("+CMTI: \"SM\",3"));
    EXPECT_THAT(Entries(Vorsa.SentQueue), ElementsAre("+CMGS: 45"));
    EXPECT_THAT(Entries(Vorsa.ReceiveQueue), ElementsAre(Delivered + "\r\nHello"));
    EXPECT_TRUE(Events.Order.empty()) << "raised by the loop, not by the tick";
    ProcessMessages();
    EXPECT_THAT(Events.Order, ElementsAre("Notified SM 3", "Sent 45", "Received " + HelloHeader));
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Hello")));
}

TEST_F(HiddenWindowTest, StoredMessageIsAnnouncedReadAndDeletedFromTheHandler) {
    Modem.Answer("AT+CMGR=3",
                 "\r\n+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello"
                 "\r\n\r\nOK\r\n");
    std::string Read;
    bool BusyInHandler = true;
    Vorsa.OnNotifySMS = [&](TObject*, std::string Mem, std::string Reference) {
        BusyInHandler = Vorsa.IsBusy();
        EXPECT_EQ(Mem, "SM");
        Read = Vorsa.ReadSMS(Reference);
    };
    // The final OK of the poll comes in a read of its own and joins the report.
    Modem.Answer("AT", "\r\nOK\r\n", 100);
    Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n");
    ASSERT_TRUE(PostMessageA(Vorsa.WindowHandle(), WM_TIMER, 1, 0));
    ProcessMessages();

    EXPECT_FALSE(BusyInHandler);
    EXPECT_EQ(Read, "REC UNREAD,+40700000000,02/03/04,10:20:30+08\r\nHello");
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT", "AT+CMGR=3", "AT+CMGD=3"));
    EXPECT_THAT(Events.Deleted, ElementsAre("3"));
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(HiddenWindowTest, ReportInsideAnotherReplyIsRaisedAfterTheCommand) {
    Modem.Answer("AT+CSQ", "\r\n+CMTI: \"SM\",4\r\n\r\n+CSQ: 15,99\r\n\r\nOK\r\n");
    EXPECT_EQ(Vorsa.GetField(), -83);
    EXPECT_TRUE(Events.Notified.empty());
    ProcessMessages();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "4")));
}

}  // namespace
}  // namespace vorsa::test
