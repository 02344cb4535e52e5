// One command exchange: the bytes written, when the collection ends, the errors a reply
// carries and their reports, the time-out on the virtual clock, and the busy flag on every
// way out.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "vorsa/VorsaBench.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;
using Reports = std::vector<ErrorReport>;

// At 9600 baud: the pause after a command, and one poll step.
constexpr uint32_t AfterCommand = 112;
constexpr uint32_t PollStep = 12;

class Exchange : public ::testing::Test {
  protected:
    void SetUp() override { Bench.OpenPortOnly(); }

    /// Makes OnSMSError the default handler again, for the cases where a report raises.
    void RaiseOnReports() {
        Bench.Vorsa.OnSMSError = [this](TObject* S, int32_t Code, std::string Text) {
            Bench.Reports.push_back({Code, Text});
            Bench.Vorsa.InernalErrorHandling(S, Code, Text);
        };
    }

    VorsaBench Bench;
};

TEST_F(Exchange, WritesTheCommandAndLineEndThenGivesTheTrimmedReply) {
    Bench.Modem.Answer("AT+CSQ", Framed("+CSQ: 15,99"));
    std::string Reply;
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT+CSQ", Reply));
    EXPECT_EQ(Bench.Modem.Written, "AT+CSQ\r\n");
    EXPECT_EQ(Reply, "+CSQ: 15,99\r\n\r\nOK");
    EXPECT_TRUE(Bench.Reports.empty());
    EXPECT_EQ(Bench.Vorsa.SendSMSCommand("AT+CSQ"), "+CSQ: 15,99\r\n\r\nOK");
}

TEST_F(Exchange, AReplyInOnePollEndsTheCollectionAfterTheFirstPass) {
    std::string Reply;
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Reply, "OK");
    EXPECT_EQ(Bench.Modem.CountOf(Call::ClearCommError), 1u) << "one poll";
    EXPECT_EQ(Bench.Elapsed(), AfterCommand + PollStep);
}

TEST_F(Exchange, ALateReplyIsPolledForInSteps) {
    Bench.Modem.Answer("AT", ScriptedModem::Ok, 500);
    std::string Reply;
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Reply, "OK");
    // The reply arrives at 500 ms; the poll after it sees it.
    EXPECT_GE(Bench.Elapsed(), 500u);
    EXPECT_LE(Bench.Elapsed(), 500u + 2 * PollStep);
    EXPECT_TRUE(Bench.Reports.empty());
}

TEST_F(Exchange, ClosedPortReportsNotConnectedAndTouchesNothing) {
    InspectableVorsa& Vorsa = Bench.Vorsa;
    Vorsa.DisConnect();
    Bench.Modem.ClearLog();
    Vorsa.Busy = true;  // a closed port returns at once, busy or not
    std::string Reply = "untouched";
    EXPECT_FALSE(Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Reply, "untouched");
    EXPECT_TRUE(Vorsa.Busy);
    Vorsa.Busy = false;
    EXPECT_EQ(Vorsa.SendSMSCommand("AT"), "");
    EXPECT_TRUE(Bench.Modem.Log().empty());
    EXPECT_EQ(Bench.Reports, (Reports{Catalogued(ErrNotConnected), Catalogued(ErrNotConnected)}));
}

TEST_F(Exchange, NoReplyAtAllTimesOutAcceptedAndEmpty) {
    Bench.Modem.Ignore("AT");
    std::string Reply = "stale";
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT", Reply)) << "a time-out alone does not fail";
    EXPECT_EQ(Reply, "");
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrReadTimeout)});
    EXPECT_GT(Bench.Elapsed(), AfterCommand + 10000);
    EXPECT_LE(Bench.Elapsed(), AfterCommand + 10000 + PollStep);
}

TEST_F(Exchange, TheTimeOutFollowsReadTimeoutAndCountsFromTheStart) {
    Bench.Vorsa.ReadTimeout = 2;
    Bench.Modem.Ignore("AT");
    // A reply that keeps trickling in never completes; it is cut short, not waited out.
    for (uint32_t At = 300; At < 5000; At += 300) {
        Bench.Modem.Arrive("x", At);
    }
    std::string Reply;
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Reply, "xxxxxxx") << "what came by the time-out, the last at 2100 ms";
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrReadTimeout)});
    EXPECT_GT(Bench.Elapsed(), AfterCommand + 2000);
    EXPECT_LE(Bench.Elapsed(), AfterCommand + 2000 + PollStep);
}

TEST_F(Exchange, ALongReadTimeoutDoesNotWrapToAShortOne) {
    // 4294968 s times 1000 does not fit in 32 bits; wrapped, it would be 704 ms.
    Bench.Vorsa.ReadTimeout = 4294968;
    Bench.Modem.Answer("AT", ScriptedModem::Ok, 5000);
    std::string Reply;
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Reply, "OK");
    EXPECT_TRUE(Bench.Reports.empty());
}

