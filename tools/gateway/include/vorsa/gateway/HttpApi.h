// The gateway's HTTP API:
//
//   POST /v1/messages          queue a message            -> 202 {"id":..., "state":"queued"}
//   GET  /v1/messages/{id}     one outgoing message and its state
//   GET  /v1/inbox?since=&limit=   received messages after the cursor `since` (an id)
//   GET  /v1/modems            each modem's health
//   GET  /metrics              Prometheus text
//
// A bearer token is required when one is configured; without one, only loopback clients
// are served. Every refusal is a 4xx with {"error": {"code": ..., "message": ...}}.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vorsa::gateway {

class Store;

struct ApiSettings {
    std::string token;
    int64_t queueExpiryMs = 24LL * 3600 * 1000;
    /// Room for the longest message (255 parts of UCS2) even with every character written
    /// as a JSON escape.
    size_t maxBodyBytes = 256 * 1024;
};

class HttpApi {
  public:
    /// `onQueued` runs after each new message was committed (to wake the modem workers).
    HttpApi(ApiSettings settings, Store& store, std::function<void()> onQueued);
    ~HttpApi();
    HttpApi(const HttpApi&) = delete;
    HttpApi& operator=(const HttpApi&) = delete;

    /// Binds the listening socket (port 0: any free port); false when it cannot.
    [[nodiscard]] bool Bind(const std::string& host, int port);
    /// The bound port.
    [[nodiscard]] int Port() const;
    /// Serves on a thread of its own until Stop().
    void Start();
    /// Stops accepting, finishes the requests under way and joins.
    void Stop();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

/// `value` as a Prometheus label value (backslash, quote and line feed escaped).
[[nodiscard]] std::string PrometheusLabel(const std::string& value);

}  // namespace vorsa::gateway
