// Taking apart what ReadSMS and OnReceiveSMS hand over, in both modes, with the shapes
// real modems produce: names beside numbers, alphanumeric senders, empty texts, zones west
// of Greenwich, texts that look like headers.
#include <gtest/gtest.h>

#include "vorsa/cli/MessageFields.h"

namespace vorsa::cli {
namespace {

TEST(ParseReadResult, TextModeSplitsHeaderFieldsFromTheText) {
    const MessageFields m =
        ParseReadResult("REC UNREAD,+40700000000,02/03/04,10:20:30+08\r\nHello\r\nWorld", true);
    EXPECT_EQ(m.status, "REC UNREAD");
    EXPECT_EQ(m.from, "+40700000000");
    EXPECT_EQ(m.name, "");
    EXPECT_EQ(m.time, "02/03/04,10:20:30+08");
    EXPECT_EQ(m.text, "Hello\r\nWorld");
    EXPECT_EQ(m.header, "REC UNREAD,+40700000000,02/03/04,10:20:30+08");
}

TEST(ParseReadResult, TextModeKeepsANameAndCopesWithoutATimeStamp) {
    const MessageFields named =
        ParseReadResult("REC READ,+40700000000,Office,02/03/04,10:20:30-04\r\nHi", true);
    EXPECT_EQ(named.from, "+40700000000");
    EXPECT_EQ(named.name, "Office");
    EXPECT_EQ(named.time, "02/03/04,10:20:30-04");

    const MessageFields unsent = ParseReadResult("STO UNSENT,+40700000000,\r\nDraft", true);
    EXPECT_EQ(unsent.status, "STO UNSENT");
    EXPECT_EQ(unsent.from, "+40700000000");
    EXPECT_EQ(unsent.time, "");
    EXPECT_EQ(unsent.text, "Draft");
}

TEST(ParseReadResult, TextModeEmptyTextComesAsTheRawHeaderLine) {
    const MessageFields m =
        ParseReadResult("\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"", true);
    EXPECT_EQ(m.status, "REC UNREAD");
    EXPECT_EQ(m.from, "+40700000000");
    EXPECT_EQ(m.time, "02/03/04,10:20:30+08");
    EXPECT_EQ(m.text, "");
}

TEST(ParseReadResult, PduModeFindsTheTextAfterTheFixedLengthTimeStamp) {
    const MessageFields m =
        ParseReadResult("REC UNREAD,+40700000000,02/03/04,10:20:30+08Hello", false);
    EXPECT_EQ(m.status, "REC UNREAD");
    EXPECT_EQ(m.from, "+40700000000");
    EXPECT_EQ(m.time, "02/03/04,10:20:30+08");
    EXPECT_EQ(m.text, "Hello");
    EXPECT_EQ(m.header, "REC UNREAD,+40700000000,02/03/04,10:20:30+08");

    const MessageFields west = ParseReadResult("REC READ,Bank, Ltd,24/12/31,23:59:59-12", false);
    EXPECT_EQ(west.from, "Bank, Ltd") << "an alphanumeric sender may hold a comma";
    EXPECT_EQ(west.time, "24/12/31,23:59:59-12");
    EXPECT_EQ(west.text, "");

    const MessageFields echo =
        ParseReadResult("REC READ,+4070,01/01/01,00:00:00+0001/01/01,00:00:00+00", false);
    EXPECT_EQ(echo.time, "01/01/01,00:00:00+00");
    EXPECT_EQ(echo.text, "01/01/01,00:00:00+00") << "a text that looks like a stamp stays text";
}

TEST(ParseReadResult, UnrecognisedShapesKeepEverythingAsText) {
    EXPECT_EQ(ParseReadResult("garbage", false).text, "garbage");
    EXPECT_EQ(ParseReadResult("REC READ,+4070,no stamp", false).text, "REC READ,+4070,no stamp");
    EXPECT_EQ(ParseReadResult("", true).text, "");
}

TEST(ParseReceivedMessage, SplitsSenderAndTimeStampInBothModes) {
    const MessageFields text =
        ParseReceivedMessage("+40700000000,Office,02/03/04,10:20:30+08", "Hello", true);
    EXPECT_EQ(text.status, "");
    EXPECT_EQ(text.from, "+40700000000");
    EXPECT_EQ(text.name, "Office");
    EXPECT_EQ(text.time, "02/03/04,10:20:30+08");
    EXPECT_EQ(text.text, "Hello");

    const MessageFields pdu = ParseReceivedMessage("My, Bank,02/03/04,10:20:30+08", "Hi", false);
    EXPECT_EQ(pdu.from, "My, Bank");
    EXPECT_EQ(pdu.time, "02/03/04,10:20:30+08");

    const MessageFields bare = ParseReceivedMessage("+4070", "x", false);
    EXPECT_EQ(bare.from, "+4070");
    EXPECT_EQ(bare.time, "");
}

}  // namespace
}  // namespace vorsa::cli
