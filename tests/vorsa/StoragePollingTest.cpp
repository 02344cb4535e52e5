// A modem whose routing of new messages could not be set is polled: at every timer tick
// the unread messages are listed and each is announced through OnNotifySMS, once, as a
// "+CMTI: " report would have announced it. A modem with its routing set is never listed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/RecordingWindow.h"
#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;
using Lines = std::vector<std::string>;

const std::string kUnreadText = "AT+CMGL=\"REC UNREAD\"";

// An entry of a text-mode listing, with its text.
std::string TextEntry(int Index, const std::string& Status, const std::string& Text) {
    return "+CMGL: " + std::to_string(Index) + ",\"" + Status +
           "\",\"+40700000000\",,\"02/03/04,10:20:30+08\"\r\n" + Text;
}

class StoragePolling : public ScriptedComponent {
  protected:
    // Connects to a modem that refuses every routing and lists none: polling it is.
    void ConnectWithoutRouting() {
        Modem.ActLikeReadyModem();
        Modem.Answer("AT+CNMI=2,1,0,0,0", "\r\nERROR\r\n");
        Modem.Answer("AT+CNMI=2,2,0,0,0", "\r\nERROR\r\n");
        Vorsa.PollingDelay = 3600;  // the test ticks by hand
        Vorsa.Connect();
        ASSERT_TRUE(Vorsa.Connected());
        ASSERT_EQ(Events.Adaptations.size(), 1u);
        Events.Clear();
        Forget();
    }
    // One timer tick, and the events it leads to.
    void Tick() {
        ASSERT_TRUE(PostMessageA(Vorsa.WindowHandle(), WM_TIMER, 1, 0));
        ProcessMessages();
        ProcessMessages();
    }
};

TEST_F(StoragePolling, EveryUnreadMessageIsAnnouncedOnceAndBodyLinesAreNoEntries) {
    ConnectWithoutRouting();
    Modem.AnswerOnce(
        kUnreadText,
        Framed(TextEntry(3, "REC UNREAD", "See you") + "\r\n" +
               TextEntry(5, "REC UNREAD", "Quoted:\r\n" + TextEntry(9, "REC READ", "old"))));
    Tick();
    EXPECT_EQ(Modem.Lines(), Lines{kUnreadText});
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "3"), Pair("SM", "5")));

    Tick();
    EXPECT_EQ(Modem.Lines(), (Lines{kUnreadText, kUnreadText})) << "every tick lists";
    EXPECT_EQ(Events.Notified.size(), 2u) << "an empty listing announces nothing";
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_F(StoragePolling, PduModeListsByStatusNumberInTheStorageThatWasSet) {
    Vorsa.TextMode = false;
    Vorsa.StorageString = "\"ME\",\"ME\",\"ME\"";
    ConnectWithoutRouting();
    Modem.AnswerOnce("AT+CMGL=0", Framed("+CMGL: 2,0,,24\r\n" + HelloPdu));
    Tick();
    EXPECT_EQ(Modem.Lines(), Lines{"AT+CMGL=0"});
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("ME", "2")));
}

TEST_F(StoragePolling, AMessageAnnouncedByItsOwnReportIsNotAnnouncedTwice) {
    ConnectWithoutRouting();
    Modem.Arrive("\r\n+CMTI: \"SM\",3\r\n");
    Modem.AnswerOnce(kUnreadText, Framed(TextEntry(3, "REC UNREAD", "Hi")));
    Tick();
    EXPECT_EQ(Modem.Lines(), (Lines{"AT", kUnreadText}));
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "3")));
}

TEST_F(StoragePolling, ARefusedListingIsAnnouncedOnceAndPollingStops) {
    ConnectWithoutRouting();
    Modem.Answer(kUnreadText, "\r\n+CMS ERROR: 302\r\n");
    Tick();
    Tick();
    EXPECT_EQ(Modem.Lines(), Lines{kUnreadText});
    EXPECT_THAT(Events.Adaptations,
                ElementsAre("listing the storage refused (+CMS ERROR: 302): new messages can no "
                            "longer be found"));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_F(StoragePolling, DirectForwardingReceivesTheListedMessagesThemselves) {
    Vorsa.DirectForward = true;
    ConnectWithoutRouting();
    Modem.AnswerOnce("AT+CMGL;", Framed(TextEntry(4, "REC UNREAD", "Straight")));
    Tick();
    EXPECT_EQ(Modem.Lines(), (Lines{"AT+CMGL;", "AT+CMGD=4"}));
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Straight")));
}

TEST_F(StoragePolling, AModemWithItsRoutingSetIsNeverListed) {
    ConnectReady();
    ASSERT_TRUE(PostMessageA(Vorsa.WindowHandle(), WM_TIMER, 1, 0));
    ProcessMessages();
    EXPECT_THAT(Modem.Lines(), IsEmpty());
}

}  // namespace
}  // namespace vorsa::test
