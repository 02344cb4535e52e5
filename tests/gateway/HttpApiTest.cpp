// The HTTP API over a real socket and an SQLite store: every endpoint, the bearer token and
// the loopback rule, idempotent retries, cursor paging, and a JSON 4xx for every bad request.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "vorsa/gateway/HttpApi.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;

class HttpApiTest : public ::testing::Test {
  protected:
    void Start(const std::string& token) {
        char pattern[] = "/tmp/vorsa-api-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        store_ = OpenStore(dir_ + "/gateway.db");
        ApiSettings settings;
        settings.token = token;
        settings.maxBodyBytes = 64 * 1024;
        api_ = std::make_unique<HttpApi>(settings, *store_, [this] { ++queued_; });
        ASSERT_TRUE(api_->Bind("127.0.0.1", 0));
        api_->Start();
        client_ = std::make_unique<httplib::Client>("127.0.0.1", api_->Port());
        if (!token.empty()) {
            client_->set_bearer_token_auth(token.c_str());
        }
    }
    void SetUp() override { Start(""); }
    void TearDown() override {
        client_.reset();
        api_.reset();
        store_.reset();
        std::filesystem::remove_all(dir_);
    }

    // The response's status and JSON body; a body that is not JSON fails the test.
    std::pair<int, json> Post(const std::string& body, const httplib::Headers& headers = {}) {
        return Result(client_->Post("/v1/messages", headers, body, "application/json"));
    }
    std::pair<int, json> Get(const std::string& path) { return Result(client_->Get(path.c_str())); }
    static std::pair<int, json> Result(const httplib::Result& r) {
        if (!r) {
            ADD_FAILURE() << "no response";
            return {0, json()};
        }
        const json body = json::parse(r->body, nullptr, false);
        EXPECT_FALSE(body.is_discarded()) << r->body;
        EXPECT_EQ(r->get_header_value("Content-Type"), "application/json");
        return {r->status, body};
    }

    std::string dir_;
    std::unique_ptr<Store> store_;
    std::unique_ptr<HttpApi> api_;
    std::unique_ptr<httplib::Client> client_;
    int queued_ = 0;
};

TEST_F(HttpApiTest, PostQueuesAndGetReadsTheMessage) {
    const auto [status, body] = Post(R"({"to":"+40700000001","text":"Hello"})");
    EXPECT_EQ(status, 202);
    EXPECT_EQ(body["state"], "queued");
    EXPECT_EQ(body["to"], "+40700000001");
    EXPECT_EQ(queued_, 1);
    const int64_t id = body["id"];

    const auto [getStatus, message] = Get("/v1/messages/" + std::to_string(id));
    EXPECT_EQ(getStatus, 200);
    EXPECT_EQ(message["id"], id);
    EXPECT_EQ(message["text"], "Hello");
    EXPECT_EQ(message["report"], false);
    EXPECT_EQ(message["validity"], nullptr);
    EXPECT_EQ(message["references"], json::array());
    EXPECT_EQ(Get("/v1/messages/424242").first, 404);
    EXPECT_EQ(Get("/v1/messages/abc").first, 404);
    EXPECT_EQ(Get("/v1/messages").first, 405);

    // Any text and every option: the modems send them all.
    const auto [unicodeStatus, unicode] =
        Post(R"({"to":"123","text":"[x] ж 👍","report":true,"class":0,"validity":3600})");
    EXPECT_EQ(unicodeStatus, 202) << unicode.dump();
    EXPECT_EQ(unicode["text"], "[x] ж 👍");
    EXPECT_EQ(unicode["report"], true);
    EXPECT_EQ(unicode["class"], 0);
    EXPECT_EQ(unicode["validity"], 3600);
}

TEST_F(HttpApiTest, RetriedPostWithItsKeyGivesTheFirstMessage) {
    const std::string body = R"({"to":"+40700000001","text":"Once","idempotency_key":"order-7"})";
    const auto first = Post(body);
    const auto again = Post(body);
    EXPECT_EQ(first.first, 202);
    EXPECT_EQ(again.first, 200);
    EXPECT_EQ(again.second["id"], first.second["id"]);
    EXPECT_EQ(queued_, 1);
    // The key in a header works the same; reused for another text it is a conflict.
    const auto header =
        Post(R"({"to":"+40700000001","text":"Once"})", {{"Idempotency-Key", "order-7"}});
    EXPECT_EQ(header.second["id"], first.second["id"]);
    const auto conflict =
        Post(R"({"to":"+40700000001","text":"Twice","idempotency_key":"order-7"})");
    EXPECT_EQ(conflict.first, 409);
    EXPECT_EQ(conflict.second["error"]["code"], "idempotency_conflict");
}

