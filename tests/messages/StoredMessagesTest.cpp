// ListMessages, ReadMessage and DeleteMessage on the scripted modem: the storage read as
// whole messages with every part's index, nothing deleted by a listing, a message missing
// parts held back until its time-out, and a read that finds the rest of its message.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/IncomingParts.h"
#include "support/SampleTexts.h"
#include "support/ScriptedComponent.h"
#include "vorsa/SMScnst.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kAlice = "+40700000011";
const std::string kBob = "+40700000022";
const std::string kLong = interop::repeated("Part of a long message. ", 14);  // three parts
const std::string kGreekLong = interop::repeated(interop::kGreek + " ", 3);   // two parts

std::vector<int> IndexesOf(const SmsMessage& Message) {
    std::vector<int> Indexes;
    for (const StoredPart& Part : Message.parts) {
        Indexes.push_back(Part.index);
    }
    return Indexes;
}

class StoredMessagesTest : public ConnectedComponent {
  protected:
    void SetUp() override {
        ConnectedComponent::SetUp();
        Vorsa.TextMode = false;
        Alice = IncomingPdus(kAlice, kLong, 3);
        Bob = IncomingPdus(kBob, kGreekLong, 3);
        Single = IncomingPdus(kBob, "Hi", 0).front();
        // Alice's three parts stored out of order, a message in one part, and the first of
        // Bob's two parts, which uses the same reference.
        Modem.Answer("AT+CMGL=4", "\r\n" + ListedEntry(1, Alice[1]) + ListedEntry(2, Single) +
                                      ListedEntry(3, Alice[0], 0) + ListedEntry(4, Alice[2]) +
                                      ListedEntry(5, Bob[0]) + "\r\nOK\r\n");
    }
    std::vector<std::string> Alice;
    std::vector<std::string> Bob;
    std::string Single;
};

TEST_F(StoredMessagesTest, ListingGivesWholeMessagesAndHoldsBackTheIncompleteUntilItsTimeOut) {
    Vorsa.ReassemblyTimeout = 120;
    // The first listing also shows a second copy of Alice's last part (delivered twice).
    Modem.AnswerOnce("AT+CMGL=4", "\r\n" + ListedEntry(1, Alice[1]) + ListedEntry(2, Single) +
                                      ListedEntry(3, Alice[0], 0) + ListedEntry(4, Alice[2]) +
                                      ListedEntry(5, Bob[0]) + ListedEntry(6, Alice[2]) +
                                      "\r\nOK\r\n");
    MessageListing Listing = Vorsa.ListMessages();
    EXPECT_TRUE(Listing.ok);
    ASSERT_EQ(Listing.duplicates.size(), 1u);
    EXPECT_EQ(Listing.duplicates[0].index, 6);
    EXPECT_EQ(Listing.duplicates[0].sequence, 3);
    ASSERT_EQ(Listing.messages.size(), 2u);
    EXPECT_EQ(Listing.messages[0].text, "Hi");
    EXPECT_THAT(IndexesOf(Listing.messages[0]), ElementsAre(2));
    EXPECT_EQ(Listing.messages[1].text, kLong);
    EXPECT_EQ(Listing.messages[1].sender, kAlice);
    EXPECT_THAT(IndexesOf(Listing.messages[1]), ElementsAre(3, 1, 4));
    ASSERT_EQ(Listing.waiting.size(), 1u);
    EXPECT_EQ(Listing.waiting[0].sender, kBob);
    EXPECT_FALSE(Listing.waiting[0].complete);
    EXPECT_THAT(Listing.waiting[0].missing, ElementsAre(2));

    // The time-out counts from the first listing that showed the message.
    Clock.Advance(100 * 1000);
    Listing = Vorsa.ListMessages();
    EXPECT_EQ(Listing.messages.size(), 2u);
    EXPECT_EQ(Listing.waiting.size(), 1u);
    EXPECT_TRUE(Listing.duplicates.empty());
    Clock.Advance(21 * 1000);
    Listing = Vorsa.ListMessages();
    ASSERT_EQ(Listing.messages.size(), 3u);
    EXPECT_TRUE(Listing.waiting.empty());
    EXPECT_EQ(Listing.messages[2].text, kGreekLong.substr(0, Listing.messages[2].text.size()));
    EXPECT_FALSE(Listing.messages[2].complete);
    EXPECT_EQ(Listing.messages[2].coding, SmsAlphabet::Ucs2);

    // A listing reads, and deletes nothing.
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGL=4", "AT+CMGL=4", "AT+CMGL=4"));
    EXPECT_THAT(Events.Errors, IsEmpty());
    EXPECT_THAT(Events.Deleted, IsEmpty());
}

