// Connect's set-up dialogue byte for byte, with the defaults and with changed properties;
// how it gives up (PIN refused, a modem that does not answer, a refused step); DisConnect,
// Reset and the routing switch.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "vorsa/VorsaBench.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;
using Lines = std::vector<std::string>;
using Reports = std::vector<ErrorReport>;

const Lines DefaultDialogue = {"ATZ",
                               "ATE0&S0",
                               "AT+CPAS",
                               "AT+CPIN?",
                               "AT+CPMS=\"SM\",\"SM\",\"SM\"",
                               "AT+CNMI=2,1,0,0,0",
                               "AT+CMGF=1"};

class Setup : public ::testing::Test {
  protected:
    void SetUp() override {
        Bench.Modem.ActLikeReadyModem();
        Bench.Vorsa.OnConnected = [this](TObject* Sender) {
            ++Connects;
            EXPECT_EQ(Sender, &Bench.Vorsa);
        };
        Bench.Vorsa.OnDisconnect = [this](TObject* Sender) {
            ++Disconnects;
            EXPECT_EQ(Sender, &Bench.Vorsa);
        };
    }

    void RaiseOnReports() {
        Bench.Vorsa.OnSMSError = [this](TObject* S, int32_t Code, std::string Text) {
            Bench.Reports.push_back({Code, Text});
            Bench.Vorsa.InernalErrorHandling(S, Code, Text);
        };
    }

    VorsaBench Bench;
    int Connects = 0;
    int Disconnects = 0;
};

TEST_F(Setup, DefaultConnectSendsTheDialogueInOrderAndRaisesOnConnectedOnce) {
    Bench.Vorsa.Connect();
    EXPECT_TRUE(Bench.Vorsa.Connected());
    EXPECT_EQ(Bench.Modem.Written,
              "ATZ\r\nATE0&S0\r\nAT+CPAS\r\nAT+CPIN?\r\nAT+CPMS=\"SM\",\"SM\",\"SM\"\r\n"
              "AT+CNMI=2,1,0,0,0\r\nAT+CMGF=1\r\n");
    EXPECT_EQ(Bench.Modem.Writes.size(), 7u) << "one write a command line";
    EXPECT_EQ(Connects, 1);
    EXPECT_EQ(Disconnects, 0);
    EXPECT_TRUE(Bench.Reports.empty());
    EXPECT_FALSE(Bench.Vorsa.IsBusy());
}

TEST_F(Setup, ConnectOnAConnectedComponentDoesNothing) {
    WindowStandIn StandIn(Bench.Vorsa);
    Bench.Vorsa.Connect();
    ASSERT_TRUE(Bench.Vorsa.Connected());
    ASSERT_TRUE(KillTimer(StandIn.Window.Handle(), 1)) << "the first Connect started timer 1";
    Bench.Modem.ClearLog();
    Bench.Modem.ClearLines();

    Bench.Vorsa.Connect();
    EXPECT_TRUE(Bench.Modem.Log().empty()) << "not even a reopen";
    EXPECT_TRUE(Bench.Modem.Lines().empty());
    EXPECT_FALSE(KillTimer(StandIn.Window.Handle(), 1)) << "the timer was left alone";
    EXPECT_EQ(Connects, 1);
    EXPECT_EQ(Disconnects, 0);
}

TEST_F(Setup, ChangedPropertiesChangeTheDialogue) {
    Bench.Vorsa.InitString1 = "AT&F";
    Bench.Vorsa.InitString3 = "AT+CSCS=\"GSM\"";
    Bench.Vorsa.StorageString = "\"ME\",\"ME\",\"ME\"";
    Bench.Vorsa.SMSCenter = "+40700000001";
    Bench.Vorsa.DirectForward = true;
    Bench.Vorsa.TextMode = false;
    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Modem.Lines(),
              (Lines{"AT&F", "ATE0&S0", "AT+CSCS=\"GSM\"", "AT+CPAS", "AT+CPIN?",
                     "AT+CPMS=\"ME\",\"ME\",\"ME\"", "AT+CSCA=\"+40700000001\"",
                     "AT+CNMI=2,2,0,0,0", "AT+CMGF=0"}));
    EXPECT_EQ(Connects, 1);
}

