// What the window services keep for each thread on Windows: the thread's hidden windows with
// their bound procedures, the timers set on them (so that MessageLoopHandle knows when a tick
// is due), the signal behind MessageLoopHandle, and an exception that left a procedure
// while one of the library's own loops dispatched.
//
// The windows, their timers and their messages are the system's; this is only the
// bookkeeping beside them. Everything here belongs to one thread and is used on it alone,
// except the signal, which PostMessageA on another thread may set.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "vorsa/Framework.h"

namespace vorsa::detail {

class LoopHandleSignal;

class ThreadLoop {
  public:
    /// The calling thread's state, made on first use and freed when the thread ends (when
    /// the system destroys the thread's windows). Raises Exception when it cannot be kept.
    [[nodiscard]] static ThreadLoop& Current();
    /// The calling thread's state when it has one, else nullptr.
    [[nodiscard]] static ThreadLoop* Existing() noexcept;

    ThreadLoop() = default;
    ThreadLoop(const ThreadLoop&) = delete;
    ThreadLoop& operator=(const ThreadLoop&) = delete;
    ~ThreadLoop();

    // The windows of this thread.

    /// Binds a window that was just created on this thread to its procedure.
    void AddWindow(HWND Wnd, TWndMethod WndProc);
    /// The procedure of a window of this thread, or nullptr. The shared copy keeps it alive
    /// while it runs, also when the window is released inside it.
    [[nodiscard]] std::shared_ptr<TWndMethod> WindowProcedure(HWND Wnd) const;
    /// Forgets the window and its timers; false when it is not a window of this thread.
    bool RemoveWindow(HWND Wnd);

    // Timers, as far as MessageLoopHandle needs to know them.

    void TimerSet(HWND Wnd, uintptr_t Id, uint32_t Elapse);
    /// A tick of the timer is being dispatched: the next one is due a period later.
    void TimerTicked(HWND Wnd, uintptr_t Id);

    // The signal of MessageLoopHandle.

    /// Made on first use; raises Exception when the system refuses.
    [[nodiscard]] HANDLE LoopHandle();
    /// Brings the signal up to date with the thread's queue and timers: set when a message
    /// waits, else armed for the next tick. Cheap when there is no signal.
    void Settle() noexcept;

    // Dispatching.

    /// How many of the library's loops are dispatching on this thread right now.
    int DispatchDepth = 0;
    /// What a procedure threw while one of them dispatched; rethrown when DispatchMessage
    /// has returned, so that it never has to cross the system's frames.
    std::exception_ptr Escaped;

  private:
    struct TrackedTimer {
        HWND Wnd;
        uintptr_t Id;
        uint64_t Period;
        uint64_t Due;  // on the monotonic clock
    };

    [[nodiscard]] std::optional<uint64_t> EarliestDue() const;
    /// Drops the timers whose tick is long overdue and not in the queue.
    void ForgetLostTimers();

    std::unordered_map<HWND, std::shared_ptr<TWndMethod>> FWindows;
    std::vector<TrackedTimer> FTimers;
    std::shared_ptr<LoopHandleSignal> FSignal;
};

/// Sets the MessageLoopHandle signal of the thread that owns Wnd, when it has one. Safe to
/// call from any thread.
void WakeOwnerOf(HWND Wnd) noexcept;

}  // namespace vorsa::detail
