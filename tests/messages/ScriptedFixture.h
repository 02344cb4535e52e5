// A connected component on the scripted modem double and a virtual clock, for the tests
// that hold the component to exact bytes on the line or to replies a real modem rarely
// gives. The error handler returns (every report is logged), the polling timer is too slow
// to tick during a test, and the lines of the set-up dialogue are forgotten.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "EventLog.h"
#include "support/FakeClock.h"
#include "support/ScriptedModem.h"

namespace vorsa::test {

/// A PDU of the message "Hello" from +40700000000 through the centre +40700000001, sent
/// 02/03/04 10:20:30 at zone +08.
inline const std::string HelloPdu =
    "07910407000000F1040B910407000000F000002030400102038005C8329BFD06";
inline const std::string HelloHeader = "+40700000000,02/03/04,10:20:30+08";

class ScriptedFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        Modem.ActLikeReadyModem();
        Vorsa = std::make_unique<ProbeVorsa>(nullptr, Borrow(Modem));
        Vorsa->Port = "COM1";
        Vorsa->PollingDelay = 3600;
        Events.Attach(*Vorsa);
        Vorsa->Connect();
        ASSERT_TRUE(Vorsa->Connected());
        ASSERT_TRUE(Events.Errors.empty());
        Forget();
    }

    /// Forgets the lines and bytes written so far.
    void Forget() {
        Modem.ClearLines();
        Modem.Written.clear();
        Modem.Writes.clear();
    }

    /// Runs the thread's message loop until nothing is left to dispatch.
    static void Pump() { ProcessMessages(); }

    FakeClock Clock;
    ScopedClock UseClock{Clock};
    ScriptedModem Modem{Clock};
    EventLog Events;
    std::unique_ptr<ProbeVorsa> Vorsa;
};

}  // namespace vorsa::test
