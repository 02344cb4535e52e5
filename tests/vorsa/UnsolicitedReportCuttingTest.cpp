// Unsolicited reports inside replies: each of the four kinds is cut out into its queue and
// announced by one window message, delivered later by the message loop; the cutting rules'
// quirks that callers see; and empty reports, which are neither queued nor announced.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/RecordingWindow.h"
#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

using Strings = std::vector<std::string>;
using Numbers = std::vector<uint32_t>;

constexpr uint32_t N = WM_USER + 1;  // NotifyQueue
constexpr uint32_t S = WM_USER + 2;  // SentQueue
constexpr uint32_t R = WM_USER + 3;  // ReceiveQueue

const std::string Delivered = "+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\n";

// One "AT" exchange whose reply carries reports.
struct ReplyWithReports {
    const char* Name;
    std::string Bytes;  // the modem's answer
    std::string Reply;  // what the exchange gives back
    Strings Notify, Sent, Receive;
    Numbers Messages;  // posted, in order
    ErrorReports Reports = {};
    bool Accepted = true;
    std::string Before = "";  // waiting at the port before the command
    std::string Later = "";   // arriving 300 ms after the command, in a poll of its own
};

const std::string Cmti3 = "+CMTI: \"SM\",3";
const std::string Cbmi5 = "+CBMI: \"BM\",5";
const std::string Second = "+CMT: \"+40700000001\",,\"02/03/04,10:20:31+08\"\r\n";

// clang-format off
const ReplyWithReports Cases[] = {
    // Name, modem's bytes, reply given, Notify, Sent and Receive queues, messages posted.
    {"NewMessageStored", "\r\n" + Cmti3 + "\r\n\r\nOK\r\n", "OK", {Cmti3}, {}, {}, {N}},
    {"BroadcastStored", "\r\n" + Cbmi5 + "\r\n\r\nOK\r\n", "OK", {Cbmi5}, {}, {}, {N}},
    {"MessageSent", "\r\n+CMGS: 45\r\n\r\nOK\r\n", "OK", {}, {"+CMGS: 45"}, {}, {S}},
    // A delivered message takes the rest of the reply but its final result.
    {"MessageDelivered", "\r\n" + Delivered + "Hello\r\n\r\nOK\r\n", "OK", {}, {},
     {Delivered + "Hello"}, {R}},
    {"DeliveredAfterAnInformationLine", "\r\n+CPAS: 0\r\n\r\n" + Delivered + "Hello\r\n\r\nOK\r\n",
     "+CPAS: 0\r\n\r\nOK", {}, {}, {Delivered + "Hello"}, {R}},
    // The final ERROR stays with the reply.
    {"TwoDeliveredMessages",
     "\r\n" + Delivered + "First\r\n\r\n" + Second + "Second\r\nline\r\n\r\nERROR\r\n", "ERROR",
     {}, {}, {Delivered + "First", Second + "Second\r\nline"}, {R, R},
     {Catalogued(ErrModemError)}, false},
    // Posted in the order of the marker table; only one leading line break is dropped.
    {"TwoKinds", "\r\n" + Cmti3 + "\r\n\r\n+CMGS: 12\r\n\r\nOK\r\n", "\r\nOK", {Cmti3},
     {"+CMGS: 12"}, {}, {N, S}},
    // Two messages stored between two polls: neither notification may be lost.
    {"TwoOfOneKind", "\r\n" + Cmti3 + "\r\n\r\n+CMTI: \"SM\",4\r\n\r\nOK\r\n", "\r\nOK",
     {Cmti3, "+CMTI: \"SM\",4"}, {}, {}, {N, N}},
    {"OnConsecutiveLines", "\r\n" + Cmti3 + "\r\n+CMTI: \"SM\",4\r\n\r\nOK\r\n", "OK",
     {Cmti3, "+CMTI: \"SM\",4"}, {}, {}, {N, N}},
    // After the first cuts a blank line stands in front of a marker: the report still runs
    // from its marker to its line's end, and no report is empty.
    {"BlankLinesLeftByEarlierCuts",
     "\r\n" + Cmti3 + "\r\n\r\n" + Cbmi5 + "\r\n\r\n+CMGS: 12\r\n\r\n" + Delivered + "Hi\r\n\r\n"
     "OK\r\n", "OK", {Cmti3, Cbmi5}, {"+CMGS: 12"}, {Delivered + "Hi"}, {N, N, S, R}},
    {"ABlankLineBeforeTheOnlyReport", "\r\n+CSQ: 15,99\r\n\r\n" + Cmti3 + "\r\nOK\r\n",
     "+CSQ: 15,99\r\n\r\nOK", {Cmti3}, {}, {}, {N}},
    {"FromAFailedReply", "\r\n+CMGS: 9\r\n\r\nERROR\r\n", "ERROR", {}, {"+CMGS: 9"}, {}, {S},
     {Catalogued(ErrModemError)}, false},
    // Never completed: the time-out is no failure.
    {"FromATimedOutReply", "\r\n+CMTI: \"ME\",12\r\n", "", {"+CMTI: \"ME\",12"}, {}, {}, {N},
     {Catalogued(ErrReadTimeout)}},
    {"WaitingBeforeTheCommand", ScriptedModem::Ok, "OK", {"+CMTI: \"SM\",7"}, {}, {}, {N}, {},
     true, "\r\n+CMTI: \"SM\",7\r\n"},
    // Each poll is trimmed, so the OK joins the report without a line break; it is no part
    // of the report.
    {"AFinalOkJoinedToAReport", "\r\n+CMGS: 45\r\n", "OK", {}, {"+CMGS: 45"}, {}, {S}, {}, true,
     "", "\r\nOK\r\n"},
};
// clang-format on

