// The webhook against a receiver of the test's own that refuses the first tries: every
// event arrives, oldest first, and is marked delivered only once it was acknowledged.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "GatewayHarness.h"
#include "vorsa/gateway/EventLog.h"
#include "vorsa/gateway/Store.h"
#include "vorsa/gateway/Webhook.h"

namespace vorsa::gateway {
namespace {

using namespace std::chrono_literals;

TEST(Webhook, RetriesUntilAcknowledgedInOrder) {
    test::TempDir dir;
    auto store = OpenStore(dir.Path() + "/gateway.db");
    store->SetRecordEvents(true);
    for (int i = 0; i < 3; ++i) {
        (void)store->StoreIncoming(
            {"m1", "+40700000002", "26/12/08,10:00:0" + std::to_string(i) + "+08",
             "hook " + std::to_string(i), "", 1, true},
            NowMillis());
    }

    std::mutex mutex;
    std::vector<std::string> acknowledged;
    int refusalsLeft = 2;
    httplib::Server receiver;
    receiver.Post("/hook", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(mutex);
        if (refusalsLeft > 0) {
            --refusalsLeft;
            res.status = 503;
            return;
        }
        const auto body = nlohmann::json::parse(req.body);
        EXPECT_EQ(body["type"], "message");
        acknowledged.push_back(body["data"]["text"]);
        res.status = 204;
    });
    const int port = receiver.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { receiver.listen_after_bind(); });

    EventLog log(store.get(), nullptr);
    std::string error;
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/hook";
    ASSERT_TRUE(Webhook::ValidUrl(url, &error)) << error;
    EXPECT_FALSE(Webhook::ValidUrl("ftp://x/y"));
    EXPECT_FALSE(Webhook::ValidUrl("http:///y"));
    Webhook webhook(url, *store, log);
    webhook.Start();
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    for (;;) {
        {
            std::lock_guard lock(mutex);
            if (acknowledged.size() >= 3 || std::chrono::steady_clock::now() > deadline) {
                break;
            }
        }
        std::this_thread::sleep_for(20ms);
    }
    webhook.Stop();
    receiver.stop();
    serving.join();
    EXPECT_EQ(acknowledged, (std::vector<std::string>{"hook 0", "hook 1", "hook 2"}));
    EXPECT_TRUE(store->TakeEvents(10, NowMillis() + 3'600'000, NowMillis()).empty());
}

}  // namespace
}  // namespace vorsa::gateway
