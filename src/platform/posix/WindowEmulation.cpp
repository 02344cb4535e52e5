// Hidden windows, their timers and posted messages, and each thread's message loop.
//
// One registry maps window handles to their window procedure and the queue of the thread
// that allocated them. Each thread's queue holds its posted messages in order, its timers
// with their next due time and its input watches (a serial port whose input posts a
// message), and keeps an operating-system signal up to date so that the loop can sleep
// until something is due and an application can wait on it. One mutex
// guards the registry and every queue; it is never held while a window procedure runs, so
// a procedure may post, set timers, release windows or run a nested loop.
#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/InputWatch.h"
#include "platform/LoopSignal.h"
#include "platform/MonotonicClock.h"
#include "vorsa/Framework.h"

namespace vorsa {

namespace {

struct PostedMessage {
    HWND Wnd;
    uint32_t Msg;
    uintptr_t WParam;
    intptr_t LParam;
};

struct WindowTimer {
    HWND Wnd;
    uintptr_t Id;
    uint64_t Period;
    uint64_t Due;  // on the monotonic clock
};

struct PortWatch {
    HWND Wnd;
    uint32_t Msg;
    intptr_t Object;
};

struct ThreadQueue {
    explicit ThreadQueue(std::unique_ptr<detail::LoopSignal> ASignal)
        : Signal(std::move(ASignal)) {}

    // Keep the signal in step with the queue; called after every change, under the lock.
    void PostedChanged() noexcept { Signal->SetPosted(!Posted.empty()); }
    void TimersChanged() noexcept {
        std::optional<uint64_t> Earliest;
        for (const WindowTimer& Timer : Timers) {
            if (!Earliest || Timer.Due < *Earliest) {
                Earliest = Timer.Due;
            }
        }
        if (Earliest != ArmedDue) {
            Signal->SetTimerDue(Earliest);
            ArmedDue = Earliest;
        }
    }

    // A watch whose object signalled becomes a posted message. Under the lock.
    void HarvestWatches() {
        if (Watches.empty()) {
            return;
        }
        for (const uint64_t Key : Signal->TakeFiredWatches()) {
            const auto Found = Watches.find(Key);
            if (Found != Watches.end()) {
                Posted.push_back(PostedMessage{Found->second.Wnd, Found->second.Msg, 0, 0});
            }
        }
        PostedChanged();
    }

    const std::unique_ptr<detail::LoopSignal> Signal;
    std::deque<PostedMessage> Posted;
    std::vector<WindowTimer> Timers;
    std::optional<uint64_t> ArmedDue;
    std::unordered_map<uint64_t, PortWatch> Watches;
};

struct WindowRecord {
    TWndMethod WndProc;
    std::shared_ptr<ThreadQueue> Queue;
};

struct Registry {
    std::mutex Lock;
    std::unordered_map<HWND, std::shared_ptr<WindowRecord>> Windows;
    HWND LastHandle = 0;
    uint64_t LastWatchKey = 1;  // 0 and 1 are the loop signal's own
};

Registry& TheRegistry() {
    static Registry Instance;
    return Instance;
}

// Drops everything the queue holds for one window. Under the lock.
void DropWindowFromQueue(ThreadQueue& Queue, HWND Wnd) {
    const auto PostedEnd = std::remove_if(Queue.Posted.begin(), Queue.Posted.end(),
                                          [Wnd](const PostedMessage& M) { return M.Wnd == Wnd; });
    Queue.Posted.erase(PostedEnd, Queue.Posted.end());
    Queue.PostedChanged();
    const auto TimersEnd = std::remove_if(Queue.Timers.begin(), Queue.Timers.end(),
                                          [Wnd](const WindowTimer& T) { return T.Wnd == Wnd; });
    Queue.Timers.erase(TimersEnd, Queue.Timers.end());
    Queue.TimersChanged();
    for (auto It = Queue.Watches.begin(); It != Queue.Watches.end();) {
        if (It->second.Wnd == Wnd) {
            Queue.Signal->RemoveWatch(It->second.Object);
            It = Queue.Watches.erase(It);
        } else {
            ++It;
        }
    }
}

// The calling thread's queue, made on first use. When the thread ends, the windows it still
// has are released with it, as the system releases a thread's windows when it exits.
class CurrentThreadQueue {
  public:
    CurrentThreadQueue() = default;
    CurrentThreadQueue(const CurrentThreadQueue&) = delete;
    CurrentThreadQueue& operator=(const CurrentThreadQueue&) = delete;