TEST_F(HttpApiTest, EveryBadRequestGetsAJsonError) {
    const struct {
        std::string body;
        int status;
        const char* code;
    } cases[] = {
        {"not json", 400, "bad_json"},
        {R"({"to":"+40700000001","text":"x","extra":1})", 400, "unknown_field"},
        {R"({"to":"07-00","text":"x"})", 400, "bad_number"},
        {R"({"to":"+40700000001","text":""})", 400, "empty_text"},
        {R"({"to":"+40700000001","text":")" + std::string(255 * 153 + 1, 'a') + "\"}", 400,
         "text_too_long"},
        {R"({"to":"+40700000001","text":")" + std::string(70000, 'a') + "\"}", 413,
         "body_too_large"},
    };
    for (const auto& c : cases) {
        const auto [status, body] = Post(c.body);
        EXPECT_EQ(status, c.status) << c.body.substr(0, 60);
        EXPECT_EQ(body["error"]["code"], c.code) << c.body.substr(0, 60);
        EXPECT_FALSE(body["error"]["message"].get<std::string>().empty());
    }
    EXPECT_EQ(queued_, 0);
    EXPECT_EQ(Get("/v2/anything").second["error"]["code"], "not_found");
    for (const char* query : {"?since=-1", "?since=x", "?limit=0", "?limit=1001", "?colour=red"}) {
        EXPECT_EQ(Get(std::string("/v1/inbox") + query).first, 400) << query;
    }
    const auto wrongMethod = Result(client_->Post("/v1/inbox", "", "application/json"));
    EXPECT_EQ(wrongMethod.first, 405);
}

TEST_F(HttpApiTest, InboxPagesWithItsCursor) {
    for (int i = 0; i < 5; ++i) {
        (void)store_->StoreIncoming(
            {"m1", "+40700000002", "26/12/08,10:00:0" + std::to_string(i) + "+08",
             "text " + std::to_string(i), "", 1, true},
            NowMillis());
    }
    std::vector<std::string> texts;
    int64_t cursor = 0;
    for (int page = 0; page < 5; ++page) {
        const auto [status, body] = Get("/v1/inbox?since=" + std::to_string(cursor) + "&limit=2");
        ASSERT_EQ(status, 200);
        if (body["messages"].empty()) {
            EXPECT_EQ(body["next"], cursor);
            break;
        }
        for (const json& m : body["messages"]) {
            texts.push_back(m["text"]);
            EXPECT_EQ(m["from"], "+40700000002");
        }
        cursor = body["next"];
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"text 0", "text 1", "text 2", "text 3", "text 4"}));
}

TEST_F(HttpApiTest, ModemsAndMetricsShowWhatTheStoreHolds) {
    ModemHealth health;
    health.name = "usb\"0";
    health.gateway = "gw";
    health.device = "/dev/ttyUSB0";
    health.connected = true;
    health.signalDbm = -81;
    health.updatedAt = NowMillis();
    store_->SaveHealth(health);
    (void)Post(R"({"to":"+40700000001","text":"queued one"})");
    (void)store_->StoreIncoming({"usb\"0", "+1", "t", "x", "", 1, true}, NowMillis());

    const auto [status, body] = Get("/v1/modems");
    EXPECT_EQ(status, 200);
    ASSERT_EQ(body["modems"].size(), 1u);
    EXPECT_EQ(body["modems"][0]["signal_dbm"], -81);
    EXPECT_EQ(body["modems"][0]["connected"], true);

    const auto metrics = client_->Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_EQ(metrics->status, 200);
    EXPECT_THAT(metrics->body, HasSubstr("vorsa_gateway_outgoing_messages{state=\"queued\"} 1\n"));
    EXPECT_THAT(metrics->body, HasSubstr("vorsa_gateway_outgoing_messages{state=\"sent\"} 0\n"));
    EXPECT_THAT(metrics->body,
                HasSubstr("vorsa_gateway_received_messages_total{modem=\"usb\\\"0\"} 1\n"));
    EXPECT_THAT(metrics->body, HasSubstr("vorsa_gateway_modem_connected{modem=\"usb\\\"0\"} 1\n"));
    EXPECT_THAT(metrics->body,
                HasSubstr("vorsa_gateway_modem_signal_dbm{modem=\"usb\\\"0\"} -81\n"));
    EXPECT_THAT(metrics->body, HasSubstr("# TYPE vorsa_gateway_sent_messages_total counter"));
}

TEST_F(HttpApiTest, TokenIsRequiredWhenConfigured) {
    TearDown();
    Start("s3cret");
    EXPECT_EQ(Get("/v1/modems").first, 200);
    for (const char* header :
         {"", "Bearer wrong", "Bearer s3cre", "Bearer s3cret!", "Basic s3cret", "bearer s3cret"}) {
        httplib::Client other("127.0.0.1", api_->Port());
        httplib::Headers headers;
        if (*header != '\0') {
            headers.emplace("Authorization", header);
        }
        for (const char* path : {"/v1/modems", "/metrics", "/v1/inbox", "/v1/messages/1"}) {
            const auto r = other.Get(path, headers);
            ASSERT_TRUE(r);
            EXPECT_EQ(r->status, 401) << header << " " << path;
            EXPECT_THAT(r->body, HasSubstr("unauthorized"));
        }
        const auto post =
            other.Post("/v1/messages", headers, R"({"to":"123","text":"x"})", "application/json");
        ASSERT_TRUE(post);
        EXPECT_EQ(post->status, 401) << header;
    }
    EXPECT_EQ(queued_, 0);
}

}  // namespace
}  // namespace vorsa::gateway