TEST_F(Setup, EmptyInitStringsAndStorageAreSkipped) {
    Bench.Vorsa.InitString1 = "";
    Bench.Vorsa.InitString2 = "";
    Bench.Vorsa.StorageString = "";
    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Modem.Lines(),
              (Lines{"AT+CPAS", "AT+CPIN?", "AT+CNMI=2,1,0,0,0", "AT+CMGF=1"}));
    EXPECT_EQ(Connects, 1);

    Bench.Vorsa.DisConnect();
    Bench.Modem.ClearLines();
    Bench.Vorsa.InitString1 = "ATZ";
    Bench.Vorsa.InitString2 = "";
    Bench.Vorsa.InitString3 = "ATI";
    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Modem.Lines(),
              (Lines{"ATZ", "ATI", "AT+CPAS", "AT+CPIN?", "AT+CNMI=2,1,0,0,0", "AT+CMGF=1"}));
}

TEST_F(Setup, ASimAskingForItsPinGetsIt) {
    Bench.Modem.Answer("AT+CPIN?", Framed("+CPIN: SIM PIN"));
    Bench.Vorsa.PIN = "1234";
    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Modem.Lines(),
              (Lines{"ATZ", "ATE0&S0", "AT+CPAS", "AT+CPIN?", "AT+CPIN=\"1234\"",
                     "AT+CPMS=\"SM\",\"SM\",\"SM\"", "AT+CNMI=2,1,0,0,0", "AT+CMGF=1"}));
    EXPECT_TRUE(Bench.Vorsa.Connected());
    EXPECT_EQ(Connects, 1);
}

TEST_F(Setup, ARefusedPinReports311AndDisconnects) {
    Bench.Modem.Answer("AT+CPIN?", Framed("+CPIN: SIM PIN"));
    Bench.Modem.Answer("AT+CPIN=\"\"", "\r\nERROR\r\n");
    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Modem.Lines(), (Lines{"ATZ", "ATE0&S0", "AT+CPAS", "AT+CPIN?", "AT+CPIN=\"\""}))
        << "the PIN goes out even when empty, and nothing after it";
    EXPECT_EQ(Bench.Reports, (Reports{Catalogued(ErrModemError), Catalogued(ErrPinRefused)}));
    EXPECT_EQ(Bench.Reports.back().Text, "SIM PIN required");
    EXPECT_FALSE(Bench.Vorsa.Connected());
    EXPECT_EQ(Disconnects, 1);
    EXPECT_EQ(Connects, 0);
    EXPECT_EQ(Bench.Modem.CountOf(Call::Open), Bench.Modem.CountOf(Call::CloseHandle));
}

TEST_F(Setup, AFailedPinQueryStillSendsThePin) {
    Bench.Modem.Answer("AT+CPIN?", "\r\nERROR\r\n");
    Bench.Vorsa.PIN = "0000";
    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Modem.CountOfLine("AT+CPIN=\"0000\""), 1u);
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrModemError)}) << "the query's own report";
    EXPECT_TRUE(Bench.Vorsa.Connected());
    EXPECT_EQ(Connects, 1);
}

TEST_F(Setup, AModemThatNeverAnswersFailsAfterThreeExchanges) {
    Bench.Modem.IgnoreOthers();
    Bench.Modem.Ignore("AT+CPIN?");
    Bench.Modem.Ignore("AT+CPAS");
    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Modem.Lines(), (Lines{"ATZ", "ATE0&S0", "AT+CPAS"}));
    EXPECT_EQ(Bench.Reports, (Reports{Catalogued(ErrReadTimeout), Catalogued(ErrReadTimeout),
                                      Catalogued(ErrReadTimeout), Catalogued(ErrNotConnected)}));
    EXPECT_FALSE(Bench.Vorsa.Connected());
    EXPECT_EQ(Disconnects, 1) << "the port had been opened";
    EXPECT_EQ(Connects, 0);
    EXPECT_GT(Bench.Elapsed(), 3u * 10000u) << "three read time-outs, on the virtual clock";
    EXPECT_LT(Bench.Elapsed(), 3u * 10200u);
}

