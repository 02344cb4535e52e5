// One command exchange: the bytes written, when the collection ends, the errors a reply
// carries and their reports, the time-out on the virtual clock, and the busy flag on every
// way out.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;

// At 9600 baud: the pause after a command, one poll step, and the default time-out.
constexpr uint32_t AfterCommand = 112;
constexpr uint32_t PollStep = 12;
constexpr uint32_t TimeOut = 10000;

class Exchange : public ScriptedComponent {
  protected:
    void SetUp() override { OpenPortOnly(); }

    /// One "AT" exchange; gives whether it was accepted.
    bool SendAt(std::string& Reply) { return Vorsa.SendCommand("AT", Reply); }
};

TEST_F(Exchange, WritesTheCommandAndLineEndThenGivesTheTrimmedReply) {
    Modem.Answer("AT+CSQ", Framed("+CSQ: 15,99"));
    std::string Reply;
    EXPECT_TRUE(Vorsa.SendCommand("AT+CSQ", Reply));
    EXPECT_EQ(Modem.Written, "AT+CSQ\r\n");
    EXPECT_EQ(Reply, "+CSQ: 15,99\r\n\r\nOK");
    EXPECT_TRUE(Events.Errors.empty());
    EXPECT_EQ(Vorsa.SendSMSCommand("AT+CSQ"), "+CSQ: 15,99\r\n\r\nOK");
}

