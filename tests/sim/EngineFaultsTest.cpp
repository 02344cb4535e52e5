// Each fault switch of the engine, on the engine's own clock.
#include <gtest/gtest.h>

#include "EngineTerminal.h"
#include "HelloMessage.h"

namespace vorsa::sim {
namespace {

class EngineFaults : public QuietEngine {
  protected:
    void Set(const std::function<void(FaultSettings&)>& change) {
        FaultSettings faults = t.engine.Faults();
        change(faults);
        t.engine.SetFaults(faults);
    }
};

TEST_F(EngineFaults, IgnoresTheNextCommandsAndDoesNotCarryThemOut) {
    Set([](FaultSettings& f) { f.ignoreNextCommands = 2; });
    EXPECT_EQ(t.Command("AT+CMGF=1"), "");
    EXPECT_EQ(t.Command("AT"), "");
    EXPECT_EQ(t.Command("AT"), kOk);
    EXPECT_FALSE(t.engine.Settings().textMode);
    EXPECT_EQ(t.engine.Faults().ignoreNextCommands, 0);
    EXPECT_EQ(t.engine.CommandLines().size(), 4u) << "ignored lines are still logged";
}

TEST_F(EngineFaults, IgnoresANamedCommandEveryTime) {
    Set([](FaultSettings& f) { f.ignoredCommands.insert("+CMGS"); });
    EXPECT_EQ(t.Command("AT+CMGS=18"), "");
    EXPECT_FALSE(t.engine.Settings().awaitingMessage);
    EXPECT_EQ(t.Command("AT+CPAS;+CMGS=18"), "") << "the whole line is lost";
    EXPECT_EQ(t.Command("AT+CPAS"), Answer("+CPAS: 0"));
}

TEST_F(EngineFaults, AnswersANamedCommandWithTheChosenError) {
    Set([](FaultSettings& f) {
        f.failingCommands["+CMGR"] = "+CMS ERROR: 500";
        f.failingCommands["+CPAS"] = "ERROR";
        f.failingCommands["E"] = "+CME ERROR: 10";
    });
    EXPECT_EQ(t.Command("AT+CMGR=1"), CmsError(500));
    EXPECT_EQ(t.Command("AT+CPAS"), kError);
    EXPECT_EQ(t.Command("ATE1"), "\r\n+CME ERROR: 10\r\n");
    EXPECT_FALSE(t.engine.Settings().echo) << "the failing command is not carried out";
    EXPECT_EQ(t.Command("AT+CSQ"), Answer("+CSQ: 20,99"));
}

TEST_F(EngineFaults, DelaysEveryAnswerButNotTheEcho) {
    Set([](FaultSettings& f) {
        f.answerDelay = Millis(250);
        f.forceEcho = true;
    });
    EXPECT_EQ(t.Command("AT+CMGS=18"), "AT+CMGS=18\r");
    EXPECT_EQ(t.Advance(Millis(249)), "");
    EXPECT_EQ(t.Advance(Millis(1)), "\r\n> ") << "the prompt is an answer too";
}

TEST_F(EngineFaults, TricklesAnswersOneByteAtATime) {
    Set([](FaultSettings& f) { f.trickleGap = Millis(20); });
    EXPECT_EQ(t.Command("AT"), "\r");
    EXPECT_EQ(t.Advance(Millis(19)), "");
    EXPECT_EQ(t.Advance(Millis(1)), "\n");
    EXPECT_EQ(t.Advance(Millis(20)), "O");
    EXPECT_EQ(t.Advance(Millis(40)), "K\r");
    EXPECT_EQ(t.Advance(Millis(20)), "\n");
    EXPECT_EQ(t.engine.NextOutputTime(), std::nullopt);
}

TEST_F(EngineFaults, StallsEachReportHalfWayAndKeepsWhatFollowsBehindIt) {
    ASSERT_EQ(t.Command("AT+CNMI=2,1,0,0,0"), kOk);
    Set([](FaultSettings& f) { f.stallGap = Millis(300); });
    const std::string Report = "\r\n+CMTI: \"SM\",1\r\n";
    EXPECT_EQ(t.Arrive(Hello()), Report.substr(0, Report.size() / 2));
    EXPECT_EQ(t.Command("AT"), "") << "the answer waits behind the stalled report";
    EXPECT_EQ(t.Advance(Millis(299)), "");
    EXPECT_EQ(t.Advance(Millis(1)), Report.substr(Report.size() / 2) + kOk);
}

TEST_F(EngineFaults, WithholdsThePromptButStillTakesTheMessage) {
    Set([](FaultSettings& f) { f.withholdPrompt = true; });
    EXPECT_EQ(t.Command("AT+CMGS=18"), "");
    EXPECT_TRUE(t.engine.Settings().awaitingMessage);
    EXPECT_EQ(t.Type(std::string(kHelloSubmit) + "\x1a"), Answer("+CMGS: 1"));
    t.Command("AT+CMGF=1");
    EXPECT_EQ(t.Command("AT+CMGS=\"123\""), "");
    EXPECT_EQ(t.Type("a\rb\r\x1a"), Answer("+CMGS: 2"));
}

TEST_F(EngineFaults, EchoesEvenAfterAte0) {
    Set([](FaultSettings& f) { f.forceEcho = true; });
    EXPECT_EQ(t.Command("AT"), "AT\r\r\nOK\r\n");
    EXPECT_FALSE(t.engine.Settings().echo);
}

TEST_F(EngineFaults, SendsNulBytesAndNoiseBeforeAnswers) {
    Set([](FaultSettings& f) {
        f.nulBytes = 2;
        f.lineNoise = "#~\xff";
    });
    EXPECT_EQ(t.Command("AT"), std::string("\0\0#~\xff\r\nOK\r\n", 11));
}

TEST_F(EngineFaults, SimAsksForThePinAgainUntilItIsEntered) {
    Set([](FaultSettings& f) { f.simNeedsPin = true; });
    EXPECT_EQ(t.Command("AT+CPIN?"), Answer("+CPIN: SIM PIN"));
    EXPECT_EQ(t.Command("AT+CMGR=1"), CmsError(311));
    EXPECT_EQ(t.Command("AT+CPIN=\"0000\""), kOk);
    EXPECT_FALSE(t.engine.Faults().simNeedsPin);
    Set([](FaultSettings& f) { f.simNeedsPin = true; });
    Set([](FaultSettings& f) { f.simNeedsPin = false; });
    EXPECT_EQ(t.engine.Settings().simState, "READY") << "switching the fault off unlocks";
}

TEST_F(EngineFaults, ReportsTheChosenActivityStatus) {
    Set([](FaultSettings& f) { f.activityStatus = 2; });
    EXPECT_EQ(t.Command("AT+CPAS"), Answer("+CPAS: 2"));
}

TEST_F(EngineFaults, RawBytesGoOutAfterWhatIsQueued) {
    Set([](FaultSettings& f) { f.answerDelay = Millis(100); });
    t.Command("AT");
    t.engine.SendRaw("\r\nRING\r\n", t.now);
    EXPECT_EQ(t.Advance(Millis(100)), "\r\nOK\r\n\r\nRING\r\n");
}

}  // namespace
}  // namespace vorsa::sim
