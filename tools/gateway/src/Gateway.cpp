#include "vorsa/gateway/Gateway.h"

#include <unistd.h>

#include "vorsa/gateway/ComponentModemLink.h"
#include "vorsa/gateway/EventLog.h"
#include "vorsa/gateway/HttpApi.h"
#include "vorsa/gateway/ModemWorker.h"
#include "vorsa/gateway/Store.h"
#include "vorsa/gateway/Webhook.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::gateway {

namespace {

// Matches no claimant: the periodic sweep recovers only sends that stayed too long.
constexpr const char* kNoClaimant = "\x1f";

// Messages sent to this number on a built-in simulated modem come back to its inbox.
constexpr const char* kSimulatedOwnNumber = "+40700000099";

}  // namespace

std::string DefaultGatewayId(int port) {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') {
        std::snprintf(host, sizeof host, "gateway");
    }
    return std::string(host) + ":" + std::to_string(port);
}

Gateway::Gateway(GatewayConfig config, std::FILE* log) : config_(std::move(config)), logOut_(log) {}

Gateway::~Gateway() {
    Stop();
}

sim::SimulatedModem* Gateway::SimulatedModem() {
    return simulated_.empty() ? nullptr : simulated_.front().get();
}

int Gateway::Port() const {
    return api_ ? api_->Port() : 0;
}

bool Gateway::Start(std::string& error) {
    if (config_.store.empty()) {
        config_.store = DefaultStorePath();
    }
    std::string host;
    int port = 0;
    if (!SplitListen(config_.listen, host, port)) {
        error = "--listen takes HOST:PORT, e.g. 127.0.0.1:8080";
        return false;
    }
    if (!config_.webhook.empty() && !Webhook::ValidUrl(config_.webhook, &error)) {
        return false;
    }
    try {
        store_ = OpenStore(config_.store);
    } catch (const StoreError& e) {
        error = e.what();
        return false;
    }
    store_->SetRecordEvents(!config_.webhook.empty());
    log_ = std::make_unique<EventLog>(store_.get(), logOut_);

    for (ModemConfig& modem : config_.modems) {
        if (!modem.simulated) {
            continue;
        }
        sim::ModemOptions options;
        options.ownNumber = kSimulatedOwnNumber;
        auto simulated = std::make_unique<sim::SimulatedModem>(options);
        try {
            simulated->Start();
        } catch (const std::system_error& e) {
            error = std::string("cannot start the simulated modem: ") + e.what();
            return false;
        }
        modem.link.device = simulated->DevicePath();
        simulated_.push_back(std::move(simulated));
    }

    ApiSettings apiSettings;
    apiSettings.token = config_.token;
    apiSettings.queueExpiryMs = config_.queueExpiryMs;
    api_ = std::make_unique<HttpApi>(apiSettings, *store_, [this] {
        for (auto& worker : workers_) {
            worker->Wake();
        }
    });
    if (!api_->Bind(host, port)) {
        error = "cannot listen on " + config_.listen + " (in use, or not an address of this host)";
        api_.reset();
        return false;
    }
    if (config_.id.empty()) {
        config_.id = DefaultGatewayId(api_->Port());
    }

    // Sends this gateway had under way when it stopped: unknown (or queued again).
    try {
        const int64_t now = NowMillis();
        const int recovered = store_->RecoverUnconfirmed(
            config_.id + "/", now - config_.abandonAfterMs, config_.afterCrash, now);
        if (recovered > 0) {
            log_->Emit(
                "recovered",
                {{"messages", recovered},
                 {"policy", config_.afterCrash == UnconfirmedPolicy::Retry ? "retry" : "unknown"}});
        }
    } catch (const StoreError& e) {
        error = e.what();
        return false;
    }

    for (const ModemConfig& modem : config_.modems) {
        WorkerSettings settings;
        settings.gatewayId = config_.id;
        settings.modem = modem;
        settings.modem.link.reassemblySeconds =
            static_cast<uint32_t>(config_.reassemblyTimeoutMs / 1000);
        settings.retry = config_.retry;
        settings.unconfirmed = config_.afterCrash;
        settings.healthIntervalMs = config_.healthIntervalMs;
        settings.rescanIntervalMs = config_.rescanIntervalMs;
        settings.reinitAfterTimeouts = config_.reinitAfterTimeouts;
        workers_.push_back(std::make_unique<ModemWorker>(
            settings, *store_, *log_, [] { return std::make_unique<ComponentModemLink>(); }));
    }
    for (auto& worker : workers_) {
        worker->Start();
    }
    if (!config_.webhook.empty()) {
        webhook_ = std::make_unique<Webhook>(config_.webhook, *store_, *log_);
        webhook_->Start();
    }
    api_->Start();
    running_ = true;
    log_->Emit("started", {{"listen", host + ":" + std::to_string(api_->Port())},
                           {"id", config_.id},
                           {"modems", config_.modems.size()}});
    return true;
}

void Gateway::Housekeeping() {
    if (!running_) {
        return;
    }
    try {
        const int64_t now = NowMillis();
        const int expired = store_->ExpireDue(now);
        if (expired > 0) {
            log_->Emit("expired", {{"messages", expired}});
        }
        const int abandoned = store_->RecoverUnconfirmed(kNoClaimant, now - config_.abandonAfterMs,
                                                         config_.afterCrash, now);
        if (abandoned > 0) {
            log_->Emit("recovered", {{"messages", abandoned}, {"abandoned", true}});
        }
    } catch (const StoreError& e) {
        log_->Emit("store_error", {{"error", e.what()}});
    }
}

void Gateway::Stop() {
    if (api_) {
        api_->Stop();
    }
    for (auto& worker : workers_) {
        worker->RequestStop();
    }
    for (auto& worker : workers_) {
        worker->Stop();
    }
    workers_.clear();
    if (webhook_) {
        webhook_->Stop();
        webhook_.reset();
    }
    api_.reset();
    for (auto& simulated : simulated_) {
        simulated->Stop();
    }
    simulated_.clear();
    if (running_ && log_) {
        log_->Emit("stopped", nlohmann::json::object());
    }
    running_ = false;
}

}  // namespace vorsa::gateway
