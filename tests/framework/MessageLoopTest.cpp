#include <gtest/gtest.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <future>
#include <initializer_list>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/RecordingWindow.h"
#include "vorsa/Framework.h"

namespace vorsa {
namespace {

using test::PumpUntil;
using test::RecordingWindow;

using test::kDeadlineMs;
using test::Ticks;

TEST(PostedMessages, ArriveLaterInPostingOrderWithTheirParameters) {
    RecordingWindow Window;
    EXPECT_TRUE(PostMessageA(Window.Handle(), WM_USER + 1, 11, -1));
    EXPECT_TRUE(PostMessageA(Window.Handle(), WM_USER + 3, 0, 0));
    EXPECT_TRUE(PostMessageA(Window.Handle(), WM_USER + 2, 22, 33));
    EXPECT_TRUE(Window.Received.empty()) << "never inside the call that posts";

    ProcessMessages();
    ASSERT_EQ(Window.Numbers(), (std::vector<uint32_t>{1025, 1027, 1026}));
    EXPECT_EQ(Window.Received[0].WParam, 11u);
    EXPECT_EQ(Window.Received[0].LParam, -1);
    EXPECT_EQ(Window.Received[2].WParam, 22u);
    EXPECT_EQ(Window.Received[2].LParam, 33);
    EXPECT_EQ(Window.Received[0].Result, 0);
}

TEST(PostedMessages, KeepOneOrderAcrossTheThreadsWindows) {
    RecordingWindow A;
    RecordingWindow B;
    std::vector<int> Order;
    A.OnMessage = [&](TMessage& M) { Order.push_back(static_cast<int>(M.WParam)); };
    B.OnMessage = A.OnMessage;
    PostMessageA(A.Handle(), WM_USER, 1, 0);
    PostMessageA(B.Handle(), WM_USER, 2, 0);
    PostMessageA(A.Handle(), WM_USER, 3, 0);
    ProcessMessages();
    EXPECT_EQ(Order, (std::vector<int>{1, 2, 3}));
}

TEST(PostedMessages, PostedFromAProcedureAreDispatchedByTheSameRunAfterTheOthers) {
    RecordingWindow Window;
    Window.OnMessage = [&](TMessage& M) {
        if (M.Msg == WM_USER + 1) {
            PostMessageA(Window.Handle(), WM_USER + 9, 0, 0);
            EXPECT_EQ(Window.Received.size(), 1u) << "not delivered inside the post";
        }
    };
    Window.Post({1, 2});
    ProcessMessages();
    EXPECT_EQ(Window.Numbers(), (std::vector<uint32_t>{1025, 1026, 1033}));
}

TEST(PostedMessages, ToReleasedWindowsFail) {
    RecordingWindow Window;
    const HWND Handle = Window.Handle();
    Window.Release();
    EXPECT_FALSE(PostMessageA(Handle, WM_USER, 0, 0));
    EXPECT_EQ(SetTimer(Handle, 1, 10), 0u);
    EXPECT_FALSE(KillTimer(Handle, 1));
    DeallocateHWnd(Handle);  // a second release is ignored
    DeallocateHWnd(HWND{});
}

TEST(Windows, HandlesAreNeverZeroAndNotReused) {
    const HWND First = AllocateHWnd([](TMessage&) {});
    const HWND Second = AllocateHWnd(nullptr);
    EXPECT_NE(First, HWND{});
    EXPECT_NE(Second, HWND{});
    EXPECT_NE(First, Second);
    DeallocateHWnd(First);
    const HWND Third = AllocateHWnd([](TMessage&) {});
    EXPECT_NE(Third, First);
    // A window without a procedure swallows its messages.
    EXPECT_TRUE(PostMessageA(Second, WM_USER, 0, 0));
    ProcessMessages();
    DeallocateHWnd(Second);
    DeallocateHWnd(Third);
    EXPECT_EQ(DefWindowProcA(Third, WM_TIMER, 1, 2), 0);
}

TEST(Windows, UniqueHWndReleasesWhenDestroyedAndMoves) {
    HWND Handle = 0;
    {
        UniqueHWnd Owner([](TMessage&) {});
        Handle = Owner.Get();
        UniqueHWnd Moved(std::move(Owner));
        EXPECT_EQ(Owner.Get(), HWND{});
        EXPECT_EQ(Moved.Get(), Handle);
        EXPECT_TRUE(PostMessageA(Handle, WM_USER, 0, 0));
    }
    EXPECT_FALSE(PostMessageA(Handle, WM_USER, 0, 0));
    ProcessMessages();
}

TEST(MessageLoop, ProcessMessagesReturnsWhenNothingIsDue) {
    ProcessMessages();
    RecordingWindow Window;
    ASSERT_NE(SetTimer(Window.Handle(), 1, 600000), 0u);
    ProcessMessages();
    EXPECT_TRUE(Window.Received.empty());
}

TEST(MessageLoop, HandleMessageDispatchesOneAtATimeAndTimesOut) {
    RecordingWindow Window;
    EXPECT_FALSE(HandleMessage(0));
    EXPECT_FALSE(HandleMessage(30)) << "nothing came within the time-out";
    Window.Post({1, 2});
    EXPECT_TRUE(HandleMessage(0));
    EXPECT_EQ(Window.Numbers(), (std::vector<uint32_t>{1025}));
    EXPECT_TRUE(HandleMessage(kDeadlineMs));
    EXPECT_EQ(Window.Received.size(), 2u);
    EXPECT_FALSE(HandleMessage(0));
}

double ThreadCpuMilliseconds() {
    timespec T{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &T);
    return static_cast<double>(T.tv_sec) * 1000.0 + static_cast<double>(T.tv_nsec) / 1e6;
}

TEST(MessageLoop, HandleMessageSleepsRatherThanSpinsWhileWaiting) {
    RecordingWindow Window;
    ASSERT_NE(SetTimer(Window.Handle(), 1, 600000), 0u);
    const double CpuBefore = ThreadCpuMilliseconds();
    EXPECT_FALSE(HandleMessage(300));
    // A busy loop would burn about the whole 300 ms; a sleeping one next to nothing.
    EXPECT_LT(ThreadCpuMilliseconds() - CpuBefore, 150.0);
}

TEST(MessageLoop, HandleMessageSleepsUntilATimerIsDue) {
    RecordingWindow Window;
    ASSERT_NE(SetTimer(Window.Handle(), 4, 30), 0u);
    EXPECT_TRUE(HandleMessage(kDeadlineMs));
    ASSERT_EQ(Window.Received.size(), 1u);
    EXPECT_EQ(Window.Received[0].Msg, WM_TIMER);
    EXPECT_EQ(Window.Received[0].WParam, 4u);
    EXPECT_EQ(Window.Received[0].LParam, 0);
}

TEST(MessageLoop, ExceptionFromAProcedureLeavesTheLoopUsable) {
    RecordingWindow Window;
    Window.OnMessage = [](TMessage& M) {
        if (M.Msg == WM_USER + 2) {
            throw std::runtime_error("handler failed");
        }
    };
    Window.Post({1, 2, 3});
    EXPECT_THROW(ProcessMessages(), std::runtime_error);
    EXPECT_EQ(Window.Numbers(), (std::vector<uint32_t>{1025, 1026}));
    ProcessMessages();
    EXPECT_EQ(Window.Numbers(), (std::vector<uint32_t>{1025, 1026, 1027}))
        << "the failed message is not delivered again";

    Window.Post({2, 4});
    EXPECT_THROW(HandleMessage(0), std::runtime_error);
    EXPECT_TRUE(HandleMessage(0));
    EXPECT_EQ(Window.Received.back().Msg, WM_USER + 4);
    EXPECT_FALSE(HandleMessage(0));
}

TEST(MessageLoop, ProceduresMayRunANestedLoop) {
    RecordingWindow Window;
    Window.OnMessage = [](TMessage& M) {
        if (M.Msg == WM_USER + 1) {
            ProcessMessages();
        }
    };
    Window.Post({1, 2, 3});
    ProcessMessages();
    EXPECT_EQ(Window.Numbers(), (std::vector<uint32_t>{1025, 1026, 1027}));
}

TEST(Timers, TickAboutOncePerPeriodUntilKilled) {
    RecordingWindow Window;
    EXPECT_EQ(SetTimer(Window.Handle(), 7, 10), 7u);
    ASSERT_TRUE(PumpUntil([&] { return Ticks(Window.Received) >= 3; }));
    for (const TMessage& M : Window.Received) {
        EXPECT_EQ(M.Msg, WM_TIMER);
        EXPECT_EQ(M.WParam, 7u);
    }
    EXPECT_TRUE(KillTimer(Window.Handle(), 7));
    EXPECT_FALSE(KillTimer(Window.Handle(), 7));
    const std::size_t Before = Window.Received.size();
    EXPECT_FALSE(HandleMessage(50));
    EXPECT_EQ(Window.Received.size(), Before);
}

TEST(Timers, ATickIsNotQueuedUpWhileTheLoopDoesNotRun) {
    RecordingWindow Window;
    ASSERT_NE(SetTimer(Window.Handle(), 1, 10), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // twenty periods
    ProcessMessages();
    EXPECT_EQ(Ticks(Window.Received), 1);
}

TEST(Timers, SettingAnExistingIdRestartsItWithTheNewPeriod) {
    RecordingWindow Window;
    ASSERT_NE(SetTimer(Window.Handle(), 1, 600000), 0u);
    ASSERT_NE(SetTimer(Window.Handle(), 1, 10), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Ticks(Window.Received) >= 1; }));
    EXPECT_TRUE(KillTimer(Window.Handle(), 1));
    EXPECT_FALSE(KillTimer(Window.Handle(), 1)) << "one timer, not two";
}

TEST(Timers, SeveralIdsOnOneWindowTickIndependently) {
    RecordingWindow Window;
    EXPECT_EQ(SetTimer(Window.Handle(), 0, 10), 1u) << "id 0 still reports success";
    ASSERT_NE(SetTimer(Window.Handle(), 2, 10), 0u);
    ASSERT_NE(SetTimer(Window.Handle(), 3, 600000), 0u);
    bool Saw0 = false;
    bool Saw2 = false;
    Window.OnMessage = [&](TMessage& M) {
        EXPECT_NE(M.WParam, 3u);
        Saw0 = Saw0 || M.WParam == 0;
        Saw2 = Saw2 || M.WParam == 2;
    };
    EXPECT_TRUE(PumpUntil([&] { return Saw0 && Saw2; }));
}

TEST(Timers, PeriodZeroIsRaisedToTheMinimumSoTheLoopStillReturns) {
    RecordingWindow Window;
    ASSERT_NE(SetTimer(Window.Handle(), 1, 0), 0u);
    ASSERT_TRUE(PumpUntil([&] { return Ticks(Window.Received) >= 2; }));
    ProcessMessages();
}

TEST(Timers, PostedMessagesGoBeforeADueTick) {
    RecordingWindow Window;
    ASSERT_NE(SetTimer(Window.Handle(), 1, 10), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // the tick is due
    PostMessageA(Window.Handle(), WM_USER, 0, 0);
    ProcessMessages();
    EXPECT_EQ(Window.Numbers(), (std::vector<uint32_t>{WM_USER, WM_TIMER}));
}

TEST(Release, DropsPendingMessagesAndTimers) {
    RecordingWindow Released;
    RecordingWindow Kept;
    PostMessageA(Released.Handle(), WM_USER + 1, 0, 0);
    PostMessageA(Kept.Handle(), WM_USER + 2, 0, 0);
    PostMessageA(Released.Handle(), WM_USER + 3, 0, 0);
    ASSERT_NE(SetTimer(Released.Handle(), 1, 10), 0u);
    Released.Release();
    ProcessMessages();
    EXPECT_EQ(Kept.Numbers(), (std::vector<uint32_t>{1026}));
    EXPECT_FALSE(HandleMessage(60)) << "no tick of the released window's timer";
    EXPECT_TRUE(Released.Received.empty());
}

TEST(Release, FromInsideItsOwnProcedureDropsTheRest) {
    RecordingWindow Window;
    const HWND Handle = Window.Handle();
    Window.OnMessage = [&](TMessage&) {
        Window.Release();
        EXPECT_FALSE(PostMessageA(Handle, WM_USER, 0, 0));
        EXPECT_EQ(SetTimer(Handle, 2, 10), 0u);
    };
    ASSERT_NE(SetTimer(Window.Handle(), 1, 10), 0u);
    Window.Post({1, 2});
    ProcessMessages();
    EXPECT_EQ(Window.Numbers(), (std::vector<uint32_t>{1025}));
    EXPECT_FALSE(HandleMessage(60));
    EXPECT_EQ(Window.Received.size(), 1u);
}

TEST(Release, FromATimerTickStopsTheTimer) {
    RecordingWindow Window;
    Window.OnMessage = [&](TMessage&) { Window.Release(); };
    ASSERT_NE(SetTimer(Window.Handle(), 1, 10), 0u);
    ASSERT_TRUE(PumpUntil([&] { return !Window.Received.empty(); }));
    EXPECT_FALSE(HandleMessage(60));
    EXPECT_EQ(Window.Received.size(), 1u);
}

TEST(Release, ByAnotherWindowsProcedureDropsItsQueuedMessages) {
    RecordingWindow First;
    RecordingWindow Second;
    First.OnMessage = [&](TMessage&) { Second.Release(); };
    PostMessageA(First.Handle(), WM_USER + 1, 0, 0);
    PostMessageA(Second.Handle(), WM_USER + 2, 0, 0);
    PostMessageA(Second.Handle(), WM_USER + 3, 0, 0);
    ProcessMessages();
    EXPECT_EQ(First.Received.size(), 1u);
    EXPECT_TRUE(Second.Received.empty());
}

TEST(Release, ProcedureStaysAliveWhileItRuns) {
    // The procedure's own captures must survive its window's release inside it.
    auto Alive = std::make_shared<int>(42);
    int Seen = 0;
    HWND Handle = 0;
    Handle = AllocateHWnd([Alive, &Seen, &Handle](TMessage&) {
        DeallocateHWnd(Handle);
        Seen = *Alive;  // would read freed memory if the procedure had been destroyed
    });
    std::weak_ptr<int> Watch = Alive;
    Alive.reset();
    PostMessageA(Handle, WM_USER, 0, 0);
    ProcessMessages();
    EXPECT_EQ(Seen, 42);
    EXPECT_TRUE(Watch.expired()) << "the procedure is freed once it returned";
}

TEST(Threads, PostFromAnotherThreadWakesTheOwnersLoop) {
    RecordingWindow Window;
    std::promise<void> Waiting;
    auto Ready = Waiting.get_future();
    std::thread Poster([&] {
        Ready.wait();
        EXPECT_TRUE(PostMessageA(Window.Handle(), WM_USER + 5, 9, 0));
    });
    Waiting.set_value();
    const bool Dispatched = HandleMessage(kDeadlineMs);
    Poster.join();
    EXPECT_TRUE(Dispatched);
    ASSERT_EQ(Window.Received.size(), 1u);
    EXPECT_EQ(Window.Received[0].WParam, 9u);
}

TEST(Threads, ManyPostersKeepEachOnesOrder) {
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<int> Next(kThreads, 0);
    int Total = 0;
    bool InOrder = true;
    RecordingWindow Window;
    Window.OnMessage = [&](TMessage& M) {
        const auto Thread = static_cast<int>(M.WParam);
        InOrder = InOrder && M.LParam == Next[Thread];
        Next[Thread] = static_cast<int>(M.LParam) + 1;
        ++Total;
    };
    std::vector<std::thread> Posters;
    for (int T = 0; T < kThreads; ++T) {
        Posters.emplace_back([&, T] {
            for (int I = 0; I < kEach; ++I) {
                while (!PostMessageA(Window.Handle(), WM_USER, static_cast<uintptr_t>(T), I)) {
                    std::this_thread::yield();
                }
            }
        });
    }
    const bool AllArrived = PumpUntil([&] { return Total == kThreads * kEach; });
    for (auto& Poster : Posters) {
        Poster.join();
    }
    EXPECT_TRUE(AllArrived);
    EXPECT_TRUE(InOrder);
    EXPECT_EQ(Window.Received.size(), static_cast<std::size_t>(kThreads * kEach));
}

TEST(Threads, WindowsBelongToTheThreadThatAllocatedThem) {
    std::promise<HWND> Allocated;
    std::promise<void> Posted;
    std::thread::id RanOn;
    std::atomic<int> Received{0};
    std::thread Owner([&] {
        const HWND Wnd = AllocateHWnd([&](TMessage&) {
            RanOn = std::this_thread::get_id();
            ++Received;
        });
        Allocated.set_value(Wnd);
        Posted.get_future().wait();
        HandleMessage(kDeadlineMs);
        DeallocateHWnd(Wnd);
    });
    const std::thread::id OwnerId = Owner.get_id();
    const HWND Wnd = Allocated.get_future().get();
    ASSERT_TRUE(PostMessageA(Wnd, WM_USER, 0, 0));
    ProcessMessages();  // not this thread's window: nothing runs here
    EXPECT_EQ(Received.load(), 0);
    Posted.set_value();
    Owner.join();
    EXPECT_EQ(Received.load(), 1);
    EXPECT_EQ(RanOn, OwnerId);
}

TEST(Threads, WindowsOfAnEndedThreadAreReleased) {
    HWND Wnd = 0;
    std::thread([&] { Wnd = AllocateHWnd([](TMessage&) {}); }).join();
    ASSERT_NE(Wnd, HWND{});
    EXPECT_FALSE(PostMessageA(Wnd, WM_USER, 0, 0));
    EXPECT_EQ(SetTimer(Wnd, 1, 10), 0u);
}

}  // namespace
}  // namespace vorsa
