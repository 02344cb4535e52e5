// A whole gateway (in this process) on a simulated modem, with messages as people write
// them: a long Unicode text goes out in parts with every part's reference kept, status
// reports make it "delivered" or "failed", and a long message that arrives in parts, out of
// order, lands once and whole; its parts stay on the modem until
// the last one came, or until the reassembly time-out stores it as far as it came.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "GatewayHarness.h"
#include "gateway/Eventually.h"
#include "vorsa/gateway/Gateway.h"
#include "vorsa/gateway/Store.h"
#include "vorsa/sim/MessageParts.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::gateway {
namespace {

using namespace std::chrono_literals;

// Three parts in UCS2: Cyrillic, accents and emoji with a skin-tone modifier, 147 UTF-16
// units in all.
const std::string kLongUnicode =
    "Привет из шлюза: это длинное сообщение, отправленное в нескольких частях. "
    "Ça marche très bien 👍🏽, même avec des émojis 🎉 et des accents — "
    "Ελληνικά επίσης!";
const std::string kSender = "+40700000002";

using test::Eventually;

class LongMessagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        modem_ = std::make_unique<sim::SimulatedModem>(sim::ModemOptions{},
                                                       sim::ServerOptions{dir_.Path() + "/modem"});
        modem_->Start();
    }
    void StartGateway(int64_t reassemblyTimeoutMs = 600000) {
        GatewayConfig config = test::OneModemGateway(dir_.Path(), "long");
        config.reassemblyTimeoutMs = reassemblyTimeoutMs;
        gateway_ = std::make_unique<Gateway>(config, nullptr);
        std::string error;
        ASSERT_TRUE(gateway_->Start(error)) << error;
    }
    void TearDown() override {
        gateway_.reset();
        modem_.reset();
    }

    int64_t Post(const nlohmann::json& body) {
        const test::ApiReply reply = test::PostBody(gateway_->Port(), body);
        EXPECT_EQ(reply.status, 202) << reply.body.dump();
        return reply.body.value("id", int64_t{0});
    }
    OutgoingMessage Outgoing(int64_t id) { return *gateway_->TheStore().FindOutgoing(id); }
    bool EndsIn(int64_t id, MessageState state) {
        return Eventually(
                   [&] { return IsFinal(Outgoing(id).state) || Outgoing(id).state == state; }) &&
               Outgoing(id).state == state;
    }
    std::vector<IncomingMessage> Inbox() { return gateway_->TheStore().Inbox(0, 1000); }
    // The parts the network delivers for a long text from kSender, under one reference.
    static std::vector<sim::IncomingMessage> Parts(const std::string& text, uint16_t reference) {
        sim::IncomingMessage message;
        message.from = kSender;
        message.text = text;
        return sim::SplitIncoming(message, reference);
    }
    void Deliver(const sim::IncomingMessage& part) { ASSERT_TRUE(modem_->Deliver(part).accepted); }
    // Waits until the gateway has listed the modem's memory `more` times from now.
    bool ListedAgain(size_t more) {
        size_t listings = 0;
        for (const std::string& line : modem_->CommandLines()) {
            listings += line.rfind("AT+CMGL", 0) == 0 ? 1 : 0;
        }
        return modem_->WaitForCommand("AT+CMGL", 30s, listings + more);
    }

    test::TempDir dir_;
    std::unique_ptr<sim::SimulatedModem> modem_;
    std::unique_ptr<Gateway> gateway_;
};

TEST_F(LongMessagesTest, ALongUnicodeTextGoesOutInPartsWithEveryReference) {
    StartGateway();
    const int64_t id = Post({{"to", "+40700000001"}, {"text", kLongUnicode}});
    ASSERT_TRUE(EndsIn(id, MessageState::Sent)) << Outgoing(id).lastError;

    const std::vector<sim::SentMessage> outbox = modem_->Outbox();
    ASSERT_EQ(outbox.size(), 3u);
    std::vector<int> references;
    std::string text;
    for (size_t i = 0; i < outbox.size(); ++i) {
        const auto concat = sim::FindConcatElement(outbox[i].userDataHeader);
        ASSERT_TRUE(concat);
        EXPECT_EQ(concat->sequence, i + 1);
        EXPECT_EQ(concat->total, 3);
        EXPECT_EQ(concat->reference, sim::FindConcatElement(outbox[0].userDataHeader)->reference);
        EXPECT_EQ(outbox[i].alphabet, sim::Alphabet::Ucs2);
        references.push_back(outbox[i].reference);
        text += outbox[i].text;
    }
    EXPECT_EQ(text, kLongUnicode);
    EXPECT_EQ(Outgoing(id).references, references);
}

