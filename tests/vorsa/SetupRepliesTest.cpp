// The readers of the answers set-up adapts to, on the forms modems word them in: memory
// lists flat, nested or empty; value lists as ranges, single values or both; the routing
// nearest to the wanted one; the entries of an unread listing.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "component/ReplyFields.h"
#include "component/SetupReplies.h"

namespace vorsa::detail {
namespace {

using Names = std::vector<std::string>;

TEST(SetupReplies, AnAnswerLineIsFoundAmongLinesOfTheModemsOwn) {
    const std::string Reply = "^RSSI:18\r\n\r\n+CPIN: SIM PIN\r\n\r\nOK";
    EXPECT_EQ(AnswerLine(Reply, "+CPIN: "), "+CPIN: SIM PIN");
    EXPECT_EQ(AnswerLine("x+CPIN: READY\r\nOK", "+CPIN: "), "") << "only at a line's start";
    EXPECT_EQ(LastLine(Reply + "\r\n\r\n"), "OK");
    EXPECT_EQ(LastLine(""), "");
}

TEST(SetupReplies, MemoryListsInEveryFormAndTheChoiceFromThem) {
    struct Case {
        std::string Line;
        Names Wanted;
        Names Chosen;
    };
    const Case Cases[] = {
        {"+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")",
         {"ME", "ME", "ME"},
         {"ME", "ME", "ME"}},
        {"+CPMS: ((\"SM\",\"BM\",\"SR\"),(\"SM\"))", {"SM", "SM", "SM"}, {"SM", "SM"}},
        {"+CPMS: ((\"SM\",\"BM\",\"SR\"),(\"SM\"))", {"ME", "ME", "ME"}, {"SM", "SM"}},
        {"+CPMS: (\"ME\",\"SM\"),(\"ME\",\"SM\"),(\"MT\")", {"SM", "SM", "SM"}, {"SM", "SM", "MT"}},
        {"+CPMS: ( \"SM\" , \"ME\" ), (\"ME\")", {"ME"}, {"ME", "ME"}},
        {"+CPMS: (),(),()", {"SM"}, {}},
        {"+CPMS: (\"SM\"),(),(\"SM\")", {"SM"}, {"SM"}},
        {"", {"SM"}, {}},
        {"+CPMS: (\"SM", {"SM"}, {}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Line);
        EXPECT_EQ(ChooseMemories(C.Wanted, ParseMemoryLists(C.Line)), C.Chosen);
    }
    EXPECT_EQ(QuotedList({"SM", "ME"}), "\"SM\",\"ME\"");
    EXPECT_EQ(MemoryNames("\"SM_P\",\"ME\""), (Names{"SM_P", "ME"}));
}

TEST(SetupReplies, TheNearestRoutingTheRangesAllow) {
    struct Case {
        std::string Line;
        bool Direct;
        std::optional<std::string> Routing;
    };
    const Case Cases[] = {
        {"+CNMI: (0-3),(0-3),(0,2),(0-2),(0,1)", false, "2,1,0,0,0"},
        {"+CNMI: (0-3),(0-3),(0,2),(0-2),(0,1)", true, "2,2,0,0,0"},
        {"+CNMI: (0,1,3),(0,1,2,3),(0,2),(0,1),(0,1)", false, "3,1,0,0,0"},
        {"+CNMI: (0,1),(0,1,2,3),(0,2),(0,1,2),(0,1)", false, "1,1,0,0,0"},
        {"+CNMI: (1),(0,2),(0),(0),(1)", true, "1,2,0,0,1"},
        {"+CNMI: (2),(1),(2),(0),(0)", false, "2,1"},
        {"+CNMI: (2),(1),(0)", false, "2,1,0"},
        {"+CNMI: (0,1,2),(0,2,3),(0),(0),(0,1)", false, std::nullopt},
        {"+CNMI: (0),(0-3),(0),(0),(0)", false, std::nullopt},
        {"+CNMI: (0-3)", false, std::nullopt},
        {"+CNMI: (0-99999999999),(1)", false, std::nullopt},
        {"", false, std::nullopt},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Line);
        EXPECT_EQ(NearestRouting(C.Direct, ParseValueRanges(C.Line)), C.Routing);
    }
    EXPECT_EQ(RoutingCommand(false), "AT+CNMI=2,1,0,0,0");
    EXPECT_EQ(RoutingCommand(true), "AT+CNMI=2,2,0,0,0");
}

TEST(SetupReplies, ListedIndexesAreTheEntriesAndNoTextThatLooksLikeOne) {
    const std::string Text =
        "+CMGL: 3,\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\n"
        "+CMGL: 4,\"REC READ\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\n"
        "+CMGL: 12,\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\n"
        "+CMGL: x,\"REC UNREAD\"\r\nOK";
    EXPECT_EQ(ListedIndexes(Text, true), (Names{"3", "12"}));
    EXPECT_EQ(ListedIndexes("+CMGL: 2,0,,24\r\n0791\r\n+CMGL: 7,0,,24\r\n0791OK", false),
              (Names{"2", "7"}));
    EXPECT_EQ(ListedIndexes("+CMGL: 1234567890,0,,24", false), Names{}) << "no index that long";
    EXPECT_EQ(ListedIndexes("OK", false), Names{});
}

}  // namespace
}  // namespace vorsa::detail