class ReportCutting : public ScriptedComponent,
                      public ::testing::WithParamInterface<ReplyWithReports> {
  protected:
    void SetUp() override {
        OpenPortOnly();
        // The stand-in records each message and hands it on to the component's procedure.
        StandIn.Window.OnMessage = [this](TMessage& M) { Vorsa.TimerWndProc(M); };
    }

    WindowStandIn StandIn{Vorsa};
};

TEST_P(ReportCutting, EachReportIsQueuedAndAnnouncedOnceByTheLoop) {
    const ReplyWithReports& C = GetParam();
    Modem.Arrive(C.Before);
    Modem.AnswerOnce("AT", C.Bytes);
    if (!C.Later.empty()) {
        Modem.Arrive(C.Later, 300);
    }
    std::string Reply = "stale";
    EXPECT_EQ(Vorsa.SendCommand("AT", Reply), C.Accepted);
    EXPECT_EQ(Reply, C.Reply);
    EXPECT_EQ(Entries(Vorsa.NotifyQueue), C.Notify);
    EXPECT_EQ(Entries(Vorsa.SentQueue), C.Sent);
    EXPECT_EQ(Entries(Vorsa.ReceiveQueue), C.Receive);
    EXPECT_EQ(Events.Errors, C.Reports);
    EXPECT_TRUE(StandIn.Window.Received.empty()) << "nothing is delivered inside the exchange";

    ProcessMessages();
    EXPECT_EQ(StandIn.Window.Numbers(), C.Messages);
    for (const TMessage& M : StandIn.Window.Received) {
        EXPECT_EQ(M.WParam, 0u);
        EXPECT_EQ(M.LParam, 0);
    }
    EXPECT_EQ(Events.Notified.size(), C.Notify.size());
    EXPECT_EQ(Events.Sent.size(), C.Sent.size());
    EXPECT_EQ(Events.Received.size(), C.Receive.size());
}

INSTANTIATE_TEST_SUITE_P(Replies, ReportCutting, ::testing::ValuesIn(Cases),
                         [](const ::testing::TestParamInfo<ReplyWithReports>& Info) {
                             return Info.param.Name;
                         });

