// A component on the scripted modem double and a virtual clock, for the tests that hold it
// to exact bytes on the line or to replies a real modem rarely gives. Every event goes to
// the log (reports included: the operations run to their end unless Events.Raise is set).
// The modem answers OK to every line until a test scripts it; the component is closed
// until the test opens it (OpenPortOnly) or connects it (ConnectReady).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "support/CommonExchanges.h"
#include "support/EventLog.h"
#include "support/ExposedVorsa.h"
#include "support/FakeClock.h"
#include "support/ScriptedModem.h"

namespace vorsa::test {

class ScriptedComponent : public ::testing::Test {
  protected:
    ScriptedComponent() { Events.Attach(Vorsa); }

    /// Opens the port without the set-up dialogue.
    void OpenPortOnly();
    /// A ready modem, a polling timer too slow to tick during a test, and Connect; the
    /// dialogue and its events are forgotten.
    void ConnectReady();
    /// Forgets the lines, bytes and calls seen so far and starts Elapsed anew.
    void Forget();
    /// Milliseconds the virtual clock has moved since the last Forget (or the start).
    [[nodiscard]] uint32_t Elapsed() { return Clock.TickCount() - FStart; }

    FakeClock Clock{1000};
    ScopedClock UseClock{Clock};
    ScriptedModem Modem{Clock};
    EventLog Events;
    ExposedVorsa Vorsa{nullptr, Borrow(Modem)};

  private:
    uint32_t FStart = Clock.TickCount();
};

/// The same, connected by SetUp.
class ConnectedComponent : public ScriptedComponent {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(ConnectReady()); }
};

}  // namespace vorsa::test
