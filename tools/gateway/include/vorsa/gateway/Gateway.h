// The gateway service put together: the store, one worker per modem (built-in simulated
// modems started first), the HTTP API and the webhook. Start() brings it up; Stop() drains:
// the API stops taking requests, each worker finishes and records the operation under way,
// then everything closes.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "vorsa/gateway/Config.h"

namespace vorsa::sim {
class SimulatedModem;
}

namespace vorsa::gateway {

class EventLog;
class HttpApi;
class ModemWorker;
class Store;
class Webhook;

class Gateway {
  public:
    /// Events go to `log` (may be null).
    Gateway(GatewayConfig config, std::FILE* log);
    ~Gateway();
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    /// False, with the reason in `error`, when the store, a simulated modem or the listening
    /// socket cannot be set up (nothing is left running then).
    [[nodiscard]] bool Start(std::string& error);
    /// Expires queued messages past their time and recovers abandoned sends; run it about
    /// once a second.
    void Housekeeping();
    void Stop();

    [[nodiscard]] int Port() const;
    [[nodiscard]] const GatewayConfig& Config() const { return config_; }
    [[nodiscard]] Store& TheStore() { return *store_; }
    /// The first built-in simulated modem, or null.
    [[nodiscard]] sim::SimulatedModem* SimulatedModem();

  private:
    GatewayConfig config_;
    std::FILE* logOut_;
    std::unique_ptr<Store> store_;
    std::unique_ptr<EventLog> log_;
    std::vector<std::unique_ptr<sim::SimulatedModem>> simulated_;
    std::vector<std::unique_ptr<ModemWorker>> workers_;
    std::unique_ptr<HttpApi> api_;
    std::unique_ptr<Webhook> webhook_;
    bool running_ = false;
};

/// The gateway's name in its claims when none is configured: host name and port.
[[nodiscard]] std::string DefaultGatewayId(int port);

}  // namespace vorsa::gateway
