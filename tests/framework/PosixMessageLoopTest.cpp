// The emulated message queue of POSIX: the descriptor that MessageLoopFd hands out, the
// bound of a thread's queue, and the handles it refuses. (On Windows the queue, its bound
// and its handles are the system's.)
#include <gtest/gtest.h>
#include <poll.h>

#include <cstddef>
#include <vector>

#include "support/RecordingWindow.h"
#include "vorsa/Framework.h"

namespace vorsa {
namespace {

using test::RecordingWindow;

using test::kDeadlineMs;
using test::Ticks;

bool Readable(int Fd, int TimeoutMs = 0) {
    pollfd Poll{Fd, POLLIN, 0};
    return ::poll(&Poll, 1, TimeoutMs) == 1 && (Poll.revents & POLLIN) != 0;
}

TEST(PostedMessages, ToUnknownWindowsFail) {
    EXPECT_FALSE(PostMessageA(0, WM_USER, 0, 0));
    EXPECT_FALSE(PostMessageA(0xDEADBEEF, WM_USER, 0, 0));
    EXPECT_EQ(SetTimer(0xDEADBEEF, 1, 10), 0u);
    EXPECT_FALSE(KillTimer(0, 1));
    DeallocateHWnd(0xDEADBEEF);
}

TEST(PostedMessages, QueueIsBoundedAndAcceptsAgainOnceDrained) {
    RecordingWindow Window;
    for (std::size_t I = 0; I < POSTED_MESSAGE_LIMIT; ++I) {
        ASSERT_TRUE(PostMessageA(Window.Handle(), WM_USER, I, 0)) << I;
    }
    EXPECT_FALSE(PostMessageA(Window.Handle(), WM_USER, 0, 0));
    ProcessMessages();
    ASSERT_EQ(Window.Received.size(), POSTED_MESSAGE_LIMIT);
    EXPECT_EQ(Window.Received.back().WParam, POSTED_MESSAGE_LIMIT - 1);
    EXPECT_TRUE(PostMessageA(Window.Handle(), WM_USER, 0, 0));
    ProcessMessages();
}

TEST(LoopFd, ReadableWhileAMessageIsPostedAndNotOtherwise) {
    RecordingWindow Window;
    const int Fd = MessageLoopFd();
    ASSERT_GE(Fd, 0);
    EXPECT_EQ(MessageLoopFd(), Fd) << "one descriptor per thread";
    ProcessMessages();
    EXPECT_FALSE(Readable(Fd));
    PostMessageA(Window.Handle(), WM_USER, 0, 0);
    PostMessageA(Window.Handle(), WM_USER, 0, 0);
    EXPECT_TRUE(Readable(Fd));
    EXPECT_TRUE(HandleMessage(0));
    EXPECT_TRUE(Readable(Fd)) << "one message still waits";
    ProcessMessages();
    EXPECT_FALSE(Readable(Fd));

    PostMessageA(Window.Handle(), WM_USER, 0, 0);
    Window.Release();
    EXPECT_FALSE(Readable(Fd)) << "releasing the window dropped the message";
}

TEST(LoopFd, ReadableWhenATimerIsDueAndNotBefore) {
    RecordingWindow Window;
    const int Fd = MessageLoopFd();
    ASSERT_NE(SetTimer(Window.Handle(), 1, 600000), 0u);
    EXPECT_FALSE(Readable(Fd, 50));

    ASSERT_NE(SetTimer(Window.Handle(), 1, 20), 0u);
    EXPECT_TRUE(Readable(Fd, kDeadlineMs));
    ProcessMessages();
    EXPECT_EQ(Ticks(Window.Received), 1);
    ASSERT_NE(SetTimer(Window.Handle(), 1, 600000), 0u);
    EXPECT_FALSE(Readable(Fd)) << "the tick was taken and the timer is far off";

    ASSERT_NE(SetTimer(Window.Handle(), 1, 10), 0u);
    ASSERT_TRUE(Readable(Fd, kDeadlineMs));
    EXPECT_TRUE(KillTimer(Window.Handle(), 1));
    EXPECT_FALSE(Readable(Fd)) << "killing the timer drops its due tick";
    ProcessMessages();
    EXPECT_EQ(Ticks(Window.Received), 1);
}

}  // namespace
}  // namespace vorsa
