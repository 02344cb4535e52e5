// A terminal typing at the modem engine directly, with a clock that only the test moves.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "vorsa/sim/ModemEngine.h"

namespace vorsa::sim {

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
    // Types each line in turn and checks its answer; a failure names its line.
    void ExpectAnswers(std::initializer_list<ExpectedAnswer> dialogue) {
        for (const ExpectedAnswer& exchange : dialogue) {
            SCOPED_TRACE(exchange.line);
            EXPECT_EQ(Command(exchange.line), exchange.answer) << exchange.note;
        }
    }

    ModemEngine engine;
    Millis now{1000};
};

}  // namespace vorsa::sim
