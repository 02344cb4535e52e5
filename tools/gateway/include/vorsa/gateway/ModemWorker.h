// One modem's worker: a thread of its own with its own link (and so its own component and
// message loop). It keeps the modem connected, moves what the modem stores into the inbox
// (committed before it is deleted from the modem), sends from the outbox at the modem's
// rate, applies status reports and keeps the modem's health up to date.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "vorsa/gateway/Config.h"
#include "vorsa/gateway/ModemLink.h"
#include "vorsa/gateway/Pacing.h"

namespace vorsa::gateway {

class EventLog;
class Store;

struct WorkerSettings {
    std::string gatewayId;
    ModemConfig modem;
    RetrySettings retry;
    /// For a send that may or may not have gone out.
    UnconfirmedPolicy unconfirmed = UnconfirmedPolicy::MarkUnknown;
    int64_t healthIntervalMs = 30000;
    int64_t rescanIntervalMs = 60000;
    int reinitAfterTimeouts = 3;
};

using LinkFactory = std::function<std::unique_ptr<ModemLink>()>;

class ModemWorker {
  public:
    ModemWorker(WorkerSettings settings, Store& store, EventLog& log, LinkFactory makeLink);
    ~ModemWorker();
    ModemWorker(const ModemWorker&) = delete;
    ModemWorker& operator=(const ModemWorker&) = delete;

    void Start();
    /// Asks the worker to stop after the operation under way, without waiting.
    void RequestStop();
    /// Finishes the operation under way (a send in progress is completed and recorded),
    /// disconnects and joins the thread.
    void Stop();
    /// Something may be waiting to be sent: look now rather than at the next round.
    void Wake();

    /// "gateway-id/modem-name", as the claims record it.
    [[nodiscard]] std::string Claimant() const;

  private:
    void Run();
    void Connect(ModemLink& link, int64_t now);
    void ReceiveStored(ModemLink& link);
    /// True when it sent (or tried) one message.
    bool SendOne(ModemLink& link);
    void QueryHealth(ModemLink& link);
    void SaveHealth();
    /// Runs a store write, trying again for a while when the database is unreachable.
    bool Record(const std::function<void()>& write, const std::string& what);

    WorkerSettings settings_;
    Store& store_;
    EventLog& log_;
    LinkFactory makeLink_;
    RateLimiter limiter_;
    std::atomic<bool> stop_{false};
    int wakeFd_ = -1;
    std::thread thread_;

    // Owned by the worker's thread.
    ModemHealth health_;
    bool everConnected_ = false;
    bool storedPending_ = false;
    int waiting_ = 0;  // long messages on the modem waiting for parts, at the last listing
    int connectFailures_ = 0;
    int64_t nextConnect_ = 0;
    int64_t nextRescan_ = 0;
    int64_t nextHealth_ = 0;
};

}  // namespace vorsa::gateway