TEST_F(StoredMessagesTest, ListingAsksForWhatTheScopeAndTheModeSay) {
    Modem.AnswerOthers("\r\nOK\r\n");
    (void)Vorsa.ListMessages(ListScope::Unread);
    Vorsa.TextMode = true;
    Modem.Answer("AT+CMGL=\"ALL\"",
                 "\r\n+CMGL: 1,\"REC READ\",\"+40700000011\",,\"02/03/04,10:20:30+08\"\r\n"
                 "Caf\xE9\r\n+CMGL: 2,\"REC UNREAD\",\"+40700000022\",,\"02/03/04,10:21:00+08\"\r\n"
                 "Line one\r\nLine two\r\n\r\nOK\r\n");
    const MessageListing Listing = Vorsa.ListMessages(ListScope::All);
    (void)Vorsa.ListMessages(ListScope::Unread);
    EXPECT_THAT(Modem.Lines(),
                ElementsAre("AT+CMGL=0", "AT+CMGL=\"ALL\"", "AT+CMGL=\"REC UNREAD\""));
    ASSERT_EQ(Listing.messages.size(), 2u);
    EXPECT_EQ(Listing.messages[0].text, "Caf\xC3\xA9");
    EXPECT_EQ(Listing.messages[0].timeStamp, "02/03/04,10:20:30+08");
    EXPECT_EQ(Listing.messages[1].text, "Line one\r\nLine two");
    EXPECT_THAT(IndexesOf(Listing.messages[1]), ElementsAre(2));
}

TEST_F(StoredMessagesTest, AListingThatFailsSaysWhy) {
    Modem.Answer("AT+CMGL=4", "\r\n+CMS ERROR: 302\r\n");
    MessageListing Listing = Vorsa.ListMessages();
    EXPECT_FALSE(Listing.ok);
    EXPECT_EQ(Listing.errorCode, 302);
    EXPECT_EQ(Listing.errorText, GetErrString(302));
    Modem.Ignore("AT+CMGL=4");
    Listing = Vorsa.ListMessages();
    EXPECT_FALSE(Listing.ok);
    EXPECT_EQ(Listing.errorCode, ErrReadTimeout);
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_F(StoredMessagesTest, ReadGivesTheWholeMessageOfItsIndexAndThenDeletesEveryPart) {
    Modem.Answer("AT+CMGR=1", ReadReply(Alice[1]));
    const MessageRead Read = Vorsa.ReadMessage("1");
    EXPECT_TRUE(Read.ok);
    ASSERT_TRUE(Read.message);
    EXPECT_EQ(Read.message->text, kLong);
    EXPECT_TRUE(Read.message->complete);
    EXPECT_THAT(IndexesOf(*Read.message), ElementsAre(3, 1, 4));
    EXPECT_THAT(Modem.Lines(),
                ElementsAre("AT+CMGR=1", "AT+CMGL=4", "AT+CMGD=3", "AT+CMGD=1", "AT+CMGD=4"));
    EXPECT_THAT(Events.Deleted, ElementsAre("3", "1", "4"));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_F(StoredMessagesTest, ReadOfAnIncompleteOrSingleMessage) {
    // Bob's second part is not stored: the read gives what there is and deletes nothing.
    Modem.Answer("AT+CMGR=5", ReadReply(Bob[0]));
    MessageRead Read = Vorsa.ReadMessage("5");
    ASSERT_TRUE(Read.ok && Read.message);
    EXPECT_FALSE(Read.message->complete);
    EXPECT_THAT(Read.message->missing, ElementsAre(2));
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGR=5", "AT+CMGL=4"));

    // A message in one part needs no listing.
    Forget();
    Modem.Answer("AT+CMGR=2", ReadReply(Single));
    Read = Vorsa.ReadMessage("2");
    ASSERT_TRUE(Read.ok && Read.message);
    EXPECT_EQ(Read.message->text, "Hi");
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGR=2", "AT+CMGD=2"));

    // An empty slot, and an index that is none.
    Forget();
    Modem.Answer("AT+CMGR=9", "\r\n+CMS ERROR: 321\r\n");
    Read = Vorsa.ReadMessage("9");
    EXPECT_FALSE(Read.ok);
    EXPECT_EQ(Read.errorCode, 321);
    EXPECT_FALSE(Read.message);
    Read = Vorsa.ReadMessage("9;+CMGD=1");
    EXPECT_FALSE(Read.ok);
    EXPECT_EQ(Read.errorCode, ErrNotCatalogued);
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGR=9"));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_F(StoredMessagesTest, DeleteMessageDeletesEveryStoredPart) {
    const MessageListing Listing = Vorsa.ListMessages();
    ASSERT_EQ(Listing.messages.size(), 2u);
    Forget();
    Modem.Answer("AT+CMGD=4", "\r\nERROR\r\n");
    EXPECT_FALSE(Vorsa.DeleteMessage(Listing.messages[1]));
    EXPECT_THAT(Modem.Lines(), ElementsAre("AT+CMGD=3", "AT+CMGD=1", "AT+CMGD=4"));
    EXPECT_THAT(Events.Deleted, ElementsAre("3", "1"));
    EXPECT_TRUE(Vorsa.DeleteMessage(Listing.messages[0]));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

}  // namespace
}  // namespace vorsa::test
