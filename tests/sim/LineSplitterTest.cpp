// The terminal-side splitter: line ends, prompts, final results, reports and payloads,
// whole or byte by byte.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>

#include "TerminalClient.h"
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

// Bytes from the modem and the lines they split into, described as Describe() does.
struct SplitCase {
    const char* name;
    std::string bytes;
    const char* lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

const char kWithNulBytes[] =
    "\0\r\nERR\0OR\r\n\r\n+CMS ERROR: 304\r\n\r\n+CME ERROR: 10\r\nNO CARRIER\r\n";

const SplitCase kSplitCases[] = {
    // A message that reads OK is text, not a final result.
    {"AReadReplysTextIsNeverClassified",
     "\r\n+CMGR: \"REC READ\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nOK\r\n\r\nOK\r\n",
     "I:+CMGR: \"REC READ\",\"+40700000000\",,\"02/03/04,10:20:30+08\"|D:OK|F:OK"},
    {"ThePromptNeedsNoLineEnd", "AT+CMGS=18\r\r\n> ", "I:AT+CMGS=18|P:> "},
    {"ReportsAndDirectMessages", "\r\n+CMTI: \"SM\",3\r\n\r\n+CMT: ,24\r\n0791\r\n\r\nRING\r\n",
     "R:+CMTI: \"SM\",3|R:+CMT: ,24|D:0791|R:RING"},
    {"AnEmptyMessageIsAnEmptyPayload",
     "\r\n+CMGL: 1,\"REC READ\",\"1\",,\"02/03/04,10:20:30+08\"\r\n\r\n+CMGL: 2,"
     "\"REC READ\",\"1\",,\"02/03/04,10:20:30+08\"\r\nERROR\r\n\r\nOK\r\n",
     "I:+CMGL: 1,\"REC READ\",\"1\",,\"02/03/04,10:20:30+08\"|D:|"
     "I:+CMGL: 2,\"REC READ\",\"1\",,\"02/03/04,10:20:30+08\"|D:ERROR|F:OK"},
    // Status reports: two lines in PDU mode, one in text mode, also when read or listed.
    {"StatusReportsInBothModes",
     "\r\n+CDS: 25\r\n0791\r\n\r\n+CDS: 6,1,\"+40700000001\",145,\"24/06/17,15:00:00+08\","
     "\"24/06/17,15:00:02+08\",0\r\n\r\n+CDSI: \"SM\",1\r\n",
     "R:+CDS: 25|D:0791|R:+CDS: 6,1,\"+40700000001\",145,\"24/06/17,15:00:00+08\","
     "\"24/06/17,15:00:02+08\",0|R:+CDSI: \"SM\",1"},
    {"StoredStatusReportsInTextMode",
     "\r\n+CMGR: \"REC READ\",6,1,\"+1\",145,\"a\",\"b\",0\r\n\r\nOK\r\n\r\n"
     "+CMGL: 2,\"REC READ\",6,1,\"+1\",145,\"a\",\"b\",0\r\n\r\nOK\r\n",
     "I:+CMGR: \"REC READ\",6,1,\"+1\",145,\"a\",\"b\",0|F:OK|"
     "I:+CMGL: 2,\"REC READ\",6,1,\"+1\",145,\"a\",\"b\",0|F:OK"},
    {"NulBytesAreDroppedAndEveryFinalResultIsKnown",
     std::string(kWithNulBytes, sizeof kWithNulBytes - 1),
     "F:ERROR|F:+CMS ERROR: 304|F:+CME ERROR: 10|F:NO CARRIER"},
};

class LineSplitterBothWays : public ::testing::TestWithParam<std::tuple<SplitCase, bool>> {};

TEST_P(LineSplitterBothWays, Splits) {
    const auto& [c, byteByByte] = GetParam();
    EXPECT_EQ(Describe(Split(c.bytes, byteByByte)), c.lines);
}

INSTANTIATE_TEST_SUITE_P(WholeAndByteByByte, LineSplitterBothWays,
                         ::testing::Combine(::testing::ValuesIn(kSplitCases), ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) ? "_ByteByByte" : "_Whole");
                         });

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
