// The wait of `watch` on Windows: WaitForMultipleObjects on the message loop's handle and
// an event that the console's Ctrl-C handler sets. There is no built-in modem, so no
// console input to wait for.
#include "WatchWait.h"

#include <windows.h>

#include <atomic>

#include "vorsa/Framework.h"

namespace vorsa::cli {

namespace {

// The event of the one WatchWait, for the handler, which the system runs on a thread of
// its own.
std::atomic<HANDLE> interruptEvent{nullptr};

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT: {
            const HANDLE set = interruptEvent.load();
            if (set == nullptr) {
                return FALSE;  // the default: end the program
            }
            ::SetEvent(set);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

struct WatchWait::Platform {
    HANDLE interrupted = nullptr;
};

WatchWait::WatchWait(bool /*watchInput*/) : platform_(std::make_unique<Platform>()) {
    platform_->interrupted = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    interruptEvent.store(platform_->interrupted);
    ::SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

WatchWait::~WatchWait() {
    ::SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
    interruptEvent.store(nullptr);
    if (platform_->interrupted != nullptr) {
        ::CloseHandle(platform_->interrupted);
    }
}

WatchWait::Ready WatchWait::Wait(int timeoutMs) {
    Ready ready;
    HANDLE handles[2] = {MessageLoopHandle(), platform_->interrupted};
    const DWORD count = platform_->interrupted != nullptr ? 2 : 1;
    const DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    const DWORD woke = ::WaitForMultipleObjects(count, handles, FALSE, timeout);
    ready.messages = woke == WAIT_OBJECT_0;
    ready.interrupted = count == 2 && ::WaitForSingleObject(handles[1], 0) == WAIT_OBJECT_0;
    return ready;
}

bool WatchWait::ReadInput(std::string& /*text*/) {
    return false;
}

}  // namespace vorsa::cli
