// What the gateway reads from modem answers itself (memory usage, registration), and the
// arithmetic of retry backoff and the send rate.
#include <gtest/gtest.h>

#include "vorsa/gateway/ModemReplies.h"
#include "vorsa/gateway/Pacing.h"

namespace vorsa::gateway {
namespace {

TEST(ModemReplies, MemoryUsageOfTheReadMemory) {
    const struct {
        const char* reply;
        int used;
        int total;
    } good[] = {
        {"+CPMS: \"SM\",3,30,\"SM\",3,30,\"SM\",3,30\r\nOK", 3, 30},
        {"\r\n+CPMS: 0,25,0,25,0,25\r\n\r\nOK\r\n", 0, 25},
        {"+CPMS: \"ME\", 12 , 100", 12, 100},
    };
    for (const auto& c : good) {
        const auto usage = ParseMemoryUsage(c.reply);
        ASSERT_TRUE(usage) << c.reply;
        EXPECT_EQ(usage->used, c.used) << c.reply;
        EXPECT_EQ(usage->total, c.total) << c.reply;
    }
    for (const char* bad : {"", "OK", "+CPMS: \"SM\"", "+CPMS: \"SM\",x,30", "+CPMS: 31,30",
                            "+CPMS: \"SM\",-1,30", "+CPMS: \"SM\",1,99999999", "+CPMS:"}) {
        EXPECT_FALSE(ParseMemoryUsage(bad)) << bad;
    }
}

TEST(ModemReplies, RegistrationStatus) {
    EXPECT_EQ(ParseRegistration("+CREG: 0,1\r\nOK"), 1);
    EXPECT_EQ(ParseRegistration("+CREG: 2,5,\"0A1B\",\"0000C351\""), 5);
    for (const char* bad : {"", "+CREG: 1", "+CREG: x,1", "+CREG: 0,", "ERROR"}) {
        EXPECT_FALSE(ParseRegistration(bad)) << bad;
    }
}

TEST(Pacing, BackoffDoublesUpToItsCeiling) {
    EXPECT_EQ(BackoffMs(1, 5000, 300000), 5000);
    EXPECT_EQ(BackoffMs(2, 5000, 300000), 10000);
    EXPECT_EQ(BackoffMs(4, 5000, 300000), 40000);
    EXPECT_EQ(BackoffMs(10, 5000, 300000), 300000);
    EXPECT_EQ(BackoffMs(1000000, 5000, 300000), 300000);  // no overflow on long runs
    EXPECT_EQ(BackoffMs(3, 0, 300000), 0);
}

TEST(Pacing, RateLimiterSpacesSendsEvenly) {
    RateLimiter none(0);
    EXPECT_TRUE(none.Ready(0));
    none.Took(0);
    EXPECT_TRUE(none.Ready(0));

    RateLimiter twelve(12);  // one every 5 s
    EXPECT_TRUE(twelve.Ready(1000));
    twelve.Took(1000);
    EXPECT_FALSE(twelve.Ready(5999));
    EXPECT_EQ(twelve.WaitMs(3000), 3000);
    EXPECT_TRUE(twelve.Ready(6000));
}

}  // namespace
}  // namespace vorsa::gateway
