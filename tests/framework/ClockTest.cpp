#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/FakeClock.h"
#include "vorsa/Framework.h"

namespace vorsa {
namespace {

using test::FakeClock;
using test::ScopedClock;

TEST(RealClock, TicksForwardAndSleepWaitsAtLeastTheTimeAsked) {
    const uint32_t Before = GetTickCount();
    Sleep(20);
    const uint32_t Elapsed = GetTickCount() - Before;  // unsigned difference survives a wrap
    EXPECT_GE(Elapsed, 20u);
    EXPECT_LT(Elapsed, 60000u);
    Sleep(0);
}

TEST(ClockReplacement, GetTickCountAndSleepGoThroughTheClockInPlace) {
    FakeClock Clock(5000);
    {
        ScopedClock InPlace(Clock);
        EXPECT_EQ(GetTickCount(), 5000u);
        Sleep(10000);  // returns at once
        EXPECT_EQ(GetTickCount(), 15000u);
        Clock.Advance(7);
        EXPECT_EQ(GetTickCount(), 15007u);
    }
    EXPECT_EQ(Clock.SleepCount(), 1u);
    EXPECT_EQ(Clock.TotalSlept(), 10000u);
    // The real clock is back: sleeping no longer moves the fake one.
    Sleep(1);
    EXPECT_EQ(Clock.TickCount(), 15007u);
}

TEST(ClockReplacement, SetClockReturnsThePreviousAndNullRestoresTheRealOne) {
    FakeClock First(1);
    FakeClock Second(2);
    EXPECT_EQ(SetClock(&First), nullptr);
    EXPECT_EQ(SetClock(&Second), &First);
    EXPECT_EQ(GetTickCount(), 2u);
    EXPECT_EQ(SetClock(nullptr), &Second);
    EXPECT_EQ(SetClock(nullptr), nullptr);

    {
        ScopedClock Outer(First);
        {
            ScopedClock Inner(Second);
            EXPECT_EQ(GetTickCount(), 2u);
        }
        EXPECT_EQ(GetTickCount(), 1u);
    }
    EXPECT_EQ(SetClock(nullptr), nullptr);
}

TEST(FakeClock, WrapsAtTwoToThe32) {
    FakeClock Clock(0xFFFFFFF0u);
    ScopedClock InPlace(Clock);
    const uint32_t Start = GetTickCount();
    Sleep(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    EXPECT_EQ(GetTickCount() - Start, 0x20u);
}

TEST(FakeClock, HookRunsOnEverySleepAtTheNewVirtualTime) {
    FakeClock Clock;
    ScopedClock InPlace(Clock);
    std::vector<uint32_t> Moments;
    Clock.SetSleepHook([&](uint32_t Now) {
        Moments.push_back(Now);
        EXPECT_EQ(GetTickCount(), Now);
    });
    Sleep(50);
    Sleep(0);
    Clock.Advance(100);  // no hook
    Sleep(450);
    EXPECT_EQ(Moments, (std::vector<uint32_t>{50, 50, 600}));
    EXPECT_EQ(Clock.SleepCount(), 3u);

    Clock.SetSleepHook(nullptr);
    Sleep(1);
    EXPECT_EQ(Moments.size(), 3u);
}

TEST(FakeClock, HookMaySleepOnTheClockItself) {
    FakeClock Clock;
    ScopedClock InPlace(Clock);
    int Depth = 0;
    Clock.SetSleepHook([&](uint32_t) {
        if (Depth++ == 0) {
            Sleep(5);
        }
    });
    Sleep(10);
    EXPECT_EQ(GetTickCount(), 15u);
    EXPECT_EQ(Depth, 2);
}

}  // namespace
}  // namespace vorsa
