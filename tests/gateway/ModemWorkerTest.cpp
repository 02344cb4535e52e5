// A modem worker over a scripted modem link and an SQLite store: refused numbers, retries,
// sends that may have gone out, receiving without loss, status reports, hang-ups and
// re-initialisation after repeated time-outs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "FakeModemLink.h"
#include "gateway/Eventually.h"
#include "vorsa/gateway/EventLog.h"
#include "vorsa/gateway/ModemWorker.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway {
namespace {

using test::FakeModem;
using test::FakeModemLink;

using test::Eventually;

class ModemWorkerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/vorsa-worker-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        store_ = OpenStore(dir_ + "/gateway.db");
        settings_.gatewayId = "gw";
        settings_.modem.name = "m1";
        settings_.retry = RetrySettings{3, 0, 0};
    }
    void TearDown() override {
        worker_.reset();
        store_.reset();
        std::filesystem::remove_all(dir_);
    }
    void StartWorker() {
        worker_ = std::make_unique<ModemWorker>(
            settings_, *store_, log_, [this] { return std::make_unique<FakeModemLink>(modem_); });
        worker_->Start();
    }
    int64_t Queue(const std::string& text) {
        const int64_t now = NowMillis();
        NewMessage m;
        m.to = "+40700000001";
        m.text = text;
        const int64_t id = store_->Enqueue(m, now, now + 3'600'000).message.id;
        if (worker_) {
            worker_->Wake();
        }
        return id;
    }
    MessageState State(int64_t id) { return store_->FindOutgoing(id)->state; }
    bool Settled(int64_t id) { return IsFinal(State(id)) || State(id) == MessageState::Sent; }
    static SendResult Outcome(SendOutcome outcome, int32_t code) {
        return SendResult{outcome, {}, code, "scripted"};
    }

    std::string dir_;
    std::unique_ptr<Store> store_;
    EventLog log_{nullptr, nullptr};
    WorkerSettings settings_;
    FakeModem modem_;
    std::unique_ptr<ModemWorker> worker_;
};

TEST_F(ModemWorkerTest, ARefusedNumberFailsThatMessageOnly) {
    modem_.sendScript["refused"] = {Outcome(SendOutcome::Permanent, 1)};
    const int64_t before = Queue("before");
    const int64_t refused = Queue("refused");
    const int64_t after = Queue("after");
    StartWorker();
    ASSERT_TRUE(Eventually([&] { return Settled(before) && Settled(refused) && Settled(after); }));
    EXPECT_EQ(State(before), MessageState::Sent);
    EXPECT_EQ(State(refused), MessageState::Failed);
    EXPECT_EQ(store_->FindOutgoing(refused)->lastError, "1: scripted");
    EXPECT_EQ(store_->FindOutgoing(refused)->attempts, 1);
    EXPECT_EQ(State(after), MessageState::Sent);
    EXPECT_EQ(modem_.sent, (std::vector<std::string>{"before", "after"}));
}

TEST_F(ModemWorkerTest, TransientFailuresRetryUntilTheLimit) {
    modem_.sendScript["flaky"] = {Outcome(SendOutcome::Transient, 38),
                                  Outcome(SendOutcome::Sent, 0)};
    modem_.sendScript["down"] = {Outcome(SendOutcome::Transient, 331)};
    const int64_t flaky = Queue("flaky");
    const int64_t down = Queue("down");
    StartWorker();
    ASSERT_TRUE(Eventually([&] { return Settled(flaky) && Settled(down); }));
    EXPECT_EQ(State(flaky), MessageState::Sent);
    EXPECT_EQ(store_->FindOutgoing(flaky)->attempts, 2);
    EXPECT_EQ(State(down), MessageState::Failed);
    EXPECT_EQ(store_->FindOutgoing(down)->attempts, settings_.retry.maxAttempts);
    EXPECT_EQ(modem_.Count("send down"), static_cast<size_t>(settings_.retry.maxAttempts));
}

TEST_F(ModemWorkerTest, ASendThatMayHaveGoneOutIsNotSentAgainBlindly) {
    modem_.sendScript["timed out"] = {Outcome(SendOutcome::Ambiguous, 1002)};
    const int64_t id = Queue("timed out");
    StartWorker();
    ASSERT_TRUE(Eventually([&] { return Settled(id); }));
    EXPECT_EQ(State(id), MessageState::Unknown);
    EXPECT_EQ(modem_.Count("send timed out"), 1u);
}

