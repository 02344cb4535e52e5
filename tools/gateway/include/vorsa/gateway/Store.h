// Where the gateway keeps everything: the outbox, the inbox, status reports, modem health
// and the events waiting for the webhook. One interface, two backends: SQLite in one local
// file (the default) and PostgreSQL, which several gateways can share.
//
// Every call is one transaction, committed durably before it returns (SQLite in WAL mode
// with synchronous=FULL, PostgreSQL with its default synchronous commit). Calls are safe
// from any thread. A failure of the database throws StoreError; nothing is half-written.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "vorsa/gateway/Messages.h"

namespace vorsa::gateway {

class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct EnqueueResult {
    OutgoingMessage message;
    /// False when the idempotency key was known: `message` is the first one.
    bool created = true;
};

struct StoreIncomingResult {
    int64_t id = 0;
    /// False when the message was already stored (same sender, time stamp, text and part
    /// reference): nothing was added.
    bool inserted = true;
};

/// A webhook notification waiting to be delivered.
struct PendingEvent {
    int64_t id = 0;
    std::string kind;     // "message", "report", "modem"
    std::string payload;  // JSON
    int attempts = 0;
};

/// Counts for /metrics.
struct StoreCounts {
    std::map<std::string, int64_t> outgoingByState;
    /// Per modem: "sent" (sent and delivered), "failed", "received".
    std::map<std::string, std::map<std::string, int64_t>> perModem;
};

/// What to do with a message found "sending" whose sender is gone.
enum class UnconfirmedPolicy { MarkUnknown, Retry };

class Store {
  public:
    virtual ~Store() = default;

    // The outbox.

    /// Adds a queued message, or returns the one with the same idempotency key.
    [[nodiscard]] virtual EnqueueResult Enqueue(const NewMessage& message, int64_t now,
                                                int64_t expiresAt) = 0;
    [[nodiscard]] virtual std::optional<OutgoingMessage> FindOutgoing(int64_t id) = 0;
    /// Takes the oldest queued message that is due and unexpired for `modem`: it becomes
    /// "sending" and its attempts count grows. Among gateways sharing the store, each message
    /// is taken by one of them only.
    [[nodiscard]] virtual std::optional<OutgoingMessage> Claim(const std::string& modem,
                                                               const std::string& claimant,
                                                               int64_t now) = 0;
    /// The modem confirmed the message (sending -> sent). False when the message was no
    /// longer "sending" (recovered meanwhile as abandoned): nothing is changed then.
    [[nodiscard]] virtual bool MarkSent(int64_t id, const std::vector<int>& references,
                                        int64_t now) = 0;
    /// Back to the queue, due again at `nextAttemptAt` (sending -> queued).
    virtual void MarkRetry(int64_t id, const std::string& error, int64_t nextAttemptAt,
                           int64_t now) = 0;
    /// sending -> failed.
    virtual void MarkFailed(int64_t id, const std::string& error, int64_t now) = 0;
    /// sending -> unknown: it may have gone out.
    virtual void MarkUnknown(int64_t id, const std::string& error, int64_t now) = 0;
    /// Queued messages past their expiry become "expired"; gives how many.
    virtual int ExpireDue(int64_t now) = 0;
    /// Messages left "sending" by `claimant` (a gateway that restarted: every claimant that
    /// begins with it) or claimed before `staleBefore` by anyone become "unknown", or queued
    /// again under Retry. Gives how many.
    virtual int RecoverUnconfirmed(const std::string& claimantPrefix, int64_t staleBefore,
                                   UnconfirmedPolicy policy, int64_t now) = 0;

    // The inbox.

    /// Stores a received message once; a message already stored is left as it is.
    [[nodiscard]] virtual StoreIncomingResult StoreIncoming(const ReceivedRecord& message,
                                                            int64_t now) = 0;
    /// Received messages with an id above `after`, oldest first.
    [[nodiscard]] virtual std::vector<IncomingMessage> Inbox(int64_t after, int limit) = 0;

    // Status reports.

    /// Records the report and applies it to the latest message `modem` sent with that
    /// reference: delivered once every part is, failed when a part failed. Gives that
    /// message's id, if one matched.
    virtual std::optional<int64_t> ApplyStatusReport(const std::string& modem,
                                                     const StatusReport& report, int64_t now) = 0;

    // Modems.

    virtual void SaveHealth(const ModemHealth& health) = 0;
    [[nodiscard]] virtual std::vector<ModemHealth> Modems() = 0;

    // Webhook events.

    /// Whether received messages, status reports and modem events are kept for the webhook
    /// (off by default: with no webhook nobody would take them).
    virtual void SetRecordEvents(bool record) = 0;
    virtual void AddEvent(const std::string& kind, const std::string& payload, int64_t now) = 0;
    /// Up to `limit` undelivered events that are due, leased until `leaseUntil` so that no
    /// other gateway takes them meanwhile.
    [[nodiscard]] virtual std::vector<PendingEvent> TakeEvents(int limit, int64_t now,
                                                               int64_t leaseUntil) = 0;
    virtual void MarkEventDelivered(int64_t id, int64_t now) = 0;
    virtual void MarkEventRetry(int64_t id, int64_t nextAttemptAt) = 0;

    [[nodiscard]] virtual StoreCounts Counts() = 0;
    /// The schema version the store is at.
    [[nodiscard]] virtual int SchemaVersion() = 0;
};

/// Opens the store named by `location`: a "postgresql://" or "postgres://" URL, or the path
/// of an SQLite file (created, with its directory, when missing). Brings the schema up to
/// date. Throws StoreError.
[[nodiscard]] std::unique_ptr<Store> OpenStore(const std::string& location);

/// The default SQLite file: $XDG_STATE_HOME/vorsa/gateway.db, else
/// $HOME/.local/state/vorsa/gateway.db.
[[nodiscard]] std::string DefaultStorePath();

}  // namespace vorsa::gateway
