// Unsolicited reports inside replies: each of the four kinds is cut out into its queue and
// announced by one window message, delivered later by the message loop; the cutting rules'
// quirks that callers see; and empty reports, which are neither queued nor announced.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vorsa/VorsaBench.h"

namespace vorsa::test {
namespace {

using Strings = std::vector<std::string>;

Strings Entries(const TStringList& Queue) {
    Strings Result;
    for (int I = 0; I < Queue.Count(); ++I) {
        Result.push_back(Queue[I]);
    }
    return Result;
}

class ReportCutting : public ::testing::Test {
  protected:
    void SetUp() override { Bench.OpenPortOnly(); }

    /// One "AT" exchange whose reply is Bytes; gives the reply handed back.
    std::string ExchangeWithReply(const std::string& Bytes, bool ExpectAccepted = true) {
        Bench.Modem.AnswerOnce("AT", Bytes);
        std::string Reply;
        EXPECT_EQ(Bench.Vorsa.SendCommand("AT", Reply), ExpectAccepted);
        EXPECT_TRUE(StandIn.Window.Received.empty()) << "nothing is delivered inside the exchange";
        return Reply;
    }

    VorsaBench Bench;
    WindowStandIn StandIn{Bench.Vorsa};
};

struct MarkerCase {
    const char* Name;
    std::string Bytes;       // what the modem sends
    std::string ReplyGiven;  // what the exchange gives back
    std::string Entry;       // what is queued
    int Queue;               // 0 NotifyQueue, 1 SentQueue, 2 ReceiveQueue
    uint32_t Message;
};

class EachMarker : public ReportCutting, public ::testing::WithParamInterface<MarkerCase> {};

TEST_P(EachMarker, IsCutIntoItsQueueAndAnnouncedOnceByTheLoop) {
    const MarkerCase& C = GetParam();
    EXPECT_EQ(ExchangeWithReply(C.Bytes), C.ReplyGiven);

    const TStringList* Queues[] = {&Bench.Vorsa.NotifyQueue, &Bench.Vorsa.SentQueue,
                                   &Bench.Vorsa.ReceiveQueue};
    for (int Q = 0; Q < 3; ++Q) {
        EXPECT_EQ(Entries(*Queues[Q]), Q == C.Queue ? Strings{C.Entry} : Strings{}) << Q;
    }
    EXPECT_TRUE(Bench.Reports.empty());

    DrainMessages();
    ASSERT_EQ(StandIn.Window.Numbers(), std::vector<uint32_t>{C.Message});
    EXPECT_EQ(StandIn.Window.Received[0].WParam, 0u);
    EXPECT_EQ(StandIn.Window.Received[0].LParam, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Markers, EachMarker,
    ::testing::Values(
        MarkerCase{"NewMessageStored", "\r\n+CMTI: \"SM\",3\r\n\r\nOK\r\n", "OK", "+CMTI: \"SM\",3",
                   0, WM_USER + 1},
        MarkerCase{"BroadcastStored", "\r\n+CBMI: \"BM\",5\r\n\r\nOK\r\n", "OK", "+CBMI: \"BM\",5",
                   0, WM_USER + 1},
        MarkerCase{"MessageSent", "\r\n+CMGS: 45\r\n\r\nOK\r\n", "OK", "+CMGS: 45", 1, WM_USER + 2},
        // A delivered message takes the rest of the reply but its final result.
        MarkerCase{"MessageDelivered",
                   "\r\n+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n\r\nOK\r\n",
                   "OK", "+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello", 2,
                   WM_USER + 3}),
    [](const ::testing::TestParamInfo<MarkerCase>& Info) { return Info.param.Name; });

TEST_F(ReportCutting, TwoReportsOfDifferentKindsInOneReply) {
    EXPECT_EQ(ExchangeWithReply("\r\n+CMTI: \"SM\",3\r\n\r\n+CMGS: 12\r\n\r\nOK\r\n"), "\r\nOK")
        << "only one leading line break is dropped";
    EXPECT_EQ(Entries(Bench.Vorsa.NotifyQueue), Strings{"+CMTI: \"SM\",3"});
    EXPECT_EQ(Entries(Bench.Vorsa.SentQueue), Strings{"+CMGS: 12"});
    DrainMessages();
    EXPECT_EQ(StandIn.Window.Numbers(), (std::vector<uint32_t>{WM_USER + 1, WM_USER + 2}))
        << "posted in the order of the marker table";
}

TEST_F(ReportCutting, EveryReportOfOneKindIsCutAndAnnounced) {
    // Two messages stored between two polls: neither notification may be lost.
    EXPECT_EQ(ExchangeWithReply("\r\n+CMTI: \"SM\",3\r\n\r\n+CMTI: \"SM\",4\r\n\r\nOK\r\n"),
              "\r\nOK");
    EXPECT_EQ(Entries(Bench.Vorsa.NotifyQueue), (Strings{"+CMTI: \"SM\",3", "+CMTI: \"SM\",4"}));
    DrainMessages();
    EXPECT_EQ(StandIn.Window.Numbers(), (std::vector<uint32_t>{WM_USER + 1, WM_USER + 1}));
}

TEST_F(ReportCutting, ReportsOnConsecutiveLinesAreEntriesOfTheirOwn) {
    EXPECT_EQ(ExchangeWithReply("\r\n+CMTI: \"SM\",3\r\n+CMTI: \"SM\",4\r\n\r\nOK\r\n"), "OK");
    EXPECT_EQ(Entries(Bench.Vorsa.NotifyQueue), (Strings{"+CMTI: \"SM\",3", "+CMTI: \"SM\",4"}));
}

TEST_F(ReportCutting, ADeliveredMessageLeavesTheFinalResultInTheReply) {
    Bench.Modem.Answer("AT+CPAS",
                       "\r\n+CPAS: 0\r\n\r\n+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\n"
                       "Hello\r\n\r\nOK\r\n");
    EXPECT_EQ(Bench.Vorsa.SendSMSCommand("AT+CPAS"), "+CPAS: 0\r\n\r\nOK");
    EXPECT_EQ(Entries(Bench.Vorsa.ReceiveQueue),
              Strings{"+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello"});
}

TEST_F(ReportCutting, TwoDeliveredMessagesInOneReplyAreTwoEntries) {
    Bench.Modem.Answer("AT",
                       "\r\n+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nFirst\r\n"
                       "\r\n+CMT: \"+40700000001\",,\"02/03/04,10:20:31+08\"\r\nSecond\r\nline\r\n"
                       "\r\nERROR\r\n");
    std::string Reply;
    EXPECT_FALSE(Bench.Vorsa.SendCommand("AT", Reply)) << "the final ERROR stays with the reply";
    EXPECT_EQ(Reply, "ERROR");
    EXPECT_EQ(Entries(Bench.Vorsa.ReceiveQueue),
              (Strings{"+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nFirst",
                       "+CMT: \"+40700000001\",,\"02/03/04,10:20:31+08\"\r\nSecond\r\nline"}));
    EXPECT_EQ(Bench.Reports, std::vector<ErrorReport>{Catalogued(ErrModemError)});
}

TEST_F(ReportCutting, BytesWaitingBeforeTheCommandStartTheReply) {
    Bench.Modem.Arrive("\r\n+CMTI: \"SM\",7\r\n");
    EXPECT_EQ(ExchangeWithReply(ScriptedModem::Ok), "OK");
    EXPECT_EQ(Entries(Bench.Vorsa.NotifyQueue), Strings{"+CMTI: \"SM\",7"});
}

TEST_F(ReportCutting, AFinalOkJoinedToAReportStaysWithTheReply) {
    // The report and the final OK arrive in two polls; each poll is trimmed, so the two
    // join without a line break. The OK is no part of the report.
    Bench.Modem.AnswerOnce("AT", "\r\n+CMGS: 45\r\n");
    Bench.Modem.Arrive("\r\nOK\r\n", 300);
    std::string Reply = "stale";
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Reply, "OK");
    EXPECT_EQ(Entries(Bench.Vorsa.SentQueue), Strings{"+CMGS: 45"});
    EXPECT_TRUE(Bench.Reports.empty());
}

TEST_F(ReportCutting, BlankLinesLeftByEarlierCutsHideNoReport) {
    // After the first reports are cut, a blank line stands in front of the "+CMGS: " marker.
    // The report still runs from its marker to its line's end, and no report is empty.
    EXPECT_EQ(
        ExchangeWithReply("\r\n+CMTI: \"SM\",3\r\n\r\n+CBMI: \"BM\",5\r\n\r\n+CMGS: 12\r\n\r\n"
                          "+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHi\r\n\r\n"
                          "OK\r\n"),
        "OK");
    EXPECT_EQ(Entries(Bench.Vorsa.NotifyQueue), (Strings{"+CMTI: \"SM\",3", "+CBMI: \"BM\",5"}));
    EXPECT_EQ(Entries(Bench.Vorsa.SentQueue), Strings{"+CMGS: 12"});
    EXPECT_EQ(Entries(Bench.Vorsa.ReceiveQueue),
              Strings{"+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHi"});
    DrainMessages();
    EXPECT_EQ(StandIn.Window.Numbers(),
              (std::vector<uint32_t>{WM_USER + 1, WM_USER + 1, WM_USER + 2, WM_USER + 3}));
}

TEST_F(ReportCutting, ABlankLineBeforeTheOnlyReportDoesNotHideIt) {
    EXPECT_EQ(ExchangeWithReply("\r\n+CSQ: 15,99\r\n\r\n+CMTI: \"SM\",3\r\nOK\r\n"),
              "+CSQ: 15,99\r\n\r\nOK");
    EXPECT_EQ(Entries(Bench.Vorsa.NotifyQueue), Strings{"+CMTI: \"SM\",3"});
    DrainMessages();
    EXPECT_EQ(StandIn.Window.Numbers(), std::vector<uint32_t>{WM_USER + 1});
}

TEST_F(ReportCutting, ReportsAreCutAlsoFromAFailedOrTimedOutReply) {
    EXPECT_EQ(ExchangeWithReply("\r\n+CMGS: 9\r\n\r\nERROR\r\n", false), "ERROR");
    EXPECT_EQ(Entries(Bench.Vorsa.SentQueue), Strings{"+CMGS: 9"});
    EXPECT_EQ(Bench.Reports, std::vector<ErrorReport>{Catalogued(ErrModemError)});

    Bench.Reports.clear();
    Bench.Modem.AnswerOnce("AT", "\r\n+CMTI: \"ME\",12\r\n");  // never completed
    std::string Reply;
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Reply, "");
    EXPECT_EQ(Entries(Bench.Vorsa.NotifyQueue), Strings{"+CMTI: \"ME\",12"});
    EXPECT_EQ(Bench.Reports, std::vector<ErrorReport>{Catalogued(ErrReadTimeout)});
}

TEST(ReportCutters, LineReportTakesTheLineBreakInFrontAndLeavesTheBlankLine) {
    TVorsa Vorsa(nullptr, std::make_unique<MemorySerialPort>());
    std::string Reply = "\r\n+CMGS: 12\r\n\r\nOK";
    EXPECT_EQ(Vorsa.Notify(Reply, "+CMGS: "), "+CMGS: 12");
    EXPECT_EQ(Reply, "\r\n\r\nOK");

    Reply = "+CMTI: \"SM\",3\r\n\r\nOK";
    EXPECT_EQ(Vorsa.Notify(Reply, "+CMTI: "), "+CMTI: \"SM\",3");
    EXPECT_EQ(Reply, "\r\nOK") << "at the start it takes the line break after the report";

    Reply = "X+CMGS: 1\r\n\r\nOK";
    EXPECT_EQ(Vorsa.Notify(Reply, "+CMGS: "), "+CMGS: 1");
    EXPECT_EQ(Reply, "X\r\nOK") << "at position 2 the cut starts at the marker";

    Reply = "OK\r\n+CMGS: 3";
    EXPECT_EQ(Vorsa.Notify(Reply, "+CMGS: "), "+CMGS: 3") << "without a blank line: to the end";
    EXPECT_EQ(Reply, "OK");

    Reply = "+CSQ: 1,2\r\n\r\n+CMGS: 3\r\n\r\nOK";
    EXPECT_EQ(Vorsa.Notify(Reply, "+CMGS: "), "+CMGS: 3") << "blank line in front of the marker";
    EXPECT_EQ(Reply, "+CSQ: 1,2\r\n\r\n\r\nOK");

    Reply = "+CMTI: \"SM\",3\r\n+CMTI: \"SM\",4";
    EXPECT_EQ(Vorsa.Notify(Reply, "+CMTI: "), "+CMTI: \"SM\",3") << "one line, one report";
    EXPECT_EQ(Reply, "+CMTI: \"SM\",4");

    Reply = "+CMTI: \"SM\",3OK";
    EXPECT_EQ(Vorsa.Notify(Reply, "+CMTI: "), "+CMTI: \"SM\",3") << "a joined final OK";
    EXPECT_EQ(Reply, "OK");

    Reply = "OK";
    EXPECT_EQ(Vorsa.Notify(Reply, "+CMGS: "), "") << "no marker, no report";
    EXPECT_EQ(Reply, "OK");
}

TEST(ReportCutters, DeliveredMessageTakesEverythingFromTheMarkerButTheFinalResult) {
    TVorsa Vorsa(nullptr, std::make_unique<MemorySerialPort>());
    std::string Reply = "+CMT: ,24\r\n0791\r\n\r\nOK";
    EXPECT_EQ(Vorsa.NotifySMS(Reply, "+CMT: "), "+CMT: ,24\r\n0791");
    EXPECT_EQ(Reply, "OK");

    Reply = "+CPAS: 0\r\n\r\n+CMT: ,1\r\nB\r\n+CMS ERROR: 500";
    EXPECT_EQ(Vorsa.NotifySMS(Reply, "+CMT: "), "+CMT: ,1\r\nB");
    EXPECT_EQ(Reply, "+CPAS: 0\r\n\r\n+CMS ERROR: 500");

    Reply = "+CMT: ,1\r\nA\r\nall OK\r\n+CMT: ,2\r\nB";
    EXPECT_EQ(Vorsa.NotifySMS(Reply, "+CMT: "), "+CMT: ,1\r\nA\r\nall OK")
        << "a text's lines stay together; the next message starts a report of its own";
    EXPECT_EQ(Reply, "+CMT: ,2\r\nB");

    Reply = "A+CMT: ,1\r\nB";
    EXPECT_EQ(Vorsa.NotifySMS(Reply, "+CMT: "), "+CMT: ,1\r\nB");
    EXPECT_EQ(Reply, "A");

    Reply = "OK\r\n+CMT: ,1\r\nB";
    EXPECT_EQ(Vorsa.NotifySMS(Reply, "+CMT: "), "+CMT: ,1\r\nB");
    EXPECT_EQ(Reply, "OK");

    Reply = "+CMTI: \"SM\",1";
    EXPECT_EQ(Vorsa.NotifySMS(Reply, "+CMT: "), "");
    EXPECT_EQ(Reply, "+CMTI: \"SM\",1");
}

TEST(ReportQueueing, ProcessNotAppendsAndPostsOneMessagePerEntry) {
    VorsaBench Bench;
    WindowStandIn StandIn(Bench.Vorsa);
    Bench.Vorsa.ProcessNot("first", WM_USER + 3, Bench.Vorsa.ReceiveQueue);
    Bench.Vorsa.ProcessNot("second", WM_USER + 3, Bench.Vorsa.ReceiveQueue);
    EXPECT_EQ(Entries(Bench.Vorsa.ReceiveQueue), (Strings{"first", "second"}));
    EXPECT_TRUE(StandIn.Window.Received.empty());
    DrainMessages();
    EXPECT_EQ(StandIn.Window.Numbers(), (std::vector<uint32_t>{WM_USER + 3, WM_USER + 3}));
}

TEST(ReportQueueing, WithoutAWindowTheEntryIsStillQueued) {
    TComponent Form;
    Form.SetDesigning(true);
    InspectableVorsa Designed(&Form, std::make_unique<MemorySerialPort>());
    Designed.ProcessNot("+CMGS: 1", WM_USER + 2, Designed.SentQueue);
    EXPECT_EQ(Entries(Designed.SentQueue), Strings{"+CMGS: 1"});
}

}  // namespace
}  // namespace vorsa::test
