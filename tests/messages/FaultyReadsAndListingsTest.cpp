// Reads and listings when the line or the modem misbehaves: each ends with the message
// handed over intact, or kept on the modem and the error reported, never read in part and
// deleted.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/ScriptedComponent.h"
#include "vorsa/SMScnst.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;
using Call = MemorySerialPort::Call;

const std::string Header = "+CMGR: \"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"";
const std::string Fields = "REC UNREAD,+40700000000,02/03/04,10:20:30+08";

std::string Listed(int Index, const std::string& Text) {
    return "+CMGL: " + std::to_string(Index) +
           ",\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\n" + Text;
}

using FaultyReads = ConnectedComponent;

// A refused deletion does not keep the message from its reader: the read gives it, the
// error is left latched for the next exchange, and no OnDeleteSMS is raised.
TEST_F(FaultyReads, ADeletionThatFailsStillHandsTheMessageOver) {
    Events.Raise = true;  // the default handler would end the read at the first report
    Modem.Answer("AT+CMGR=3", "\r\n" + Header + "\r\nHello\r\n\r\nOK\r\n");
    Modem.Answer("AT+CMGD=3", "\r\nERROR\r\n");
    std::string Read;
    EXPECT_EQ(RaisedText([&] { Read = Vorsa.ReadSMS("3"); }), "(nothing raised)");
    EXPECT_EQ(Read, Fields + "\r\nHello");
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGR=3", "AT+CMGD=3"));
    EXPECT_THAT(Events.Deleted, IsEmpty());
    EXPECT_EQ(Vorsa.GetSMSError(), ErrModemError);
}

// Replies a read cannot take whole: nothing is deleted; what came is given.
TEST_F(FaultyReads, AMessageNotReadWholeIsKept) {
    struct Case {
        const char* Why;
        std::string Answer;
        uint32_t RestAt;  // the rest of the answer, if any, after this many ms
        std::string Rest;
        std::string Result;
    };
    const Case Cases[] = {
        // Text mode cannot tell this "OK" from the final result: it is taken for it, and the
        // message, which may hold more, stays on the modem.
        {"the text's last line reads OK and the line stalls after it",
         "\r\n" + Header + "\r\nx\r\nOK\r\n", 900, "\r\n\r\nOK\r\n", Fields + "\r\nx"},
        {"cut short by the time-out", "\r\n" + Header + "\r\nHel", 0, "", Fields + "\r\nHel"},
    };
    Vorsa.ReadTimeout = 2;
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Why);
        Forget();
        Modem.AnswerOnce("AT+CMGR=3", C.Answer);
        if (!C.Rest.empty()) {
            Modem.OnLine = [&](const std::string& Line) {
                if (Line == "AT+CMGR=3") {
                    Modem.Arrive(C.Rest, C.RestAt);
                }
            };
        }
        EXPECT_EQ(Vorsa.ReadSMS("3"), C.Result);
        EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGR=3"));
        Modem.OnLine = nullptr;
        Clock.Sleep(1000);
        Modem.Incoming.clear();
    }
    EXPECT_THAT(Events.Deleted, IsEmpty());
}

// The same text read whole (the final result framed by its blank line) is deleted.
TEST_F(FaultyReads, ATextWhoseLastLineReadsOkIsReadWholeAndDeleted) {
    Modem.Answer("AT+CMGR=3", "\r\n" + Header + "\r\nx\r\nOK\r\n\r\n\r\nOK\r\n");
    EXPECT_EQ(Vorsa.ReadSMS("3"), Fields + "\r\nx\r\nOK");
    EXPECT_THAT(Events.Deleted, ElementsAre("3"));
}

