// What happens in the gateway, as events: one JSON object a line on standard error for the
// operator, and a row for the webhook when one is configured.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

namespace vorsa::gateway {

class Store;

class EventLog {
  public:
    /// `store` may be null (events are then only written); `out` null writes nothing.
    EventLog(Store* store, std::FILE* out) : store_(store), out_(out) {}

    /// Writes {"time":..., "event": kind, ...fields} and keeps it for the webhook when
    /// `forWebhook` (received messages and reports are kept by the store itself).
    void Emit(const std::string& kind, nlohmann::json fields, bool forWebhook = false);

  private:
    Store* store_;
    std::FILE* out_;
    std::mutex mutex_;
};

}  // namespace vorsa::gateway
