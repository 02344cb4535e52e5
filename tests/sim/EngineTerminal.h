// A terminal typing at the modem engine directly, with a clock that only the test moves.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "vorsa/sim/Console.h"
#include "vorsa/sim/ModemEngine.h"

namespace vorsa::sim {

// The answer shapes with echo off: one information line and OK, a bare OK, a bare ERROR.
inline std::string Answer(const std::string& line) {
    return "\r\n" + line + "\r\n\r\nOK\r\n";
}
inline constexpr char kOk[] = "\r\nOK\r\n";
inline constexpr char kError[] = "\r\nERROR\r\n";
inline std::string CmsError(int code) {
    return "\r\n+CMS ERROR: " + std::to_string(code) + "\r\n";
}

// One command line and the exact bytes the modem answers it with; `note` says why, where
// a row needs saying.
struct ExpectedAnswer {
    std::string line;
    std::string answer;
    const char* note = "";
};

// A terminal typing at the engine; time stands still unless the test moves it.
class EngineTerminal {
  public:
    explicit EngineTerminal(ModemOptions options = {}) : engine(std::move(options)) {}

    std::string Type(std::string_view bytes) {
        engine.Receive(bytes, now);
        return engine.TakeOutput(now);
    }
    std::string Command(const std::string& line) { return Type(line + "\r"); }
    std::string Advance(Millis step) {
        now += step;
        return engine.TakeOutput(now);
    }
    // A message arrives from the network now; returns what the terminal gets at once.
    std::string Arrive(const IncomingMessage& message) {
        engine.Deliver(message, now);
        return engine.TakeOutput(now);
    }
    // Echo off, so that answers stand alone.
    void Quiet() { ASSERT_EQ(Command("ATE0"), "ATE0\r\r\nOK\r\n"); }
    // With echo off: types a command that asks for a message (AT+CMGS, AT+CMGW), checks the
    // prompt, types the message and Ctrl-Z, and returns the answer.
    std::string Enter(const std::string& line, const std::string& message) {
        EXPECT_EQ(Command(line), "\r\n> ") << line;
        return Type(message + "\x1a");
    }
    // Types each line in turn and checks its answer; a failure names its line.
    void ExpectAnswers(std::initializer_list<ExpectedAnswer> dialogue) {
        for (const ExpectedAnswer& exchange : dialogue) {
            SCOPED_TRACE(Printable(exchange.line));
            EXPECT_EQ(Command(exchange.line), exchange.answer) << exchange.note;
        }
    }
    // The same with each `line` typed as it is, without a carriage return added.
    void ExpectTyped(std::initializer_list<ExpectedAnswer> bytes) {
        for (const ExpectedAnswer& exchange : bytes) {
            SCOPED_TRACE(Printable(exchange.line));
            EXPECT_EQ(Type(exchange.line), exchange.answer) << exchange.note;
        }
    }

    ModemEngine engine;
    Millis now{1000};
};

// A test on a fresh engine with its echo off.
class QuietEngine : public ::testing::Test {
  protected:
    void SetUp() override { t.Quiet(); }
    EngineTerminal t;
};

}  // namespace vorsa::sim
