// The store on both backends, one suite: SQLite in a temporary file and PostgreSQL on a
// server of the tests' own. The outbox's state machine, claims that two gateways never
// share, the inbox's once-only storing, status reports, webhook events and migrations.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>
#include <thread>

#include "PostgresServer.h"
#include "SqlConnection.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway {
namespace {

constexpr int64_t kNow = 1'800'000'000'000;
constexpr int64_t kDay = 86'400'000;

NewMessage Message(const std::string& text, const std::string& key = "") {
    NewMessage m;
    m.to = "+40700000001";
    m.text = text;
    m.idempotencyKey = key;
    return m;
}

ReceivedRecord Received(const std::string& text, const std::string& partReference = "") {
    return ReceivedRecord{"m1", "+40700000002", "26/12/08,10:00:00+08", text, partReference, 1,
                          true};
}

class StoreTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        if (GetParam() == "postgresql") {
            VORSA_REQUIRE_POSTGRES();
            location_ = test::PostgresServer::Shared().NewDatabase();
            ASSERT_FALSE(location_.empty());
        } else {
            char pattern[] = "/tmp/vorsa-store-XXXXXX";
            ASSERT_NE(::mkdtemp(pattern), nullptr);
            dir_ = pattern;
            location_ = dir_ + "/nested/gateway.db";
        }
        store_ = OpenStore(location_);
    }
    void TearDown() override {
        store_.reset();
        if (!dir_.empty()) {
            std::filesystem::remove_all(dir_);
        }
    }

    std::string dir_;
    std::string location_;
    std::unique_ptr<Store> store_;
};

TEST_P(StoreTest, IdempotencyKeyGivesBackTheFirstMessage) {
    const EnqueueResult first = store_->Enqueue(Message("one", "k"), kNow, kNow + kDay);
    const EnqueueResult again = store_->Enqueue(Message("two", "k"), kNow + 5, kNow + kDay);
    const EnqueueResult other = store_->Enqueue(Message("three"), kNow, kNow + kDay);
    const EnqueueResult another = store_->Enqueue(Message("four"), kNow, kNow + kDay);
    EXPECT_TRUE(first.created);
    EXPECT_FALSE(again.created);
    EXPECT_EQ(again.message.id, first.message.id);
    EXPECT_EQ(again.message.request.text, "one");
    EXPECT_NE(other.message.id, another.message.id);  // no key: never the same message
    const auto found = store_->FindOutgoing(first.message.id);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->state, MessageState::Queued);
    EXPECT_EQ(found->request.idempotencyKey, "k");
    EXPECT_FALSE(store_->FindOutgoing(9999));
}

TEST_P(StoreTest, ClaimsDueMessagesOnceOldestFirstAndMovesThemThroughTheirStates) {
    const int64_t a = store_->Enqueue(Message("a"), kNow, kNow + kDay).message.id;
    const int64_t b = store_->Enqueue(Message("b"), kNow, kNow + kDay).message.id;
    const int64_t c = store_->Enqueue(Message("c"), kNow, kNow + 10).message.id;

    auto claimed = store_->Claim("m1", "gw/m1", kNow);
    ASSERT_TRUE(claimed);
    EXPECT_EQ(claimed->id, a);
    EXPECT_EQ(claimed->state, MessageState::Sending);
    EXPECT_EQ(claimed->attempts, 1);
    store_->MarkRetry(a, "38: network out of order", kNow + 1000, kNow);

    EXPECT_EQ(store_->Claim("m1", "gw/m1", kNow)->id, b);  // a is not due yet
    EXPECT_TRUE(store_->MarkSent(b, {7, 8}, kNow));
    EXPECT_EQ(store_->Claim("m1", "gw/m1", kNow)->id, c);
    store_->MarkFailed(c, "1: unassigned number", kNow);
    EXPECT_FALSE(store_->Claim("m1", "gw/m1", kNow + 999));

    claimed = store_->Claim("m2", "gw/m2", kNow + 1000);
    ASSERT_TRUE(claimed);
    EXPECT_EQ(claimed->id, a);
    EXPECT_EQ(claimed->attempts, 2);
    EXPECT_EQ(claimed->lastError, "38: network out of order");
    store_->MarkUnknown(a, "1002: Reading Timeout.", kNow + 1001);

    const auto sent = store_->FindOutgoing(b);
    EXPECT_EQ(sent->state, MessageState::Sent);
    EXPECT_EQ(sent->references, (std::vector<int>{7, 8}));
    EXPECT_EQ(sent->modem, "m1");
    EXPECT_TRUE(sent->sentAt);
    EXPECT_EQ(store_->FindOutgoing(c)->state, MessageState::Failed);
    EXPECT_EQ(store_->FindOutgoing(a)->state, MessageState::Unknown);
    EXPECT_EQ(store_->FindOutgoing(a)->modem, "m2");

    // Only a message being sent moves on: a late confirmation of a recovered one is refused
    // and a late failure changes nothing.
    EXPECT_FALSE(store_->MarkSent(a, {9}, kNow));
    EXPECT_TRUE(store_->FindOutgoing(a)->references.empty());
    store_->MarkFailed(b, "late", kNow);
    EXPECT_EQ(store_->FindOutgoing(b)->state, MessageState::Sent);
}

