// The activity status and the signal strength, read from the modem's replies.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "vorsa/VorsaBench.h"

namespace vorsa::test {
namespace {

class Status : public ::testing::Test {
  protected:
    void SetUp() override { Bench.OpenPortOnly(); }

    int32_t StateFor(const std::string& Bytes) {
        Bench.Modem.Answer("AT+CPAS", Bytes);
        return Bench.Vorsa.GetState();
    }
    int32_t FieldFor(const std::string& Bytes) {
        Bench.Modem.Answer("AT+CSQ", Bytes);
        return Bench.Vorsa.GetField();
    }

    VorsaBench Bench;
};

TEST_F(Status, ActivityStatusIsTheFirstDigitAfterTheMarker) {
    EXPECT_EQ(StateFor(Framed("+CPAS: 0")), 0);
    EXPECT_EQ(StateFor(Framed("+CPAS: 3")), 3);
    EXPECT_EQ(StateFor(Framed("+CPAS: 12")), 1) << "only the first digit is read";
    EXPECT_EQ(Bench.Modem.Written, "AT+CPAS\r\nAT+CPAS\r\nAT+CPAS\r\n");
    EXPECT_TRUE(Bench.Reports.empty());
}

TEST_F(Status, ActivityStatusWithoutTheMarkerIsMinusOne) {
    EXPECT_EQ(StateFor("\r\nERROR\r\n"), -1);
    EXPECT_EQ(Bench.Reports, std::vector<ErrorReport>{Catalogued(ErrModemError)});
    EXPECT_EQ(StateFor(ScriptedModem::Ok), -1);
    EXPECT_EQ(StateFor(Framed("+CPAS:0")), -1);
    Bench.Modem.Ignore("AT+CPAS");
    EXPECT_EQ(Bench.Vorsa.GetState(), -1) << "no answer";
}

TEST_F(Status, ActivityStatusOnAClosedPortReportsAndIsMinusOne) {
    Bench.Vorsa.DisConnect();
    EXPECT_EQ(Bench.Vorsa.GetState(), -1);
    EXPECT_EQ(Bench.Vorsa.GetField(), 0);
    EXPECT_EQ(Bench.Reports,
              (std::vector<ErrorReport>{Catalogued(ErrNotConnected), Catalogued(ErrNotConnected)}));
}

TEST_F(Status, AMarkerWithoutADigitRaisesAConversionErrorWithBusyClear) {
    EXPECT_THROW((void)StateFor(Framed("+CPAS: ")), EConvertError);
    EXPECT_FALSE(Bench.Vorsa.IsBusy());
    EXPECT_THROW((void)StateFor(Framed("+CPAS: x")), EConvertError);
    EXPECT_THROW((void)FieldFor(Framed("+CSQ: ,99")), EConvertError);
    EXPECT_THROW((void)FieldFor(Framed("+CSQ: 1x,99")), EConvertError);
    EXPECT_FALSE(Bench.Vorsa.IsBusy());
}

TEST_F(Status, SignalQualityBecomesDbm) {
    EXPECT_EQ(FieldFor(Framed("+CSQ: 15,99")), -83);
    EXPECT_EQ(FieldFor(Framed("+CSQ: 31,0")), -51);
    EXPECT_EQ(FieldFor(Framed("+CSQ: 0,0")), -113);
    EXPECT_EQ(FieldFor(Framed("+CSQ: 1,0")), -111);
    EXPECT_EQ(FieldFor(Framed("+CSQ: 56,0")), -1);
    EXPECT_EQ(FieldFor(Framed("+CSQ: 57,0")), -113) << "a positive result becomes -113";
    EXPECT_EQ(FieldFor(Framed("+CSQ: 99,99")), -113) << "not known";
    EXPECT_EQ(FieldFor(Framed("+CSQ: 2147483647,0")), -113) << "no overflow";
    EXPECT_EQ(Bench.Modem.CountOfLine("AT+CSQ"), 8u);
    EXPECT_TRUE(Bench.Reports.empty());
}

TEST_F(Status, NoReadingIsZero) {
    EXPECT_EQ(FieldFor("\r\nERROR\r\n"), 0);
    EXPECT_EQ(FieldFor(Framed("+CSQ: 15")), 0) << "no comma";
    EXPECT_EQ(FieldFor(ScriptedModem::Ok), 0);
    EXPECT_EQ(FieldFor(Framed("+CPAS: 0,1")), 0) << "another marker";
    Bench.Modem.Ignore("AT+CSQ");
    EXPECT_EQ(Bench.Vorsa.GetField(), 0);
}

}  // namespace
}  // namespace vorsa::test
