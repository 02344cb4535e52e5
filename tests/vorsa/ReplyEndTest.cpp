// When a reply is complete and what it is: only a whole final-result line ends it, whatever
// the pace of the line; every final result of the table ends it at once; vendors' lines
// and echoes are no part of it; a report that stalls half way is neither dropped nor
// merged; and a port that hangs up or a modem that falls silent ends the link at once.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;
using Strings = std::vector<std::string>;

// The modem's answer to "AT", as pieces that arrive at their moments (ms after the command).
struct Piece {
    std::string Bytes;
    uint32_t At;
};

// Each byte of Bytes on its own, Gap ms apart, from At on.
std::vector<Piece> Trickled(const std::string& Bytes, uint32_t Gap, uint32_t At = 0) {
    std::vector<Piece> Pieces;
    for (const char C : Bytes) {
        Pieces.push_back({std::string(1, C), At});
        At += Gap;
    }
    return Pieces;
}

struct EndCase {
    const char* Name;
    std::vector<Piece> Answer;
    bool Accepted;
    std::string Reply;
    ErrorReports Reports;
    uint32_t LatestEnd;  // ms after the command: no case waits for the time-out
    Strings Notify = {};
    Strings Receive = {};
};

const std::string Cmt = "+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"";

// clang-format off
const EndCase EndCases[] = {
    // A line that trickles ends at its final result line, not at the first "OK" in it.
    {"TrickledOk", Trickled("\r\nOK\r\n", 40), true, "OK", {}, 400},
    {"TrickledAnswer", Trickled("\r\n+CSQ: 15,99\r\n\r\nOK\r\n", 30), true, "+CSQ: 15,99\r\n\r\nOK",
     {}, 1000},
    {"TrickledTextEndingInOk", Trickled("\r\n" + Cmt + "\r\nsee you at 8 OK\r\n\r\nOK\r\n", 5),
     true, "OK", {}, 1200, {}, {Cmt + "\r\nsee you at 8 OK"}},
    // Every final result of the table ends the reply at once; the failures latch 1001.
    {"WrongPinAfterCmee", {{"\r\n+CME ERROR: 16\r\n", 0}}, false, "+CME ERROR: 16",
     {Catalogued(ErrModemError)}, 200},
    {"HuaweiUnknownCommand", {{"\r\nCOMMAND NOT SUPPORT\r\n", 0}}, false, "COMMAND NOT SUPPORT",
     {Catalogued(ErrModemError)}, 200},
    {"HuaweiTooManyArguments", {{"\r\nTOO MANY PARAMETERS\r\n", 0}}, false,
     "TOO MANY PARAMETERS", {Catalogued(ErrModemError)}, 200},
    {"NoCarrier", {{"\r\nNO CARRIER\r\n", 0}}, false, "NO CARRIER", {Catalogued(ErrModemError)},
     200},
    // A text that merely ends in a final result's words, or holds one, is no final result.
    {"OkAtTheEndOfALine", {{"\r\nFine, OK\r\n", 0}, {"\r\nOK\r\n", 600}}, true,
     "Fine, OK\r\n\r\nOK", {}, 800},
    {"ErrorInsideALine", {{"\r\nNo ERROR here\r\n", 0}, {"\r\nOK\r\n", 600}}, true,
     "No ERROR here\r\n\r\nOK", {}, 800},
    // Vendors' lines are cut out wherever they stand.
    {"HuaweiAndZteLines",
     {{"\r\n^RSSI: 14\r\n\r\n+ZPASR: \"UMTS\"\r\n\r\n+CSQ: 15,99\r\n\r\n^DSFLOWRPT: 1,2,3\r\n"
       "\r\nRING\r\n\r\n+CREG: 1\r\n\r\nOK\r\n", 0}},
     true, "+CSQ: 15,99\r\n\r\nOK", {}, 200},
    // The line after a delivered message's header is its text, whatever it reads.
    {"DeliveredTextsThatReadLikeModemOutput",
     {{"\r\n" + Cmt + "\r\nOK\r\n\r\n" + Cmt + "\r\n+CMTI: \"SM\",5\r\n\r\n" + Cmt +
       "\r\n+CMS ERROR: 500\r\n\r\n" + Cmt + "\r\n> \r\n\r\nOK\r\n", 0}},
     true, "OK", {}, 300, {},
     {Cmt + "\r\nOK", Cmt + "\r\n+CMTI: \"SM\",5", Cmt + "\r\n+CMS ERROR: 500", Cmt + "\r\n> "}},
    // A text of several lines, the last of which reads "OK", arriving as one burst.
    {"DeliveredTextWithAnOkLine", {{"\r\n" + Cmt + "\r\nx\r\nOK\r\n\r\nOK\r\n", 0}}, true, "OK",
     {}, 300, {}, {Cmt + "\r\nx\r\nOK"}},
    // Reports that stall half way are waited for while the line is busy.
    {"ReportsThatStallBriefly",
     {{"\r\n+CMTI: \"SM\",1\r\n\r\n+CMTI: \"S", 0}, {"M\",2\r\n\r\n+CMTI: \"SM\",3\r\n\r\nOK\r\n", 80}},
     // (each cut leaves the line break that stood after a report at the start)
     true, "\r\n\r\nOK", {}, 300, {"+CMTI: \"SM\",1", "+CMTI: \"SM\",2", "+CMTI: \"SM\",3"}},
    {"DeliveredTextThatStallsBriefly",
     {{"\r\n" + Cmt + "\r\nstall A", 0}, {"\r\n\r\n" + Cmt + "\r\nB\r\n\r\nOK\r\n", 80}}, true,
     "OK", {}, 300, {}, {Cmt + "\r\nstall A", Cmt + "\r\nB"}},
};
// clang-format on

