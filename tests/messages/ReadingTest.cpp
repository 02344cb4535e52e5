// ReadSMS and DeleteSMS on the scripted modem: the worked examples, the header shapes of
// both modes, deletion on read, refused and cut-short reads, and refused references.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ScriptedComponent.h"
#include "vorsa/SMScnst.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;

const std::string HelloRead =
    "\r\n+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHello\r\n\r\nOK\r\n";

std::string PduRead(int Status, const std::string& Pdu = HelloPdu) {
    return "\r\n+CMGR: " + std::to_string(Status) + ",,24\r\n" + Pdu + "\r\n\r\nOK\r\n";
}

using ReadingTest = ConnectedComponent;

TEST_F(ReadingTest, TextModeWorkedExampleReadsThenDeletesOnlyWithDeleteOnRead) {
    Modem.Answer("AT+CMGR=3", HelloRead);
    for (const bool Delete : {true, false}) {
        Forget();
        Vorsa.DeleteOnRead = Delete;
        EXPECT_EQ(Vorsa.ReadSMS("3"), "REC UNREAD,+40700000000,02/03/04,10:20:30+08\r\nHello");
        EXPECT_EQ(Modem.Written, Delete ? "AT+CMGR=3\r\nAT+CMGD=3\r\n" : "AT+CMGR=3\r\n");
    }
    EXPECT_THAT(Events.Deleted, ElementsAre("3"));
    EXPECT_TRUE(Events.Errors.empty());
}

// The header is built from the status and the decoded PDU, and the text follows it; a
// status other than 0 reads as read.
TEST_F(ReadingTest, PduModeWorkedExampleBuildsHeaderAndJoinsText) {
    Vorsa.TextMode = false;
    const std::vector<std::string> Expected{"REC UNREAD,", "REC READ,", "REC READ,", "REC READ,"};
    for (int Status = 0; Status <= 3; ++Status) {
        Modem.AnswerOnce("AT+CMGR=7", PduRead(Status));
        EXPECT_EQ(Vorsa.ReadSMS("7"), Expected[Status] + HelloHeader + "Hello") << Status;
    }
    EXPECT_EQ(Modem.Lines(),
              (std::vector<std::string>{"AT+CMGR=7", "AT+CMGD=7", "AT+CMGR=7", "AT+CMGD=7",
                                        "AT+CMGR=7", "AT+CMGD=7", "AT+CMGR=7", "AT+CMGD=7"}));
    EXPECT_THAT(Events.Deleted, ElementsAre("7", "7", "7", "7"));
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(ReadingTest, PduModeFindsThePduWhenTheFinalOkCameInAReadOfItsOwn) {
    Vorsa.TextMode = false;
    // The PDU line ends the first piece; the OK comes a moment later, and the collector
    // joins it to the trimmed PDU.
    Modem.Answer("AT+CMGR=3", "\r\n+CMGR: 0,,24\r\n" + HelloPdu + "\r\n");
    Modem.OnLine = [this](const std::string& Line) {
        if (Line == "AT+CMGR=3") {
            Modem.Arrive("\r\nOK\r\n", 1000);
        }
    };
    EXPECT_EQ(Vorsa.ReadSMS("3"), "REC UNREAD," + HelloHeader + "Hello");
    EXPECT_TRUE(Events.Errors.empty());
    EXPECT_THAT(Events.Deleted, ElementsAre("3"));
}

TEST_F(ReadingTest, TextModeHeaderShapes) {
    Vorsa.DeleteOnRead = false;
    struct Case {
        std::string Reply;
        std::string Result;
    };
    const std::vector<Case> Cases{
        // The alpha field stays.
        {"\r\n+CMGR: \"REC READ\",\"+40700000000\",\"Office\",\"02/03/04,10:20:30+08\"\r\nHi"
         "\r\n\r\nOK\r\n",
         "REC READ,+40700000000,Office,02/03/04,10:20:30+08\r\nHi"},
        // Only the first ",," loses a comma.
        {"\r\n+CMGR: \"REC READ\",\"+4070\",,\"02/03/04,10:20:30+08\",,145\r\nHi\r\n\r\nOK\r\n",
         "REC READ,+4070,02/03/04,10:20:30+08,,145\r\nHi"},
        // Several lines: the inner line breaks stay, one CR LF after the header.
        {"\r\n+CMGR: \"REC UNREAD\",\"+4070\",,\"02/03/04,10:20:30+08\"\r\nOne\r\nTwo\r\n\r\nThree"
         "\r\n\r\nOK\r\n",
         "REC UNREAD,+4070,02/03/04,10:20:30+08\r\nOne\r\nTwo\r\n\r\nThree"},
        // An empty text: no line break is left once OK is trimmed away, so the header is
        // empty and the whole line comes back as it is.
        {"\r\n+CMGR: \"REC UNREAD\",\"+4070\",,\"02/03/04,10:20:30+08\"\r\n\r\n\r\nOK\r\n",
         "\"REC UNREAD\",\"+4070\",,\"02/03/04,10:20:30+08\""},
    };
    for (const Case& C : Cases) {
        Modem.AnswerOnce("AT+CMGR=1", C.Reply);
        EXPECT_EQ(Vorsa.ReadSMS("1"), C.Result);
    }
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_F(ReadingTest, RefusedReadReturnsEmptyAndDeletesNothing) {
    for (const bool Text : {true, false}) {
        Vorsa.TextMode = Text;
        Events.Errors.clear();
        Modem.AnswerOnce("AT+CMGR=4", "\r\nERROR\r\n");
        EXPECT_EQ(Vorsa.ReadSMS("4"), "");
        Modem.AnswerOnce("AT+CMGR=4", "\r\n+CMS ERROR: 321\r\n");
        EXPECT_EQ(Vorsa.ReadSMS("4"), "");
        EXPECT_EQ(Events.ErrorIds(), (std::vector<int32_t>{ErrModemError, 321}));
    }
    EXPECT_EQ(Modem.CountOfLine("AT+CMGD=4"), 0u);
    EXPECT_TRUE(Events.Deleted.empty());
}

TEST_F(ReadingTest, ReadCutShortByTheTimeOutKeepsTheMessage) {
    Vorsa.ReadTimeout = 2;
    Modem.Answer("AT+CMGR=3",
                 "\r\n+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\nHel");
    EXPECT_EQ(Vorsa.ReadSMS("3"), "REC UNREAD,+40700000000,02/03/04,10:20:30+08\r\nHel");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrReadTimeout});

    Vorsa.TextMode = false;
    Modem.Answer("AT+CMGR=5", "\r\n+CMGR: 0,,24\r\n" + HelloPdu);
    EXPECT_EQ(Vorsa.ReadSMS("5"), "REC UNREAD," + HelloHeader + "Hello");

    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGR=3", "AT+CMGR=5"));
    EXPECT_TRUE(Events.Deleted.empty());
}

