// The component end to end against the simulated modem on a pseudo-terminal, in text mode
// and in PDU mode: sending, incoming messages by "+CMTI: " and "+CMT: " while idle and
// while a command runs, reading, deleting and listing, the refusals, and modem faults.
// Every wait is for an event, with a generous deadline.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/SimulatorComponent.h"
#include "vorsa/SMScnst.h"

namespace vorsa::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Pair;

class EndToEndTest : public SimulatorComponent, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        SimulatorComponent::SetUp();
        Vorsa->TextMode = TextMode();
        ASSERT_NO_FATAL_FAILURE(ConnectReady());
        ASSERT_EQ(Modem->Settings().textMode, TextMode());
    }

    static bool TextMode() { return GetParam(); }

    /// Sends "Hi" while a message from the network arrives in the middle of the send; the
    /// modem holds its report until the final result, and nothing is raised inside the
    /// exchange. Then lets the timer tick.
    void SendWhileAMessageArrives() {
        Modem->UpdateFaults([](sim::FaultSettings& F) { F.answerDelay = sim::Millis(200); });
        bool Delivered = false;
        std::thread Network([&] {
            if (Modem->WaitForCommand("AT+CMGS", Patience)) {
                Delivered = Modem->Deliver(FromNetwork("Hello")).accepted;
            }
        });
        EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hi"), "OK");
        Network.join();
        ASSERT_TRUE(Delivered);
        EXPECT_THAT(Events.Notified, IsEmpty());
        EXPECT_THAT(Events.Received, IsEmpty());
        Tick();
    }
};

TEST_P(EndToEndTest, SentMessageReachesTheNetworkAndItsReferenceComesLater) {
    Vorsa->SMSCenter = "+40700000001";
    const size_t Before = Modem->Transcript().size();
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(WrittenSince(Before),
              TextMode()
                  ? "AT+CMGS=\"+40700000000\"\r\nHello\r\n\x1A"
                  : "AT+CMGS=18\r\n07910407000000F101000B910407000000F000F105C8329BFD06\x1A");
    ASSERT_TRUE(Modem->WaitForOutbox(1, Patience));
    const sim::SentMessage Sent = Modem->Outbox().front();
    EXPECT_EQ(Sent.destination, "+40700000000");
    EXPECT_EQ(Sent.text, "Hello");
    if (!TextMode()) {
        EXPECT_EQ(Sent.pdu, "07910407000000F101000B910407000000F000F105C8329BFD06");
        EXPECT_EQ(Sent.length, 18);
    }
    EXPECT_TRUE(PumpUntil([&] { return !Events.Sent.empty(); }));
    EXPECT_THAT(Events.Sent, ElementsAre(std::to_string(Sent.reference)));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, LongestAndMultiLineTextsAreSentWhole) {
    const std::string Longest(159, 'x');
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", Longest), "OK");
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", std::string(160, 'x')), "");
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello\r\nWorld"), "OK");
    ASSERT_TRUE(Modem->WaitForOutbox(2, Patience));
    const std::vector<sim::SentMessage> Sent = Modem->Outbox();
    ASSERT_EQ(Sent.size(), 2u);
    EXPECT_EQ(Sent[0].text, Longest);
    // Text mode hands the modem one line at a time, and the modem joins them with LF.
    EXPECT_EQ(Sent[1].text, TextMode() ? "Hello\nWorld" : "Hello\r\nWorld");
    EXPECT_THAT(Events.Errors, ElementsAre(ErrorReport{-1, "Message too long."}));
}

