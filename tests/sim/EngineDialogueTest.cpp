// The modem engine on its own, driven byte by byte with a clock the test moves: the line
// discipline, the reply shapes and the settings commands.
#include <gtest/gtest.h>

#include "EngineTerminal.h"

namespace vorsa::sim {
namespace {

TEST(EngineLineDiscipline, EchoesUntilAte0AndAgainAfterAtz) {
    EngineTerminal t;
    t.ExpectAnswers({
        {"AT", "AT\r\r\nOK\r\n"},
        {"ATE0", "ATE0\r\r\nOK\r\n", "the command itself is still echoed"},
        {"AT", "\r\nOK\r\n"},
        {"ATZ", "\r\nOK\r\n"},
        {"AT", "AT\r\r\nOK\r\n"},
        {"ATE1", "ATE1\r\r\nOK\r\n"},
    });
    EXPECT_TRUE(t.engine.Settings().echo);
}

TEST(EngineLineDiscipline, IgnoresTheLineFeedAfterCarriageReturnAndNulBytes) {
    EngineTerminal t;
    t.Quiet();
    EXPECT_EQ(t.Type("AT\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(t.Type(std::string("AT+CMGF=1\0\r", 11)), "\r\nOK\r\n");
    EXPECT_TRUE(t.engine.Settings().textMode);
    EXPECT_EQ(t.Type(std::string("A\0T\r\n", 5)), "\r\nOK\r\n");
    EXPECT_EQ(t.engine.CommandLines().back(), "AT");
}

TEST(EngineLineDiscipline, AcceptsLinesLedByEscapeAndIgnoresLinesWithoutAt) {
    EngineTerminal t;
    t.Quiet();
    EXPECT_EQ(t.Type("\x1b"
                     "AT\r"),
              "\r\nOK\r\n");
    EXPECT_EQ(t.Type("\x1a\x1b"
                     "at+cmgf=0\r"),
              "\r\nOK\r\n");
    EXPECT_EQ(t.Type("hello\r"), "") << "a line without AT gets no answer";
    EXPECT_EQ(t.Type("\r"), "");
    EXPECT_EQ(t.Type("xxAT\r"), "\r\nOK\r\n") << "noise before AT is skipped";
}

TEST(EngineLineDiscipline, CaseInsensitivePrefixAndCommands) {
    EngineTerminal t;
    t.Quiet();
    t.ExpectAnswers({
        {"at+cgmi", "\r\nVorsa\r\n\r\nOK\r\n"},
        {"aT+CgMm", "\r\nvorsa-sim\r\n\r\nOK\r\n"},
        {"At+cmgf?", "\r\n+CMGF: 0\r\n\r\nOK\r\n"},
    });
}

TEST(EngineLineDiscipline, ChainedCommandsAnswerInOrderWithOneFinalResult) {
    EngineTerminal t;
    t.ExpectAnswers({
        {"ATE0&S0", "ATE0&S0\r\r\nOK\r\n"},
        {"AT+CGMI;+CGMM;+CMGF=1;+CMGF?",
         "\r\nVorsa\r\n\r\nvorsa-sim\r\n\r\n+CMGF: 1\r\n\r\nOK\r\n"},
        {"AT+CMGL;", "\r\nOK\r\n", "a trailing separator is fine"},
        // The first failing command ends the line: the rest is not carried out.
        {"AT+CMGF=0;+CMGF=7;+CSDH=1", "\r\nERROR\r\n"},
    });
    EXPECT_FALSE(t.engine.Settings().textMode);
    EXPECT_FALSE(t.engine.Settings().showTextHeaders);
}

TEST(EngineLineDiscipline, UnknownCommandsAndSyntaxErrorsGiveError) {
    EngineTerminal t;
    t.Quiet();
    for (const char* line : {"AT+FOO", "AT+CMGF=\"1", "AT+", "AT!", "ATD123;", "AT+CMGF=2",
                             "AT^SYSINFO", "AT+CGMI=5"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(t.Command(line), "\r\nERROR\r\n");
    }
}

TEST(EngineLineDiscipline, BackspaceEditsAndRepeatRunsThePreviousLine) {
    EngineTerminal t;
    t.Quiet();
    EXPECT_EQ(t.Command("AT+CGMX\bI"), "\r\nVorsa\r\n\r\nOK\r\n");
    EXPECT_EQ(t.Type("A/"), "\r\nVorsa\r\n\r\nOK\r\n");
}

TEST(EngineLineDiscipline, NumericAndQuietResultCodes) {
    EngineTerminal t;
    t.Quiet();
    t.ExpectAnswers({
        {"ATV0", "0\r"},
        {"AT+CGMI", "Vorsa\r\n0\r"},
        {"AT+NOPE", "4\r"},
        {"ATV1Q1", ""},
        {"AT+CGMI", "\r\nVorsa\r\n"},
        {"ATQ0", "\r\nOK\r\n"},
    });
}

TEST(EngineIdentity, AnswersWhatSmsToolsAskAtStartUp) {
    EngineTerminal t;
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CGMR", "\r\n1.0.0\r\n\r\nOK\r\n"},
        {"AT+CGSN", "\r\n490154203237518\r\n\r\nOK\r\n"},
        {"AT+CIMI", "\r\n001010000000001\r\n\r\nOK\r\n"},
        {"ATI", "\r\nVorsa vorsa-sim\r\n\r\nOK\r\n"},
        {"AT+CSMS?", "\r\n+CSMS: 0,1,1,1\r\n\r\nOK\r\n"},
        {"AT+CSMS=1", "\r\n+CSMS: 1,1,1\r\n\r\nOK\r\n"},
        {"AT+CSMS?", "\r\n+CSMS: 1,1,1,1\r\n\r\nOK\r\n"},
        {"AT+CSCS?", "\r\n+CSCS: \"GSM\"\r\n\r\nOK\r\n"},
        {"AT+CSCS=?", "\r\n+CSCS: (\"GSM\",\"IRA\",\"8859-1\",\"UTF-8\",\"UCS2\")\r\n\r\nOK\r\n"},
        {"AT+CREG?", "\r\n+CREG: 0,1\r\n\r\nOK\r\n"},
        {"AT+CFUN?", "\r\n+CFUN: 1\r\n\r\nOK\r\n"},
        {"AT+CFUN=1", "\r\nOK\r\n"},
        {"AT+CPMS=?", "\r\n+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")\r\n\r\nOK\r\n"},
        {"AT+CSQ", "\r\n+CSQ: 20,99\r\n\r\nOK\r\n"},
        {"AT+CPAS", "\r\n+CPAS: 0\r\n\r\nOK\r\n"},
        {"AT+COPS?", "\r\n+COPS: 0,0,\"Vorsa Sim\"\r\n\r\nOK\r\n"},
        {"AT+CPIN?", "\r\n+CPIN: READY\r\n\r\nOK\r\n"},
        {"AT+CSCA?", "\r\n+CSCA: \"+40700000000\",145\r\n\r\nOK\r\n"},
        {"AT&C1&D2&K0X4", "\r\nOK\r\n", "modem control is accepted"},
    });
}

TEST(EngineIdentity, RegistrationAndOperatorAsGammuAsksForThem) {
    EngineTerminal t;
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CREG=2;+CGREG=2", "\r\nOK\r\n"},
        {"AT+CREG?", "\r\n+CREG: 2,1,\"0A1B\",\"0000C351\"\r\n\r\nOK\r\n"},
        {"AT+CGREG?", "\r\n+CGREG: 2,1,\"0A1B\",\"0000C351\"\r\n\r\nOK\r\n"},
        {"AT+CGREG=0;+CGREG?", "\r\n+CGREG: 0,1\r\n\r\nOK\r\n"},
        {"AT+CREG=3", "\r\nERROR\r\n"},
        {"AT+CGATT?", "\r\n+CGATT: 1\r\n\r\nOK\r\n"},
        {"AT+CGATT=0;+CGATT?", "\r\n+CGATT: 0\r\n\r\nOK\r\n"},
        {"AT+COPS=3,2;+COPS?", "\r\n+COPS: 0,2,\"00101\"\r\n\r\nOK\r\n"},
        {"AT+COPS=3,0;+COPS?", "\r\n+COPS: 0,0,\"Vorsa Sim\"\r\n\r\nOK\r\n"},
        {"AT+COPS=?",
         "\r\n+COPS: (2,\"Vorsa Sim\",\"Vorsa\",\"00101\"),,(0-4),(0-2)\r\n\r\nOK\r\n"},
        {"AT+COPS=3,5", "\r\nERROR\r\n"},
    });
}

TEST(EngineIdentity, RadioOffMeansNoNetwork) {
    EngineTerminal t;
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CFUN=0", "\r\nOK\r\n"},
        {"AT+CREG?", "\r\n+CREG: 0,0\r\n\r\nOK\r\n"},
        {"AT+CSQ", "\r\n+CSQ: 99,99\r\n\r\nOK\r\n"},
        {"AT+CFUN=2", "\r\nERROR\r\n"},
    });
}

