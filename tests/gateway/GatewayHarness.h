// Helpers for the tests that run whole gateways: a temporary directory, the `vorsa gateway`
// program as a child process, an in-process gateway's settings, and the API calls the tests
// make.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sim/Subprocess.h"
#include "vorsa/gateway/Config.h"

namespace vorsa::test {

/// A directory under /tmp, removed with everything in it at the end.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    [[nodiscard]] const std::string& Path() const { return path_; }
    /// Writes `text` to a file in the directory; gives its path.
    std::string Write(const std::string& name, const std::string& text) const;

  private:
    std::string path_;
};

/// `vorsa gateway --config FILE --listen 127.0.0.1:0` as a child process.
class GatewayProcess {
  public:
    explicit GatewayProcess(const std::string& configPath);
    /// Waits until it listens; false when it did not (its log then says why).
    [[nodiscard]] bool Ready(std::chrono::milliseconds patience = std::chrono::seconds(30));
    [[nodiscard]] int Port() const { return port_; }
    /// SIGKILL: no drain, no clean-up.
    void Kill();
    /// SIGTERM and wait; gives the exit status.
    int Stop();
    [[nodiscard]] std::string Log() const { return process_.Errors(); }

  private:
    Subprocess process_;
    int port_ = 0;
};

/// What an API call gave: the HTTP status (0 when the gateway could not be reached) and
/// the JSON body.
struct ApiReply {
    int status = 0;
    nlohmann::json body;
};

ApiReply PostMessage(int port, const std::string& to, const std::string& text,
                     const std::string& idempotencyKey);
/// POST /v1/messages with a body of the caller's making (options, any text).
ApiReply PostBody(int port, const nlohmann::json& body);
ApiReply GetJson(int port, const std::string& path);

/// A gateway named `id` listening on a free loopback port, its store in `dir`, and one
/// modem "m1" on the simulated modem's link `dir`/modem, listed every second.
[[nodiscard]] gateway::GatewayConfig OneModemGateway(const std::string& dir, const std::string& id);

}  // namespace vorsa::test
