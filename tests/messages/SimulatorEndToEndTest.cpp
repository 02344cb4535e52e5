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

#include "EventLog.h"
#include "vorsa/SMScnst.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::Pair;

constexpr std::chrono::milliseconds Patience = 20s;
const std::string HelloHeader = "+40700000000,02/03/04,10:20:30+08";

sim::IncomingMessage FromNetwork(const std::string& Text, const std::string& From = "+40700000000",
                                 const std::string& Time = "02/03/04,10:20:30+08") {
    sim::IncomingMessage Message;
    Message.from = From;
    Message.text = Text;
    Message.serviceCentre = "+40700000001";
    Message.timeStamp = sim::TimeStamp::Parse(Time);
    return Message;
}

class EndToEndTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        Modem.Start();
        Vorsa = std::make_unique<ProbeVorsa>(nullptr);
        Vorsa->Port = Modem.DevicePath();
        Vorsa->Baud = 115200;
        Vorsa->ReadTimeout = 5;
        Vorsa->TextMode = TextMode();
        Events.Attach(*Vorsa);
        Vorsa->Connect();
        ASSERT_TRUE(Vorsa->Connected()) << Modem.FormattedTranscript();
        ASSERT_TRUE(Events.Errors.empty()) << Events.Errors.front().Text;
        ASSERT_EQ(Modem.Settings().textMode, TextMode());
    }

    static bool TextMode() { return GetParam(); }

    /// Runs the thread's message loop until Done holds or the deadline passes.
    static bool PumpUntil(const std::function<bool()>& Done) {
        const auto Deadline = std::chrono::steady_clock::now() + Patience;
        while (!Done()) {
            if (std::chrono::steady_clock::now() > Deadline) {
                return false;
            }
            (void)HandleMessage(20);
        }
        return true;
    }

    /// Delivers a message from the network and waits until its report reached the port.
    sim::DeliveryResult Deliver(const sim::IncomingMessage& Message) {
        const sim::DeliveryResult Result = Modem.Deliver(Message);
        EXPECT_TRUE(Result.accepted) << Result.reason;
        EXPECT_TRUE(Modem.WaitForOutput(Result.report, Patience));
        return Result;
    }

    /// Lets the polling timer's next tick come at once.
    void Tick() { ASSERT_TRUE(PostMessageA(Vorsa->WindowHandle(), WM_TIMER, 1, 0)); }

    /// Delivers a stored message and lets the timer collect its report, as happens when
    /// messages arrive between the application's calls a tick or more apart.
    std::string DeliverAndCollect(const sim::IncomingMessage& Message) {
        const size_t Notified = Events.Notified.size();
        const sim::DeliveryResult Result = Deliver(Message);
        Tick();
        EXPECT_TRUE(PumpUntil([&] { return Events.Notified.size() > Notified; }));
        return std::to_string(Result.index);
    }

    /// Every byte the component wrote after the first Skip transcript entries.
    std::string WrittenSince(size_t Skip) const {
        std::string Bytes;
        const std::vector<sim::TranscriptEntry> Entries = Modem.Transcript();
        for (size_t I = Skip; I < Entries.size(); ++I) {
            if (!Entries[I].fromModem) {
                Bytes += Entries[I].bytes;
            }
        }
        return Bytes;
    }

    std::vector<std::string> CommandsSince(size_t First) const {
        const std::vector<std::string> All = Modem.CommandLines();
        return {All.begin() + static_cast<std::ptrdiff_t>(std::min(First, All.size())), All.end()};
    }

    sim::SimulatedModem Modem;
    EventLog Events;
    std::unique_ptr<ProbeVorsa> Vorsa;
};

