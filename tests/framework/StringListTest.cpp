#include <gtest/gtest.h>

#include <string>
#include <utility>
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

using L = std::vector<std::string>;

TEST(StringListText, SetTextSplitsAtCrLfLoneCrAndLoneLf) {
    const std::pair<std::string, L> Cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        // LF CR is two breaks, not one: the LF ends "a", the CR ends an empty line.
        {"a\n\rb", {"a", "", "b"}},
        // A final break gives no empty last line.
        {"Hello\r\nWorld\r\n", {"Hello", "World"}},
        {"Hello\r", {"Hello"}},
        {"Hello\n", {"Hello"}},
        {"\r\n", {""}},
        // Two breaks in a row give an empty line.
        {"Hello\r\n\r\nWorld", {"Hello", "", "World"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"\r\n\r\n", {"", ""}},
        {"\nx", {"", "x"}},
        // NUL ends the text.
        {std::string("ab\0cd", 5), {"ab"}},
        {std::string("ab\r\n\0cd\r\n", 9), {"ab"}},
        {std::string("\0ab", 3), {}},
    };
    for (const auto& [Text, Expected] : Cases) {
        TStringList List;
        List.SetText(Text);
        EXPECT_EQ(Lines(List), Expected) << '"' << Text << '"';
    }
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