TEST(EngineSim, AsksForThePinAndCountsWrongOnes) {
    ModemOptions options;
    options.pinRequired = true;
    options.pin = "1234";
    EngineTerminal t(options);
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CPIN?", "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n"},
        {"AT+CMGL", "\r\n+CMS ERROR: 311\r\n"},
        {"AT+CIMI", "\r\nERROR\r\n", "AT+CMEE=0 hides the code"},
        {"AT+CMEE=1", "\r\nOK\r\n"},
        {"AT+CIMI", "\r\n+CME ERROR: 11\r\n"},
        {"AT+CPIN=\"0000\"", "\r\n+CME ERROR: 16\r\n"},
        {"AT+CMEE=2", "\r\nOK\r\n"},
        {"AT+CPIN=\"1234\"", "\r\nOK\r\n"},
        {"AT+CPIN?", "\r\n+CPIN: READY\r\n\r\nOK\r\n"},
        {"AT+CPIN=\"1234\"", "\r\n+CME ERROR: operation not allowed\r\n"},
    });
}

TEST(EngineSim, ThreeWrongPinsNeedThePuk) {
    ModemOptions options;
    options.pinRequired = true;
    EngineTerminal t(options);
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CPIN=9999", "\r\nERROR\r\n"},
        {"AT+CPIN=9999", "\r\nERROR\r\n"},
        {"AT+CPIN=9999", "\r\nERROR\r\n"},
        {"AT+CPIN?", "\r\n+CPIN: SIM PUK\r\n\r\nOK\r\n"},
        {"AT+CPIN=\"0000\"", "\r\nERROR\r\n", "the PIN no longer helps"},
        {"AT+CPIN=\"12345678\",\"4321\"", "\r\nOK\r\n"},
    });
    EXPECT_EQ(t.engine.Settings().simState, "READY");
}