TEST_P(EndToEndTest, StoredMessageIsAnnouncedReadAndDeleted) {
    std::string Read;
    Vorsa->OnNotifySMS = [&](TObject*, std::string Mem, std::string Reference) {
        Events.Notified.emplace_back(Mem, Reference);
        Read = Vorsa->ReadSMS(Reference);  // straight from the handler
    };
    const size_t Before = Modem->CommandLines().size();
    const sim::DeliveryResult Delivered = Deliver(FromNetwork("Hello"));
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return !Events.Deleted.empty(); })) << Modem->FormattedTranscript();

    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", std::to_string(Delivered.index))));
    EXPECT_THAT(CommandsSince(Before),
                ElementsAre("AT", "AT+CMGR=" + std::to_string(Delivered.index),
                            "AT+CMGD=" + std::to_string(Delivered.index)));
    EXPECT_EQ(Read, TextMode() ? "REC UNREAD," + HelloHeader + "\r\nHello"
                               : "REC UNREAD," + HelloHeader + "Hello");
    EXPECT_THAT(Events.Deleted, ElementsAre(std::to_string(Delivered.index)));
    EXPECT_TRUE(Modem->Storage().empty());
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, PollingTimerPicksUpAMessageArrivingWhileIdle) {
    Vorsa->PollingDelay = 1;
    Vorsa->DisConnect();
    Vorsa->Connect();  // restarts the timer at the new period
    ASSERT_TRUE(Vorsa->Connected());
    const sim::DeliveryResult Delivered = Deliver(FromNetwork("Hello"));
    ASSERT_TRUE(PumpUntil([&] { return !Events.Notified.empty(); }));
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", std::to_string(Delivered.index))));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, SeveralMessagesArrivingBetweenTwoTicksAreAllAnnounced) {
    const sim::DeliveryResult First = Deliver(FromNetwork("One"));
    const sim::DeliveryResult Second = Deliver(FromNetwork("Two"));
    const sim::DeliveryResult Third = Deliver(FromNetwork("Three"));
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return Events.Notified.size() >= 3; }))
        << Modem->FormattedTranscript();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", std::to_string(First.index)),
                                             Pair("SM", std::to_string(Second.index)),
                                             Pair("SM", std::to_string(Third.index))));
    EXPECT_EQ(Vorsa->ReadSMS(std::to_string(Third.index)),
              TextMode() ? "REC UNREAD," + HelloHeader + "\r\nThree"
                         : "REC UNREAD," + HelloHeader + "Three");
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, SeveralDirectMessagesArrivingBetweenTwoTicksAreAllReceived) {
    Vorsa->DirectForward = true;
    ASSERT_EQ(Modem->Settings().notifyDeliver, 2);
    Deliver(FromNetwork("One"));
    Deliver(FromNetwork("Two"));
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return Events.Received.size() >= 2; }))
        << Modem->FormattedTranscript();
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "One"), Pair(HelloHeader, "Two")));
    EXPECT_TRUE(Modem->Storage().empty());
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, MessageArrivingWhileACommandRunsIsAnnouncedAfterIt) {
    ASSERT_NO_FATAL_FAILURE(SendWhileAMessageArrives());
    ASSERT_TRUE(PumpUntil([&] { return !Events.Notified.empty() && !Events.Sent.empty(); }))
        << Modem->FormattedTranscript();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "1")));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, DirectMessageArrivingWhileACommandRunsIsReceivedAfterIt) {
    Vorsa->DirectForward = true;
    ASSERT_NO_FATAL_FAILURE(SendWhileAMessageArrives());
    ASSERT_TRUE(PumpUntil([&] { return !Events.Received.empty() && !Events.Sent.empty(); }))
        << Modem->FormattedTranscript();
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Hello")));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, ReadWithoutDeleteOnReadLeavesTheMessageMarkedRead) {
    Vorsa->DeleteOnRead = false;
    const sim::DeliveryResult Delivered = Deliver(FromNetwork("Hello"));
    const std::string Index = std::to_string(Delivered.index);
    const std::string First = Vorsa->ReadSMS(Index);
    const std::string Again = Vorsa->ReadSMS(Index);
    EXPECT_EQ(First.substr(0, 11), "REC UNREAD,");
    EXPECT_EQ(Again.substr(0, 9), "REC READ,");
    EXPECT_EQ(Modem->Storage().size(), 1u);
    EXPECT_TRUE(Events.Deleted.empty());
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, ReadOfAnEmptySlotIsRefusedAndDeletesNothing) {
    const size_t Before = Modem->CommandLines().size();
    EXPECT_EQ(Vorsa->ReadSMS("7"), "");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{321});
    EXPECT_THAT(CommandsSince(Before), ElementsAre("AT+CMGR=7"));
}

TEST_P(EndToEndTest, AlphanumericSenderAndEmptyText) {
    Vorsa->DeleteOnRead = false;
    sim::IncomingMessage Named = FromNetwork("Hi", "Office");
    Named.alphanumericSender = true;
    const std::string NamedIndex = DeliverAndCollect(Named);
    const std::string EmptyIndex = DeliverAndCollect(FromNetwork(""));

    const std::string NamedRead = Vorsa->ReadSMS(NamedIndex);
    const std::string EmptyRead = Vorsa->ReadSMS(EmptyIndex);
    if (TextMode()) {
        EXPECT_EQ(NamedRead, "REC UNREAD,Office,02/03/04,10:20:30+08\r\nHi");
        // With no text the reply has no line break left: the line comes back as it is.
        EXPECT_EQ(EmptyRead, "\"REC UNREAD\",\"+40700000000\",,\"02/03/04,10:20:30+08\"");
    } else {
        EXPECT_EQ(NamedRead, "REC UNREAD,Office,02/03/04,10:20:30+08Hi");
        EXPECT_EQ(EmptyRead, "REC UNREAD," + HelloHeader);
    }
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, DeleteConfirmedAndRefused) {
    const sim::DeliveryResult Delivered = Deliver(FromNetwork("Hello"));
    EXPECT_TRUE(Vorsa->DeleteSMS(std::to_string(Delivered.index)));
    EXPECT_TRUE(Modem->Storage().empty());
    Modem->UpdateFaults([](sim::FaultSettings& F) { F.failingCommands["+CMGD"] = "ERROR"; });
    EXPECT_FALSE(Vorsa->DeleteSMS("2"));
    Modem->UpdateFaults([](sim::FaultSettings& F) {
        F.failingCommands.clear();
        F.ignoredCommands.insert("+CMGD");
    });
    Vorsa->ReadTimeout = 1;
    EXPECT_FALSE(Vorsa->DeleteSMS("2"));
    EXPECT_THAT(Events.Deleted, ElementsAre(std::to_string(Delivered.index)));
    EXPECT_EQ(Events.ErrorIds(), (std::vector<int32_t>{ErrModemError, ErrReadTimeout}));
}