TEST_F(LongMessagesTest, StatusReportsOfEveryPartDecideDeliveredOrFailed) {
    modem_->SetStatusReports({100ms, 0x00});
    StartGateway();
    const nlohmann::json request = {{"to", "+40700000001"},
                                    {"text", kLongUnicode},
                                    {"report", true},
                                    {"class", 1},
                                    {"validity", 3600}};
    const int64_t delivered = Post(request);
    ASSERT_TRUE(EndsIn(delivered, MessageState::Delivered)) << Outgoing(delivered).lastError;
    EXPECT_EQ(Outgoing(delivered).references.size(), 3u);
    for (const sim::SentMessage& part : modem_->Outbox()) {
        EXPECT_NE(part.firstOctet & 0x20, 0) << "no status report asked for";
        EXPECT_EQ(part.messageClass, 1);
    }

    // The network fails one message: it ends "failed" once a part's report says so.
    modem_->SetStatusReports({100ms, 0x41});
    const int64_t failed = Post(request);
    ASSERT_TRUE(EndsIn(failed, MessageState::Failed)) << Outgoing(failed).lastError;
    EXPECT_EQ(Outgoing(failed).references.size(), 3u);
}

// Out of order, and the network delivers the last part twice: the copy goes from the
// modem with the message and never comes back alone as a fragment.
TEST_F(LongMessagesTest, PartsOutOfOrderAndRepeatedLandOnceAndWhole) {
    StartGateway();
    const std::vector<sim::IncomingMessage> parts = Parts(kLongUnicode, 77);
    ASSERT_EQ(parts.size(), 3u);
    for (const size_t index : {2, 0, 2, 1}) {
        Deliver(parts[index]);
    }
    ASSERT_TRUE(Eventually([&] { return !Inbox().empty() && modem_->Storage().empty(); }));
    ASSERT_TRUE(ListedAgain(2));  // nothing more comes of it in later listings
    const std::vector<IncomingMessage> inbox = Inbox();
    ASSERT_EQ(inbox.size(), 1u);
    EXPECT_EQ(inbox[0].record.text, kLongUnicode);
    EXPECT_EQ(inbox[0].record.sender, kSender);
    EXPECT_EQ(inbox[0].record.parts, 3);
    EXPECT_TRUE(inbox[0].record.complete);
}

TEST_F(LongMessagesTest, AnIncompleteMessageStaysOnTheModemUntilItsLastPartComes) {
    StartGateway();
    const std::vector<sim::IncomingMessage> parts = Parts(kLongUnicode, 78);
    Deliver(parts[0]);
    Deliver(parts[2]);
    ASSERT_TRUE(ListedAgain(3));
    EXPECT_TRUE(Inbox().empty());
    EXPECT_EQ(modem_->Storage().size(), 2u);

    Deliver(parts[1]);
    ASSERT_TRUE(Eventually([&] { return !Inbox().empty() && modem_->Storage().empty(); }));
    ASSERT_EQ(Inbox().size(), 1u);
    EXPECT_EQ(Inbox()[0].record.text, kLongUnicode);
    EXPECT_TRUE(Inbox()[0].record.complete);
}

TEST_F(LongMessagesTest, AfterTheReassemblyTimeOutTheMessageIsStoredAsFarAsItCame) {
    StartGateway(1000);
    const std::vector<sim::IncomingMessage> parts = Parts(kLongUnicode, 79);
    Deliver(parts[0]);
    Deliver(parts[1]);
    ASSERT_TRUE(Eventually([&] { return !Inbox().empty() && modem_->Storage().empty(); }));
    const std::vector<IncomingMessage> inbox = Inbox();
    ASSERT_EQ(inbox.size(), 1u);
    EXPECT_FALSE(inbox[0].record.complete);
    EXPECT_EQ(inbox[0].record.parts, 3);
    EXPECT_EQ(kLongUnicode.rfind(inbox[0].record.text, 0), 0u) << inbox[0].record.text;
    EXPECT_LT(inbox[0].record.text.size(), kLongUnicode.size());
}

}  // namespace
}  // namespace vorsa::gateway