    ~CurrentThreadQueue() {
        if (!FQueue) {
            return;
        }
        std::vector<std::shared_ptr<WindowRecord>> Released;  // destroyed after unlocking
        Registry& R = TheRegistry();
        std::lock_guard<std::mutex> Guard(R.Lock);
        for (auto It = R.Windows.begin(); It != R.Windows.end();) {
            if (It->second->Queue == FQueue) {
                Released.push_back(std::move(It->second));
                It = R.Windows.erase(It);
            } else {
                ++It;
            }
        }
        for (const auto& Entry : FQueue->Watches) {
            FQueue->Signal->RemoveWatch(Entry.second.Object);
        }
        FQueue->Watches.clear();
        FQueue->Posted.clear();
        FQueue->Timers.clear();
    }

    const std::shared_ptr<ThreadQueue>& Get() {
        if (!FQueue) {
            FQueue = std::make_shared<ThreadQueue>(detail::LoopSignal::Create());
        }
        return FQueue;
    }

  private:
    std::shared_ptr<ThreadQueue> FQueue;
};

thread_local CurrentThreadQueue TheCurrentThreadQueue;

// Takes the next message for the thread off its queue and runs its window procedure:
// a posted message first, else the tick of the timer due longest, among those due at
// `TimerHorizon`. The message leaves the queue before the procedure runs, so an exception
// from it leaves the queue consistent.
bool DispatchNext(ThreadQueue& Queue, uint64_t TimerHorizon) {
    std::shared_ptr<WindowRecord> Target;
    TMessage Message{};
    {
        Registry& R = TheRegistry();
        std::lock_guard<std::mutex> Guard(R.Lock);
        Queue.HarvestWatches();
        while (!Target && !Queue.Posted.empty()) {
            const PostedMessage Posted = Queue.Posted.front();
            Queue.Posted.pop_front();
            Queue.PostedChanged();
            const auto It = R.Windows.find(Posted.Wnd);
            if (It != R.Windows.end()) {
                Target = It->second;
                Message = TMessage{Posted.Msg, Posted.WParam, Posted.LParam, 0};
            }
        }
        while (!Target) {
            const auto Due = std::min_element(
                Queue.Timers.begin(), Queue.Timers.end(),
                [](const WindowTimer& A, const WindowTimer& B) { return A.Due < B.Due; });
            if (Due == Queue.Timers.end() || Due->Due > TimerHorizon) {
                return false;
            }
            const auto It = R.Windows.find(Due->Wnd);
            if (It == R.Windows.end()) {
                Queue.Timers.erase(Due);  // not expected: releasing a window kills its timers
            } else {
                // Next tick one period on; a loop that fell behind gets one tick, not a burst.
                const uint64_t Now = detail::MonotonicMilliseconds();
                const uint64_t Next = Due->Due + Due->Period;
                Due->Due = Next > Now ? Next : Now + Due->Period;
                Target = It->second;
                Message = TMessage{WM_TIMER, Due->Id, 0, 0};
            }
            Queue.TimersChanged();
        }
    }
    if (Target->WndProc) {
        Target->WndProc(Message);
    }
    return true;
}

// The queue of the thread that owns the window, or null for a handle that is not (or no
// longer) allocated. The caller holds the registry's lock.
ThreadQueue* QueueOfWindow(Registry& R, HWND Wnd) {
    const auto It = R.Windows.find(Wnd);
    return It == R.Windows.end() ? nullptr : It->second->Queue.get();
}

// The window's timer with the given identifier, or the end of the queue's timers.
std::vector<WindowTimer>::iterator FindTimer(ThreadQueue& Queue, HWND Wnd, uintptr_t IDEvent) {
    return std::find_if(Queue.Timers.begin(), Queue.Timers.end(),
                        [&](const WindowTimer& T) { return T.Wnd == Wnd && T.Id == IDEvent; });
}

// A watch of the queue that owns its window; forgets itself when released.
class LoopInputWatch final : public detail::InputWatch {
  public:
    LoopInputWatch(uint64_t Key, intptr_t Object) : FKey(Key), FObject(Object) {}

    ~LoopInputWatch() override {
        Registry& R = TheRegistry();
        std::lock_guard<std::mutex> Guard(R.Lock);
        if (ThreadQueue* Queue = OwnerOfWatch(R)) {
            Queue->Signal->RemoveWatch(FObject);
            Queue->Watches.erase(FKey);
        }
    }

    void Arm() noexcept override {
        Registry& R = TheRegistry();
        std::lock_guard<std::mutex> Guard(R.Lock);
        if (ThreadQueue* Queue = OwnerOfWatch(R)) {
            Queue->Signal->RearmWatch(FObject, FKey);
        }
    }

  private:
    // The queue that still holds the watch: none once its window was released.
    ThreadQueue* OwnerOfWatch(Registry& R) const {
        for (const auto& Entry : R.Windows) {
            ThreadQueue& Queue = *Entry.second->Queue;
            if (Queue.Watches.count(FKey) != 0) {
                return &Queue;
            }
        }
        return nullptr;
    }