TEST_P(StoreTest, ExpiredMessagesAreNeitherClaimedNorLeftQueued) {
    const int64_t old = store_->Enqueue(Message("old"), kNow, kNow + 10).message.id;
    const int64_t fresh = store_->Enqueue(Message("fresh"), kNow, kNow + kDay).message.id;
    EXPECT_EQ(store_->Claim("m1", "gw/m1", kNow + 10)->id, fresh);
    EXPECT_EQ(store_->ExpireDue(kNow + 10), 1);
    EXPECT_EQ(store_->FindOutgoing(old)->state, MessageState::Expired);
    EXPECT_EQ(store_->FindOutgoing(fresh)->state, MessageState::Sending);
    EXPECT_EQ(store_->ExpireDue(kNow + kDay * 2), 0);  // sending is not queued
}

TEST_P(StoreTest, SendsCutShortBecomeUnknownOrQueuedAsThePolicySays) {
    std::vector<int64_t> ids;
    for (const char* claimant : {"gw-a:1/m1", "gw-a:1/m2", "gw-b:1/m1", "gw-a:10/m1"}) {
        ids.push_back(store_->Enqueue(Message(claimant), kNow, kNow + kDay).message.id);
        ASSERT_TRUE(store_->Claim("m", claimant, kNow));
    }
    // gw-a:1 restarted: its own sends, not gw-a:10's nor gw-b's.
    EXPECT_EQ(store_->RecoverUnconfirmed("gw-a:1/", kNow - 1000, UnconfirmedPolicy::MarkUnknown,
                                         kNow + 5),
              2);
    EXPECT_EQ(store_->FindOutgoing(ids[0])->state, MessageState::Unknown);
    EXPECT_EQ(store_->FindOutgoing(ids[1])->state, MessageState::Unknown);
    EXPECT_EQ(store_->FindOutgoing(ids[2])->state, MessageState::Sending);
    EXPECT_EQ(store_->FindOutgoing(ids[3])->state, MessageState::Sending);
    // Claims older than the abandon time, whoever made them, under the retry policy.
    EXPECT_EQ(store_->RecoverUnconfirmed("\x1f", kNow + 1, UnconfirmedPolicy::Retry, kNow + 6), 2);
    EXPECT_EQ(store_->FindOutgoing(ids[2])->state, MessageState::Queued);
    EXPECT_EQ(store_->Claim("m", "gw-b:1/m1", kNow + 6)->attempts, 2);
}

// A part left on the modem by a kill between the deletes of its message's parts comes
// back alone after the reassembly time-out: it is the message already stored, not a new one.
TEST_P(StoreTest, APartLeftBehindByItsStoredMessageIsThatMessage) {
    ReceivedRecord whole = Received("first half, second half", "17/2");
    whole.parts = 2;
    const StoreIncomingResult stored = store_->StoreIncoming(whole, kNow);
    ASSERT_TRUE(stored.inserted);

    ReceivedRecord leftover = whole;
    leftover.text = "second half";
    leftover.complete = false;
    leftover.timeStamp = "26/12/08,10:00:01+08";
    const StoreIncomingResult again = store_->StoreIncoming(leftover, kNow + 60000);
    EXPECT_FALSE(again.inserted);
    EXPECT_EQ(again.id, stored.id);

    // Another reference, another text, or a day later: a message of its own.
    ReceivedRecord otherReference = leftover;
    otherReference.partReference = "18/2";
    ReceivedRecord otherText = leftover;
    otherText.text = "third half";
    EXPECT_TRUE(store_->StoreIncoming(otherReference, kNow).inserted);
    EXPECT_TRUE(store_->StoreIncoming(otherText, kNow).inserted);
    ReceivedRecord later = leftover;
    later.timeStamp = "26/12/09,10:00:01+08";
    EXPECT_TRUE(store_->StoreIncoming(later, kNow + 25LL * 60 * 60 * 1000).inserted);
    EXPECT_EQ(store_->Inbox(0, 100).size(), 4u);
}

