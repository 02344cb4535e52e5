// OnMessage on the scripted modem: the parts of long messages come by every road a modem
// has (stored and announced, forwarded, listed), in any order, repeated or one missing,
// and the application gets each message once, whole, or incomplete after the time-out;
// stored parts are deleted only after it has the message.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/IncomingParts.h"
#include "support/SampleTexts.h"
#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kAlice = "+40700000011";
const std::string kBob = "+40700000022";
// Three parts in the GSM alphabet, the last one short.
const std::string kLong = interop::repeated("Part of a long message. ", 14);

class MessageAssemblyTest : public ConnectedComponent {
  protected:
    void SetUp() override {
        ConnectedComponent::SetUp();
        Vorsa.TextMode = false;
        Vorsa.OnMessage = [this](TObject*, const SmsMessage& Message) {
            Messages.push_back(Message);
            Events.Order.push_back("Message " + Message.text.substr(0, 8));
        };
        Modem.ClearLines();
    }

    void Tick() {
        TMessage Message{WM_TIMER, 1, 0, 0};
        Vorsa.TimerWndProc(Message);
        ProcessMessages();
    }
    // A part forwarded by the modem, collected at the next tick.
    void Forward(const std::string& Pdu) {
        Modem.Arrive(ForwardedReport(Pdu));
        Tick();
    }
    // A part stored at Index and announced; the component reads it at the next tick.
    void Store(int Index, const std::string& Pdu) {
        Modem.Answer("AT+CMGR=" + std::to_string(Index), ReadReply(Pdu));
        Modem.Arrive("\r\n+CMTI: \"SM\"," + std::to_string(Index) + "\r\n");
        Tick();
    }
    std::vector<std::string> Deletions() const {
        std::vector<std::string> Lines;
        for (const std::string& Line : Modem.Lines()) {
            if (Line.rfind("AT+CMGD=", 0) == 0) {
                Lines.push_back(Line);
            }
        }
        return Lines;
    }

    std::vector<SmsMessage> Messages;
};

