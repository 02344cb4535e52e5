// The message loop's signal on Linux: an epoll descriptor watching an eventfd, set while a
// posted message waits, a timerfd on CLOCK_MONOTONIC, armed to the earliest timer due, and
// the descriptors of watched serial ports, one-shot. The epoll descriptor is what
// MessageLoopFd hands out, so an application can add it to its own poll set or event loop.
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/LoopSignal.h"
#include "platform/posix/UniqueFd.h"
#include "vorsa/Framework.h"

namespace vorsa::detail {

namespace {

constexpr uint64_t kPostedKey = 0;
constexpr uint64_t kTimerKey = 1;
constexpr int kMostFiredAtOnce = 16;

[[noreturn]] void RaiseSystemError(const char* What) {
    const int Code = errno;
    throw Exception(std::string("Cannot set up the message queue: ") + What + ": " +
                    std::strerror(Code));
}

class EpollLoopSignal final : public LoopSignal {
  public:
    EpollLoopSignal()
        : FEpoll(::epoll_create1(EPOLL_CLOEXEC)),
          FPostedEvent(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
          FTimer(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {
        if (!FEpoll.Valid()) {
            RaiseSystemError("epoll_create1");
        }
        if (!FPostedEvent.Valid()) {
            RaiseSystemError("eventfd");
        }
        if (!FTimer.Valid()) {
            RaiseSystemError("timerfd_create");
        }
        Watch(FPostedEvent.Get(), kPostedKey);
        Watch(FTimer.Get(), kTimerKey);
    }

    int Fd() const noexcept override { return FEpoll.Get(); }

    // The registry's lock serialises every call below, so FPosted mirrors the eventfd.
    void SetPosted(bool Waiting) noexcept override {
        if (Waiting == FPosted) {
            return;
        }
        if (Waiting) {
            const uint64_t One = 1;
            while (::write(FPostedEvent.Get(), &One, sizeof One) < 0 && errno == EINTR) {
            }
        } else {
            uint64_t Count = 0;
            while (::read(FPostedEvent.Get(), &Count, sizeof Count) < 0 && errno == EINTR) {
            }
        }
        FPosted = Waiting;
    }

    void SetTimerDue(std::optional<uint64_t> DueMs) noexcept override {
        // Setting a timerfd, armed or disarmed, also clears an expiry not yet read.
        itimerspec Spec{};
        if (DueMs) {
            Spec.it_value.tv_sec = static_cast<time_t>(*DueMs / 1000);
            Spec.it_value.tv_nsec = static_cast<long>(*DueMs % 1000) * 1000000L;
            if (Spec.it_value.tv_sec == 0 && Spec.it_value.tv_nsec == 0) {
                Spec.it_value.tv_nsec = 1;  // all zeros would disarm instead
            }
        }
        ::timerfd_settime(FTimer.Get(), TFD_TIMER_ABSTIME, &Spec, nullptr);
    }

    void Wait(int TimeoutMs) noexcept override {
        pollfd Poll{FEpoll.Get(), POLLIN, 0};
        ::poll(&Poll, 1, TimeoutMs < 0 ? -1 : TimeoutMs);
    }

    bool AddWatch(intptr_t Object, uint64_t Key) noexcept override {
        return Control(EPOLL_CTL_ADD, Object, Key);
    }

    void RearmWatch(intptr_t Object, uint64_t Key) noexcept override {
        (void)Control(EPOLL_CTL_MOD, Object, Key);
    }

    void RemoveWatch(intptr_t Object) noexcept override {
        ::epoll_ctl(FEpoll.Get(), EPOLL_CTL_DEL, static_cast<int>(Object), nullptr);
    }

    std::vector<uint64_t> TakeFiredWatches() noexcept override {
        std::vector<uint64_t> Fired;
        epoll_event Events[kMostFiredAtOnce];
        const int Count = ::epoll_wait(FEpoll.Get(), Events, kMostFiredAtOnce, 0);
        for (int I = 0; I < Count; ++I) {
            if (Events[I].data.u64 != kPostedKey && Events[I].data.u64 != kTimerKey) {
                Fired.push_back(Events[I].data.u64);
            }
        }
        return Fired;
    }

  private:
    // A watched port reports its input, and its hang-up, once per arming.
    bool Control(int Operation, intptr_t Object, uint64_t Key) noexcept {
        if (Object < 0) {
            return false;
        }
        epoll_event Event{};
        Event.events = EPOLLIN | EPOLLONESHOT;
        Event.data.u64 = Key;
        return ::epoll_ctl(FEpoll.Get(), Operation, static_cast<int>(Object), &Event) == 0;
    }

    void Watch(int Fd, uint64_t Key) {
        epoll_event Event{};
        Event.events = EPOLLIN;
        Event.data.u64 = Key;
        if (::epoll_ctl(FEpoll.Get(), EPOLL_CTL_ADD, Fd, &Event) != 0) {
            RaiseSystemError("epoll_ctl");
        }
    }

    UniqueFd FEpoll;
    UniqueFd FPostedEvent;
    UniqueFd FTimer;
    bool FPosted = false;
};

}  // namespace

std::unique_ptr<LoopSignal> LoopSignal::Create() {
    return std::make_unique<EpollLoopSignal>();
}

}  // namespace vorsa::detail