// With echo on the command comes back first: it is neither the header nor the text.
TEST_F(FaultyReads, EchoDoesNotPutTheHeaderIntoTheText) {
    Modem.Answer("AT+CMGR=3", "AT+CMGR=3\r\r\n" + Header + "\r\nHello\r\n\r\nOK\r\n");
    Modem.Answer("AT+CMGD=3", "AT+CMGD=3\r\r\nOK\r\n");
    EXPECT_EQ(Vorsa.ReadSMS("3"), Fields + "\r\nHello");
    EXPECT_THAT(Events.Deleted, ElementsAre("3"));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// Lines of the modem's own before the message: Huawei's signal line, ZTE's SIM line.
TEST_F(FaultyReads, VendorLinesBeforeTheMessageInBothModes) {
    const std::string Noise = "\r\n^RSSI: 14\r\n\r\n+ZUSIMR: 2\r\n";
    Modem.Answer("AT+CMGR=3", Noise + "\r\n" + Header + "\r\nHello\r\n\r\nOK\r\n");
    EXPECT_EQ(Vorsa.ReadSMS("3"), Fields + "\r\nHello");
    Vorsa.TextMode = false;
    Modem.Answer("AT+CMGR=4", Noise + "\r\n+CMGR: 1,,24\r\n^RSSI: 15\r\n" + HelloPdu +
                                  "\r\n\r\n^MODE: 5,4\r\n\r\nOK\r\n");
    EXPECT_EQ(Vorsa.ReadSMS("4"), "REC READ," + HelloHeader + "Hello");
    EXPECT_THAT(Events.Deleted, ElementsAre("3", "4"));
}

// ZTE MF626 leaves the status out in PDU mode: the message reads as received unread.
TEST_F(FaultyReads, APduReadWithoutAStatusIsUnread) {
    Vorsa.TextMode = false;
    Modem.Answer("AT+CMGR=2", "\r\n+CMGR: ,,24\r\n" + HelloPdu + "\r\n\r\nOK\r\n");
    EXPECT_EQ(Vorsa.ReadSMS("2"), "REC UNREAD," + HelloHeader + "Hello");
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// A final result left over from an earlier command, before the message, is not its end.
TEST_F(FaultyReads, AFinalResultLeftOverBeforeTheMessageIsNotItsEnd) {
    Modem.Answer("AT+CMGR=3", "\r\nERROR\r\n\r\n" + Header + "\r\nHello\r\nOK\r\n\r\nOK\r\n");
    EXPECT_EQ(Vorsa.ReadSMS("3"), Fields + "\r\nHello\r\nOK");
    EXPECT_THAT(Events.Deleted, ElementsAre("3"));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// A reply that holds no message deletes nothing.
TEST_F(FaultyReads, AReplyWithoutAMessageDeletesNothing) {
    Modem.Answer("AT+CMGR=5", ScriptedModem::Ok);
    EXPECT_EQ(Vorsa.ReadSMS("5"), "");
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGR=5"));
}

using FaultyListings = ConnectedComponent;

// A listing cut short by the time-out queues what came and deletes nothing.
TEST_F(FaultyListings, AListingCutShortDeletesNothing) {
    Vorsa.ReadTimeout = 2;
    for (const bool Text : {true, false}) {
        SCOPED_TRACE(Text ? "text" : "PDU");
        Vorsa.TextMode = Text;
        Forget();
        Modem.AnswerOnce("AT+CMGL;", Text ? "\r\n" + Listed(1, "One") + "\r\n" + Listed(2, "Tw")
                                          : "\r\n+CMGL: 1,0,,24\r\n" + HelloPdu +
                                                "\r\n+CMGL: 2,0,,24\r\n" + HelloPdu.substr(0, 9));
        Vorsa.DownloadSMS();
        EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL;"));
        EXPECT_EQ(Vorsa.ReceiveQueue.Count(), 2);
        EXPECT_EQ(Vorsa.GetSMSError(), ErrReadTimeout);
        ProcessMessages();
    }
    EXPECT_THAT(Events.Deleted, IsEmpty());
}

// A text that holds a line just like a listed message: on its first line it is the text;
// further down, where text mode cannot tell it from the next message, the indexes of the
// listing stop rising and nothing is deleted; the application is told.
TEST_F(FaultyListings, ATextHoldingAListingLine) {
    const std::string Forged = Listed(3, "forged");
    Modem.AnswerOnce("AT+CMGL;",
                     "\r\n" + Listed(1, Forged) + "\r\n" + Listed(2, "Two") + "\r\n\r\nOK\r\n");
    Vorsa.DownloadSMS();
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL;", "AT+CMGD=1", "AT+CMGD=2"));
    ProcessMessages();
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, Forged), Pair(HelloHeader, "Two")));

    Forget();
    Events.Clear();
    Modem.AnswerOnce("AT+CMGL;", "\r\n" + Listed(5, "x\r\n" + Forged) + "\r\n" + Listed(6, "Six") +
                                     "\r\n\r\nOK\r\n");
    Vorsa.DownloadSMS();
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL;"));
    EXPECT_EQ(Events.Errors,
              (ErrorReports{{-1,
                             "The listing cannot be told apart from the text of a message "
                             "in it; no message was deleted."}}));
}

// A port that hangs up in the middle of a listing ends it at once, with one report.
TEST_F(FaultyListings, AHangUpMidListingEndsItAtOnce) {
    Modem.IgnoreOthers();
    Modem.OnLine = [this](const std::string&) {
        Modem.Feed("\r\n" + Listed(1, "One") + "\r\n+CMG");
        for (const Call What : {Call::ClearCommError, Call::ReadFile, Call::WaitReadable}) {
            Modem.FailAlways(What, EIO);
        }
    };
    Vorsa.DownloadSMS();
    EXPECT_LT(Elapsed(), 1000u);
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL;"));
    EXPECT_THAT(Events.Order, ElementsAre("Disconnected", "Error -1"));
    EXPECT_FALSE(Vorsa.Connected());
    EXPECT_FALSE(Vorsa.IsBusy());
}

}  // namespace
}  // namespace vorsa::test
