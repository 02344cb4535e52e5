// Two gateway processes with two simulated modems each on one PostgreSQL store, clients
// posting to both: every message is sent exactly once, by one modem of one gateway.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "GatewayHarness.h"
#include "PostgresServer.h"
#include "vorsa/gateway/Store.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::gateway {
namespace {

using namespace std::chrono_literals;

constexpr int kMessages = 80;

TEST(SharedPostgres, TwoGatewaysNeverSendOneMessageTwice) {
    VORSA_REQUIRE_POSTGRES();
    const std::string url = test::PostgresServer::Shared().NewDatabase();
    ASSERT_FALSE(url.empty());
    test::TempDir dir;
    std::vector<std::unique_ptr<sim::SimulatedModem>> modems;
    std::vector<std::unique_ptr<test::GatewayProcess>> gateways;
    for (const char* gateway : {"a", "b"}) {
        std::string config =
            std::string("[gateway]\nstore = \"") + url + "\"\nid = gw-" + gateway + "\n";
        for (int m = 1; m <= 2; ++m) {
            const std::string name = gateway + std::to_string(m);
            const std::string link = dir.Path() + "/modem-" + name;
            modems.push_back(std::make_unique<sim::SimulatedModem>(sim::ModemOptions{},
                                                                   sim::ServerOptions{link}));
            modems.back()->Start();
            config += "[modem " + name + "]\nport = " + link + "\n";
        }
        gateways.push_back(std::make_unique<test::GatewayProcess>(
            dir.Write(std::string("gateway-") + gateway + ".ini", config)));
    }
    for (auto& gateway : gateways) {
        ASSERT_TRUE(gateway->Ready()) << gateway->Log();
    }

    std::map<int64_t, std::string> ids;
    for (int n = 0; n < kMessages; ++n) {
        const std::string text = "shared " + std::to_string(n);
        const test::ApiReply reply = test::PostMessage(gateways[n % 2]->Port(), "+40700000001",
                                                       text, "k" + std::to_string(n));
        ASSERT_EQ(reply.status, 202) << reply.body.dump();
        ids[reply.body["id"].get<int64_t>()] = text;
    }
    // Either gateway answers for every message: they share the store.
    EXPECT_EQ(
        test::GetJson(gateways[1]->Port(), "/v1/messages/" + std::to_string(ids.begin()->first))
            .body["text"],
        ids.begin()->second);

    auto store = OpenStore(url);
    const auto deadline = std::chrono::steady_clock::now() + 120s;
    while (store->Counts().outgoingByState.at("sent") < kMessages &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(100ms);
    }
    for (auto& gateway : gateways) {
        EXPECT_EQ(gateway->Stop(), 0);
    }

    std::map<std::string, int> onAir;
    std::map<std::string, int> perModem;
    for (size_t m = 0; m < modems.size(); ++m) {
        for (const sim::SentMessage& sent : modems[m]->Outbox()) {
            ++onAir[sent.text];
            ++perModem[std::to_string(m)];
        }
    }
    for (const auto& [id, text] : ids) {
        const auto message = store->FindOutgoing(id);
        EXPECT_EQ(message->state, MessageState::Sent) << text << ": " << message->lastError;
        EXPECT_EQ(onAir[text], 1) << text;
    }
    EXPECT_EQ(onAir.size(), ids.size());
    std::printf(
        "two gateways on PostgreSQL: %d messages, sent by the modems %d/%d (gateway a) "
        "and %d/%d (gateway b)\n",
        kMessages, perModem["0"], perModem["1"], perModem["2"], perModem["3"]);
}

}  // namespace
}  // namespace vorsa::gateway
