// The prefix and suffix tests of reply parsing, and the pause that scales with the line
// speed.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

TEST(ReplyMatching, PrefixesAndSuffixesCompareExactBytes) {
    struct Case {
        std::string Text;
        std::string Affix;
        bool Starts;
        bool Ends;
    };
    const Case Cases[] = {
        // An empty affix always matches; one longer than the text never does.
        {"", "", true, true},
        {"OK", "", true, true},
        {"O", "OK", false, false},
        {"K", "OK", false, false},
        {"", "O", false, false},
        {"OK", "OK", true, true},
        // Case matters, and line breaks count.
        {"+CPIN: READY\r\n\r\nOK", "+CPIN: READY", true, false},
        {"+cpin: ready", "+CPIN: READY", false, false},
        {"\r\nERROR", "ERROR", false, true},
        {"ERROR\r\n", "ERROR", true, false},
        {"ok", "OK", false, false},
        // A NUL byte is a byte like any other.
        {std::string("A\0B", 3), std::string("A\0", 2), true, false},
        {std::string("A\0B", 3), "AB", false, false},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE("\"" + C.Text + "\" / \"" + C.Affix + "\"");
        EXPECT_EQ(startWith(C.Text, C.Affix), C.Starts);
        EXPECT_EQ(endWith(C.Text, C.Affix), C.Ends);
    }
}

using LinePause = ScriptedComponent;

// wait(N) sleeps N * 2400 / Baud ms, truncated; above 50 times 2400 baud a short pause is
// nothing; a baud of zero or below counts as 2400; no count overflows or sleeps backwards.
TEST_F(LinePause, ScalesWithTheLineSpeedAndTruncates) {
    constexpr int32_t Most = std::numeric_limits<int32_t>::max();
    constexpr int32_t Least = std::numeric_limits<int32_t>::min();
    struct Case {
        int32_t N;
        int32_t Baud;
        uint64_t Slept;
    };
    const Case Cases[] = {
        {50, 1200, 100},
        {100, 1200, 200},
        {450, 1200, 900},
        {50, 2400, 50},
        {100, 2400, 100},
        {450, 2400, 450},
        {50, 4800, 25},
        {100, 4800, 50},
        {450, 4800, 225},
        {50, 9600, 12},
        {100, 9600, 25},
        {450, 9600, 112},
        {50, 38400, 3},
        {100, 38400, 6},
        {450, 38400, 28},
        {50, 57600, 2},
        {100, 57600, 4},
        {450, 57600, 18},
        {50, 115200, 1},
        {100, 115200, 2},
        {450, 115200, 9},
        {50, 120000, 1},
        {50, 120001, 0},
        {50, 256000, 0},
        {50, 0, 50},
        {450, -9600, 450},
        {450, Least, 450},
        {-50, 9600, 0},
        {Least, 9600, 0},
        // 2^31 - 1 times 2400 does not fit in 32 bits; the quotient does.
        {Most, 9600, static_cast<uint64_t>(Most) * 2400 / 9600},
        {Most, 2400, static_cast<uint64_t>(Most)},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::to_string(C.N) + " at " + std::to_string(C.Baud));
        Vorsa.Baud = C.Baud;
        const uint64_t Before = Clock.TotalSlept();
        Vorsa.wait(C.N);
        EXPECT_EQ(Clock.TotalSlept() - Before, C.Slept);
    }
}

}  // namespace
}  // namespace vorsa::test
