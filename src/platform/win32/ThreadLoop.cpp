#include "platform/win32/ThreadLoop.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <utility>

#include "platform/MonotonicClock.h"

namespace vorsa::detail {

// The signal behind MessageLoopHandle: a manual-reset waitable timer, so that one handle can
// be set at once (a message was posted) or at a time to come (the next tick is due).
class LoopHandleSignal {
  public:
    LoopHandleSignal() : FTimer(::CreateWaitableTimerA(nullptr, TRUE, nullptr)) {
        if (FTimer == nullptr) {
            const auto Code = static_cast<int32_t>(::GetLastError());
            throw Exception("Cannot make the message loop's handle: " + SysErrorMessage(Code));
        }
    }
    LoopHandleSignal(const LoopHandleSignal&) = delete;
    LoopHandleSignal& operator=(const LoopHandleSignal&) = delete;
    ~LoopHandleSignal() { ::CloseHandle(FTimer); }

    [[nodiscard]] HANDLE Handle() const noexcept { return FTimer; }

    /// A message was posted: set at once. Any thread.
    void Wake() noexcept {
        std::lock_guard<std::mutex> Guard(FLock);
        ++FWakes;
        SetNow();
    }

    /// How many wakes there were; the owner reads it before it looks at its queue.
    [[nodiscard]] uint64_t Wakes() const noexcept {
        std::lock_guard<std::mutex> Guard(FLock);
        return FWakes;
    }

    /// The owner looked at its queue after reading WakesBefore: set at once when a message
    /// waits or a wake came meanwhile (its message may have arrived after the look), else
    /// armed for NextDue, or cleared when no tick is to come.
    void Settle(uint64_t WakesBefore, bool Waiting, std::optional<uint64_t> NextDue) noexcept {
        std::lock_guard<std::mutex> Guard(FLock);
        if (Waiting || FWakes != WakesBefore) {
            SetNow();
            return;
        }
        if (!NextDue) {
            SetAfter(kNeverMs);
            ::CancelWaitableTimer(FTimer);
            return;
        }
        // The system raises a due tick at its next clock interrupt, up to a period of that
        // clock later; a tick that is due but not yet in the queue is looked for again soon.
        const uint64_t Now = MonotonicMilliseconds();
        SetAfter(*NextDue > Now ? *NextDue - Now : kLateTickRetryMs);
    }

  private:
    static constexpr uint64_t kLateTickRetryMs = 5;
    static constexpr uint64_t kNeverMs = 1ull << 40;

    void SetNow() noexcept {
        // An absolute time long past: the timer is set when the call returns.
        LARGE_INTEGER Due{};
        Due.QuadPart = 1;
        ::SetWaitableTimer(FTimer, &Due, 0, nullptr, nullptr, FALSE);
    }
    void SetAfter(uint64_t Milliseconds) noexcept {
        // Negative: relative, in units of 100 ns. Setting the timer also clears it.
        LARGE_INTEGER Due{};
        Due.QuadPart = -static_cast<LONGLONG>(std::max<uint64_t>(Milliseconds, 1) * 10000);
        ::SetWaitableTimer(FTimer, &Due, 0, nullptr, nullptr, FALSE);
    }