TEST_P(StoreTest, ReceivedMessagesAreStoredOnceAndPagedByCursor) {
    const std::string longText(3000, 'x');  // beyond what an index on the text could hold
    const StoreIncomingResult first = store_->StoreIncoming(Received("hello"), kNow);
    const StoreIncomingResult again = store_->StoreIncoming(Received("hello"), kNow + 1);
    EXPECT_TRUE(first.inserted);
    EXPECT_FALSE(again.inserted);
    EXPECT_EQ(again.id, first.id);
    // Any one field apart makes another message.
    ReceivedRecord otherTime = Received("hello");
    otherTime.timeStamp = "26/12/08,10:00:01+08";
    ReceivedRecord otherSender = Received("hello");
    otherSender.sender = "+40700000003";
    EXPECT_TRUE(store_->StoreIncoming(otherTime, kNow).inserted);
    EXPECT_TRUE(store_->StoreIncoming(otherSender, kNow).inserted);
    EXPECT_TRUE(store_->StoreIncoming(Received("hello", "+40700000002/17/2"), kNow).inserted);
    EXPECT_TRUE(store_->StoreIncoming(Received(longText), kNow).inserted);
    EXPECT_FALSE(store_->StoreIncoming(Received(longText), kNow).inserted);
    EXPECT_TRUE(store_->StoreIncoming(Received("ünïcödé 👋"), kNow).inserted);

    std::vector<std::string> texts;
    int64_t cursor = 0;
    for (int page = 0; page < 10; ++page) {
        const auto messages = store_->Inbox(cursor, 4);
        if (messages.empty()) {
            break;
        }
        for (const IncomingMessage& m : messages) {
            EXPECT_GT(m.id, cursor);
            texts.push_back(m.record.text);
            cursor = m.id;
        }
    }
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts.front(), "hello");
    EXPECT_EQ(texts.back(), "ünïcödé 👋");
    EXPECT_EQ(texts[4], longText);
}

TEST_P(StoreTest, StatusReportsSettleTheLatestMessageWithThatReference) {
    const int64_t older = store_->Enqueue(Message("older"), kNow, kNow + kDay).message.id;
    (void)store_->Claim("m1", "gw/m1", kNow);
    EXPECT_TRUE(store_->MarkSent(older, {5}, kNow));
    const int64_t parts = store_->Enqueue(Message("two parts"), kNow, kNow + kDay).message.id;
    (void)store_->Claim("m1", "gw/m1", kNow + 1);
    EXPECT_TRUE(store_->MarkSent(parts, {5, 6}, kNow + 1));  // reference 5 came round again
    const int64_t failing = store_->Enqueue(Message("failing"), kNow, kNow + kDay).message.id;
    (void)store_->Claim("m1", "gw/m1", kNow + 2);
    EXPECT_TRUE(store_->MarkSent(failing, {7}, kNow + 2));

    StatusReport report{5, 0, DeliveryOutcome::Delivered, "+40700000001", ""};
    EXPECT_EQ(store_->ApplyStatusReport("m1", report, kNow + 3), parts);
    EXPECT_EQ(store_->FindOutgoing(parts)->state, MessageState::Sent);  // part 6 still out
    report.reference = 6;
    EXPECT_EQ(store_->ApplyStatusReport("m1", report, kNow + 4), parts);
    EXPECT_EQ(store_->FindOutgoing(parts)->state, MessageState::Delivered);
    EXPECT_EQ(store_->FindOutgoing(older)->state, MessageState::Sent);

    report = {7, 32, DeliveryOutcome::Pending, "", ""};
    EXPECT_EQ(store_->ApplyStatusReport("m1", report, kNow + 5), failing);
    EXPECT_EQ(store_->FindOutgoing(failing)->state, MessageState::Sent);
    report = {7, 65, DeliveryOutcome::Failed, "", ""};
    EXPECT_EQ(store_->ApplyStatusReport("m1", report, kNow + 6), failing);
    EXPECT_EQ(store_->FindOutgoing(failing)->state, MessageState::Failed);

    EXPECT_FALSE(store_->ApplyStatusReport("m2", report, kNow + 7));  // other modem: no match
    EXPECT_FALSE(
        store_->ApplyStatusReport("m1", {99, 0, DeliveryOutcome::Delivered, "", ""}, kNow));
}