TEST_F(Exchange, CmsErrorLatchesTheModemsCodeWithItsCatalogueText) {
    Bench.Modem.Answer("AT+CMGR=1", "\r\n+CMS ERROR: 500\r\n");
    std::string Reply;
    EXPECT_FALSE(Bench.Vorsa.SendCommand("AT+CMGR=1", Reply));
    EXPECT_EQ(Reply, "+CMS ERROR: 500");
    EXPECT_EQ(Bench.Reports, (Reports{{500, "Unknown error"}}));

    Bench.Reports.clear();
    Bench.Modem.Answer("AT+CMGR=1", "\r\n+CMS ERROR: 999\r\n");
    EXPECT_FALSE(Bench.Vorsa.SendCommand("AT+CMGR=1", Reply));
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(999)}) << "the catalogue's fallback text";
}

TEST_F(Exchange, ErrorAtTheEndWinsOverACmsErrorInside) {
    Bench.Modem.Answer("AT", "\r\n+CMS ERROR: 304\r\nERROR\r\n");
    std::string Reply;
    EXPECT_FALSE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrModemError)});
}

TEST_F(Exchange, CmsErrorWithoutANumberFailsWithModemErrorAndNothingEscapes) {
    const char* const Replies[] = {
        "\r\n+CMS ERROR: SIM busy\r\n", "\r\n+CMS ERROR: 12abc\r\n",
        "\r\n+CMS ERROR: 99999999999\r\n",  // beyond 32 bits
        "\r\n+CMS ERROR: \r\n\r\nOK\r\n",   // nothing but the final result after it
    };
    for (const char* Bytes : Replies) {
        SCOPED_TRACE(Bytes);
        Bench.Reports.clear();
        Bench.Modem.Answer("AT", Bytes);
        std::string Reply;
        bool Accepted = true;
        EXPECT_NO_THROW(Accepted = Bench.Vorsa.SendCommand("AT", Reply));
        EXPECT_FALSE(Accepted);
        EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrModemError)});
        EXPECT_FALSE(Bench.Vorsa.IsBusy());
    }

    // With the default handler the exchange ends by the report, not by a conversion error.
    RaiseOnReports();
    Bench.Modem.Answer("AT", "\r\n+CMS ERROR: SIM busy\r\n");
    std::string Reply;
    try {
        (void)Bench.Vorsa.SendCommand("AT", Reply);
        FAIL() << "the default handler did not raise";
    } catch (const EConvertError&) {
        FAIL() << "a conversion error escaped the collector";
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "1001: System Error.");
    }
    EXPECT_FALSE(Bench.Vorsa.IsBusy());
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT+CSQ", Reply)) << "the next exchange runs";
}

TEST_F(Exchange, CmsErrorZeroFailsButLatchesNothing) {
    Bench.Modem.Answer("AT", "\r\n+CMS ERROR: 0\r\n");
    std::string Reply;
    EXPECT_FALSE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_TRUE(Bench.Reports.empty());
}

TEST_F(Exchange, ErrorArrivingAsTimeRunsOutReplacesTheTimeOut) {
    // Delivered just before the last poll that the time-out allows: the poll reads it, the
    // time-out ends the loop, and the "ERROR" ending latches 1001 over the 1002.
    Bench.Modem.Answer("AT", "\r\nERROR\r\n", AfterCommand + 9990);
    std::string Reply;
    EXPECT_FALSE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Reply, "ERROR");
    EXPECT_GT(Bench.Elapsed(), AfterCommand + 10000) << "the time-out ended the collection";
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrModemError)});
}

TEST_F(Exchange, AfterATimeOutNoModemCodeIsRead) {
    Bench.Modem.Answer("AT", "\r\n+CMS ERROR: 500\r\n", AfterCommand + 9990);
    std::string Reply;
    EXPECT_FALSE(Bench.Vorsa.SendCommand("AT", Reply)) << "the reply's text still fails it";
    EXPECT_EQ(Reply, "+CMS ERROR: 500");
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrReadTimeout)});
}

TEST_F(Exchange, SystemErrorIsReportedBeforeTheModemError) {
    // The first status query fails; the reply is read at the next poll.
    Bench.Modem.Answer("AT", "\r\nERROR\r\n");
    Bench.Modem.FailOnce(Call::ClearCommError, 5);
    std::string Reply;
    EXPECT_FALSE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Reply, "ERROR");
    EXPECT_EQ(Bench.Reports, (Reports{{-1, "System Error 5"}, Catalogued(ErrModemError)}));
}