TEST_P(EndToEndTest, DownloadListsEveryUnreadMessageAndDeletesIt) {
    DeliverAndCollect(FromNetwork("Hello"));
    DeliverAndCollect(FromNetwork("World", "+40700000002", "02/03/04,11:00:00+08"));
    DeliverAndCollect(FromNetwork("Again", "+40700000003", "02/03/05,12:00:00+08"));
    const size_t Before = Modem->CommandLines().size();

    Vorsa->DownloadSMS();
    EXPECT_THAT(CommandsSince(Before),
                ElementsAre("AT+CMGL;", "AT+CMGD=1", "AT+CMGD=2", "AT+CMGD=3"));
    EXPECT_TRUE(Modem->Storage().empty());
    ASSERT_TRUE(PumpUntil([&] { return Events.Received.size() == 3; }));
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Hello"),
                                             Pair("+40700000002,02/03/04,11:00:00+08", "World"),
                                             Pair("+40700000003,02/03/05,12:00:00+08", "Again")));
    EXPECT_THAT(Events.Deleted, ElementsAre("1", "2", "3"));
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, DownloadWithoutDeleteOnReadKeepsTheMessages) {
    Vorsa->DeleteOnRead = false;
    DeliverAndCollect(FromNetwork("Hello"));
    DeliverAndCollect(FromNetwork("World"));
    const size_t Before = Modem->CommandLines().size();
    Vorsa->DownloadSMS();
    EXPECT_THAT(CommandsSince(Before), ElementsAre("AT+CMGL;"));
    ASSERT_TRUE(PumpUntil([&] { return Events.Received.size() == 2; }));
    EXPECT_THAT(Events.Received,
                ElementsAre(Pair(HelloHeader, "Hello"), Pair(HelloHeader, "World")));
    EXPECT_EQ(Modem->Storage().size(), 2u);
    // Listed once, the messages are no longer unread and a second listing is empty.
    Vorsa->DownloadSMS();
    ProcessMessages();
    EXPECT_EQ(Events.Received.size(), 2u);
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// Without its prompt no byte of the message goes out: the send is reported, and ESC leaves
// a modem that may still wait for the message in command mode.
TEST_P(EndToEndTest, WithheldPromptIsReportedAndNothingIsSent) {
    Vorsa->ReadTimeout = 1;
    Modem->UpdateFaults([](sim::FaultSettings& F) { F.withholdPrompt = true; });
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "AT+CMGD=1"), "");
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{TextMode() ? ErrReadTimeout : ErrModemError});
    EXPECT_FALSE(Vorsa->IsBusy());
    Modem->ClearFaults();
    Events.Errors.clear();
    EXPECT_EQ(Vorsa->SendSMSCommand("AT+CSQ").rfind("+CSQ: ", 0), 0u)
        << Modem->FormattedTranscript();
    EXPECT_TRUE(Modem->Outbox().empty());
    EXPECT_THAT(Events.Errors, IsEmpty());
}

// With echo on the prompt comes after the echoed line; it is still the prompt.
TEST_P(EndToEndTest, EchoOnStillFindsThePrompt) {
    Modem->UpdateFaults([](sim::FaultSettings& F) { F.forceEcho = true; });
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "OK") << Modem->FormattedTranscript();
    ASSERT_TRUE(Modem->WaitForOutbox(1, Patience));
    EXPECT_EQ(Modem->Outbox().front().text, "Hello");
    EXPECT_EQ(Vorsa->SendSMSCommand("AT+CSQ").rfind("+CSQ: ", 0), 0u)
        << "the echo of the command is no part of its reply";
    EXPECT_THAT(Events.Errors, IsEmpty());
}

TEST_P(EndToEndTest, InjectionAttemptsWriteNothing) {
    const size_t Before = Modem->CommandLines().size();
    const std::string Transcript = Modem->FormattedTranscript();
    EXPECT_EQ(Vorsa->SendSMS("+4070\"\r\nAT+CMGD=1,4\r\n", "Hello"), "");
    EXPECT_EQ(Vorsa->T_SendSMS("+40700000000",
                               "Hi\x1A"
                               "AT+CMGD=1,4"),
              "");
    EXPECT_EQ(Vorsa->ReadSMS("1;+CMGD=1,4"), "");
    EXPECT_FALSE(Vorsa->DeleteSMS("1\r\nAT+CMGD=1,4"));
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>(4, ErrNotCatalogued));
    EXPECT_TRUE(CommandsSince(Before).empty());
    EXPECT_EQ(Modem->FormattedTranscript(), Transcript);
}

INSTANTIATE_TEST_SUITE_P(Modes, EndToEndTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                             return Info.param ? "Text" : "Pdu";
                         });

}  // namespace
}  // namespace vorsa::test
