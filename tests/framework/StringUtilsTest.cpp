#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "vorsa/Framework.h"

namespace vorsa {
namespace {

constexpr int64_t kHuge = std::numeric_limits<int64_t>::max();
constexpr int64_t kMost = std::numeric_limits<int64_t>::min();

TEST(Trim, RemovesCodesUpTo32AtBothEndsOnly) {
    EXPECT_EQ(Trim("  \r\n\tOK\r\n "), "OK");
    EXPECT_EQ(Trim(std::string("\0\x01 a b \x1f\x20", 8)), "a b");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim(" \r\n "), "");
    EXPECT_EQ(Trim("x"), "x");
    // Bytes from 128 up are characters of the code page, not blanks.
    EXPECT_EQ(Trim("\xA0\xE9 "), "\xA0\xE9");
    EXPECT_EQ(Trim("\x7F"), "\x7F");
}

TEST(StrToInt, ReadsAnOptionalSignAndDigits) {
    EXPECT_EQ(StrToInt("0"), 0);
    EXPECT_EQ(StrToInt("500"), 500);
    EXPECT_EQ(StrToInt("+17"), 17);
    EXPECT_EQ(StrToInt("-17"), -17);
    EXPECT_EQ(StrToInt("-0"), 0);
    EXPECT_EQ(StrToInt("007"), 7);
    EXPECT_EQ(StrToInt("000000000000000000000000042"), 42);
    EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, RaisesOnAnythingElse) {
    for (const char* Text :
         {"", "+", "-", "abc", "12a", "a12", " 12", "12 ", "1 2", "--1", "+-1", "1.0", "0x10",
          "$10", "2147483648", "-2147483649", "99999999999999999999", "4294967296", "\r\n5"}) {
        EXPECT_THROW((void)StrToInt(Text), EConvertError) << '"' << Text << '"';
    }
    EXPECT_THROW((void)StrToInt(std::string("5\0", 2)), EConvertError);
}

TEST(StrToInt, MessageNamesTheText) {
    try {
        (void)StrToInt("abc");
        FAIL() << "no exception";
    } catch (const EConvertError& E) {
        EXPECT_EQ(E.Message(), "'abc' is not a valid integer value");
        EXPECT_STREQ(E.what(), "'abc' is not a valid integer value");
    }
}

TEST(IntToStr, GivesDecimalTextWithMinusForNegative) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-1), "-1");
    EXPECT_EQ(IntToStr(int32_t{1000}), "1000");
    EXPECT_EQ(IntToStr(INT32_MIN), "-2147483648");
    EXPECT_EQ(IntToStr(int64_t{INT64_MIN}), "-9223372036854775808");
    EXPECT_EQ(IntToStr(uint32_t{4294967295u}), "4294967295");
}