TEST_P(StoreTest, ConcurrentClaimersOnSeparateConnectionsNeverShareAMessage) {
    constexpr int kMessages = 120;
    for (int i = 0; i < kMessages; ++i) {
        (void)store_->Enqueue(Message("m" + std::to_string(i)), kNow, kNow + kDay);
    }
    // Four claimers as four gateways: each with its own connection to the same store.
    std::vector<std::unique_ptr<Store>> gateways;
    for (int g = 0; g < 4; ++g) {
        gateways.push_back(OpenStore(location_));
    }
    std::vector<std::vector<int64_t>> claimed(gateways.size());
    std::vector<std::thread> threads;
    for (size_t g = 0; g < gateways.size(); ++g) {
        threads.emplace_back([&, g] {
            while (auto m = gateways[g]->Claim("m" + std::to_string(g),
                                               "gw" + std::to_string(g) + "/m", kNow)) {
                claimed[g].push_back(m->id);
                EXPECT_TRUE(gateways[g]->MarkSent(m->id, {static_cast<int>(m->id % 256)}, kNow));
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    std::set<int64_t> all;
    size_t total = 0;
    for (const auto& ids : claimed) {
        total += ids.size();
        all.insert(ids.begin(), ids.end());
    }
    EXPECT_EQ(total, static_cast<size_t>(kMessages));
    EXPECT_EQ(all.size(), static_cast<size_t>(kMessages));
    EXPECT_EQ(store_->Counts().outgoingByState["sent"], kMessages);
}

TEST_P(StoreTest, WebhookEventsAreLeasedUntilDelivered) {
    store_->AddEvent("modem", "{}", kNow);  // not recorded: no webhook
    EXPECT_TRUE(store_->TakeEvents(10, kNow, kNow + 100).empty());
    store_->SetRecordEvents(true);
    (void)store_->StoreIncoming(Received("for the hook"), kNow);
    store_->AddEvent("modem", R"({"state":"connected"})", kNow);

    const auto taken = store_->TakeEvents(10, kNow, kNow + 100);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].kind, "message");
    EXPECT_NE(taken[0].payload.find("for the hook"), std::string::npos);
    EXPECT_EQ(taken[0].attempts, 1);
    EXPECT_TRUE(store_->TakeEvents(10, kNow + 99, kNow + 200).empty());  // leased
    store_->MarkEventDelivered(taken[0].id, kNow + 1);
    store_->MarkEventRetry(taken[1].id, kNow + 50);
    const auto retried = store_->TakeEvents(10, kNow + 50, kNow + 300);
    ASSERT_EQ(retried.size(), 1u);
    EXPECT_EQ(retried[0].id, taken[1].id);
    EXPECT_EQ(retried[0].attempts, 2);
}

TEST_P(StoreTest, HealthCountsAndReopeningKeepTheSchema) {
    ModemHealth health;
    health.name = "m1";
    health.gateway = "gw";
    health.device = "/dev/ttyUSB0";
    health.connected = true;
    health.signalDbm = -73;
    health.registration = 1;
    health.updatedAt = kNow;
    store_->SaveHealth(health);
    health.connected = false;
    health.signalDbm.reset();
    health.reconnects = 2;
    store_->SaveHealth(health);
    const auto modems = store_->Modems();
    ASSERT_EQ(modems.size(), 1u);
    EXPECT_FALSE(modems[0].connected);
    EXPECT_FALSE(modems[0].signalDbm);
    EXPECT_EQ(modems[0].reconnects, 2);

    (void)store_->StoreIncoming(Received("x"), kNow);
    const int64_t id = store_->Enqueue(Message("y"), kNow, kNow + kDay).message.id;
    (void)store_->Claim("m1", "gw/m1", kNow);
    store_->MarkFailed(id, "no", kNow);
    const StoreCounts counts = store_->Counts();
    EXPECT_EQ(counts.outgoingByState.at("failed"), 1);
    EXPECT_EQ(counts.outgoingByState.at("queued"), 0);
    EXPECT_EQ(counts.perModem.at("m1").at("received"), 1);
    EXPECT_EQ(counts.perModem.at("m1").at("failed"), 1);

    EXPECT_EQ(store_->SchemaVersion(), 1);
    store_.reset();
    store_ = OpenStore(location_);
    EXPECT_EQ(store_->SchemaVersion(), 1);
    EXPECT_EQ(store_->Inbox(0, 10).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreTest, ::testing::Values("sqlite", "postgresql"));

TEST(SqliteStore, RefusesASchemaNewerThanItKnows) {
    char pattern[] = "/tmp/vorsa-store-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string path = std::string(pattern) + "/gateway.db";
    (void)OpenStore(path);
    (void)detail::OpenSqlite(path)->Query("INSERT INTO schema_version VALUES (99)");
    EXPECT_THROW((void)OpenStore(path), StoreError);
    std::filesystem::remove_all(pattern);
}

}  // namespace
}  // namespace vorsa::gateway
