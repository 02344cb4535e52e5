#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vorsa/Framework.h"

namespace vorsa {
namespace {

std::vector<std::string> Lines(const TStringList& List) {
    std::vector<std::string> Result;
    for (int I = 0; I < List.Count(); ++I) {
        Result.push_back(List[I]);
    }
    return Result;
}

std::vector<std::string> Split(const std::string& Text) {
    TStringList List;
    List.SetText(Text);
    return Lines(List);
}

using L = std::vector<std::string>;

TEST(StringListText, SplitsAtCrLfLoneCrAndLoneLf) {
    EXPECT_EQ(Split("a\r\nb"), (L{"a", "b"}));
    EXPECT_EQ(Split("a\rb"), (L{"a", "b"}));
    EXPECT_EQ(Split("a\nb"), (L{"a", "b"}));
    EXPECT_EQ(Split("a\r\nb\rc\nd"), (L{"a", "b", "c", "d"}));
    // LF CR is two breaks, not one: the LF ends "a", the CR ends an empty line.
    EXPECT_EQ(Split("a\n\rb"), (L{"a", "", "b"}));
}

TEST(StringListText, FinalBreakGivesNoEmptyLastLine) {
    EXPECT_EQ(Split("Hello\r\nWorld\r\n"), (L{"Hello", "World"}));
    EXPECT_EQ(Split("Hello\r"), (L{"Hello"}));
    EXPECT_EQ(Split("Hello\n"), (L{"Hello"}));
    EXPECT_EQ(Split("\r\n"), (L{""}));
}

TEST(StringListText, TwoBreaksInARowGiveAnEmptyLine) {
    EXPECT_EQ(Split("Hello\r\n\r\nWorld"), (L{"Hello", "", "World"}));
    EXPECT_EQ(Split("a\n\nb"), (L{"a", "", "b"}));
    EXPECT_EQ(Split("a\r\rb"), (L{"a", "", "b"}));
    EXPECT_EQ(Split("\r\n\r\n"), (L{"", ""}));
    EXPECT_EQ(Split("\nx"), (L{"", "x"}));
}

TEST(StringListText, NulEndsTheText) {
    EXPECT_EQ(Split(std::string("ab\0cd", 5)), (L{"ab"}));
    EXPECT_EQ(Split(std::string("ab\r\n\0cd\r\n", 9)), (L{"ab"}));
    EXPECT_EQ(Split(std::string("\0ab", 3)), L{});
}

TEST(StringListText, EmptyTextGivesNoLinesAndReplacesOldEntries) {
    TStringList List;
    List.Add("old");
    List.SetText("");
    EXPECT_EQ(List.Count(), 0);
    List.Add("old");
    List.SetText("new1\r\nnew2");
    EXPECT_EQ(Lines(List), (L{"new1", "new2"}));
}

TEST(StringListText, TextEndsEveryEntryWithCrLf) {
    TStringList List;
    EXPECT_EQ(List.Text(), "");
    List.Add("a");
    List.Add("");
    List.Add("b c");
    EXPECT_EQ(List.Text(), "a\r\n\r\nb c\r\n");
    TStringList Again;
    Again.SetText(List.Text());
    EXPECT_EQ(Lines(Again), Lines(List));
}

TEST(StringList, ServesAsAFirstInFirstOutQueue) {
    TStringList Queue;
    EXPECT_EQ(Queue.Add("+CMTI: \"SM\",1"), 0);
    EXPECT_EQ(Queue.Add("+CMTI: \"SM\",2"), 1);
    EXPECT_EQ(Queue.Count(), 2);
    EXPECT_EQ(Queue.Strings(0), "+CMTI: \"SM\",1");
    Queue.Delete(0);
    EXPECT_EQ(Queue.Add("+CMTI: \"SM\",3"), 1);
    EXPECT_EQ(Queue[0], "+CMTI: \"SM\",2");
    Queue.Delete(0);
    EXPECT_EQ(Queue[0], "+CMTI: \"SM\",3");
    Queue.Delete(0);
    EXPECT_EQ(Queue.Count(), 0);

    // A long run through the queue keeps the order.
    for (int I = 0; I < 10000; ++I) {
        Queue.Add(std::to_string(I));
        if (I % 3 == 2) {
            Queue.Delete(0);
        }
    }
    int Expected = 3333;
    while (Queue.Count() > 0) {
        ASSERT_EQ(Queue[0], std::to_string(Expected++));
        Queue.Delete(0);
    }
    EXPECT_EQ(Expected, 10000);
}

TEST(StringList, DeletesInTheMiddleAndClears) {
    TStringList List;
    List.SetText("a\nb\nc");
    List.Delete(1);
    EXPECT_EQ(Lines(List), (L{"a", "c"}));
    List.Clear();
    EXPECT_EQ(List.Count(), 0);
}

TEST(StringList, IndexOutsideTheListRaises) {
    TStringList List;
    EXPECT_THROW((void)List.Strings(0), EStringListError);
    EXPECT_THROW(List.Delete(0), EStringListError);
    List.Add("x");
    EXPECT_THROW((void)List[1], EStringListError);
    EXPECT_THROW((void)List[-1], EStringListError);
    EXPECT_THROW(List.Delete(-1), EStringListError);
    try {
        (void)List[5];
        FAIL() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), "List index out of bounds (5)");
    }
    EXPECT_EQ(List.Count(), 1);
}

}  // namespace
}  // namespace vorsa
