#include "vorsa/gateway/Webhook.h"

#include <httplib.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "vorsa/gateway/EventLog.h"
#include "vorsa/gateway/Messages.h"
#include "vorsa/gateway/Pacing.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway {

namespace {

constexpr int kBatch = 20;
constexpr int64_t kLeaseMs = 30000;
constexpr int64_t kRetryBaseMs = 1000;
constexpr int64_t kRetryMaxMs = 300000;
constexpr int kIdleWaitMs = 500;
constexpr time_t kTimeoutSeconds = 10;

struct Target {
    std::string origin;  // scheme://host[:port]
    std::string path;
};

std::optional<Target> SplitUrl(const std::string& url) {
    for (const char* scheme : {"http://", "https://"}) {
        const std::string prefix = scheme;
        if (url.compare(0, prefix.size(), prefix) == 0) {
            const size_t slash = url.find('/', prefix.size());
            Target target{url.substr(0, slash),
                          slash == std::string::npos ? "/" : url.substr(slash)};
            if (target.origin.size() == prefix.size()) {
                return std::nullopt;
            }
            return target;
        }
    }
    return std::nullopt;
}

}  // namespace

Webhook::Webhook(std::string url, Store& store, EventLog& log)
    : url_(std::move(url)), store_(store), log_(log) {}

Webhook::~Webhook() {
    Stop();
}

bool Webhook::ValidUrl(const std::string& url, std::string* error) {
    if (!SplitUrl(url)) {
        if (error != nullptr) {
            *error = "the webhook must be an http:// or https:// URL";
        }
        return false;
    }
    return true;
}

void Webhook::Start() {
    if (!thread_.joinable()) {
        stop_ = false;
        thread_ = std::thread([this] { Run(); });
    }
}

void Webhook::Stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void Webhook::Run() {
    const std::optional<Target> target = SplitUrl(url_);
    if (!target) {
        return;
    }
    httplib::Client client(target->origin);
    client.set_connection_timeout(kTimeoutSeconds);
    client.set_read_timeout(kTimeoutSeconds);
    client.set_write_timeout(kTimeoutSeconds);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                return;
            }
        }
        std::vector<PendingEvent> events;
        try {
            const int64_t now = NowMillis();
            events = store_.TakeEvents(kBatch, now, now + kLeaseMs);
        } catch (const StoreError& error) {
            log_.Emit("store_error", {{"webhook", url_}, {"error", error.what()}});
        }
        for (size_t i = 0; i < events.size(); ++i) {
            const PendingEvent& event = events[i];
            nlohmann::json body = {{"id", event.id}, {"type", event.kind}};
            body["data"] = nlohmann::json::parse(event.payload, nullptr, false);
            const auto response = client.Post(target->path, body.dump(), "application/json");
            const bool acknowledged = response && response->status >= 200 && response->status < 300;
            try {
                if (acknowledged) {
                    store_.MarkEventDelivered(event.id, NowMillis());
                    continue;
                }
                // The receiver is down: this event and the rest of the batch wait together,
                // so they still arrive oldest first.
                const int64_t next =
                    NowMillis() + BackoffMs(event.attempts, kRetryBaseMs, kRetryMaxMs);
                for (size_t rest = i; rest < events.size(); ++rest) {
                    store_.MarkEventRetry(events[rest].id, next);
                }
            } catch (const StoreError& error) {
                log_.Emit("store_error", {{"webhook", url_}, {"error", error.what()}});
            }
            break;
        }
        std::unique_lock lock(mutex_);
        if (events.empty() || events.size() < static_cast<size_t>(kBatch)) {
            wake_.wait_for(lock, std::chrono::milliseconds(kIdleWaitMs), [this] { return stop_; });
        }
    }
}

}  // namespace vorsa::gateway
