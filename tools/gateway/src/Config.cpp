#include "vorsa/gateway/Config.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

#include "vorsa/gateway/IniFile.h"

namespace vorsa::gateway {

namespace {

std::optional<int64_t> Integer(const std::string& text, int64_t low, int64_t high) {
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> Decimal(const std::string& text, double low, double high) {
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value) || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

using Setter = std::function<std::string(const std::string&)>;

// A setter for a whole number of seconds stored as milliseconds.
Setter Seconds(int64_t& millis, int64_t low, int64_t high) {
    return [&millis, low, high](const std::string& v) -> std::string {
        const auto n = Integer(v, low, high);
        if (!n) {
            return "takes whole seconds from " + std::to_string(low) + " to " +
                   std::to_string(high);
        }
        millis = *n * 1000;
        return "";
    };
}

Setter Count(int& value, int low, int high) {
    return [&value, low, high](const std::string& v) -> std::string {
        const auto n = Integer(v, low, high);
        if (!n) {
            return "takes a number from " + std::to_string(low) + " to " + std::to_string(high);
        }
        value = static_cast<int>(*n);
        return "";
    };
}

Setter Text(std::string& value) {
    return [&value](const std::string& v) {
        value = v;
        return std::string();
    };
}

std::string Apply(const IniSection& section, const std::map<std::string, Setter>& setters) {
    for (const IniEntry& entry : section.entries) {
        const auto setter = setters.find(entry.key);
        const std::string where = "line " + std::to_string(entry.line) + ": ";
        if (setter == setters.end()) {
            std::string known;
            for (const auto& [key, unused] : setters) {
                known += (known.empty() ? "" : ", ") + key;
            }
            return where + "unknown key '" + entry.key + "' in [" + section.kind +
                   "] (known: " + known + ")";
        }
        if (const std::string error = setter->second(entry.value); !error.empty()) {
            return where + entry.key + " " + error;
        }
    }
    return "";
}

}  // namespace

ConfigResult ParseConfig(std::string_view text) {
    const IniParseResult ini = ParseIni(text);
    if (!ini.error.empty()) {
        return {std::nullopt, ini.error};
    }
    GatewayConfig config;
    std::string afterCrash = "unknown";
    for (const IniSection& section : ini.sections) {
        const std::string where = "line " + std::to_string(section.line) + ": ";
        std::string error;
        if (section.kind.empty()) {
            if (!section.entries.empty()) {
                return {std::nullopt, "line " + std::to_string(section.entries[0].line) +
                                          ": settings go in a section ([gateway], [modem NAME])"};
            }
            continue;
        }
        if (section.kind == "gateway") {
            error = Apply(section,
                          {{"listen", Text(config.listen)},
                           {"store", Text(config.store)},
                           {"token", Text(config.token)},
                           {"id", Text(config.id)},
                           {"webhook", Text(config.webhook)},
                           {"after_crash", Text(afterCrash)},
                           {"max_attempts", Count(config.retry.maxAttempts, 1, 1000)},
                           {"retry_backoff", Seconds(config.retry.backoffMs, 0, 86400)},
                           {"retry_backoff_max", Seconds(config.retry.maxBackoffMs, 0, 86400)},
                           {"queue_expiry", Seconds(config.queueExpiryMs, 1, 365LL * 86400)},
                           {"abandon_after", Seconds(config.abandonAfterMs, 60, 7LL * 86400)},
                           {"health_interval", Seconds(config.healthIntervalMs, 1, 86400)},
                           {"rescan_interval", Seconds(config.rescanIntervalMs, 1, 86400)},
                           {"reassembly_timeout", Seconds(config.reassemblyTimeoutMs, 1, 86400)},
                           {"reinit_after_timeouts", Count(config.reinitAfterTimeouts, 1, 100)}});
        } else if (section.kind == "modem") {
            ModemConfig modem;
            modem.name = section.name;
            int baud = modem.link.baud;
            int timeout = static_cast<int>(modem.link.timeoutSeconds);
            std::string simulated;
            error = Apply(section, {{"port", Text(modem.link.device)},
                                    {"baud", Count(baud, 1, 4000000)},
                                    {"pin", Text(modem.link.pin)},
                                    {"smsc", Text(modem.link.serviceCentre)},
                                    {"storage", Text(modem.link.storage)},
                                    {"timeout", Count(timeout, 1, 3600)},
                                    {"simulated", Text(simulated)},
                                    {"rate", [&modem](const std::string& v) -> std::string {
                                         const auto rate = Decimal(v, 0, 100000);
                                         if (!rate) {
                                             return "takes messages per minute (0 for no limit)";
                                         }
                                         modem.ratePerMinute = *rate;
                                         return "";
                                     }}});
            if (!error.empty()) {
                return {std::nullopt, error};
            }
            modem.link.baud = baud;
            modem.link.timeoutSeconds = static_cast<uint32_t>(timeout);
            if (simulated == "true" || simulated == "yes" || simulated == "1") {
                modem.simulated = true;
            } else if (!simulated.empty() && simulated != "false" && simulated != "no" &&
                       simulated != "0") {
                return {std::nullopt, where + "simulated takes true or false"};
            }
            if (modem.name.empty()) {
                return {std::nullopt, where + "a modem section needs a name: [modem NAME]"};
            }
            if (modem.link.device.empty() && !modem.simulated) {
                return {std::nullopt,
                        where + "modem " + modem.name + " needs a port (or simulated = true)"};
            }
            for (const ModemConfig& other : config.modems) {
                if (other.name == modem.name) {
                    return {std::nullopt, where + "a second modem named " + modem.name};
                }
            }
            config.modems.push_back(std::move(modem));
            continue;
        } else {
            return {std::nullopt, where + "unknown section [" + section.kind +
                                      "] (known: [gateway], [modem NAME])"};
        }
        if (!error.empty()) {
            return {std::nullopt, error};
        }
    }
    if (afterCrash == "unknown") {
        config.afterCrash = UnconfirmedPolicy::MarkUnknown;
    } else if (afterCrash == "retry") {
        config.afterCrash = UnconfirmedPolicy::Retry;
    } else {
        return {std::nullopt, "after_crash takes unknown or retry"};
    }
    std::string host;
    int port = 0;
    if (!SplitListen(config.listen, host, port)) {
        return {std::nullopt, "listen takes HOST:PORT, e.g. 127.0.0.1:8080"};
    }
    return {config, ""};
}

bool SplitListen(const std::string& listen, std::string& host, int& port) {
    const size_t colon = listen.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        return false;
    }
    host = listen.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    const auto number = Integer(listen.substr(colon + 1), 0, 65535);
    if (!number || host.empty()) {
        return false;
    }
    port = static_cast<int>(*number);
    return true;
}

bool IsLoopbackAddress(const std::string& address) {
    return address.rfind("127.", 0) == 0 || address == "::1" || address == "localhost" ||
           address.rfind("::ffff:127.", 0) == 0;
}

}  // namespace vorsa::gateway