TEST(EngineSettings, StorageSelectionReportsUsage) {
    EngineTerminal t;
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CPMS?", "\r\n+CPMS: \"SM\",0,30,\"SM\",0,30,\"SM\",0,30\r\n\r\nOK\r\n"},
        {"AT+CPMS=\"ME\",\"SM\",\"ME\"", "\r\n+CPMS: 0,30,0,30,0,30\r\n\r\nOK\r\n"},
        {"AT+CPMS?", "\r\n+CPMS: \"ME\",0,30,\"SM\",0,30,\"ME\",0,30\r\n\r\nOK\r\n"},
        {"AT+CPMS=\"SM\"", "\r\n+CPMS: 0,30,0,30,0,30\r\n\r\nOK\r\n"},
    });
    EXPECT_EQ(t.engine.Settings().readMemory, "SM");
    EXPECT_EQ(t.engine.Settings().receiveMemory, "ME") << "only the first memory changed";
    EXPECT_EQ(t.Command("AT+CPMS=\"BM\""), "\r\n+CMS ERROR: 302\r\n");
}

TEST(EngineSettings, ServiceCentreRoutingFormatAndTextParameters) {
    EngineTerminal t;
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CSCA=\"+40711111111\"", "\r\nOK\r\n"},
        {"AT+CSCA?", "\r\n+CSCA: \"+40711111111\",145\r\n\r\nOK\r\n"},
        {"AT+CSCA=\"0711111111\",129", "\r\nOK\r\n"},
        {"AT+CSCA?", "\r\n+CSCA: \"0711111111\",129\r\n\r\nOK\r\n"},
        {"AT+CNMI?", "\r\n+CNMI: 1,1,0,0,0\r\n\r\nOK\r\n"},
        {"AT+CNMI=2,2,0,0,0", "\r\nOK\r\n"},
        {"AT+CNMI?", "\r\n+CNMI: 2,2,0,0,0\r\n\r\nOK\r\n"},
        {"AT+CNMI=?", "\r\n+CNMI: (0-3),(0-3),(0,2),(0-2),(0,1)\r\n\r\nOK\r\n"},
        {"AT+CNMI=4,1", "\r\nERROR\r\n"},
        {"AT+CMGF=?", "\r\n+CMGF: (0,1)\r\n\r\nOK\r\n"},
        {"AT+CSMP?", "\r\n+CSMP: 17,167,0,0\r\n\r\nOK\r\n"},
        {"AT+CSMP=1,,0,241", "\r\nOK\r\n"},
        {"AT+CSMP?", "\r\n+CSMP: 1,167,0,241\r\n\r\nOK\r\n"},
        {"AT+CSMP=0", "\r\n+CMS ERROR: 305\r\n"},
        {"AT+CSDH=1;+CSDH?", "\r\n+CSDH: 1\r\n\r\nOK\r\n"},
    });
}

}  // namespace
}  // namespace vorsa::sim