// The two cutters on their own: what each takes out of a reply and what it leaves.
TEST(ReportCutters, LineReportsAndDeliveredMessages) {
    struct Cut {
        bool Delivered;  // NotifySMS, else Notify
        std::string Marker;
        std::string Reply;
        std::string Report;
        std::string Rest;
        const char* Why;
    };
    const Cut Cuts[] = {
        // A line report takes the line break in front and leaves the blank line.
        {false, "+CMGS: ", "\r\n+CMGS: 12\r\n\r\nOK", "+CMGS: 12", "\r\n\r\nOK", ""},
        {false, "+CMTI: ", "+CMTI: \"SM\",3\r\n\r\nOK", "+CMTI: \"SM\",3", "\r\nOK",
         "at the start it takes the line break after the report"},
        {false, "+CMGS: ", "X+CMGS: 1\r\n\r\nOK", "+CMGS: 1", "X\r\nOK",
         "at position 2 the cut starts at the marker"},
        {false, "+CMGS: ", "OK\r\n+CMGS: 3", "+CMGS: 3", "OK", "without a blank line: to the end"},
        {false, "+CMGS: ", "+CSQ: 1,2\r\n\r\n+CMGS: 3\r\n\r\nOK", "+CMGS: 3",
         "+CSQ: 1,2\r\n\r\n\r\nOK", "blank line in front of the marker"},
        {false, "+CMTI: ", "+CMTI: \"SM\",3\r\n+CMTI: \"SM\",4", "+CMTI: \"SM\",3",
         "+CMTI: \"SM\",4", "one line, one report"},
        {false, "+CMTI: ", "+CMTI: \"SM\",3OK", "+CMTI: \"SM\",3", "OK", "a joined final OK"},
        {false, "+CMGS: ", "OK", "", "OK", "no marker, no report"},
        // A delivered message takes everything from the marker but the final result.
        {true, "+CMT: ", "+CMT: ,24\r\n0791\r\n\r\nOK", "+CMT: ,24\r\n0791", "OK", ""},
        {true, "+CMT: ", "+CPAS: 0\r\n\r\n+CMT: ,1\r\nB\r\n+CMS ERROR: 500", "+CMT: ,1\r\nB",
         "+CPAS: 0\r\n\r\n+CMS ERROR: 500", ""},
        {true, "+CMT: ", "+CMT: ,1\r\nA\r\nall OK\r\n+CMT: ,2\r\nB", "+CMT: ,1\r\nA\r\nall OK",
         "+CMT: ,2\r\nB",
         "a text's lines stay together; the next message starts a report of its own"},
        {true, "+CMT: ", "A+CMT: ,1\r\nB", "+CMT: ,1\r\nB", "A", ""},
        {true, "+CMT: ", "OK\r\n+CMT: ,1\r\nB", "+CMT: ,1\r\nB", "OK", ""},
        {true, "+CMT: ", "+CMTI: \"SM\",1", "", "+CMTI: \"SM\",1", "no marker, no report"},
    };
    TVorsa Vorsa(nullptr, std::make_unique<MemorySerialPort>());
    for (const Cut& C : Cuts) {
        SCOPED_TRACE(C.Reply);
        std::string Reply = C.Reply;
        EXPECT_EQ(C.Delivered ? Vorsa.NotifySMS(Reply, C.Marker) : Vorsa.Notify(Reply, C.Marker),
                  C.Report)
            << C.Why;
        EXPECT_EQ(Reply, C.Rest) << C.Why;
    }
}

using ReportQueueing = ScriptedComponent;

TEST_F(ReportQueueing, ProcessNotAppendsAndPostsOneMessagePerEntry) {
    WindowStandIn StandIn(Vorsa);
    Vorsa.ProcessNot("first", R, Vorsa.ReceiveQueue);
    Vorsa.ProcessNot("second", R, Vorsa.ReceiveQueue);
    EXPECT_EQ(Entries(Vorsa.ReceiveQueue), (Strings{"first", "second"}));
    EXPECT_TRUE(StandIn.Window.Received.empty());
    ProcessMessages();
    EXPECT_EQ(StandIn.Window.Numbers(), (Numbers{R, R}));
}

TEST(ReportQueueingInDesignState, WithoutAWindowTheEntryIsStillQueued) {
    TComponent Form;
    Form.SetDesigning(true);
    ExposedVorsa Designed(&Form, std::make_unique<MemorySerialPort>());
    Designed.ProcessNot("+CMGS: 1", S, Designed.SentQueue);
    EXPECT_EQ(Entries(Designed.SentQueue), Strings{"+CMGS: 1"});
}

}  // namespace
}  // namespace vorsa::test
