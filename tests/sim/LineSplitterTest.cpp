// The terminal-side splitter: line ends, prompts, final results, reports and payloads,
// whole or byte by byte.
#include <gtest/gtest.h>

#include "vorsa/sim/LineSplitter.h"

namespace vorsa::sim {
namespace {

using Kind = ModemLine::Kind;

std::vector<ModemLine> Split(std::string_view bytes, bool byteByByte) {
    LineSplitter splitter;
    if (!byteByByte) {
        return splitter.Feed(bytes);
    }
    std::vector<ModemLine> lines;
    for (char c : bytes) {
        std::vector<ModemLine> fresh = splitter.Feed(std::string_view(&c, 1));
        lines.insert(lines.end(), fresh.begin(), fresh.end());
    }
    return lines;
}

class LineSplitterBothWays : public ::testing::TestWithParam<bool> {};

TEST_P(LineSplitterBothWays, ClassifiesAReadReplyAndNeverClassifiesItsText) {
    std::vector<ModemLine> lines = Split(
        "\r\n+CMGR: \"REC READ\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nOK\r\n\r\nOK\r\n",
        GetParam());
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].kind, Kind::Information);
    EXPECT_EQ(lines[1], (ModemLine{Kind::Payload, "OK"})) << "a message that reads OK";
    EXPECT_EQ(lines[2], (ModemLine{Kind::FinalResult, "OK"}));
}

TEST_P(LineSplitterBothWays, FindsThePromptWithoutALineEnd) {
    std::vector<ModemLine> lines = Split("AT+CMGS=18\r\r\n> ", GetParam());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (ModemLine{Kind::Information, "AT+CMGS=18"}));
    EXPECT_EQ(lines[1], (ModemLine{Kind::Prompt, "> "}));
}

TEST_P(LineSplitterBothWays, ReportsAndDirectMessages) {
    std::vector<ModemLine> lines =
        Split("\r\n+CMTI: \"SM\",3\r\n\r\n+CMT: ,24\r\n0791\r\n\r\nRING\r\n", GetParam());
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], (ModemLine{Kind::Report, "+CMTI: \"SM\",3"}));
    EXPECT_EQ(lines[1], (ModemLine{Kind::Report, "+CMT: ,24"}));
    EXPECT_EQ(lines[2], (ModemLine{Kind::Payload, "0791"}));
    EXPECT_EQ(lines[3], (ModemLine{Kind::Report, "RING"}));
}

TEST_P(LineSplitterBothWays, AnEmptyMessageIsAnEmptyPayload) {
    std::vector<ModemLine> lines = Split(
        "\r\n+CMGL: 1,\"REC READ\",\"1\",,\"02/03/04,10:20:30+08\"\r\n\r\n+CMGL: 2,"
        "\"REC READ\",\"1\",,\"02/03/04,10:20:30+08\"\r\nERROR\r\n\r\nOK\r\n",
        GetParam());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], (ModemLine{Kind::Payload, ""}));
    EXPECT_EQ(lines[2].kind, Kind::Information);
    EXPECT_EQ(lines[3], (ModemLine{Kind::Payload, "ERROR"}));
    EXPECT_EQ(lines[4], (ModemLine{Kind::FinalResult, "OK"}));
}

TEST_P(LineSplitterBothWays, DropsNulBytesAndKnowsEveryFinalResult) {
    const char bytes[] =
        "\0\r\nERR\0OR\r\n\r\n+CMS ERROR: 304\r\n\r\n+CME ERROR: 10\r\nNO CARRIER\r\n";
    std::vector<ModemLine> lines = Split(std::string(bytes, sizeof bytes - 1), GetParam());
    ASSERT_EQ(lines.size(), 4u);
    for (const ModemLine& line : lines) {
        EXPECT_EQ(line.kind, Kind::FinalResult) << line.text;
    }
    EXPECT_EQ(lines[0].text, "ERROR");
}

INSTANTIATE_TEST_SUITE_P(WholeAndByteByByte, LineSplitterBothWays, ::testing::Bool());

TEST(LineSplitter, KeepsAnUnfinishedLine) {
    LineSplitter splitter;
    EXPECT_TRUE(splitter.Feed("\r\n+CSQ: 1").empty());
    EXPECT_EQ(splitter.Pending(), "+CSQ: 1");
    EXPECT_EQ(splitter.Feed("5,99\r\n"),
              (std::vector<ModemLine>{{Kind::Information, "+CSQ: 15,99"}}));
    EXPECT_EQ(splitter.Pending(), "");
}

TEST(LineSplitter, APromptInsideAMessageIsText) {
    LineSplitter splitter;
    std::vector<ModemLine> lines =
        splitter.Feed("+CMT: \"1\",,\"02/03/04,10:20:30+08\"\r\n> quoted\r\n");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], (ModemLine{Kind::Payload, "> quoted"}));
}

TEST(LineSplitter, ClassifiesLinesOnTheirOwn) {
    EXPECT_EQ(LineSplitter::Classify("OK"), Kind::FinalResult);
    EXPECT_EQ(LineSplitter::Classify("OKAY"), Kind::Information) << "exact, not a prefix";
    EXPECT_EQ(LineSplitter::Classify("+CMGS: 4"), Kind::Information);
    EXPECT_EQ(LineSplitter::Classify("+CDSI: \"SM\",2"), Kind::Report);
}

}  // namespace
}  // namespace vorsa::sim
