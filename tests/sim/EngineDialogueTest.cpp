// The modem engine on its own, driven byte by byte with a clock the test moves: the line
// discipline, the reply shapes and the settings commands.
#include <gtest/gtest.h>

#include "EngineTerminal.h"

namespace vorsa::sim {
namespace {

TEST(EngineEcho, EchoesUntilAte0AndAgainAfterAtz) {
    EngineTerminal t;
    t.ExpectAnswers({
        {"AT", "AT\r\r\nOK\r\n"},
        {"ATE0&S0", "ATE0&S0\r\r\nOK\r\n", "the line that turns echo off is still echoed"},
        {"AT", kOk},
        {"ATZ", kOk},
        {"AT", "AT\r\r\nOK\r\n"},
        {"ATE1", "ATE1\r\r\nOK\r\n"},
    });
    EXPECT_TRUE(t.engine.Settings().echo);
}

using EngineLineDiscipline = QuietEngine;

TEST_F(EngineLineDiscipline, SkipsEscapesNoiseLineFeedsAndNulBytes) {
    t.ExpectTyped({
        {"\x1b"
         "AT\r",
         kOk, "a line led by escape"},
        {"\x1a\x1b"
         "at+cmgf=0\r",
         kOk},
        {"hello\r", "", "a line without AT gets no answer"},
        {"\r", ""},
        {"xxAT\r", kOk, "noise before AT is skipped"},
        {"AT\r\n", kOk, "the line feed after the carriage return is ignored"},
        {std::string("AT+CMGF=1\0\r", 11), kOk, "so are NUL bytes"},
        {std::string("A\0T\r\n", 5), kOk},
    });
    EXPECT_TRUE(t.engine.Settings().textMode);
    EXPECT_EQ(t.engine.CommandLines().back(), "AT");
}

TEST_F(EngineLineDiscipline, CaseInsensitivePrefixAndCommands) {
    t.ExpectAnswers({
        {"at+cgmi", Answer("Vorsa")},
        {"aT+CgMm", Answer("vorsa-sim")},
        {"At+cmgf?", Answer("+CMGF: 0")},
    });
}

TEST_F(EngineLineDiscipline, ChainedCommandsAnswerInOrderWithOneFinalResult) {
    t.ExpectAnswers({
        {"AT+CGMI;+CGMM;+CMGF=1;+CMGF?",
         "\r\nVorsa\r\n\r\nvorsa-sim\r\n\r\n+CMGF: 1\r\n\r\nOK\r\n"},
        {"AT+CMGL;", kOk, "a trailing separator is fine"},
        // The first failing command ends the line: the rest is not carried out.
        {"AT+CMGF=1;+BOGUS;+CMGF=0", kError},
    });
    EXPECT_TRUE(t.engine.Settings().textMode);
    t.ExpectAnswers({{"AT+CMGF=0;+CMGF=7;+CSDH=1", kError}});
    EXPECT_FALSE(t.engine.Settings().textMode);
    EXPECT_FALSE(t.engine.Settings().showTextHeaders);
}

TEST_F(EngineLineDiscipline, UnknownCommandsAndSyntaxErrorsGiveError) {
    for (const char* line :
         {"AT+FOO", "AT+CMGF=\"1", "AT+", "AT!", "ATD123;", "AT^SYSINFO", "AT+CGMI=5"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(t.Command(line), kError);
    }
}

TEST_F(EngineLineDiscipline, BackspaceEditsAndRepeatRunsThePreviousLine) {
    EXPECT_EQ(t.Command("AT+CGMX\bI"), Answer("Vorsa"));
    EXPECT_EQ(t.Type("A/"), Answer("Vorsa"));
}

TEST_F(EngineLineDiscipline, NumericAndQuietResultCodes) {
    t.ExpectAnswers({
        {"ATV0", "0\r"},
        {"AT+CGMI", "Vorsa\r\n0\r"},
        {"AT+NOPE", "4\r"},
        {"ATV1Q1", ""},
        {"AT+CGMI", "\r\nVorsa\r\n"},
        {"ATQ0", kOk},
    });
}

using EngineIdentity = QuietEngine;

TEST_F(EngineIdentity, AnswersWhatSmsToolsAskAtStartUp) {
    t.ExpectAnswers({
        {"AT+CGMR", Answer("1.0.0")},
        {"AT+CGSN", Answer("490154203237518")},
        {"AT+CIMI", Answer("001010000000001")},
        {"ATI", Answer("Vorsa vorsa-sim")},
        {"AT+CSMS?", Answer("+CSMS: 0,1,1,1")},
        {"AT+CSMS=1", Answer("+CSMS: 1,1,1")},
        {"AT+CSMS?", Answer("+CSMS: 1,1,1,1")},
        {"AT+CSCS?", Answer("+CSCS: \"GSM\"")},
        {"AT+CSCS=?", Answer("+CSCS: (\"GSM\",\"IRA\",\"8859-1\",\"UTF-8\",\"UCS2\")")},
        {"AT+CREG?", Answer("+CREG: 0,1")},
        {"AT+CFUN?", Answer("+CFUN: 1")},
        {"AT+CFUN=1", kOk},
        {"AT+CPMS=?", Answer("+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")")},
        {"AT+COPS?", Answer("+COPS: 0,0,\"Vorsa Sim\"")},
        {"AT+CPIN?", Answer("+CPIN: READY")},
        {"AT+CSCA?", Answer("+CSCA: \"+40700000000\",145")},
        {"AT&C1&D2&K0X4", kOk, "modem control is accepted"},
    });
}

TEST_F(EngineIdentity, RegistrationAndOperatorAsGammuAsksForThem) {
    t.ExpectAnswers({
        {"AT+CREG=2;+CGREG=2", kOk},
        {"AT+CREG?", Answer("+CREG: 2,1,\"0A1B\",\"0000C351\"")},
        {"AT+CGREG?", Answer("+CGREG: 2,1,\"0A1B\",\"0000C351\"")},
        {"AT+CGREG=0;+CGREG?", Answer("+CGREG: 0,1")},
        {"AT+CREG=3", kError},
        {"AT+COPS=3,2;+COPS?", Answer("+COPS: 0,2,\"00101\"")},
        {"AT+COPS=3,0;+COPS?", Answer("+COPS: 0,0,\"Vorsa Sim\"")},
        {"AT+COPS=?", Answer("+COPS: (2,\"Vorsa Sim\",\"Vorsa\",\"00101\"),,(0-4),(0-2)")},
        {"AT+COPS=3,5", kError},
    });
}

TEST_F(EngineIdentity, RadioOffMeansNoNetwork) {
    t.ExpectAnswers({
        {"AT+CFUN=0", kOk},
        {"AT+CREG?", Answer("+CREG: 0,0")},
        {"AT+CSQ", Answer("+CSQ: 99,99")},
        {"AT+CFUN=2", kError},
    });
}

TEST(EngineSim, AsksForThePinAndCountsWrongOnes) {
    ModemOptions options;
    options.pinRequired = true;
    options.pin = "1234";
    EngineTerminal t(options);
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CPIN?", Answer("+CPIN: SIM PIN")},
        {"AT+CMGL", CmsError(311)},
        {"AT+CIMI", kError, "AT+CMEE=0 hides the code"},
        {"AT+CMEE=1", kOk},
        {"AT+CIMI", "\r\n+CME ERROR: 11\r\n"},
        {"AT+CPIN=\"0000\"", "\r\n+CME ERROR: 16\r\n"},
        {"AT+CMEE=2", kOk},
        {"AT+CPIN=\"1234\"", kOk},
        {"AT+CPIN?", Answer("+CPIN: READY")},
        {"AT+CPIN=\"1234\"", "\r\n+CME ERROR: operation not allowed\r\n"},
    });
}

TEST(EngineSim, ThreeWrongPinsNeedThePuk) {
    ModemOptions options;
    options.pinRequired = true;
    EngineTerminal t(options);
    t.Quiet();
    t.ExpectAnswers({
        {"AT+CPIN=9999", kError},
        {"AT+CPIN=9999", kError},
        {"AT+CPIN=9999", kError},
        {"AT+CPIN?", Answer("+CPIN: SIM PUK")},
        {"AT+CPIN=\"0000\"", kError, "the PIN no longer helps"},
        {"AT+CPIN=\"12345678\",\"4321\"", kOk},
    });
    EXPECT_EQ(t.engine.Settings().simState, "READY");
}

using EngineSettings = QuietEngine;

TEST_F(EngineSettings, StorageSelectionReportsUsage) {
    t.ExpectAnswers({
        {"AT+CPMS?", Answer("+CPMS: \"SM\",0,30,\"SM\",0,30,\"SM\",0,30")},
        {"AT+CPMS=\"ME\",\"SM\",\"ME\"", Answer("+CPMS: 0,30,0,30,0,30")},
        {"AT+CPMS?", Answer("+CPMS: \"ME\",0,30,\"SM\",0,30,\"ME\",0,30")},
        {"AT+CPMS=\"SM\"", Answer("+CPMS: 0,30,0,30,0,30")},
    });
    EXPECT_EQ(t.engine.Settings().readMemory, "SM");
    EXPECT_EQ(t.engine.Settings().receiveMemory, "ME") << "only the first memory changed";
    EXPECT_EQ(t.Command("AT+CPMS=\"BM\""), CmsError(302));
}

TEST_F(EngineSettings, ServiceCentreRoutingAndTextParameters) {
    t.ExpectAnswers({
        {"AT+CSCA=\"+40711111111\"", kOk},
        {"AT+CSCA?", Answer("+CSCA: \"+40711111111\",145")},
        {"AT+CSCA=\"0711111111\",129", kOk},
        {"AT+CSCA?", Answer("+CSCA: \"0711111111\",129")},
        {"AT+CNMI?", Answer("+CNMI: 1,1,0,0,0")},
        {"AT+CNMI=2,2,0,0,0", kOk},
        {"AT+CNMI?", Answer("+CNMI: 2,2,0,0,0")},
        {"AT+CNMI=?", Answer("+CNMI: (0-3),(0-3),(0,2),(0-2),(0,1)")},
        {"AT+CNMI=4,1", kError},
        {"AT+CSMP?", Answer("+CSMP: 17,167,0,0")},
        {"AT+CSMP=1,,0,241", kOk},
        {"AT+CSMP?", Answer("+CSMP: 1,167,0,241")},
        {"AT+CSMP=0", CmsError(305)},
    });
}

}  // namespace
}  // namespace vorsa::sim
