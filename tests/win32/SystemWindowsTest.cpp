// The window services on Windows: real message-only windows, the system's timers and
// message queue, so that an application's own GetMessage loop raises every event, and the
// handle that MessageLoopHandle gives for loops that wait on handles.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/PostToWindow.h"
#include "support/RecordingWindow.h"
#include "support/ScriptedComponent.h"
#include "vorsa/Framework.h"

namespace vorsa::test {
namespace {

// Generous: waits end as soon as the awaited event happens.
constexpr DWORD kDeadlineMs = 10000;

bool Signalled(HANDLE Handle, DWORD TimeoutMs = 0) {
    return ::WaitForSingleObject(Handle, TimeoutMs) == WAIT_OBJECT_0;
}

TEST(SystemWindows, AHiddenWindowIsAMessageOnlyWindowOfTheLibrarysClass) {
    RecordingWindow Window;
    ASSERT_TRUE(::IsWindow(Window.Handle()));
    char ClassName[64] = {};
    ASSERT_GT(::GetClassNameA(Window.Handle(), ClassName, sizeof ClassName), 0);
    EXPECT_STREQ(ClassName, "VorsaHiddenWindow");
    EXPECT_FALSE(::IsWindowVisible(Window.Handle()));
    // Message-only windows are children of HWND_MESSAGE, where FindWindowEx looks for them.
    EXPECT_NE(::FindWindowExA(HWND_MESSAGE, nullptr, "VorsaHiddenWindow", nullptr), nullptr);
    const HWND Handle = Window.Handle();
    Window.Release();
    EXPECT_FALSE(::IsWindow(Handle));
}

TEST(SystemWindows, ANullWindowIsRefusedRatherThanTakenForTheThread) {
    EXPECT_EQ(SetTimer(HWND{}, 5, 10), 0u) << "no thread timer is made";
    EXPECT_FALSE(detail::PostToWindow(HWND{}, WM_USER, 0, 0)) << "no thread message is posted";
    EXPECT_FALSE(HandleMessage(60));
}

TEST(SystemWindows, ALoopLeavesWmQuitForTheApplicationAfterTheMessagesBeforeIt) {
    RecordingWindow Window;
    Window.Post({1});
    ::PostQuitMessage(7);
    ProcessMessages();
    EXPECT_EQ(Window.Numbers(), std::vector<uint32_t>{WM_USER + 1});
    EXPECT_FALSE(HandleMessage(0));
    MSG Message{};
    ASSERT_TRUE(::PeekMessageA(&Message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(Message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(Message.wParam, 7u);
}

// The application's own loop, as a GUI program runs it: nothing of vorsa is called while
// the component's timer polls the modem and the queued reports turn into events.
class ApplicationLoop : public ConnectedComponent {
  protected:
    static void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD) { ::PostQuitMessage(1); }

    /// Runs GetMessage and DispatchMessage until a handler posts WM_QUIT; false when the
    /// deadline posted it instead.
    static bool RunUntilQuit() {
        const UINT_PTR Deadline = ::SetTimer(nullptr, 0, kDeadlineMs, &GiveUp);
        MSG Message{};
        while (::GetMessageA(&Message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&Message);
            ::DispatchMessageA(&Message);
        }
        ::KillTimer(nullptr, Deadline);
        return Message.wParam == 0;
    }
};

TEST_F(ApplicationLoop, RaisesEveryEventWithoutACallIntoTheLibrary) {
    auto QuitWhenAllCame = [this] {
        if (Events.Notified.size() == 1 && Events.Sent.size() == 1 && Events.Received.size() == 1) {
            ::PostQuitMessage(0);
        }
    };
    Vorsa.OnNotifySMS = [&](TObject*, std::string Mem, std::string Reference) {
        Events.Notified.emplace_back(Mem, Reference);
        QuitWhenAllCame();
    };
    Vorsa.OnSentSMS = [&](TObject*, std::string Reference) {
        Events.Sent.push_back(Reference);
        QuitWhenAllCame();
    };
    Vorsa.OnReceiveSMS = [&](TObject*, std::string Header, std::string Body) {
        Events.Received.emplace_back(Header, Body);
        QuitWhenAllCame();
    };
    // The polling timer ticks every 20 ms instead of every hour.
    ASSERT_NE(SetTimer(Vorsa.WindowHandle(), 1, 20), 0u);
    Modem.Arrive(
        "\r\n+CMTI: \"SM\",3\r\n\r\n+CMGS: 45\r\n\r\n"
        "+CMT: \"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n");

    ASSERT_TRUE(RunUntilQuit()) << "the events did not all come";
    EXPECT_EQ(Modem.Lines(), std::vector<std::string>{"AT"}) << "one poll collected them";
    EXPECT_EQ(Events.Notified, (std::vector<std::pair<std::string, std::string>>{{"SM", "3"}}));
    EXPECT_EQ(Events.Sent, std::vector<std::string>{"45"});
    ASSERT_EQ(Events.Received.size(), 1u);
    EXPECT_EQ(Events.Received[0].first, "+40700000000,02/03/04,10:20:30+08");
    EXPECT_EQ(Events.Received[0].second, "Hello");
    EXPECT_TRUE(Events.Errors.empty());
}

TEST(LoopHandle, SignalledWhileAPostedMessageWaitsAndClearedByTheLoop) {
    EXPECT_EQ(MessageLoopFd(), -1) << "Windows waits on handles";
    RecordingWindow Window;
    const HANDLE Handle = MessageLoopHandle();
    ASSERT_NE(Handle, nullptr);
    EXPECT_EQ(MessageLoopHandle(), Handle) << "one handle per thread";
    ProcessMessages();
    EXPECT_FALSE(Signalled(Handle));

    ASSERT_TRUE(detail::PostToWindow(Window.Handle(), WM_USER + 1, 0, 0));
    ASSERT_TRUE(detail::PostToWindow(Window.Handle(), WM_USER + 2, 0, 0));
    EXPECT_TRUE(Signalled(Handle));
    EXPECT_TRUE(HandleMessage(0));
    EXPECT_TRUE(Signalled(Handle)) << "one message still waits";
    ProcessMessages();
    EXPECT_EQ(Window.Numbers(), (std::vector<uint32_t>{WM_USER + 1, WM_USER + 2}));
    EXPECT_FALSE(Signalled(Handle));
}

TEST(LoopHandle, APostFromAnotherThreadWakesAWaitOnIt) {
    RecordingWindow Window;
    const HANDLE Handle = MessageLoopHandle();
    ProcessMessages();
    std::thread Poster([&] { EXPECT_TRUE(detail::PostToWindow(Window.Handle(), WM_USER, 9, 0)); });
    const bool Woke = Signalled(Handle, kDeadlineMs);
    Poster.join();
    ASSERT_TRUE(Woke);
    ProcessMessages();
    ASSERT_EQ(Window.Received.size(), 1u);
    EXPECT_EQ(Window.Received[0].WParam, 9u);
}

TEST(LoopHandle, SignalledWhenATimerTickIsDueAndQuietOnceTheTimerIsGone) {
    RecordingWindow Window;
    const HANDLE Handle = MessageLoopHandle();
    ASSERT_NE(SetTimer(Window.Handle(), 1, 600000), 0u);
    EXPECT_FALSE(Signalled(Handle, 50));

    ASSERT_NE(SetTimer(Window.Handle(), 1, 30), 0u);
    ASSERT_TRUE(Signalled(Handle, kDeadlineMs));
    // The system may raise the tick a clock interrupt after its time: the handle is set
    // again shortly until it is there.
    for (int Wakes = 0; Window.Received.empty() && Wakes < 1000; ++Wakes) {
        ASSERT_TRUE(Signalled(Handle, kDeadlineMs));
        ProcessMessages();
    }
    ASSERT_EQ(Window.Numbers(), std::vector<uint32_t>{WM_TIMER});

    // Killed with the system's KillTimer: the handle stops waking for its ticks.
    ASSERT_TRUE(KillTimer(Window.Handle(), 1));
    int Wakes = 0;
    while (Signalled(Handle, 1000) && Wakes < 1000) {
        ProcessMessages();
        ++Wakes;
    }
    EXPECT_LT(Wakes, 1000) << "still signalled for a killed timer";
    EXPECT_EQ(Window.Numbers(), std::vector<uint32_t>{WM_TIMER});
}

}  // namespace
}  // namespace vorsa::test