TEST_F(Exchange, WithTheDefaultHandlerAnUnreportedCodeWaitsForTheNextExchange) {
    RaiseOnReports();
    Bench.Modem.AnswerOnce("AT", "\r\nERROR\r\n");
    Bench.Modem.FailOnce(Call::ClearCommError, 5);
    std::string Reply;
    try {
        (void)Bench.Vorsa.SendCommand("AT", Reply);
        FAIL();
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "-1: System Error 5");
    }
    EXPECT_FALSE(Bench.Vorsa.IsBusy());

    // The next exchange succeeds and reports the code left latched.
    EXPECT_THROW((void)Bench.Vorsa.SendCommand("AT", Reply), Exception);
    EXPECT_EQ(Bench.Reports.back(), Catalogued(ErrModemError));

    // Again, but the next exchange latches a newer code, which replaces the old one.
    Bench.Reports.clear();
    Bench.Modem.AnswerOnce("AT", "\r\nERROR\r\n");
    Bench.Modem.FailOnce(Call::ClearCommError, 5);
    EXPECT_THROW((void)Bench.Vorsa.SendCommand("AT", Reply), Exception);
    Bench.Modem.AnswerOnce("AT", "\r\n+CMS ERROR: 321\r\n");
    EXPECT_THROW((void)Bench.Vorsa.SendCommand("AT", Reply), Exception);
    EXPECT_EQ(Bench.Reports, (Reports{{-1, "System Error 5"}, Catalogued(321)}));
}

TEST_F(Exchange, BusyIsSetDuringTheExchangeAndClearBeforeReports) {
    std::vector<bool> BusyWhenWritten;
    Bench.Modem.OnLine = [&](const std::string&) {
        BusyWhenWritten.push_back(Bench.Vorsa.IsBusy());
    };
    bool BusyWhenReported = true;
    Bench.Vorsa.OnSMSError = [&](TObject*, int32_t, std::string) {
        BusyWhenReported = Bench.Vorsa.IsBusy();
    };
    Bench.Modem.Answer("AT", "\r\nERROR\r\n");
    std::string Reply;
    EXPECT_FALSE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(BusyWhenWritten, std::vector<bool>{true});
    EXPECT_FALSE(BusyWhenReported);
    EXPECT_FALSE(Bench.Vorsa.IsBusy());
}

TEST_F(Exchange, BusyIsClearedWhenThePlatformOrTheClockThrows) {
    std::string Reply;
    Bench.Modem.OnLine = [](const std::string&) { throw std::runtime_error("write failed"); };
    EXPECT_THROW((void)Bench.Vorsa.SendCommand("AT", Reply), std::runtime_error);
    EXPECT_FALSE(Bench.Vorsa.IsBusy());

    // An exception in the middle of the collection.
    Bench.Modem.OnLine = nullptr;
    Bench.Modem.Ignore("AT");
    Bench.Modem.OnSleep = [&](uint32_t) {
        if (Bench.Elapsed() > 1000) {
            throw std::runtime_error("interrupted");
        }
    };
    EXPECT_THROW((void)Bench.Vorsa.SendCommand("AT", Reply), std::runtime_error);
    EXPECT_FALSE(Bench.Vorsa.IsBusy());
}

TEST_F(Exchange, AnExchangeWaitsForABusyFlagInPollSteps) {
    Bench.Vorsa.Busy = true;
    uint32_t ClearedAt = 0;
    Bench.Modem.OnSleep = [&](uint32_t) {
        if (Bench.Vorsa.Busy && Bench.Elapsed() >= 100 && ClearedAt == 0) {
            ClearedAt = Bench.Elapsed();
            Bench.Vorsa.Busy = false;
        }
    };
    uint32_t WrittenAt = 0;
    Bench.Modem.OnLine = [&](const std::string&) { WrittenAt = Bench.Elapsed(); };
    std::string Reply;
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(ClearedAt, 108u) << "nine steps of 12 ms";
    EXPECT_EQ(WrittenAt, ClearedAt) << "written as soon as the flag was seen clear";
}

TEST_F(Exchange, AboveFiftyTimes2400BaudPollsStillSleep) {
    // The pause of a poll step scales to 0 ms here; polling must not spin regardless
    // (on the virtual clock a spinning loop would never reach its time-out).
    Bench.Vorsa.Baud = 256000;
    Bench.Modem.Ignore("AT");
    std::string Reply;
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrReadTimeout)});
    EXPECT_LE(Bench.Clock.SleepCount(), 10003u) << "one sleep of at least 1 ms a poll";
}

TEST_F(Exchange, ABaudOfZeroPollsAsAt2400) {
    Bench.Vorsa.Baud = 0;
    std::string Reply;
    EXPECT_TRUE(Bench.Vorsa.SendCommand("AT", Reply));
    EXPECT_EQ(Reply, "OK");
    EXPECT_EQ(Bench.Elapsed(), 450u + 50u);
}

}  // namespace
}  // namespace vorsa::test
