// The calling thread's message loop on Windows: PeekMessage and DispatchMessage, and a wait
// with MsgWaitForMultipleObjectsEx while nothing is due.
#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/MonotonicClock.h"
#include "platform/win32/ThreadLoop.h"
#include "vorsa/Framework.h"

namespace vorsa {

namespace {

// Counts the dispatch as one of the library's, so that an exception from a hidden window's
// procedure is carried past the system's frames and thrown here.
void Dispatch(const MSG& Message) {
    detail::ThreadLoop& Loop = detail::ThreadLoop::Current();
    struct DepthGuard {
        explicit DepthGuard(int& ADepth) : Depth(ADepth) { ++Depth; }
        ~DepthGuard() { --Depth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;
        int& Depth;
    };
    {
        DepthGuard Counted(Loop.DispatchDepth);
        ::TranslateMessage(&Message);
        ::DispatchMessageA(&Message);
    }
    if (Loop.Escaped) {
        std::rethrow_exception(std::exchange(Loop.Escaped, nullptr));
    }
}

// Looks at the thread's next message without taking it. False when there is none, or when it
// is a WM_QUIT, which stays for the application's own loop.
bool PeekNext(MSG& Message) {
    return ::PeekMessageA(&Message, nullptr, 0, 0, PM_NOREMOVE) != FALSE &&
           Message.message != WM_QUIT;
}

// Takes the thread's next message off its queue; a message posted since PeekNext may come
// first, and is as good as the one seen. False when none is left, or for a WM_QUIT, which is
// put back.
bool TakeNext(MSG& Message) {
    if (::PeekMessageA(&Message, nullptr, 0, 0, PM_REMOVE) == FALSE) {
        return false;
    }
    if (Message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(Message.wParam));
        return false;
    }
    return true;
}

// Sleeps until input comes for the thread's queue or TimeoutMs (INFINITE: no limit) passes.
// Handles that the loop is to watch besides the queue join the wait here.
void WaitForInput(DWORD TimeoutMs) {
    ::MsgWaitForMultipleObjectsEx(0, nullptr, TimeoutMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

// Settles the loop handle whichever way the loop is left.
struct SettleOnExit {
    SettleOnExit() = default;
    SettleOnExit(const SettleOnExit&) = delete;
    SettleOnExit& operator=(const SettleOnExit&) = delete;
    ~SettleOnExit() {
        if (detail::ThreadLoop* const Loop = detail::ThreadLoop::Existing()) {
            Loop->Settle();
        }
    }
};

}  // namespace

void ProcessMessages() {
    SettleOnExit Settled;
    // One tick a timer per call: a procedure slower than its timer's period would otherwise
    // keep the call from returning. The next tick stays due for the next call.
    std::vector<std::pair<HWND, WPARAM>> Ticked;
    MSG Message{};
    while (PeekNext(Message)) {
        const auto Timer = std::make_pair(Message.hwnd, Message.wParam);
        if (Message.message == WM_TIMER &&
            std::find(Ticked.begin(), Ticked.end(), Timer) != Ticked.end()) {
            return;
        }
        if (!TakeNext(Message)) {
            return;
        }
        if (Message.message == WM_TIMER) {
            Ticked.emplace_back(Message.hwnd, Message.wParam);
        }
        Dispatch(Message);
    }
}

bool HandleMessage(int TimeoutMs) {
    SettleOnExit Settled;
    const uint64_t Start = detail::MonotonicMilliseconds();
    MSG Message{};
    for (;;) {
        if (::PeekMessageA(&Message, nullptr, 0, 0, PM_NOREMOVE) != FALSE) {
            if (Message.message == WM_QUIT || !TakeNext(Message)) {
                return false;
            }
            Dispatch(Message);
            return true;
        }
        if (TimeoutMs < 0) {
            WaitForInput(INFINITE);
            continue;
        }
        const uint64_t Elapsed = detail::MonotonicMilliseconds() - Start;
        if (Elapsed >= static_cast<uint64_t>(TimeoutMs)) {
            return false;
        }
        WaitForInput(static_cast<DWORD>(static_cast<uint64_t>(TimeoutMs) - Elapsed));
    }
}

int MessageLoopFd() {
    return -1;
}

HANDLE MessageLoopHandle() {
    return detail::ThreadLoop::Current().LoopHandle();
}

}  // namespace vorsa
