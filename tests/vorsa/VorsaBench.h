// What the component's tests stand on: the component with its protected state in reach, a
// scripted modem behind it on a virtual clock, the error reports it made, and a recording
// window that can stand in for its hidden window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/FakeClock.h"
#include "support/ScriptedModem.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa::test {

/// The component with its queues, flags and window handle readable by tests.
class InspectableVorsa : public TVorsa {
  public:
    using TVorsa::Busy;
    using TVorsa::NotifyQueue;
    using TVorsa::ReceiveQueue;
    using TVorsa::ReportLatchedErrors;
    using TVorsa::SentQueue;
    using TVorsa::SMSError;
    using TVorsa::TimerWindow;
    using TVorsa::TVorsa;
};

/// One call of OnSMSError.
struct ErrorReport {
    int32_t Code;
    std::string Text;
    bool operator==(const ErrorReport& Other) const {
        return Code == Other.Code && Text == Other.Text;
    }
};

inline std::ostream& operator<<(std::ostream& Out, const ErrorReport& R) {
    return Out << "{" << R.Code << ", \"" << R.Text << "\"}";
}

/// A report of a catalogue code with its catalogue text.
inline ErrorReport Catalogued(int32_t Code) {
    return {Code, GetErrString(Code)};
}

/// A window of the calling thread that records every message its procedure receives.
class RecordingWindow {
  public:
    RecordingWindow()
        : FWnd([this](TMessage& M) {
              Received.push_back(M);
              if (OnMessage) {
                  OnMessage(M);
              }
          }) {}

    [[nodiscard]] HWND Handle() const { return FWnd.Get(); }
    /// The numbers of the messages received so far.
    [[nodiscard]] std::vector<uint32_t> Numbers() const {
        std::vector<uint32_t> Result;
        for (const TMessage& M : Received) {
            Result.push_back(M.Msg);
        }
        return Result;
    }

    std::vector<TMessage> Received;
    std::function<void(TMessage&)> OnMessage;

  private:
    UniqueHWnd FWnd;
};

/// Puts a recording window in the place of the component's hidden window for its
/// lifetime, so that tests see each message the component posts (and the polling timer's
/// ticks). Destroy it before the component.
class WindowStandIn {
  public:
    explicit WindowStandIn(InspectableVorsa& Vorsa)
        : FVorsa(Vorsa), FOriginal(std::exchange(Vorsa.TimerWindow, Window.Handle())) {}
    ~WindowStandIn() { FVorsa.TimerWindow = FOriginal; }
    WindowStandIn(const WindowStandIn&) = delete;
    WindowStandIn& operator=(const WindowStandIn&) = delete;

    RecordingWindow Window;

  private:
    InspectableVorsa& FVorsa;
    HWND FOriginal;
};

/// Dispatches everything due for the calling thread's windows now.
inline void DrainMessages() {
    ProcessMessages();
}

/// A component over a scripted modem that answers OK to everything, on a virtual clock,
/// with an OnSMSError handler that records the reports and returns.
class VorsaBench {
  public:
    VorsaBench() { RecordReports(); }

    /// Reports go to Reports and the operation goes on.
    void RecordReports() {
        Vorsa.OnSMSError = [this](TObject* Sender, int32_t Code, std::string Text) {
            SenderSeen = Sender;
            Reports.push_back({Code, std::move(Text)});
        };
    }
    /// Opens the port without the set-up dialogue and forgets what opening logged.
    void OpenPortOnly() {
        Vorsa.TComPortDriver::Connect();
        Modem.ClearLog();
    }
    /// Milliseconds the virtual clock has moved since the bench was made.
    [[nodiscard]] uint32_t Elapsed() { return Clock.TickCount() - Start; }

    FakeClock Clock{1000};
    ScopedClock UseClock{Clock};
    ScriptedModem Modem{Clock};
    InspectableVorsa Vorsa{nullptr, Borrow(Modem)};
    std::vector<ErrorReport> Reports;
    TObject* SenderSeen = nullptr;

  private:
    uint32_t Start = Clock.TickCount();
};

}  // namespace vorsa::test