TEST_F(ReadingTest, PduStatusThatIsNoNumberRaisesAndDeletesNothing) {
    Vorsa.TextMode = false;
    Modem.Answer("AT+CMGR=3", "\r\n+CMGR: X,,24\r\n" + HelloPdu + "\r\n\r\nOK\r\n");
    EXPECT_THROW((void)Vorsa.ReadSMS("3"), EConvertError);
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGR=3"));
    EXPECT_FALSE(Vorsa.IsBusy());
}

TEST_F(ReadingTest, DeleteSmsConfirmedRefusedOrUnanswered) {
    Vorsa.ReadTimeout = 2;
    Modem.AnswerOnce("AT+CMGD=1", "\r\nOK\r\n");
    Modem.AnswerOnce("AT+CMGD=1", "\r\nERROR\r\n");
    Modem.AnswerOnce("AT+CMGD=1", "");

    EXPECT_TRUE(Vorsa.DeleteSMS("1"));
    EXPECT_THAT(Events.Order, ElementsAre("Deleted 1"));
    EXPECT_FALSE(Vorsa.DeleteSMS("1"));
    EXPECT_FALSE(Vorsa.DeleteSMS("1"));
    EXPECT_THAT(Events.Order, ElementsAre("Deleted 1", "Error 1001", "Error 1002"));
    EXPECT_EQ(Modem.Written, "AT+CMGD=1\r\nAT+CMGD=1\r\nAT+CMGD=1\r\n");
}

TEST_F(ReadingTest, ReferenceThatIsNotAStorageIndexIsRefused) {
    const ErrorReport Refusal{-1, "Reference must be a storage index of decimal digits."};
    for (const std::string Reference :
         {"", "3\r\nAT+CMGD=1", "3;+CMGD=4", " 3", "3 ", "-1", "+3", "3a", "\"3\""}) {
        Events.Errors.clear();
        EXPECT_EQ(Vorsa.T_ReadSMS(Reference), "");
        EXPECT_EQ(Vorsa.P_ReadSMS(Reference), "");
        EXPECT_FALSE(Vorsa.DeleteSMS(Reference));
        EXPECT_THAT(Events.Errors, ElementsAre(Refusal, Refusal, Refusal)) << Reference;
    }
    EXPECT_EQ(Modem.Written, "");
    EXPECT_TRUE(Events.Deleted.empty());
}

}  // namespace
}  // namespace vorsa::test