TEST_P(EndToEndTest, SentMessageReachesTheNetworkAndItsReferenceComesLater) {
    Vorsa->SMSCenter = "+40700000001";
    const size_t Before = Modem.Transcript().size();
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello"), "OK");
    EXPECT_EQ(WrittenSince(Before),
              TextMode()
                  ? "AT+CMGS=\"+40700000000\"\r\nHello\r\n\x1A"
                  : "AT+CMGS=18\r\n07910407000000F101000B910407000000F000F105C8329BFD06\x1A");
    ASSERT_TRUE(Modem.WaitForOutbox(1, Patience));
    const sim::SentMessage Sent = Modem.Outbox().front();
    EXPECT_EQ(Sent.destination, "+40700000000");
    EXPECT_EQ(Sent.text, "Hello");
    if (!TextMode()) {
        EXPECT_EQ(Sent.pdu, "07910407000000F101000B910407000000F000F105C8329BFD06");
        EXPECT_EQ(Sent.length, 18);
    }
    EXPECT_TRUE(PumpUntil([&] { return !Events.Sent.empty(); }));
    EXPECT_THAT(Events.Sent, ElementsAre(std::to_string(Sent.reference)));
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_P(EndToEndTest, LongestAndMultiLineTextsAreSentWhole) {
    const std::string Longest(159, 'x');
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", Longest), "OK");
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", std::string(160, 'x')), "");
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hello\r\nWorld"), "OK");
    ASSERT_TRUE(Modem.WaitForOutbox(2, Patience));
    const std::vector<sim::SentMessage> Sent = Modem.Outbox();
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
    const size_t Before = Modem.CommandLines().size();
    const sim::DeliveryResult Delivered = Deliver(FromNetwork("Hello"));
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return !Events.Deleted.empty(); })) << Modem.FormattedTranscript();

    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", std::to_string(Delivered.index))));
    EXPECT_THAT(CommandsSince(Before),
                ElementsAre("AT", "AT+CMGR=" + std::to_string(Delivered.index),
                            "AT+CMGD=" + std::to_string(Delivered.index)));
    EXPECT_EQ(Read, TextMode() ? "REC UNREAD," + HelloHeader + "\r\nHello"
                               : "REC UNREAD," + HelloHeader + "Hello");
    EXPECT_THAT(Events.Deleted, ElementsAre(std::to_string(Delivered.index)));
    EXPECT_TRUE(Modem.Storage().empty());
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_P(EndToEndTest, PollingTimerPicksUpAMessageArrivingWhileIdle) {
    Vorsa->PollingDelay = 1;
    Vorsa->DisConnect();
    Vorsa->Connect();  // restarts the timer at the new period
    ASSERT_TRUE(Vorsa->Connected());
    const sim::DeliveryResult Delivered = Deliver(FromNetwork("Hello"));
    ASSERT_TRUE(PumpUntil([&] { return !Events.Notified.empty(); }));
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", std::to_string(Delivered.index))));
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_P(EndToEndTest, DirectlyForwardedMessageIsReceived) {
    Vorsa->DirectForward = true;
    ASSERT_EQ(Modem.Settings().notifyDeliver, 2);
    Deliver(FromNetwork("Hello"));
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return !Events.Received.empty(); })) << Modem.FormattedTranscript();
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Hello")));
    EXPECT_TRUE(Modem.Storage().empty());
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_P(EndToEndTest, MessageArrivingWhileACommandRunsIsAnnouncedAfterIt) {
    // The report comes in the middle of the send; the modem holds it until the final
    // result, and the component announces it once the loop runs.
    Modem.UpdateFaults([](sim::FaultSettings& F) { F.answerDelay = sim::Millis(200); });
    bool Delivered = false;
    std::thread Network([&] {
        if (Modem.WaitForCommand("AT+CMGS", Patience)) {
            Delivered = Modem.Deliver(FromNetwork("Hello")).accepted;
        }
    });
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hi"), "OK");
    Network.join();
    ASSERT_TRUE(Delivered);
    EXPECT_TRUE(Events.Notified.empty());  // never inside the exchange
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return !Events.Notified.empty() && !Events.Sent.empty(); }))
        << Modem.FormattedTranscript();
    EXPECT_THAT(Events.Notified, ElementsAre(Pair("SM", "1")));
    EXPECT_TRUE(Events.Errors.empty()) << Events.Errors.front().Text;
}

TEST_P(EndToEndTest, DirectMessageArrivingWhileACommandRunsIsReceivedAfterIt) {
    Vorsa->DirectForward = true;
    Modem.UpdateFaults([](sim::FaultSettings& F) { F.answerDelay = sim::Millis(200); });
    bool Delivered = false;
    std::thread Network([&] {
        if (Modem.WaitForCommand("AT+CMGS", Patience)) {
            Delivered = Modem.Deliver(FromNetwork("Hello")).accepted;
        }
    });
    EXPECT_EQ(Vorsa->SendSMS("+40700000000", "Hi"), "OK");
    Network.join();
    ASSERT_TRUE(Delivered);
    EXPECT_TRUE(Events.Received.empty());
    Tick();
    ASSERT_TRUE(PumpUntil([&] { return !Events.Received.empty() && !Events.Sent.empty(); }))
        << Modem.FormattedTranscript();
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Hello")));
    EXPECT_TRUE(Events.Errors.empty()) << Events.Errors.front().Text;
}

