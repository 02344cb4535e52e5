// Watching a serial port's input on Windows. The port is opened for synchronous transfers,
// and such a handle cannot be waited on beside the thread's message queue (an overlapped
// WaitCommEvent would need the port opened overlapped). So a small thread looks at the
// port's input queue every few milliseconds while the watch is armed, and posts the
// component's message once when bytes wait or the port fails (a device that went away), as
// a hung-up descriptor signals on POSIX. ClearCommError is the call that tells the queue's
// count; the line errors it clears are read nowhere else.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/InputWatch.h"
#include "platform/PostToWindow.h"

namespace vorsa::detail {

namespace {

constexpr std::chrono::milliseconds kInputPollInterval{2};

class PollingInputWatch final : public InputWatch {
  public:
    PollingInputWatch(HWND Wnd, uint32_t Msg, HANDLE Port)
        : FWnd(Wnd), FMsg(Msg), FPort(Port), FThread([this] { Run(); }) {}

    PollingInputWatch(const PollingInputWatch&) = delete;
    PollingInputWatch& operator=(const PollingInputWatch&) = delete;

    ~PollingInputWatch() override {
        {
            std::lock_guard<std::mutex> Guard(FLock);
            FStopping = true;
        }
        FChanged.notify_all();
        FThread.join();
    }

    void Arm() noexcept override {
        {
            std::lock_guard<std::mutex> Guard(FLock);
            FArmed = true;
        }
        FChanged.notify_all();
    }

  private:
    void Run() {
        std::unique_lock<std::mutex> Lock(FLock);
        while (!FStopping) {
            if (!FArmed) {
                FChanged.wait(Lock, [this] { return FArmed || FStopping; });
                continue;
            }
            Lock.unlock();
            DWORD Errors = 0;
            ::COMSTAT Status{};
            const bool Signalled =
                ::ClearCommError(FPort, &Errors, &Status) == FALSE || Status.cbInQue > 0;
            Lock.lock();
            if (Signalled && FArmed && !FStopping) {
                FArmed = false;
                Lock.unlock();
                (void)PostToWindow(FWnd, FMsg, 0, 0);
                Lock.lock();
                continue;
            }
            FChanged.wait_for(Lock, kInputPollInterval, [this] { return FStopping; });
        }
    }

    const HWND FWnd;
    const uint32_t FMsg;
    const HANDLE FPort;
    std::mutex FLock;
    std::condition_variable FChanged;
    bool FArmed = true;
    bool FStopping = false;
    std::thread FThread;  // last: it starts once everything above is in place
};

}  // namespace

std::unique_ptr<InputWatch> InputWatch::Create(HWND Wnd, uint32_t Msg, intptr_t Object) {
    if (Wnd == nullptr || Object == -1) {
        return nullptr;
    }
    return std::make_unique<PollingInputWatch>(Wnd, Msg, reinterpret_cast<HANDLE>(Object));
}

}  // namespace vorsa::detail
