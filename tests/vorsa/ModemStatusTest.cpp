// The activity status and the signal strength, read from the modem's replies.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

struct StatusCase {
    std::string Reply;  // the modem's bytes; no answer at all when empty
    int32_t Value;
    const char* Why;
};

class Status : public ScriptedComponent {
  protected:
    void SetUp() override { OpenPortOnly(); }

    /// Asks Query for each case's reply to Command; the one report a case may make is that
    /// of its exchange: 1001 for a refusal, 1002 for no answer.
    template <typename Query>
    void Check(const std::string& Command, const std::vector<StatusCase>& Cases, Query Ask) {
        for (const StatusCase& C : Cases) {
            SCOPED_TRACE(C.Reply);
            Events.Clear();
            if (C.Reply.empty()) {
                Modem.Ignore(Command);
            } else {
                Modem.Answer(Command, C.Reply);
            }
            EXPECT_EQ(Ask(), C.Value) << C.Why;
            const ErrorReports Reports = C.Reply.empty() ? ErrorReports{Catalogued(ErrReadTimeout)}
                                         : C.Reply == "\r\nERROR\r\n"
                                             ? ErrorReports{Catalogued(ErrModemError)}
                                             : ErrorReports{};
            EXPECT_EQ(Events.Errors, Reports);
        }
        EXPECT_EQ(Modem.Writes, std::vector<std::string>(Cases.size(), Command + "\r\n"));
    }
};

TEST_F(Status, ActivityStatusIsTheFirstDigitAfterTheMarkerElseMinusOne) {
    Check("AT+CPAS",
          {
              {Framed("+CPAS: 0"), 0, ""},
              {Framed("+CPAS: 3"), 3, ""},
              {Framed("+CPAS: 12"), 1, "only the first digit is read"},
              {"\r\nERROR\r\n", -1, "a refusal"},
              {ScriptedModem::Ok, -1, "no marker"},
              {Framed("+CPAS:0"), -1, "no marker"},
              {"", -1, "no answer"},
              {"\r\n^RSSI: 9\r\n\r\n+CPAS: 0\r\n\r\nOK\r\n", 0, "Huawei's signal line first"},
              {"\r\n+ZUSIMR: 2\r\n\r\n+CPAS: 3\r\n\r\nOK\r\n", 3, "ZTE's SIM line first"},
              {"\r\n+XFOO: 1\r\n+CPAS: 4\r\n\r\nOK\r\n", 4, "found wherever it stands"},
          },
          [this] { return Vorsa.GetState(); });
}

TEST_F(Status, SignalQualityBecomesDbmAndNoReadingIsZero) {
    Check("AT+CSQ",
          {
              {Framed("+CSQ: 15,99"), -83, ""},
              {Framed("+CSQ: 31,0"), -51, ""},
              {Framed("+CSQ: 0,0"), -113, ""},
              {Framed("+CSQ: 1,0"), -111, ""},
              {Framed("+CSQ: 56,0"), -1, ""},
              {Framed("+CSQ: 57,0"), -113, "a positive result becomes -113"},
              {Framed("+CSQ: 99,99"), -113, "not known"},
              {Framed("+CSQ: 2147483647,0"), -113, "no overflow"},
              {"\r\nERROR\r\n", 0, "a refusal"},
              {Framed("+CSQ: 15"), 0, "no comma"},
              {ScriptedModem::Ok, 0, "no marker"},
              {Framed("+CPAS: 0,1"), 0, "another marker"},
              {"", 0, "no answer"},
              {"\r\n^RSSI: 9\r\n\r\n+CSQ: 15,99\r\n\r\n^DSFLOWRPT: 1,2\r\n\r\nOK\r\n", -83,
               "Huawei's lines around the answer"},
              {"\r\n+XFOO: 1,2\r\n+CSQ: 31,0\r\n\r\nOK\r\n", -51, "found wherever it stands"},
          },
          [this] { return Vorsa.GetField(); });
}

TEST_F(Status, AMarkerWithoutADigitRaisesAConversionErrorWithBusyClear) {
    for (const std::string& Reply : {Framed("+CPAS: "), Framed("+CPAS: x")}) {
        Modem.Answer("AT+CPAS", Reply);
        EXPECT_THROW((void)Vorsa.GetState(), EConvertError) << Reply;
        EXPECT_FALSE(Vorsa.IsBusy());
    }
    for (const std::string& Reply : {Framed("+CSQ: ,99"), Framed("+CSQ: 1x,99")}) {
        Modem.Answer("AT+CSQ", Reply);
        EXPECT_THROW((void)Vorsa.GetField(), EConvertError) << Reply;
        EXPECT_FALSE(Vorsa.IsBusy());
    }
}

}  // namespace
}  // namespace vorsa::test