// A long message stopped after some parts went out: sending it again would send those
// parts twice, so a passing fault there counts as a send that may have gone out.
TEST_F(ModemWorkerTest, ALongMessageCutOffAfterSomePartsIsNotSentAgain) {
    modem_.sendScript["cut"] = {SendResult{SendOutcome::Transient, {7}, 331, "no network", 3}};
    modem_.sendScript["refused"] = {SendResult{SendOutcome::Permanent, {8, 9}, 21, "rejected", 3}};
    const int64_t cut = Queue("cut");
    const int64_t refused = Queue("refused");
    StartWorker();
    ASSERT_TRUE(Eventually([&] { return Settled(cut) && Settled(refused); }));
    EXPECT_EQ(State(cut), MessageState::Unknown);
    EXPECT_EQ(modem_.Count("send cut"), 1u);
    EXPECT_NE(store_->FindOutgoing(cut)->lastError.find("parts 1 to 1 of 3 went out"),
              std::string::npos)
        << store_->FindOutgoing(cut)->lastError;
    EXPECT_EQ(State(refused), MessageState::Failed);
    EXPECT_EQ(store_->FindOutgoing(refused)->lastError,
              "21: rejected (parts 1 to 2 of 3 went out, references 8 9)");
}

TEST_F(ModemWorkerTest, UnderTheRetryPolicyAnUnconfirmedSendGoesAgain) {
    settings_.unconfirmed = UnconfirmedPolicy::Retry;
    modem_.sendScript["timed out"] = {Outcome(SendOutcome::Ambiguous, 1002),
                                      Outcome(SendOutcome::Sent, 0)};
    const int64_t id = Queue("timed out");
    StartWorker();
    ASSERT_TRUE(Eventually([&] { return Settled(id); }));
    EXPECT_EQ(State(id), MessageState::Sent);
    EXPECT_EQ(modem_.Count("send timed out"), 2u);
}

TEST_F(ModemWorkerTest, ReceivedMessagesAreCommittedBeforeTheModemCopyGoes) {
    modem_.Store("3", "first");
    modem_.Store("7", "second");
    std::vector<std::string> committedAtDelete;
    modem_.beforeDelete = [&](const std::string& index) {
        for (const IncomingMessage& m : store_->Inbox(0, 100)) {
            if ((index == "3" && m.record.text == "first") ||
                (index == "7" && m.record.text == "second")) {
                committedAtDelete.push_back(index);
            }
        }
    };
    StartWorker();
    ASSERT_TRUE(Eventually([&] { return modem_.Count("delete 7") == 1; }));
    EXPECT_EQ(committedAtDelete, (std::vector<std::string>{"3", "7"}));

    // A message announced later, and one the store already has (a delete that did not
    // happen before a restart): stored once, deleted from the modem all the same.
    modem_.Store("4", "third");
    modem_.Store("9", "first");
    modem_.Raise("stored");
    ASSERT_TRUE(Eventually([&] { return modem_.Count("delete 9") == 1; }));
    ASSERT_TRUE(Eventually([&] { return modem_.Count("delete 4") == 1; }));
    const auto inbox = store_->Inbox(0, 100);
    ASSERT_EQ(inbox.size(), 3u);
    EXPECT_EQ(inbox[2].record.text, "third");
    EXPECT_EQ(inbox[2].record.modem, "m1");
}

TEST_F(ModemWorkerTest, AStatusReportSettlesItsMessage) {
    const int64_t id = Queue("report me");
    StartWorker();
    ASSERT_TRUE(Eventually([&] { return State(id) == MessageState::Sent; }));
    const int reference = store_->FindOutgoing(id)->references.at(0);
    modem_.Raise("report " + std::to_string(reference));
    ASSERT_TRUE(Eventually([&] { return State(id) == MessageState::Delivered; }));
}

TEST_F(ModemWorkerTest, AHangUpReconnectsAndFetchesWhatCameMeanwhile) {
    StartWorker();
    ASSERT_TRUE(Eventually([&] { return modem_.Count("list") >= 1; }));
    modem_.Store("1", "while away");
    modem_.Raise("hangup");
    ASSERT_TRUE(Eventually([&] { return modem_.Count("connect") == 2; }));
    ASSERT_TRUE(Eventually([&] { return store_->Inbox(0, 10).size() == 1; }));
    ASSERT_TRUE(Eventually([&] {
        const auto modems = store_->Modems();
        return modems.size() == 1 && modems[0].connected && modems[0].reconnects == 1;
    }));
}

TEST_F(ModemWorkerTest, RepeatedTimeoutsSetTheModemUpAgain) {
    settings_.reinitAfterTimeouts = 2;
    StartWorker();
    ASSERT_TRUE(Eventually([&] { return modem_.Count("connect") == 1; }));
    {
        std::lock_guard lock(modem_.mutex);
        modem_.timeouts = 2;
    }
    ASSERT_TRUE(Eventually([&] { return modem_.Count("connect") == 2; }));
    const int64_t id = Queue("after the reset");
    ASSERT_TRUE(Eventually([&] { return Settled(id); }));
    EXPECT_EQ(State(id), MessageState::Sent);
}

}  // namespace
}  // namespace vorsa::gateway
