// The readable form of a time stamp.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "vorsa/PDU.h"

namespace vorsa {
namespace {

TEST(FormatDate, SeparatorsFollowThePositionsAndTheZoneSignBitIsWest) {
    const std::pair<std::string, std::string> cases[] = {
        {"01020304050608", "01/02/03,04:05:06+08"},
        {"99123123595900", "99/12/31,23:59:59+00"},
        // Shorter and longer input keeps the separator rule.
        {"", ""},
        {"0", "0"},
        {"01", "01/"},
        {"0102030405", "01/02/03,04:05:"},
        {"010203040506", "01/02/03,04:05:06+"},
        {"0102030405060899", "01/02/03,04:05:06+0899"},
        // Zone octet 29 is read as "92": sign bit set, 12 quarter hours west.
        {"01020304050692", "01/02/03,04:05:06-12"},
        {"01020304050680", "01/02/03,04:05:06-00"},
        {"010203040506A0", "01/02/03,04:05:06-20"},
        {"010203040506D6", "01/02/03,04:05:06-56"},
        {"010203040506F9", "01/02/03,04:05:06-79"},
        {"0102030405069", "01/02/03,04:05:06-1"},
        {"01020304050692FF", "01/02/03,04:05:06-12FF"},
        // First digits up to 7 are east, and so is anything that is no hexadecimal digit.
        {"01020304050679", "01/02/03,04:05:06+79"},
        {"010203040506?2", "01/02/03,04:05:06+?2"},
        {"010203040506a2", "01/02/03,04:05:06+a2"},
    };
    for (const auto& [stamp, shown] : cases) {
        EXPECT_EQ(formatDate(stamp), shown) << '"' << stamp << '"';
    }
}

}  // namespace
}  // namespace vorsa