TEST_F(Setup, WithTheDefaultHandlerTheFirstReportEndsConnectWithThePortOpen) {
    RaiseOnReports();
    Bench.Modem.AnswerOnce("ATZ", "\r\nERROR\r\n");
    try {
        Bench.Vorsa.Connect();
        FAIL() << "the default handler did not raise";
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "1001: System Error.");
    }
    EXPECT_EQ(Bench.Modem.Lines(), Lines{"ATZ"});
    EXPECT_TRUE(Bench.Vorsa.Connected()) << "no Disconnect ran";
    EXPECT_EQ(Disconnects, 0);
    EXPECT_EQ(Connects, 0);
    EXPECT_FALSE(Bench.Vorsa.IsBusy());

    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Modem.Lines(), Lines{"ATZ"}) << "a later Connect does nothing";

    // Reset closes the port and sets the modem up again.
    Bench.Modem.ClearLines();
    Bench.Vorsa.Reset();
    EXPECT_EQ(Disconnects, 1);
    EXPECT_EQ(Connects, 1);
    EXPECT_EQ(Bench.Modem.Lines(), DefaultDialogue);
}

TEST_F(Setup, WithTheDefaultHandlerASilentModemEndsConnectAfterOneTimeOut) {
    RaiseOnReports();
    Bench.Modem.IgnoreOthers();
    EXPECT_THROW(Bench.Vorsa.Connect(), Exception);
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrReadTimeout)});
    EXPECT_TRUE(Bench.Vorsa.Connected());
    EXPECT_EQ(Disconnects, 0);
}

TEST_F(Setup, AnInitCommandWithAModemErrorReportsItThenNotConnected) {
    Bench.Modem.Answer("ATE0&S0", "\r\n+CMS ERROR: 302\r\n");
    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Modem.Lines(), (Lines{"ATZ", "ATE0&S0"}));
    EXPECT_EQ(Bench.Reports, (Reports{Catalogued(302), Catalogued(ErrNotConnected)}));
    EXPECT_FALSE(Bench.Vorsa.Connected());
    EXPECT_EQ(Disconnects, 1);
}

TEST_F(Setup, AModemThatIsNotReadyIsGivenUp) {
    Bench.Modem.Answer("AT+CPAS", Framed("+CPAS: 3"));
    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Modem.Lines(), (Lines{"ATZ", "ATE0&S0", "AT+CPAS"}));
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrNotConnected)});
    EXPECT_FALSE(Bench.Vorsa.Connected());
    EXPECT_EQ(Disconnects, 1);
}

TEST_F(Setup, AnActivityStatusWithoutADigitRaisesOutOfConnect) {
    Bench.Modem.Answer("AT+CPAS", Framed("+CPAS: "));
    EXPECT_THROW(Bench.Vorsa.Connect(), EConvertError);
    EXPECT_FALSE(Bench.Vorsa.IsBusy());
    EXPECT_TRUE(Bench.Vorsa.Connected());
}

TEST_F(Setup, APortThatCannotBeOpenedReportsNotConnectedAndRaisesNoDisconnect) {
    Bench.Modem.FailAlways(Call::Open, ENOENT);
    Bench.Vorsa.Connect();
    EXPECT_FALSE(Bench.Vorsa.Connected());
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrNotConnected)});
    EXPECT_TRUE(Bench.Modem.Written.empty());
    EXPECT_EQ(Disconnects, 0);
    EXPECT_EQ(Connects, 0);
}

struct RefusedStep {
    const char* Name;
    std::string Command;
};

class RefusedLaterStep : public Setup, public ::testing::WithParamInterface<RefusedStep> {};