TEST_F(Exchange, ALateReplyIsPolledForInSteps) {
    Modem.Answer("AT", ScriptedModem::Ok, 500);
    std::string Reply;
    EXPECT_TRUE(SendAt(Reply));
    EXPECT_EQ(Reply, "OK");
    // The reply arrives at 500 ms; the poll after it sees it.
    EXPECT_GE(Elapsed(), 500u);
    EXPECT_LE(Elapsed(), 500u + 2 * PollStep);
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(Exchange, ALongReadTimeoutDoesNotWrapToAShortOne) {
    // 4294968 s times 1000 does not fit in 32 bits; wrapped, it would be 704 ms.
    Vorsa.ReadTimeout = 4294968;
    Modem.Answer("AT", ScriptedModem::Ok, 5000);
    std::string Reply;
    EXPECT_TRUE(SendAt(Reply));
    EXPECT_EQ(Reply, "OK");
    EXPECT_TRUE(Events.Errors.empty());
}

// What a reply, or the lack of one, makes of an "AT" exchange.
struct ReplyCase {
    const char* Bytes;  // the modem's answer; none when null
    uint32_t DelayMs;   // after the command
    bool Accepted;
    std::string Reply;
    ErrorReports Reports;
    bool TimesOut;  // the collection ends at the time-out, not before
};

// clang-format off
const ReplyCase ReplyCases[] = {
    // A complete reply ends the collection after the first poll; a time-out alone does not
    // fail the exchange.
    {"\r\nOK\r\n", 0, true, "OK", {}, false},
    {nullptr, 0, true, "", {Catalogued(ErrReadTimeout)}, true},
    {"\r\n+CMS ERROR: 500\r\n", 0, false, "+CMS ERROR: 500", {{500, "Unknown error"}}, false},
    // A code outside the catalogue gets its fallback text.
    {"\r\n+CMS ERROR: 999\r\n", 0, false, "+CMS ERROR: 999", {Catalogued(999)}, false},
    // An ERROR at the end wins over a +CMS ERROR inside.
    {"\r\n+CMS ERROR: 304\r\nERROR\r\n", 0, false, "+CMS ERROR: 304\r\nERROR",
     {Catalogued(ErrModemError)}, false},
    // A code that is no whole number (beyond 32 bits, or none before the final result) fails
    // the exchange with 1001, and nothing escapes.
    {"\r\n+CMS ERROR: SIM busy\r\n", 0, false, "+CMS ERROR: SIM busy",
     {Catalogued(ErrModemError)}, false},
    {"\r\n+CMS ERROR: 12abc\r\n", 0, false, "+CMS ERROR: 12abc",
     {Catalogued(ErrModemError)}, false},
    {"\r\n+CMS ERROR: 99999999999\r\n", 0, false, "+CMS ERROR: 99999999999",
     {Catalogued(ErrModemError)}, false},
    {"\r\n+CMS ERROR: \r\n\r\nOK\r\n", 0, false, "+CMS ERROR: \r\n\r\nOK",
     {Catalogued(ErrModemError)}, false},
    // Code 0 fails the exchange but latches nothing.
    {"\r\n+CMS ERROR: 0\r\n", 0, false, "+CMS ERROR: 0", {}, false},
    // Delivered just before the last poll the time-out allows: the poll reads it and the
    // time-out ends the loop. An ERROR ending latches 1001 over the 1002; a modem code is not
    // read after a time-out, but the reply's text still fails the exchange.
    {"\r\nERROR\r\n", AfterCommand + 9990, false, "ERROR", {Catalogued(ErrModemError)}, true},
    {"\r\n+CMS ERROR: 500\r\n", AfterCommand + 9990, false, "+CMS ERROR: 500",
     {Catalogued(ErrReadTimeout)}, true},
};
// clang-format on

TEST_F(Exchange, RepliesAndTimeOuts) {
    Modem.Ignore("AT");
    for (const ReplyCase& C : ReplyCases) {
        SCOPED_TRACE(C.Bytes == nullptr ? "no answer" : C.Bytes);
        Events.Clear();
        Forget();
        if (C.Bytes != nullptr) {
            Modem.AnswerOnce("AT", C.Bytes, C.DelayMs);
        }
        std::string Reply = "stale";
        bool Accepted = !C.Accepted;
        EXPECT_NO_THROW(Accepted = SendAt(Reply));
        EXPECT_EQ(Accepted, C.Accepted);
        EXPECT_EQ(Reply, C.Reply);
        EXPECT_EQ(Events.Errors, C.Reports);
        EXPECT_FALSE(Vorsa.IsBusy());
        if (C.TimesOut) {
            EXPECT_GT(Elapsed(), AfterCommand + TimeOut);
            EXPECT_LE(Elapsed(), AfterCommand + TimeOut + PollStep);
        } else {
            EXPECT_EQ(Elapsed(), AfterCommand + PollStep);
            EXPECT_EQ(Modem.CountOf(Call::ClearCommError), 1u) << "one poll";
        }
        EXPECT_EQ(Modem.PendingCount(), 0u);
    }
}

TEST_F(Exchange, TheTimeOutFollowsReadTimeoutAndCountsFromTheStart) {
    Vorsa.ReadTimeout = 2;
    Modem.Ignore("AT");
    // A reply that keeps trickling in never completes; it is cut short, not waited out.
    for (uint32_t At = 300; At < 5000; At += 300) {
        Modem.Arrive("x", At);
    }
    std::string Reply;
    EXPECT_TRUE(SendAt(Reply));
    EXPECT_EQ(Reply, "xxxxxxx") << "what came by the time-out, the last at 2100 ms";
    EXPECT_EQ(Events.Errors, ErrorReports{Catalogued(ErrReadTimeout)});
    EXPECT_GT(Elapsed(), AfterCommand + 2000);
    EXPECT_LE(Elapsed(), AfterCommand + 2000 + PollStep);
}

TEST_F(Exchange, WithTheDefaultHandlerACmsErrorWithoutANumberRaisesTheReportOnly) {
    // The exchange ends by the report, not by a conversion error.
    Events.Raise = true;
    Modem.Answer("AT", "\r\n+CMS ERROR: SIM busy\r\n");
    std::string Reply;
    EXPECT_EQ(RaisedText([&] { (void)SendAt(Reply); }), "1001: System Error.");
    EXPECT_FALSE(Vorsa.IsBusy());
    EXPECT_TRUE(Vorsa.SendCommand("AT+CSQ", Reply)) << "the next exchange runs";
}

TEST_F(Exchange, SystemErrorIsReportedBeforeTheModemError) {
    // The first status query fails; the reply is read at the next poll.
    Modem.Answer("AT", "\r\nERROR\r\n");
    Modem.FailOnce(Call::ClearCommError, 5);
    std::string Reply;
    EXPECT_FALSE(SendAt(Reply));
    EXPECT_EQ(Reply, "ERROR");
    EXPECT_EQ(Events.Errors, (ErrorReports{{-1, "System Error 5"}, Catalogued(ErrModemError)}));
}

TEST_F(Exchange, WithTheDefaultHandlerAnUnreportedCodeWaitsForTheNextExchange) {
    Events.Raise = true;
    std::string Reply;
    const auto FailFirstPoll = [&] {
        Modem.AnswerOnce("AT", "\r\nERROR\r\n");
        Modem.FailOnce(Call::ClearCommError, 5);
        EXPECT_EQ(RaisedText([&] { (void)SendAt(Reply); }), "-1: System Error 5");
        EXPECT_FALSE(Vorsa.IsBusy());
    };
    FailFirstPoll();
    // The next exchange succeeds and reports the code left latched.
    EXPECT_EQ(RaisedText([&] { (void)SendAt(Reply); }), "1001: System Error.");
    EXPECT_EQ(Events.Errors.back(), Catalogued(ErrModemError));

    // Again, but the next exchange latches a newer code, which replaces the old one.
    Events.Clear();
    FailFirstPoll();
    Modem.AnswerOnce("AT", "\r\n+CMS ERROR: 321\r\n");
    EXPECT_NE(RaisedText([&] { (void)SendAt(Reply); }), "(nothing raised)");
    EXPECT_EQ(Events.Errors, (ErrorReports{{-1, "System Error 5"}, Catalogued(321)}));
}

TEST_F(Exchange, BusyIsSetDuringTheExchangeAndClearBeforeReports) {
    std::vector<bool> BusyWhenWritten;
    Modem.OnLine = [&](const std::string&) { BusyWhenWritten.push_back(Vorsa.IsBusy()); };
    bool BusyWhenReported = true;
    Vorsa.OnSMSError = [&](TObject*, int32_t, std::string) { BusyWhenReported = Vorsa.IsBusy(); };
    Modem.Answer("AT", "\r\nERROR\r\n");
    std::string Reply;
    EXPECT_FALSE(SendAt(Reply));
    EXPECT_EQ(BusyWhenWritten, std::vector<bool>{true});
    EXPECT_FALSE(BusyWhenReported);
    EXPECT_FALSE(Vorsa.IsBusy());
}

TEST_F(Exchange, BusyIsClearedWhenThePlatformOrTheClockThrows) {
    std::string Reply;
    Modem.OnLine = [](const std::string&) { throw std::runtime_error("write failed"); };
    EXPECT_THROW((void)SendAt(Reply), std::runtime_error);
    EXPECT_FALSE(Vorsa.IsBusy());

    // An exception in the middle of the collection.
    Modem.OnLine = nullptr;
    Modem.Ignore("AT");
    Modem.OnSleep = [&](uint32_t) {
        if (Elapsed() > 1000) {
            throw std::runtime_error("interrupted");
        }
    };
    EXPECT_THROW((void)SendAt(Reply), std::runtime_error);
    EXPECT_FALSE(Vorsa.IsBusy());
}

TEST_F(Exchange, AnExchangeWaitsForABusyFlagInPollSteps) {
    Vorsa.Busy = true;
    uint32_t ClearedAt = 0;
    Modem.OnSleep = [&](uint32_t) {
        if (Vorsa.Busy && Elapsed() >= 100 && ClearedAt == 0) {
            ClearedAt = Elapsed();
            Vorsa.Busy = false;
        }
    };
    uint32_t WrittenAt = 0;
    Modem.OnLine = [&](const std::string&) { WrittenAt = Elapsed(); };
    std::string Reply;
    EXPECT_TRUE(SendAt(Reply));
    EXPECT_EQ(ClearedAt, 108u) << "nine steps of 12 ms";
    EXPECT_EQ(WrittenAt, ClearedAt) << "written as soon as the flag was seen clear";
}

TEST_F(Exchange, AboveFiftyTimes2400BaudPollsStillSleep) {
    // The pause of a poll step scales to 0 ms here; polling must not spin regardless
    // (on the virtual clock a spinning loop would never reach its time-out).
    Vorsa.Baud = 256000;
    Modem.Ignore("AT");
    std::string Reply;
    EXPECT_TRUE(SendAt(Reply));
    EXPECT_EQ(Events.Errors, ErrorReports{Catalogued(ErrReadTimeout)});
    EXPECT_LE(Clock.SleepCount(), 10003u) << "one sleep of at least 1 ms a poll";
}

TEST_F(Exchange, ABaudOfZeroPollsAsAt2400) {
    Vorsa.Baud = 0;
    std::string Reply;
    EXPECT_TRUE(SendAt(Reply));
    EXPECT_EQ(Reply, "OK");
    EXPECT_EQ(Elapsed(), 450u + 50u);
}

}  // namespace
}  // namespace vorsa::test