TEST(IntToHex, UpperCaseWithAtLeastTheDigitsAskedAndNegativesInTwosComplement) {
    EXPECT_EQ(IntToHex(0, 2), "00");
    EXPECT_EQ(IntToHex(10, 2), "0A");
    EXPECT_EQ(IntToHex(255, 2), "FF");
    EXPECT_EQ(IntToHex(0xABC, 2), "ABC");
    EXPECT_EQ(IntToHex(0x1F, 4), "001F");
    EXPECT_EQ(IntToHex(7, 0), "7");
    EXPECT_EQ(IntToHex(7, -3), "7");
    EXPECT_EQ(IntToHex(0, 0), "0");
    // Negative values take the width of their type.
    EXPECT_EQ(IntToHex(int32_t{-1}, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(int64_t{-2}, 2), "FFFFFFFFFFFFFFFE");
    EXPECT_EQ(IntToHex(INT32_MIN, 2), "80000000");
    EXPECT_EQ(IntToHex(uint8_t{0xFE}, 2), "FE");
}

TEST(StringReplace, ReplacesTheFirstOccurrenceOnlyAndCaseSensitively) {
    EXPECT_EQ(StringReplace("+CMGL: 1\r\n+CMGL: 2", "+CMGL: ", "+CMT: "), "+CMT: 1\r\n+CMGL: 2");
    EXPECT_EQ(StringReplace("abc", "B", "x"), "abc");
    EXPECT_EQ(StringReplace("abcb", "b", ""), "acb");
    EXPECT_EQ(StringReplace("aaa", "aa", "a"), "aa");
    EXPECT_EQ(StringReplace("abc", "", "x"), "abc");
    EXPECT_EQ(StringReplace("", "a", "x"), "");
    EXPECT_EQ(StringReplace("abc", "abc", "xyz123"), "xyz123");
    EXPECT_EQ(StringReplace("abc", "abcd", "x"), "abc");
}

TEST(Pos, IsOneBasedAndZeroWhenAbsent) {
    EXPECT_EQ(Pos("+CMTI: ", "+CMTI: \"SM\",3"), 1);
    EXPECT_EQ(Pos("\r\n\r\n", "x\r\n\r\nOK"), 2);
    EXPECT_EQ(Pos("b", "abcb"), 2);
    EXPECT_EQ(Pos("z", "abc"), 0);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Pos("", ""), 0);
    EXPECT_EQ(Pos("abcd", "abc"), 0);
    EXPECT_EQ(Pos("c", "abc"), 3);
    EXPECT_EQ(Pos(std::string("\0", 1), std::string("a\0b", 3)), 2);
}

// {index, count, result} on "Hello".
struct Slice {
    int64_t Index;
    int64_t Count;
    const char* Result;
};

TEST(Copy, ClampsAtTheEndsOfTheStringAndCountsAnIndexBelowOneAsOne) {
    for (const Slice& C :
         {Slice{1, 5, "Hello"}, Slice{2, 3, "ell"}, Slice{4, 10, "lo"}, Slice{5, 1, "o"},
          Slice{6, 1, ""}, Slice{100, 1, ""}, Slice{2, 0, ""}, Slice{2, -1, ""},
          Slice{2, kMost, ""}, Slice{2, kHuge, "ello"}, Slice{kHuge, kHuge, ""}, Slice{0, 2, "He"},
          Slice{-5, 2, "He"}, Slice{kMost, kHuge, "Hello"}}) {
        EXPECT_EQ(Copy("Hello", C.Index, C.Count), C.Result) << C.Index << ", " << C.Count;
    }
    EXPECT_EQ(Copy("", 1, 1), "");
}

TEST(Delete, ClampsAtTheEndAndIgnoresPositionsOutsideTheString) {
    // Start before position 1 or past the end, or count below 1: nothing is deleted.
    for (const Slice& C :
         {Slice{1, 1, "ello"}, Slice{2, 3, "Ho"}, Slice{5, 1, "Hell"}, Slice{4, 10, "Hel"},
          Slice{1, kHuge, ""}, Slice{3, kHuge, "He"}, Slice{0, 2, "Hello"}, Slice{-1, 3, "Hello"},
          Slice{kMost, kHuge, "Hello"}, Slice{6, 1, "Hello"}, Slice{kHuge, kHuge, "Hello"},
          Slice{2, 0, "Hello"}, Slice{2, -4, "Hello"}}) {
        std::string S = "Hello";
        Delete(S, C.Index, C.Count);
        EXPECT_EQ(S, C.Result) << C.Index << ", " << C.Count;
    }
    std::string Empty;
    Delete(Empty, 1, 1);
    EXPECT_EQ(Empty, "");
}

TEST(Delete, CutsAReportWithTheLineBreakBeforeIt) {
    // The way reports are cut out of a modem reply: the report and the CR LF in front.
    std::string Reply = "\r\n+CMGS: 12\r\n\r\nOK";
    const int64_t Marker = Pos("+CMGS: ", Reply);
    const int64_t Length = Pos("\r\n\r\n", Reply) - Marker;
    EXPECT_EQ(Copy(Reply, Marker, Length), "+CMGS: 12");
    Delete(Reply, Marker - 2, Length + 2);
    EXPECT_EQ(Reply, "\r\n\r\nOK");
}

}  // namespace
}  // namespace vorsa
