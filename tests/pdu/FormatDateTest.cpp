// The readable form of a time stamp.
#include <gtest/gtest.h>

#include <string>

#include "vorsa/PDU.h"

namespace vorsa {
namespace {

TEST(FormatDate, FourteenDigits) {
    EXPECT_EQ(formatDate("01020304050608"), "01/02/03,04:05:06+08");
    EXPECT_EQ(formatDate("99123123595900"), "99/12/31,23:59:59+00");
    EXPECT_EQ(formatDate("01020304050608").size(), 20u);
}

TEST(FormatDate, ShorterAndLongerInputKeepsTheSeparatorRule) {
    EXPECT_EQ(formatDate(""), "");
    EXPECT_EQ(formatDate("0"), "0");
    EXPECT_EQ(formatDate("01"), "01/");
    EXPECT_EQ(formatDate("0102030405"), "01/02/03,04:05:");
    EXPECT_EQ(formatDate("010203040506"), "01/02/03,04:05:06+");
    EXPECT_EQ(formatDate("0102030405060899"), "01/02/03,04:05:06+0899");
}

TEST(FormatDate, ZoneWithTheSignBitIsWest) {
    // Zone octet 29 is read as "92": sign bit set, 12 quarter hours west.
    EXPECT_EQ(formatDate("01020304050692"), "01/02/03,04:05:06-12");
    EXPECT_EQ(formatDate("01020304050680"), "01/02/03,04:05:06-00");
    EXPECT_EQ(formatDate("010203040506A0"), "01/02/03,04:05:06-20");
    EXPECT_EQ(formatDate("010203040506D6"), "01/02/03,04:05:06-56");
    EXPECT_EQ(formatDate("010203040506F9"), "01/02/03,04:05:06-79");
    EXPECT_EQ(formatDate("0102030405069"), "01/02/03,04:05:06-1");
    EXPECT_EQ(formatDate("01020304050692FF"), "01/02/03,04:05:06-12FF");
    // First digits up to 7 are east, and so is anything that is no hexadecimal digit.
    EXPECT_EQ(formatDate("01020304050679"), "01/02/03,04:05:06+79");
    EXPECT_EQ(formatDate("010203040506?2"), "01/02/03,04:05:06+?2");
    EXPECT_EQ(formatDate("010203040506a2"), "01/02/03,04:05:06+a2");
}

}  // namespace
}  // namespace vorsa
