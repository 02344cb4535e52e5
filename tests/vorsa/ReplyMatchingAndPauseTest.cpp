// The prefix and suffix tests of reply parsing, and the pause that scales with the line
// speed.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "vorsa/VorsaBench.h"

namespace vorsa::test {
namespace {

TEST(ReplyMatching, EmptyPrefixesAndSuffixesAlwaysMatch) {
    EXPECT_TRUE(startWith("", ""));
    EXPECT_TRUE(endWith("OK", ""));
    EXPECT_TRUE(endWith("", ""));
    EXPECT_TRUE(startWith("OK", ""));
}

TEST(ReplyMatching, AffixLongerThanTheStringNeverMatches) {
    EXPECT_FALSE(startWith("O", "OK"));
    EXPECT_FALSE(endWith("K", "OK"));
    EXPECT_FALSE(startWith("", "O"));
    EXPECT_FALSE(endWith("", "K"));
}

TEST(ReplyMatching, BytesCompareExactlyAndCaseMatters) {
    EXPECT_TRUE(startWith("+CPIN: READY\r\n\r\nOK", "+CPIN: READY"));
    EXPECT_FALSE(startWith("+cpin: ready", "+CPIN: READY"));
    EXPECT_TRUE(endWith("\r\nERROR", "ERROR"));
    EXPECT_FALSE(endWith("ERROR\r\n", "ERROR"));
    EXPECT_FALSE(endWith("ok", "OK"));
    EXPECT_TRUE(startWith("OK", "OK"));
    EXPECT_TRUE(endWith("OK", "OK"));
    const std::string WithNul("A\0B", 3);
    EXPECT_TRUE(startWith(WithNul, std::string("A\0", 2)));
    EXPECT_FALSE(startWith(WithNul, "AB"));
}

class LinePause : public ::testing::Test {
  protected:
    uint64_t SleptBy(int32_t N, int32_t Baud) {
        Bench.Vorsa.Baud = Baud;
        const uint64_t Before = Bench.Clock.TotalSlept();
        Bench.Vorsa.wait(N);
        return Bench.Clock.TotalSlept() - Before;
    }

    VorsaBench Bench;
};

TEST_F(LinePause, ScalesWithTheLineSpeedAndTruncates) {
    struct Row {
        int32_t Baud;
        uint64_t Wait50, Wait100, Wait450;
    };
    const Row Table[] = {
        {1200, 100, 200, 900}, {2400, 50, 100, 450}, {4800, 25, 50, 225}, {9600, 12, 25, 112},
        {38400, 3, 6, 28},     {57600, 2, 4, 18},    {115200, 1, 2, 9},
    };
    for (const Row& R : Table) {
        SCOPED_TRACE(R.Baud);
        EXPECT_EQ(SleptBy(50, R.Baud), R.Wait50);
        EXPECT_EQ(SleptBy(100, R.Baud), R.Wait100);
        EXPECT_EQ(SleptBy(450, R.Baud), R.Wait450);
    }
}

TEST_F(LinePause, AboveFiftyTimes2400BaudAStepIsZero) {
    EXPECT_EQ(SleptBy(50, 120000), 1u);
    EXPECT_EQ(SleptBy(50, 120001), 0u);
    EXPECT_EQ(SleptBy(50, 256000), 0u);
}

TEST_F(LinePause, ABaudOfZeroOrBelowSleepsAsAt2400) {
    EXPECT_EQ(SleptBy(50, 0), 50u);
    EXPECT_EQ(SleptBy(450, -9600), 450u);
    EXPECT_EQ(SleptBy(450, std::numeric_limits<int32_t>::min()), 450u);
}

TEST_F(LinePause, ExtremeCountsNeitherOverflowNorSleepBackwards) {
    EXPECT_EQ(SleptBy(-50, 9600), 0u);
    EXPECT_EQ(SleptBy(std::numeric_limits<int32_t>::min(), 9600), 0u);
    // 2^31 - 1 times 2400 does not fit in 32 bits; the quotient does.
    EXPECT_EQ(SleptBy(std::numeric_limits<int32_t>::max(), 9600),
              static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) * 2400 / 9600);
    EXPECT_EQ(SleptBy(std::numeric_limits<int32_t>::max(), 2400),
              static_cast<uint64_t>(std::numeric_limits<int32_t>::max()));
}

}  // namespace
}  // namespace vorsa::test
