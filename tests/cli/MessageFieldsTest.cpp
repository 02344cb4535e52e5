// Taking apart what ReadSMS and OnReceiveSMS hand over, in both modes, with the shapes
// real modems produce: names beside numbers, alphanumeric senders, empty texts, zones west
// of Greenwich, texts that look like headers.
#include <gtest/gtest.h>

#include "vorsa/cli/MessageFields.h"

namespace vorsa::cli {
namespace {

constexpr bool kText = true;
constexpr bool kPdu = false;

struct Fields {
    const char* status;
    const char* from;
    const char* name;
    const char* time;
    const char* text;
};

void ExpectFields(const MessageFields& m, const Fields& want) {
    EXPECT_EQ(m.status, want.status);
    EXPECT_EQ(m.from, want.from);
    EXPECT_EQ(m.name, want.name);
    EXPECT_EQ(m.time, want.time);
    EXPECT_EQ(m.text, want.text);
}

struct ReadCase {
    const char* what;
    bool textMode;
    const char* result;
    Fields want;
    const char* header = nullptr;  // checked where given
};

// clang-format off
const ReadCase kReadResults[] = {
    {"text mode: the header fields, then the text after the line break", kText,
     "REC UNREAD,+40700000000,02/03/04,10:20:30+08\r\nHello\r\nWorld",
     {"REC UNREAD", "+40700000000", "", "02/03/04,10:20:30+08", "Hello\r\nWorld"},
     "REC UNREAD,+40700000000,02/03/04,10:20:30+08"},
    {"text mode: a name beside the number, a zone west of Greenwich", kText,
     "REC READ,+40700000000,Office,02/03/04,10:20:30-04\r\nHi",
     {"REC READ", "+40700000000", "Office", "02/03/04,10:20:30-04", "Hi"}},
    {"text mode: no time stamp", kText, "STO UNSENT,+40700000000,\r\nDraft",
     {"STO UNSENT", "+40700000000", "", "", "Draft"}},
    {"text mode: an empty text comes as the raw header line", kText,
     "\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"",
     {"REC UNREAD", "+40700000000", "", "02/03/04,10:20:30+08", ""}},
    {"PDU mode: the text follows the fixed-length time stamp", kPdu,
     "REC UNREAD,+40700000000,02/03/04,10:20:30+08Hello",
     {"REC UNREAD", "+40700000000", "", "02/03/04,10:20:30+08", "Hello"},
     "REC UNREAD,+40700000000,02/03/04,10:20:30+08"},
    {"PDU mode: an alphanumeric sender may hold a comma", kPdu,
     "REC READ,Bank, Ltd,24/12/31,23:59:59-12",
     {"REC READ", "Bank, Ltd", "", "24/12/31,23:59:59-12", ""}},
    {"PDU mode: a text that looks like a stamp stays text", kPdu,
     "REC READ,+4070,01/01/01,00:00:00+0001/01/01,00:00:00+00",
     {"REC READ", "+4070", "", "01/01/01,00:00:00+00", "01/01/01,00:00:00+00"}},
    {"unrecognised: no comma", kPdu, "garbage", {"", "", "", "", "garbage"}},
    {"unrecognised: no stamp", kPdu, "REC READ,+4070,no stamp",
     {"", "", "", "", "REC READ,+4070,no stamp"}},
    {"unrecognised: nothing", kText, "", {"", "", "", "", ""}},
};
// clang-format on

TEST(ParseReadResult, SplitsEveryShapeOrKeepsItAllAsText) {
    for (const ReadCase& c : kReadResults) {
        SCOPED_TRACE(c.what);
        const MessageFields m = ParseReadResult(c.result, c.textMode);
        ExpectFields(m, c.want);
        if (c.header != nullptr) {
            EXPECT_EQ(m.header, c.header);
        }
    }
}

TEST(ParseReceivedMessage, SplitsSenderAndTimeStampInBothModes) {
    const struct {
        const char* header;
        const char* body;
        bool textMode;
        Fields want;
    } cases[] = {
        // clang-format off
        {"+40700000000,Office,02/03/04,10:20:30+08", "Hello", kText,
         {"", "+40700000000", "Office", "02/03/04,10:20:30+08", "Hello"}},
        {"My, Bank,02/03/04,10:20:30+08", "Hi", kPdu,
         {"", "My, Bank", "", "02/03/04,10:20:30+08", "Hi"}},
        {"+4070", "x", kPdu, {"", "+4070", "", "", "x"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        ExpectFields(ParseReceivedMessage(c.header, c.body, c.textMode), c.want);
    }
}

}  // namespace
}  // namespace vorsa::cli
