// A whole gateway (in this process) on a simulated modem that misbehaves: it hangs up and
// comes back on a new device behind the same link, falls silent, refuses sends with +CMS
// errors, and fills its SIM while the gateway is away. Each time the gateway recovers by
// itself and loses nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "GatewayHarness.h"
#include "gateway/Eventually.h"
#include "vorsa/gateway/Gateway.h"
#include "vorsa/gateway/Store.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::gateway {
namespace {

using namespace std::chrono_literals;

using test::Eventually;

class ModemFaultsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sim::ModemOptions options;
        options.simCapacity = 5;
        modem_ = std::make_unique<sim::SimulatedModem>(options,
                                                       sim::ServerOptions{dir_.Path() + "/modem"});
        modem_->Start();
    }
    void StartGateway() {
        GatewayConfig config = test::OneModemGateway(dir_.Path(), "faults");
        config.retry = RetrySettings{20, 200, 1000};
        config.reinitAfterTimeouts = 2;
        config.modems[0].link.timeoutSeconds = 1;
        gateway_ = std::make_unique<Gateway>(config, nullptr);
        std::string error;
        ASSERT_TRUE(gateway_->Start(error)) << error;
    }
    void TearDown() override {
        gateway_.reset();
        modem_.reset();
    }

    Store& TheStore() { return gateway_->TheStore(); }
    int64_t Send(const std::string& text) {
        const test::ApiReply reply = test::PostMessage(gateway_->Port(), "+40700000001", text, "");
        EXPECT_EQ(reply.status, 202) << reply.body.dump();
        return reply.body.value("id", int64_t{0});
    }
    MessageState State(int64_t id) { return TheStore().FindOutgoing(id)->state; }
    bool Received(const std::string& text) {
        for (const IncomingMessage& m : TheStore().Inbox(0, 1000)) {
            if (m.record.text == text) {
                return true;
            }
        }
        return false;
    }
    size_t InboxSize() { return TheStore().Inbox(0, 1000).size(); }
    static sim::IncomingMessage From(const std::string& text) {
        sim::IncomingMessage message;
        message.from = "+40700000002";
        message.text = text;
        return message;
    }
    void Deliver(const std::string& text) {
        ASSERT_TRUE(modem_->Deliver(From(text)).accepted) << text;
    }

    test::TempDir dir_;
    std::unique_ptr<sim::SimulatedModem> modem_;
    std::unique_ptr<Gateway> gateway_;
};

TEST_F(ModemFaultsTest, HangUpAndANewDeviceBehindTheSameLink) {
    StartGateway();
    const int64_t before = Send("before the hang-up");
    ASSERT_TRUE(Eventually([&] { return State(before) == MessageState::Sent; }));

    modem_->HangUp();  // unplugged...
    ASSERT_TRUE(Eventually([&] {
        const auto modems = TheStore().Modems();
        return !modems.empty() && !modems[0].connected;
    }));
    modem_->Stop();
    modem_->Start();  // ...and back, re-enumerated on another pty behind the same link
    Deliver("while it was away");
    const int64_t after = Send("after the hang-up");
    ASSERT_TRUE(Eventually([&] { return State(after) == MessageState::Sent; }));
    ASSERT_TRUE(Eventually([&] { return Received("while it was away"); }));
    EXPECT_GE(TheStore().Modems()[0].reconnects, 1);
    EXPECT_TRUE(TheStore().Modems()[0].connected);
}

TEST_F(ModemFaultsTest, SilenceLeadsToANewSetUpAndNothingIsLost) {
    StartGateway();
    ASSERT_TRUE(Eventually(
        [&] { return !TheStore().Modems().empty() && TheStore().Modems()[0].connected; }));
    modem_->UpdateFaults([](sim::FaultSettings& f) { f.ignoreNextCommands = 4; });
    Deliver("during the silence");
    ASSERT_TRUE(Eventually([&] { return Received("during the silence"); }));
    ASSERT_TRUE(Eventually([&] { return modem_->Storage().empty(); }));
    const int64_t id = Send("after the silence");
    ASSERT_TRUE(Eventually([&] { return State(id) == MessageState::Sent; }));
    ASSERT_EQ(modem_->Outbox().size(), 1u);
    EXPECT_EQ(modem_->Outbox()[0].text, "after the silence");
}

TEST_F(ModemFaultsTest, SendErrorsFailOrRetryByTheirCause) {
    modem_->UpdateFaults(
        [](sim::FaultSettings& f) { f.failingCommands["+CMGS"] = "+CMS ERROR: 1"; });
    StartGateway();
    const int64_t refused = Send("to an unassigned number");
    ASSERT_TRUE(Eventually([&] { return State(refused) == MessageState::Failed; }));
    EXPECT_EQ(TheStore().FindOutgoing(refused)->attempts, 1);

    modem_->UpdateFaults(
        [](sim::FaultSettings& f) { f.failingCommands["+CMGS"] = "+CMS ERROR: 42"; });
    const int64_t congested = Send("through congestion");
    ASSERT_TRUE(Eventually([&] { return TheStore().FindOutgoing(congested)->attempts >= 2; }));
    EXPECT_FALSE(IsFinal(State(congested)));  // queued again, or being sent again
    modem_->ClearFaults();
    ASSERT_TRUE(Eventually([&] { return State(congested) == MessageState::Sent; }));
    ASSERT_EQ(modem_->Outbox().size(), 1u);
    EXPECT_EQ(modem_->Outbox()[0].text, "through congestion");
}

TEST_F(ModemFaultsTest, AFullSimIsEmptiedIntoTheStore) {
    for (int i = 0; i < 5; ++i) {
        Deliver("stored while no gateway ran " + std::to_string(i));
    }
    EXPECT_FALSE(modem_->Deliver(From("no room")).accepted);
    modem_->Stop();  // the gateway's first reads mark them read, as a crash half-way would
    modem_->Start();
    StartGateway();
    ASSERT_TRUE(Eventually([&] { return InboxSize() == 5 && modem_->Storage().empty(); }));
    Deliver("room again");
    ASSERT_TRUE(Eventually([&] { return Received("room again"); }));
    EXPECT_EQ(InboxSize(), 6u);
}

}  // namespace
}  // namespace vorsa::gateway
