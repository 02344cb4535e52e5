// The gateway's settings: from the configuration file, then the command line's flags.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vorsa/gateway/ModemLink.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway {

constexpr const char* kDefaultListen = "127.0.0.1:8080";

struct ModemConfig {
    std::string name;
    LinkSettings link;
    /// Messages per minute this modem sends at most; 0: no limit.
    double ratePerMinute = 0;
    /// The built-in simulated modem instead of a device.
    bool simulated = false;
};

struct RetrySettings {
    int maxAttempts = 5;
    int64_t backoffMs = 5000;  // before the second attempt; doubles each time
    int64_t maxBackoffMs = 300000;
};

struct GatewayConfig {
    std::string listen = kDefaultListen;
    std::string store;  // "" : DefaultStorePath()
    std::string token;
    /// Names this gateway in the claims it makes; "" : host name and listen port.
    std::string id;
    std::string webhook;  // "" : none
    /// A message found "sending" after a crash: "unknown" (default) or queued again.
    UnconfirmedPolicy afterCrash = UnconfirmedPolicy::MarkUnknown;
    RetrySettings retry;
    /// How long a message may wait in the queue when it has no validity of its own.
    int64_t queueExpiryMs = 24LL * 3600 * 1000;
    /// A message left "sending" this long by any gateway counts as abandoned.
    int64_t abandonAfterMs = 15LL * 60 * 1000;
    int64_t healthIntervalMs = 30000;
    /// How often the modems' memories are read even without a new-message report.
    int64_t rescanIntervalMs = 60000;
    /// How long the parts of a long message wait on the modem for the missing ones before
    /// the message is stored as far as it came, marked incomplete.
    int64_t reassemblyTimeoutMs = 600000;
    /// Consecutive time-outs after which a modem is set up again.
    int reinitAfterTimeouts = 3;
    std::vector<ModemConfig> modems;
};

struct ConfigResult {
    std::optional<GatewayConfig> config;
    std::string error;
};

/// Reads the configuration file's text (see README "Run a gateway" for every key).
[[nodiscard]] ConfigResult ParseConfig(std::string_view text);

/// "host:port" split; false when it is not that (IPv6 hosts go in brackets: [::1]:8080).
[[nodiscard]] bool SplitListen(const std::string& listen, std::string& host, int& port);

/// True for 127.0.0.0/8, ::1 and "localhost".
[[nodiscard]] bool IsLoopbackAddress(const std::string& address);

}  // namespace vorsa::gateway