TEST_F(MessageAssemblyTest, ForwardedPartsOutOfOrderAndRepeatedMakeOneMessage) {
    const std::vector<std::string> Parts = IncomingPdus(kAlice, kLong, 7);
    ASSERT_EQ(Parts.size(), 3u);
    for (const int Place : {3, 1, 1, 3, 2, 2}) {
        Forward(Parts[Place - 1]);
    }
    ASSERT_EQ(Messages.size(), 1u);
    const SmsMessage& Message = Messages.front();
    EXPECT_EQ(Message.text, kLong);
    EXPECT_EQ(Message.sender, kAlice);
    EXPECT_TRUE(Message.complete);
    EXPECT_EQ(Message.partsExpected, 3);
    EXPECT_EQ(Message.partsReceived, 3);
    EXPECT_EQ(Message.concatReference, 7);
    EXPECT_EQ(Message.timeStamp, "24/06/17,15:00:53+08");
    ASSERT_EQ(Message.parts.size(), 3u);
    for (const StoredPart& Part : Message.parts) {
        EXPECT_EQ(Part.index, 0);  // forwarded parts are not stored
    }
    EXPECT_THAT(Events.Received, IsEmpty());  // OnMessage takes the place of OnReceiveSMS
    EXPECT_THAT(Deletions(), IsEmpty());
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_F(MessageAssemblyTest, StoredPartsAreDeletedOnlyAfterTheApplicationHasTheMessage) {
    const std::vector<std::string> Parts = IncomingPdus(kAlice, kLong, 8);
    Store(5, Parts[1]);
    Store(7, Parts[0]);
    Store(6, Parts[1]);  // the same part stored twice: its copy goes at once
    EXPECT_THAT(Messages, IsEmpty());
    EXPECT_THAT(Deletions(), ElementsAre("AT+CMGD=6"));
    Store(9, Parts[2]);

    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages.front().text, kLong);
    std::vector<int> Indexes;
    for (const StoredPart& Part : Messages.front().parts) {
        EXPECT_EQ(Part.memory, "SM");
        Indexes.push_back(Part.index);
    }
    EXPECT_THAT(Indexes, ElementsAre(7, 5, 9));  // in the order of the parts
    EXPECT_THAT(Deletions(), ElementsAre("AT+CMGD=6", "AT+CMGD=7", "AT+CMGD=5", "AT+CMGD=9"));
    // The message first, then its deletions.
    EXPECT_THAT(Events.Order, ElementsAre("Deleted 6", "Message Part of ", "Deleted 7", "Deleted 5",
                                          "Deleted 9"));
    EXPECT_THAT(Events.Notified, IsEmpty());  // the component read them itself
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_F(MessageAssemblyTest, PartsComeByEveryRoadAndOnlyStoredOnesAreDeleted) {
    const std::vector<std::string> Parts = IncomingPdus(kAlice, kLong, 9);
    Store(4, Parts[0]);
    Forward(Parts[1]);
    Modem.Answer("AT+CMGL;", "\r\n" + ListedEntry(11, Parts[2], 0) + "\r\nOK\r\n");
    Vorsa.DownloadSMS();

    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages.front().text, kLong);
    EXPECT_THAT(Deletions(), ElementsAre("AT+CMGD=4", "AT+CMGD=11"));
    EXPECT_THAT(Events.Received, IsEmpty());
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_F(MessageAssemblyTest, AMissingPartIsHandedOverIncompleteAtTheTimeOutAndNotBefore) {
    Vorsa.ReassemblyTimeout = 60;
    const std::vector<std::string> Parts = IncomingPdus(kAlice, kLong, 10);
    Store(1, Parts[0]);
    Store(3, Parts[2]);
    Clock.Advance(59 * 1000);
    Tick();
    EXPECT_THAT(Messages, IsEmpty());
    EXPECT_THAT(Deletions(), IsEmpty());

    Clock.Advance(2 * 1000);
    Tick();
    ASSERT_EQ(Messages.size(), 1u);
    const SmsMessage& Message = Messages.front();
    EXPECT_FALSE(Message.complete);
    EXPECT_THAT(Message.missing, ElementsAre(2));
    EXPECT_EQ(Message.partsExpected, 3);
    EXPECT_EQ(Message.partsReceived, 2);
    EXPECT_EQ(Message.text, kLong.substr(0, 153) + kLong.substr(306));
    EXPECT_THAT(Deletions(), ElementsAre("AT+CMGD=1", "AT+CMGD=3"));
}

TEST_F(MessageAssemblyTest, InterleavedMessagesOfOneSenderAndOneReferenceOfTwoSendersStayApart) {
    const std::string Other = interop::repeated("Another text, also long. ", 9);
    const std::vector<std::string> First = IncomingPdus(kAlice, kLong, 1);
    const std::vector<std::string> Second = IncomingPdus(kAlice, Other, 2);
    const std::vector<std::string> Bobs = IncomingPdus(kBob, kLong, 1);
    Forward(First[0]);
    Forward(Second[1]);
    Forward(Bobs[2]);
    Forward(Second[0]);
    Forward(First[1]);
    Forward(Bobs[0]);
    Forward(Bobs[1]);
    Forward(First[2]);

    ASSERT_EQ(Messages.size(), 3u);
    EXPECT_EQ(Messages[0].sender, kAlice);
    EXPECT_EQ(Messages[0].text, Other);
    EXPECT_EQ(Messages[1].sender, kBob);
    EXPECT_EQ(Messages[1].text, kLong);
    EXPECT_EQ(Messages[2].sender, kAlice);
    EXPECT_EQ(Messages[2].text, kLong);
}

TEST_F(MessageAssemblyTest, WithoutDeleteOnReadNothingIsDeletedAndFlushHandsOverWhatWaits) {
    Vorsa.DeleteOnRead = false;
    const std::vector<std::string> Parts = IncomingPdus(kAlice, kLong, 11);
    Store(2, Parts[0]);
    Store(8, Parts[0]);  // a copy
    Forward(IncomingPdus(kBob, "Short one", 0).front());
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages.front().text, "Short one");

    Vorsa.FlushPendingMessages();
    ASSERT_EQ(Messages.size(), 2u);
    EXPECT_FALSE(Messages.back().complete);
    EXPECT_THAT(Messages.back().missing, ElementsAre(2, 3));
    EXPECT_THAT(Deletions(), IsEmpty());
}

// Without OnMessage the classic events stay as they were: each part of a long message is
// a message of its own, its text without the concatenation header.
TEST_F(MessageAssemblyTest, ClassicEventsGiveEachPartOnItsOwn) {
    Vorsa.OnMessage = nullptr;
    const std::vector<std::string> Parts = IncomingPdus(kAlice, kLong, 12);
    Forward(Parts[1]);
    ASSERT_EQ(Events.Received.size(), 1u);
    EXPECT_EQ(Events.Received.front().first, kAlice + ",24/06/17,15:00:53+08");
    EXPECT_EQ(Events.Received.front().second, kLong.substr(153, 153));
}

// Text mode shows no parts: a forwarded message is one of its own, and bytes that are not
// UTF-8 are read as ISO 8859-1.
TEST_F(MessageAssemblyTest, TextModeMessagesComeOneByOneAsUtf8) {
    Vorsa.TextMode = true;
    Modem.Arrive("\r\n+CMT: \"+40700000011\",,\"02/03/04,10:20:30+08\"\r\nCaf\xE9 at 8\r\n");
    Tick();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages.front().text, "Caf\xC3\xA9 at 8");
    EXPECT_EQ(Messages.front().sender, kAlice);
    EXPECT_EQ(Messages.front().timeStamp, "02/03/04,10:20:30+08");
    EXPECT_TRUE(Messages.front().complete);
}

}  // namespace
}  // namespace vorsa::test