TEST_P(RefusedLaterStep, DisconnectsWithoutAReportOfItsOwn) {
    Bench.Vorsa.SMSCenter = "+40700000001";
    Bench.Modem.Answer(GetParam().Command, "\r\nERROR\r\n");
    Bench.Vorsa.Connect();
    ASSERT_FALSE(Bench.Modem.Lines().empty());
    EXPECT_EQ(Bench.Modem.Lines().back(), GetParam().Command) << "nothing after the refusal";
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrModemError)}) << "only the exchange's";
    EXPECT_FALSE(Bench.Vorsa.Connected());
    EXPECT_EQ(Disconnects, 1);
    EXPECT_EQ(Connects, 0);
}

INSTANTIATE_TEST_SUITE_P(Steps, RefusedLaterStep,
                         ::testing::Values(RefusedStep{"Storage", "AT+CPMS=\"SM\",\"SM\",\"SM\""},
                                           RefusedStep{"ServiceCentre", "AT+CSCA=\"+40700000001\""},
                                           RefusedStep{"Routing", "AT+CNMI=2,1,0,0,0"},
                                           RefusedStep{"Format", "AT+CMGF=1"}),
                         [](const ::testing::TestParamInfo<RefusedStep>& Info) {
                             return Info.param.Name;
                         });

TEST_F(Setup, ALaterStepAnsweredWithoutOkAlsoEndsTheSetUp) {
    Bench.Modem.Ignore("AT+CMGF=1");  // times out: an empty reply does not end in OK
    Bench.Vorsa.Connect();
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(ErrReadTimeout)});
    EXPECT_FALSE(Bench.Vorsa.Connected());
    EXPECT_EQ(Connects, 0);
}

TEST_F(Setup, DisConnectRaisesOnDisconnectOnlyForAnOpenPort) {
    Bench.Vorsa.DisConnect();
    EXPECT_EQ(Disconnects, 0);
    Bench.Vorsa.Connect();
    Bench.Vorsa.DisConnect();
    EXPECT_EQ(Disconnects, 1);
    EXPECT_FALSE(Bench.Vorsa.Connected());
    EXPECT_EQ(Bench.Modem.CountOf(Call::Open), Bench.Modem.CountOf(Call::CloseHandle));
    Bench.Vorsa.DisConnect();
    EXPECT_EQ(Disconnects, 1);
}

TEST_F(Setup, ResetOnAClosedComponentIsAConnect) {
    Bench.Vorsa.Reset();
    EXPECT_EQ(Bench.Modem.Lines(), DefaultDialogue);
    EXPECT_EQ(Connects, 1);
    EXPECT_EQ(Disconnects, 0);
}

TEST_F(Setup, ResetOnAConnectedComponentDisconnectsAndSetsUpAgain) {
    Bench.Vorsa.Connect();
    Bench.Modem.ClearLines();
    Bench.Vorsa.Reset();
    EXPECT_EQ(Disconnects, 1);
    EXPECT_EQ(Connects, 2);
    EXPECT_EQ(Bench.Modem.Lines(), DefaultDialogue);
    EXPECT_TRUE(Bench.Vorsa.Connected());
}

TEST_F(Setup, SetNotifySendsTheRoutingOnlyWhileConnected) {
    Bench.Vorsa.SetNotify(true);
    EXPECT_TRUE(Bench.Modem.Lines().empty());
    EXPECT_TRUE(Bench.Vorsa.DirectForward);

    Bench.Vorsa.Connect();
    Bench.Modem.ClearLines();
    Bench.Vorsa.SetNotify(true);
    Bench.Vorsa.SetNotify(false);
    EXPECT_EQ(Bench.Modem.Lines(), (Lines{"AT+CNMI=2,2,0,0,0", "AT+CNMI=2,1,0,0,0"}));
    EXPECT_FALSE(Bench.Vorsa.DirectForward);

    // A refusal is reported by the exchange; the value is kept all the same.
    Bench.Modem.Answer("AT+CNMI=2,2,0,0,0", "\r\n+CMS ERROR: 303\r\n");
    Bench.Vorsa.DirectForward = true;
    EXPECT_TRUE(Bench.Vorsa.DirectForward);
    EXPECT_EQ(Bench.Reports, Reports{Catalogued(303)});
    EXPECT_TRUE(Bench.Vorsa.Connected());
}

}  // namespace
}  // namespace vorsa::test