    const HANDLE FTimer;
    mutable std::mutex FLock;
    uint64_t FWakes = 0;
};

namespace {

// The signals of every thread that has one, by thread identifier, for PostMessageA.
struct SignalRegistry {
    std::mutex Lock;
    std::unordered_map<DWORD, std::shared_ptr<LoopHandleSignal>> Signals;
};

// Never destroyed: a thread's state may be freed after the program's static objects, when
// the process ends.
SignalRegistry& TheSignalRegistry() {
    static SignalRegistry& Instance = *new SignalRegistry;
    return Instance;
}

// Each thread's state lives in a fiber-local slot, whose callback frees it when the thread
// ends. (A thread_local object with a destructor is not used: with the MinGW runtime its
// storage can be freed before its destructor runs.)
void WINAPI FreeThreadLoop(void* Loop) {
    delete static_cast<ThreadLoop*>(Loop);
}

DWORD ThreadLoopSlot() {
    static const DWORD Slot = ::FlsAlloc(&FreeThreadLoop);
    return Slot;
}

}  // namespace

ThreadLoop& ThreadLoop::Current() {
    if (ThreadLoop* Loop = Existing()) {
        return *Loop;
    }
    const DWORD Slot = ThreadLoopSlot();
    auto Made = std::make_unique<ThreadLoop>();
    if (Slot == FLS_OUT_OF_INDEXES || ::FlsSetValue(Slot, Made.get()) == FALSE) {
        const auto Code = static_cast<int32_t>(::GetLastError());
        throw Exception("Cannot keep the thread's window state: " + SysErrorMessage(Code));
    }
    return *Made.release();  // the slot owns it now
}

ThreadLoop* ThreadLoop::Existing() noexcept {
    const DWORD Slot = ThreadLoopSlot();
    return Slot == FLS_OUT_OF_INDEXES ? nullptr : static_cast<ThreadLoop*>(::FlsGetValue(Slot));
}

ThreadLoop::~ThreadLoop() {
    // The thread is ending: the system destroys its windows, with their timers and messages.
    if (FSignal) {
        SignalRegistry& Registry = TheSignalRegistry();
        std::lock_guard<std::mutex> Guard(Registry.Lock);
        Registry.Signals.erase(::GetCurrentThreadId());
    }
}

void ThreadLoop::AddWindow(HWND Wnd, TWndMethod WndProc) {
    FWindows[Wnd] = std::make_shared<TWndMethod>(std::move(WndProc));
}

std::shared_ptr<TWndMethod> ThreadLoop::WindowProcedure(HWND Wnd) const {
    const auto It = FWindows.find(Wnd);
    return It == FWindows.end() ? nullptr : It->second;
}

bool ThreadLoop::RemoveWindow(HWND Wnd) {
    if (FWindows.erase(Wnd) == 0) {
        return false;
    }
    FTimers.erase(std::remove_if(FTimers.begin(), FTimers.end(),
                                 [Wnd](const TrackedTimer& T) { return T.Wnd == Wnd; }),
                  FTimers.end());
    return true;
}

void ThreadLoop::TimerSet(HWND Wnd, uintptr_t Id, uint32_t Elapse) {
    // The system keeps every period between its minimum and maximum.
    const uint64_t Period = std::clamp<uint64_t>(Elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    const uint64_t Due = MonotonicMilliseconds() + Period;
    const auto It = std::find_if(FTimers.begin(), FTimers.end(),
                                 [&](const TrackedTimer& T) { return T.Wnd == Wnd && T.Id == Id; });
    if (It != FTimers.end()) {
        It->Period = Period;
        It->Due = Due;
    } else {
        FTimers.push_back(TrackedTimer{Wnd, Id, Period, Due});
    }
}

void ThreadLoop::TimerTicked(HWND Wnd, uintptr_t Id) {
    for (TrackedTimer& T : FTimers) {
        if (T.Wnd == Wnd && T.Id == Id) {
            T.Due = MonotonicMilliseconds() + T.Period;
        }
    }
}

std::optional<uint64_t> ThreadLoop::EarliestDue() const {
    std::optional<uint64_t> Earliest;
    for (const TrackedTimer& T : FTimers) {
        if (!Earliest || T.Due < *Earliest) {
            Earliest = T.Due;
        }
    }
    return Earliest;
}

HANDLE ThreadLoop::LoopHandle() {
    if (!FSignal) {
        auto Signal = std::make_shared<LoopHandleSignal>();
        {
            SignalRegistry& Registry = TheSignalRegistry();
            std::lock_guard<std::mutex> Guard(Registry.Lock);
            Registry.Signals[::GetCurrentThreadId()] = Signal;
        }
        FSignal = std::move(Signal);
        Settle();
    }
    return FSignal->Handle();
}

void ThreadLoop::Settle() noexcept {
    if (!FSignal) {
        return;
    }
    const uint64_t WakesBefore = FSignal->Wakes();
    // Posted messages and due timer ticks; a WM_QUIT is the application's and left alone.
    MSG Message{};
    const bool Waiting =
        ::PeekMessageA(&Message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_POSTMESSAGE) != FALSE &&
        Message.message != WM_QUIT;
    if (!Waiting) {
        ForgetLostTimers();
    }
    FSignal->Settle(WakesBefore, Waiting, EarliestDue());
}

void ThreadLoop::ForgetLostTimers() {
    // A tick this late that is still not in the queue will not come: its timer was killed
    // with the system's KillTimer, or went with its window.
    constexpr uint64_t kLostTickMs = 250;
    const uint64_t Now = MonotonicMilliseconds();
    FTimers.erase(
        std::remove_if(FTimers.begin(), FTimers.end(),
                       [Now](const TrackedTimer& T) { return T.Due + kLostTickMs < Now; }),
        FTimers.end());
}

void WakeOwnerOf(HWND Wnd) noexcept {
    const DWORD Owner = ::GetWindowThreadProcessId(Wnd, nullptr);
    std::shared_ptr<LoopHandleSignal> Signal;
    {
        SignalRegistry& Registry = TheSignalRegistry();
        std::lock_guard<std::mutex> Guard(Registry.Lock);
        const auto It = Registry.Signals.find(Owner);
        if (It == Registry.Signals.end()) {
            return;
        }
        Signal = It->second;
    }
    Signal->Wake();
}

}  // namespace vorsa::detail
