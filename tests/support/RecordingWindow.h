// Windows that record what the message loop delivers, a stand-in that puts one in the
// place of a component's hidden window, and a loop that runs until an event has come.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/ExposedVorsa.h"
#include "vorsa/Framework.h"

namespace vorsa::test {

/// How long a test waits for a message it expects: generous, as waits end as soon as the
/// awaited message comes.
constexpr int kDeadlineMs = 10000;

/// The number of timer ticks among the recorded messages.
inline int Ticks(const std::vector<TMessage>& Messages) {
    int Count = 0;
    for (const TMessage& M : Messages) {
        Count += M.Msg == WM_TIMER ? 1 : 0;
    }
    return Count;
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
    /// Deallocates the window now, as its owner would.
    void Release() { FWnd.Reset(); }
    /// Posts WM_USER + N for each N, without parameters.
    void Post(std::initializer_list<uint32_t> Offsets) const {
        for (const uint32_t N : Offsets) {
            EXPECT_TRUE(PostMessageA(Handle(), WM_USER + N, 0, 0)) << N;
        }
    }
    /// The numbers of the messages received so far.
    [[nodiscard]] std::vector<uint32_t> Numbers() const {
        std::vector<uint32_t> Result;
        for (const TMessage& M : Received) {
            Result.push_back(M.Msg);
        }
        return Result;
    }

    std::vector<TMessage> Received;
    /// Runs for each message after it was recorded.
    std::function<void(TMessage&)> OnMessage;

  private:
    UniqueHWnd FWnd;
};

/// Puts a recording window in the place of the component's hidden window for its
/// lifetime, so that tests see each message the component posts (and the polling timer's
/// ticks). Destroy it before the component.
class WindowStandIn {
  public:
    explicit WindowStandIn(ExposedVorsa& Vorsa)
        : FVorsa(Vorsa), FOriginal(std::exchange(Vorsa.TimerWindow, Window.Handle())) {}
    ~WindowStandIn() { FVorsa.TimerWindow = FOriginal; }
    WindowStandIn(const WindowStandIn&) = delete;
    WindowStandIn& operator=(const WindowStandIn&) = delete;

    RecordingWindow Window;

  private:
    ExposedVorsa& FVorsa;
    HWND FOriginal;
};

/// Runs the thread's message loop until Done holds or the deadline passes; gives Done().
[[nodiscard]] inline bool PumpUntil(const std::function<bool()>& Done,
                                    std::chrono::milliseconds Deadline = std::chrono::seconds(20)) {
    const auto Until = std::chrono::steady_clock::now() + Deadline;
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= Until) {
            return false;
        }
        (void)HandleMessage(50);
    }
    return true;
}

}  // namespace vorsa::test