    uint64_t FKey;
    intptr_t FObject;
};

}  // namespace

std::unique_ptr<detail::InputWatch> detail::InputWatch::Create(HWND Wnd, uint32_t Msg,
                                                               intptr_t Object) {
    if (Object < 0) {
        return nullptr;
    }
    Registry& R = TheRegistry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    ThreadQueue* const Queue = QueueOfWindow(R, Wnd);
    if (Queue == nullptr) {
        return nullptr;
    }
    const uint64_t Key = ++R.LastWatchKey;
    if (!Queue->Signal->AddWatch(Object, Key)) {
        return nullptr;
    }
    Queue->Watches.emplace(Key, PortWatch{Wnd, Msg, Object});
    return std::make_unique<LoopInputWatch>(Key, Object);
}

HWND AllocateHWnd(TWndMethod WndProc) {
    auto Record = std::make_shared<WindowRecord>(
        WindowRecord{std::move(WndProc), TheCurrentThreadQueue.Get()});
    Registry& R = TheRegistry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    const HWND Wnd = ++R.LastHandle;
    R.Windows.emplace(Wnd, std::move(Record));
    return Wnd;
}

void DeallocateHWnd(HWND Wnd) noexcept {
    std::shared_ptr<WindowRecord> Released;  // destroyed after unlocking
    Registry& R = TheRegistry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    const auto It = R.Windows.find(Wnd);
    if (It == R.Windows.end()) {
        return;
    }
    Released = std::move(It->second);
    R.Windows.erase(It);
    DropWindowFromQueue(*Released->Queue, Wnd);
}

uintptr_t SetTimer(HWND Wnd, uintptr_t IDEvent, uint32_t Elapse) {
    const uint64_t Period = std::clamp(Elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    Registry& R = TheRegistry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    ThreadQueue* const Owner = QueueOfWindow(R, Wnd);
    if (Owner == nullptr) {
        return 0;
    }
    ThreadQueue& Queue = *Owner;
    const uint64_t Due = detail::MonotonicMilliseconds() + Period;
    const auto Timer = FindTimer(Queue, Wnd, IDEvent);
    if (Timer != Queue.Timers.end()) {
        Timer->Period = Period;
        Timer->Due = Due;
    } else {
        Queue.Timers.push_back(WindowTimer{Wnd, IDEvent, Period, Due});
    }
    Queue.TimersChanged();
    return IDEvent != 0 ? IDEvent : 1;
}

bool KillTimer(HWND Wnd, uintptr_t IDEvent) {
    Registry& R = TheRegistry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    ThreadQueue* const Owner = QueueOfWindow(R, Wnd);
    if (Owner == nullptr) {
        return false;
    }
    ThreadQueue& Queue = *Owner;
    const auto Timer = FindTimer(Queue, Wnd, IDEvent);
    if (Timer == Queue.Timers.end()) {
        return false;
    }
    Queue.Timers.erase(Timer);
    Queue.TimersChanged();
    return true;
}

bool PostMessageA(HWND Wnd, uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
    Registry& R = TheRegistry();
    std::lock_guard<std::mutex> Guard(R.Lock);
    ThreadQueue* const Owner = QueueOfWindow(R, Wnd);
    if (Owner == nullptr) {
        return false;
    }
    ThreadQueue& Queue = *Owner;
    if (Queue.Posted.size() >= POSTED_MESSAGE_LIMIT) {
        return false;
    }
    Queue.Posted.push_back(PostedMessage{Wnd, Msg, WParam, LParam});
    Queue.PostedChanged();
    return true;
}

intptr_t DefWindowProcA(HWND, uint32_t, uintptr_t, intptr_t) {
    return 0;
}

void ProcessMessages() {
    ThreadQueue& Queue = *TheCurrentThreadQueue.Get();
    // Timers count as due against the start of the call, so each ticks at most once here
    // and the call returns even when the procedures are slower than the timer periods.
    const uint64_t TimerHorizon = detail::MonotonicMilliseconds();
    while (DispatchNext(Queue, TimerHorizon)) {
    }
}

bool HandleMessage(int TimeoutMs) {
    ThreadQueue& Queue = *TheCurrentThreadQueue.Get();
    const uint64_t Start = detail::MonotonicMilliseconds();
    for (;;) {
        const uint64_t Now = detail::MonotonicMilliseconds();
        if (DispatchNext(Queue, Now)) {
            return true;
        }
        if (TimeoutMs < 0) {
            Queue.Signal->Wait(-1);
            continue;
        }
        const uint64_t Elapsed = Now - Start;
        if (Elapsed >= static_cast<uint64_t>(TimeoutMs)) {
            return false;
        }
        Queue.Signal->Wait(static_cast<int>(static_cast<uint64_t>(TimeoutMs) - Elapsed));
    }
}

int MessageLoopFd() {
    return TheCurrentThreadQueue.Get()->Signal->Fd();
}

}  // namespace vorsa