TEST_P(EndToEndTest, ReadWithoutDeleteOnReadLeavesTheMessageMarkedRead) {
    Vorsa->DeleteOnRead = false;
    const sim::DeliveryResult Delivered = Deliver(FromNetwork("Hello"));
    const std::string Index = std::to_string(Delivered.index);
    const std::string First = Vorsa->ReadSMS(Index);
    const std::string Again = Vorsa->ReadSMS(Index);
    EXPECT_EQ(First.substr(0, 11), "REC UNREAD,");
    EXPECT_EQ(Again.substr(0, 9), "REC READ,");
    EXPECT_EQ(Modem.Storage().size(), 1u);
    EXPECT_TRUE(Events.Deleted.empty());
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_P(EndToEndTest, ReadOfAnEmptySlotIsRefusedAndDeletesNothing) {
    const size_t Before = Modem.CommandLines().size();
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
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_P(EndToEndTest, DeleteConfirmedAndRefused) {
    const sim::DeliveryResult Delivered = Deliver(FromNetwork("Hello"));
    EXPECT_TRUE(Vorsa->DeleteSMS(std::to_string(Delivered.index)));
    EXPECT_TRUE(Modem.Storage().empty());
    Modem.UpdateFaults([](sim::FaultSettings& F) { F.failingCommands["+CMGD"] = "ERROR"; });
    EXPECT_FALSE(Vorsa->DeleteSMS("2"));
    Modem.UpdateFaults([](sim::FaultSettings& F) {
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
    const size_t Before = Modem.CommandLines().size();

    Vorsa->DownloadSMS();
    EXPECT_THAT(CommandsSince(Before),
                ElementsAre("AT+CMGL;", "AT+CMGD=1", "AT+CMGD=2", "AT+CMGD=3"));
    EXPECT_TRUE(Modem.Storage().empty());
    ASSERT_TRUE(PumpUntil([&] { return Events.Received.size() == 3; }));
    EXPECT_THAT(Events.Received, ElementsAre(Pair(HelloHeader, "Hello"),
                                             Pair("+40700000002,02/03/04,11:00:00+08", "World"),
                                             Pair("+40700000003,02/03/05,12:00:00+08", "Again")));
    EXPECT_THAT(Events.Deleted, ElementsAre("1", "2", "3"));
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_P(EndToEndTest, DownloadWithoutDeleteOnReadKeepsTheMessages) {
    Vorsa->DeleteOnRead = false;
    DeliverAndCollect(FromNetwork("Hello"));
    DeliverAndCollect(FromNetwork("World"));
    const size_t Before = Modem.CommandLines().size();
    Vorsa->DownloadSMS();
    EXPECT_THAT(CommandsSince(Before), ElementsAre("AT+CMGL;"));
    ASSERT_TRUE(PumpUntil([&] { return Events.Received.size() == 2; }));
    EXPECT_THAT(Events.Received,
                ElementsAre(Pair(HelloHeader, "Hello"), Pair(HelloHeader, "World")));
    EXPECT_EQ(Modem.Storage().size(), 2u);
    // Listed once, the messages are no longer unread and a second listing is empty.
    Vorsa->DownloadSMS();
    ProcessMessages();
    EXPECT_EQ(Events.Received.size(), 2u);
    EXPECT_TRUE(Events.Errors.empty());
}

TEST_P(EndToEndTest, WithheldPromptIsReported) {
    Vorsa->ReadTimeout = 1;
    Modem.UpdateFaults([](sim::FaultSettings& F) { F.withholdPrompt = true; });
    const std::string Result = Vorsa->SendSMS("+40700000000", "Hello");
    if (TextMode()) {
        // Every line waits out the time-out; the modem still takes the text and sends it.
        EXPECT_EQ(Result, "OK");
        EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrReadTimeout});
        EXPECT_TRUE(Modem.WaitForOutbox(1, Patience));
    } else {
        EXPECT_EQ(Result, "");
        EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrModemError});
        EXPECT_TRUE(Modem.Outbox().empty());
    }
    EXPECT_FALSE(Vorsa->IsBusy());
}

TEST_P(EndToEndTest, EchoOnKeepsThePromptFromBeingSeen) {
    Vorsa->ReadTimeout = 1;
    Modem.UpdateFaults([](sim::FaultSettings& F) { F.forceEcho = true; });
    const std::string Result = Vorsa->SendSMS("+40700000000", "Hello");
    if (TextMode()) {
        EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrReadTimeout});
    } else {
        EXPECT_EQ(Result, "");
        EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>{ErrModemError});
        EXPECT_TRUE(Modem.Outbox().empty());
    }
}

TEST_P(EndToEndTest, InjectionAttemptsWriteNothing) {
    const size_t Before = Modem.CommandLines().size();
    const std::string Transcript = Modem.FormattedTranscript();
    EXPECT_EQ(Vorsa->SendSMS("+4070\"\r\nAT+CMGD=1,4\r\n", "Hello"), "");
    EXPECT_EQ(Vorsa->T_SendSMS("+40700000000",
                               "Hi\x1A"
                               "AT+CMGD=1,4"),
              "");
    EXPECT_EQ(Vorsa->ReadSMS("1;+CMGD=1,4"), "");
    EXPECT_FALSE(Vorsa->DeleteSMS("1\r\nAT+CMGD=1,4"));
    EXPECT_EQ(Events.ErrorIds(), std::vector<int32_t>(4, ErrNotCatalogued));
    EXPECT_TRUE(CommandsSince(Before).empty());
    EXPECT_EQ(Modem.FormattedTranscript(), Transcript);
}

INSTANTIATE_TEST_SUITE_P(Modes, EndToEndTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& Info) {
                             return Info.param ? "Text" : "Pdu";
                         });

}  // namespace
}  // namespace vorsa::test