class ReplyEnd : public ScriptedComponent, public ::testing::WithParamInterface<EndCase> {
  protected:
    void SetUp() override { OpenPortOnly(); }
};

TEST_P(ReplyEnd, EndsAtItsFinalResultLineAndKeepsTextsIntact) {
    const EndCase& C = GetParam();
    Modem.Ignore("AT");
    Modem.OnLine = [&](const std::string&) {
        for (const Piece& P : C.Answer) {
            Modem.Arrive(P.Bytes, P.At);
        }
    };
    std::string Reply;
    EXPECT_EQ(Vorsa.SendCommand("AT", Reply), C.Accepted);
    EXPECT_EQ(Reply, C.Reply);
    EXPECT_EQ(Events.Errors, C.Reports);
    EXPECT_LE(Elapsed(), C.LatestEnd);
    EXPECT_EQ(Entries(Vorsa.NotifyQueue), C.Notify);
    EXPECT_EQ(Entries(Vorsa.ReceiveQueue), C.Receive);
    EXPECT_FALSE(Vorsa.IsBusy());
}

INSTANTIATE_TEST_SUITE_P(Answers, ReplyEnd, ::testing::ValuesIn(EndCases),
                         [](const ::testing::TestParamInfo<EndCase>& Info) {
                             return Info.param.Name;
                         });

using ReplyEndOverTime = ScriptedComponent;

// A report whose line stalls for longer than the reply takes is carried, whole, into the
// next reply: not dropped, not merged with what comes before or after it.
TEST_F(ReplyEndOverTime, AReportStalledPastTheReplyIsCarriedToTheNext) {
    OpenPortOnly();
    Modem.AnswerOnce("AT", "\r\nOK\r\n\r\n+CMTI: \"SM\",4\r\n\r\n+CMTI: \"S");
    EXPECT_EQ(Vorsa.SendSMSCommand("AT"), "OK");
    EXPECT_EQ(Entries(Vorsa.NotifyQueue), Strings{"+CMTI: \"SM\",4"});

    Modem.Arrive("M\",5\r\n\r\n" + Cmt + "\r\nHi", 5000);
    Modem.Arrive("\r\n", 9000);
    Clock.Sleep(6000);
    EXPECT_EQ(Vorsa.SendSMSCommand("AT"), "OK");
    Clock.Sleep(4000);
    EXPECT_EQ(Vorsa.SendSMSCommand("AT"), "OK");
    EXPECT_EQ(Entries(Vorsa.NotifyQueue), (Strings{"+CMTI: \"SM\",4", "+CMTI: \"SM\",5"}));
    EXPECT_EQ(Entries(Vorsa.ReceiveQueue), Strings{Cmt + "\r\nHi"});
    EXPECT_TRUE(Events.Errors.empty());
}

// The echo of the command (a modem whose echo came back on after ATZ) is no part of the
// reply, nor is it ever taken for its answer.
TEST_F(ReplyEndOverTime, TheEchoOfTheCommandIsNoPartOfTheReply) {
    OpenPortOnly();
    Modem.Answer("AT+CPAS", "AT+CPAS\r\r\n+CPAS: 0\r\n\r\nOK\r\n");
    Modem.Answer("OK", "OK\r\r\nERROR\r\n");
    EXPECT_EQ(Vorsa.SendSMSCommand("AT+CPAS"), "+CPAS: 0\r\n\r\nOK");
    EXPECT_EQ(Vorsa.GetState(), 0);
    std::string Reply;
    EXPECT_FALSE(Vorsa.SendCommand("OK", Reply)) << "the echoed line is not the final result";
    EXPECT_EQ(Reply, "ERROR");
}

// A port that hangs up in the middle of a reply: the exchange ends at once with one report
// of the system error, and the port is closed (OnDisconnect).
TEST_F(ReplyEndOverTime, AHungUpPortEndsTheExchangeAtOnceWithOneReport) {
    ConnectReady();
    Modem.IgnoreOthers();
    Modem.OnLine = [this](const std::string&) {
        Modem.Feed("\r\n+CSQ: 1");
        for (const Call What : {Call::ClearCommError, Call::ReadFile, Call::WaitReadable}) {
            Modem.FailAlways(What, EIO);
        }
    };
    std::string Reply;
    EXPECT_FALSE(Vorsa.SendCommand("AT+CSQ", Reply));
    EXPECT_LT(Elapsed(), 1000u);
    EXPECT_EQ(Events.Order, (Strings{"Disconnected", "Error -1"}));
    EXPECT_EQ(Events.Errors, (ErrorReports{{-1, "System Error " + std::to_string(EIO)}}));
    EXPECT_FALSE(Vorsa.Connected());
    EXPECT_FALSE(Vorsa.IsBusy());
}

// A modem that lets two commands in a row pass without a byte has stopped answering: the
// second closes the port. One silent command alone (a command it ignores) does not.
TEST_F(ReplyEndOverTime, AModemSilentToTwoCommandsInARowIsClosed) {
    ConnectReady();
    Vorsa.ReadTimeout = 2;
    Modem.Ignore("AT+CSQ");
    (void)Vorsa.SendSMSCommand("AT+CSQ");
    EXPECT_TRUE(Vorsa.Connected());
    EXPECT_EQ(Vorsa.SendSMSCommand("AT"), "OK");
    (void)Vorsa.SendSMSCommand("AT+CSQ");
    EXPECT_TRUE(Vorsa.Connected()) << "an answer came in between";
    (void)Vorsa.SendSMSCommand("AT+CSQ");
    EXPECT_FALSE(Vorsa.Connected());
    EXPECT_EQ(Events.Order, (Strings{"Error 1002", "Error 1002", "Disconnected", "Error 1002"}));
}

}  // namespace
}  // namespace vorsa::test
