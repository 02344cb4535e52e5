// The store on a SQL connection: one implementation for SQLite and PostgreSQL. Each public
// call holds the connection's lock and runs in one transaction; an exception rolls it back.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>

#include "Schema.h"
#include "SqlConnection.h"
#include "vorsa/gateway/JsonFormat.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway {

namespace {

using detail::SqlConnection;
using detail::SqlRow;
using detail::SqlValue;

// How far back a part left on the modem is matched to the whole message stored before it.
constexpr int64_t kLeftoverPartWindowMs = 24LL * 60 * 60 * 1000;

constexpr const char* kOutgoingColumns =
    "id, recipient, body, report, message_class, validity, idempotency_key, state, modem, "
    "claimed_by, part_refs, attempts, last_error, created_at, updated_at, next_attempt_at, "
    "expires_at, sent_at, done_at";

constexpr const char* kIncomingColumns =
    "id, modem, sender, sent_at, body, part_ref, parts, complete, received_at";

int64_t Int(const std::optional<std::string>& value) {
    return value ? std::strtoll(value->c_str(), nullptr, 10) : 0;
}

std::string Text(const std::optional<std::string>& value) {
    return value.value_or("");
}

std::optional<int64_t> OptionalInt(const std::optional<std::string>& value) {
    if (!value) {
        return std::nullopt;
    }
    return Int(value);
}

// `text` matched literally by LIKE ... ESCAPE '!'.
std::string LikePattern(const std::string& text) {
    std::string pattern;
    for (char c : text) {
        if (c == '%' || c == '_' || c == '!') {
            pattern += '!';
        }
        pattern += c;
    }
    return pattern;
}

SqlValue Nullable(const std::optional<int64_t>& value) {
    return value ? SqlValue(*value) : SqlValue(nullptr);
}

std::string JoinReferences(const std::vector<int>& references) {
    std::string text;
    for (int reference : references) {
        text += (text.empty() ? "" : ",") + std::to_string(reference);
    }
    return text;
}

std::vector<int> SplitReferences(const std::string& text) {
    std::vector<int> references;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        if (!item.empty()) {
            references.push_back(std::atoi(item.c_str()));
        }
    }
    return references;
}

OutgoingMessage OutgoingFromRow(const SqlRow& r) {
    OutgoingMessage m;
    m.id = Int(r[0]);
    m.request.to = Text(r[1]);
    m.request.text = Text(r[2]);
    m.request.report = Int(r[3]) != 0;
    if (r[4]) {
        m.request.messageClass = static_cast<int>(Int(r[4]));
    }
    m.request.validitySeconds = OptionalInt(r[5]);
    m.request.idempotencyKey = Text(r[6]);
    m.state = ParseState(Text(r[7])).value_or(MessageState::Unknown);
    m.modem = Text(r[8]);
    m.claimedBy = Text(r[9]);
    m.references = SplitReferences(Text(r[10]));
    m.attempts = static_cast<int>(Int(r[11]));
    m.lastError = Text(r[12]);
    m.createdAt = Int(r[13]);
    m.updatedAt = Int(r[14]);
    m.nextAttemptAt = Int(r[15]);
    m.expiresAt = Int(r[16]);
    m.sentAt = OptionalInt(r[17]);
    m.doneAt = OptionalInt(r[18]);
    return m;
}

IncomingMessage IncomingFromRow(const SqlRow& r) {
    IncomingMessage m;
    m.id = Int(r[0]);
    m.record.modem = Text(r[1]);
    m.record.sender = Text(r[2]);
    m.record.timeStamp = Text(r[3]);
    m.record.text = Text(r[4]);
    m.record.partReference = Text(r[5]);
    m.record.parts = static_cast<int>(Int(r[6]));
    m.record.complete = Int(r[7]) != 0;
    m.receivedAt = Int(r[8]);
    return m;
}

class SqlStore final : public Store {
  public:
    explicit SqlStore(std::unique_ptr<SqlConnection> connection)
        : db_(std::move(connection)), version_(detail::Migrate(*db_)) {}

    EnqueueResult Enqueue(const NewMessage& message, int64_t now, int64_t expiresAt) override {
        return Transaction<EnqueueResult>([&] {
            if (!message.idempotencyKey.empty()) {
                const auto existing = Rows(std::string("SELECT ") + kOutgoingColumns +
                                               " FROM outgoing WHERE idempotency_key = ?",
                                           {message.idempotencyKey});
                if (!existing.empty()) {
                    return EnqueueResult{OutgoingFromRow(existing[0]), false};
                }
            }
            const auto rows = Rows(
                std::string("INSERT INTO outgoing (recipient, body, report, message_class, "
                            "validity, idempotency_key, state, created_at, updated_at, "
                            "next_attempt_at, expires_at) VALUES (?, ?, ?, ?, ?, ?, 'queued', ?, "
                            "?, ?, ?) RETURNING ") +
                    kOutgoingColumns,
                {message.to, message.text, int64_t{message.report},
                 message.messageClass ? SqlValue(int64_t{*message.messageClass})
                                      : SqlValue(nullptr),
                 Nullable(message.validitySeconds),
                 message.idempotencyKey.empty() ? SqlValue(nullptr)
                                                : SqlValue(message.idempotencyKey),
                 now, now, now, expiresAt});
            return EnqueueResult{OutgoingFromRow(rows.at(0)), true};
        });
    }

    std::optional<OutgoingMessage> FindOutgoing(int64_t id) override {
        std::lock_guard lock(mutex_);
        const auto rows = db_->Query(
            std::string("SELECT ") + kOutgoingColumns + " FROM outgoing WHERE id = ?", {id});
        if (rows.empty()) {
            return std::nullopt;
        }
        return OutgoingFromRow(rows[0]);
    }

    std::optional<OutgoingMessage> Claim(const std::string& modem, const std::string& claimant,
                                         int64_t now) override {
        return Transaction<std::optional<OutgoingMessage>>([&]() -> std::optional<OutgoingMessage> {
            const auto rows =
                Rows(std::string("UPDATE outgoing SET state = 'sending', modem = ?, claimed_by = "
                                 "?, claimed_at = ?, attempts = attempts + 1, updated_at = ? "
                                 "WHERE id = (SELECT id FROM outgoing WHERE state = 'queued' AND "
                                 "next_attempt_at <= ? AND expires_at > ? ORDER BY "
                                 "next_attempt_at, id LIMIT 1") +
                         db_->Dialect().claimLock + ") RETURNING " + kOutgoingColumns,
                     {modem, claimant, now, now, now, now});
            if (rows.empty()) {
                return std::nullopt;
            }
            return OutgoingFromRow(rows[0]);
        });
    }

    bool MarkSent(int64_t id, const std::vector<int>& references, int64_t now) override {
        return Transaction<bool>([&] {
            const auto rows = Rows(
                "UPDATE outgoing SET state = 'sent', part_refs = ?, sent_at = ?, updated_at = ?, "
                "last_error = '' WHERE id = ? AND state = 'sending' RETURNING modem",
                {JoinReferences(references), now, now, id});
            if (rows.empty()) {
                return false;
            }
            for (int reference : references) {
                Rows(
                    "INSERT INTO outgoing_parts (message_id, modem, reference) VALUES (?, ?, ?) "
                    "ON CONFLICT DO NOTHING",
                    {id, Text(rows[0][0]), int64_t{reference}});
            }
            return true;
        });
    }

    void MarkRetry(int64_t id, const std::string& error, int64_t nextAttemptAt,
                   int64_t now) override {
        Finish(id,
               "UPDATE outgoing SET state = 'queued', last_error = ?, next_attempt_at = ?, "
               "updated_at = ? WHERE id = ? AND state = 'sending'",
               {error, nextAttemptAt, now, id});
    }

    void MarkFailed(int64_t id, const std::string& error, int64_t now) override {
        Finish(id,
               "UPDATE outgoing SET state = 'failed', last_error = ?, done_at = ?, "
               "updated_at = ? WHERE id = ? AND state = 'sending'",
               {error, now, now, id});
    }

    void MarkUnknown(int64_t id, const std::string& error, int64_t now) override {
        Finish(id,
               "UPDATE outgoing SET state = 'unknown', last_error = ?, done_at = ?, "
               "updated_at = ? WHERE id = ? AND state = 'sending'",
               {error, now, now, id});
    }

    int ExpireDue(int64_t now) override {
        return Transaction<int>([&] {
            return static_cast<int>(
                Rows("UPDATE outgoing SET state = 'expired', done_at = ?, updated_at = ?, "
                     "last_error = 'not sent before it expired' WHERE state = 'queued' AND "
                     "expires_at <= ? RETURNING id",
                     {now, now, now})
                    .size());
        });
    }

    int RecoverUnconfirmed(const std::string& claimantPrefix, int64_t staleBefore,
                           UnconfirmedPolicy policy, int64_t now) override {
        const std::string change =
            policy == UnconfirmedPolicy::Retry
                ? "state = 'queued', next_attempt_at = ?, done_at = NULL, last_error = "
                  "'queued again: the gateway stopped before the modem confirmed it'"
                : "state = 'unknown', next_attempt_at = ?, done_at = ?, last_error = "
                  "'the gateway stopped while sending it; it may have gone out'";
        std::vector<SqlValue> parameters = {now};
        if (policy == UnconfirmedPolicy::MarkUnknown) {
            parameters.emplace_back(now);
        }
        for (const SqlValue& v :
             std::vector<SqlValue>{now, LikePattern(claimantPrefix) + "%", staleBefore}) {
            parameters.push_back(v);
        }
        return Transaction<int>([&] {
            return static_cast<int>(
                Rows("UPDATE outgoing SET " + change +
                         ", updated_at = ? WHERE state = 'sending' AND (claimed_by LIKE ? ESCAPE "
                         "'!' OR "
                         "claimed_at < ?) RETURNING id",
                     parameters)
                    .size());
        });
    }

    StoreIncomingResult StoreIncoming(const ReceivedRecord& m, int64_t now) override {
        return Transaction<StoreIncomingResult>([&] {
            if (const std::optional<int64_t> whole = WholeMessageHolding(m, now)) {
                return StoreIncomingResult{*whole, false};
            }
            const auto inserted = Rows(
                "INSERT INTO incoming (modem, sender, sent_at, body, part_ref, parts, complete, "
                "received_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING RETURNING "
                "id",
                {m.modem, m.sender, m.timeStamp, m.text, m.partReference, int64_t{m.parts},
                 int64_t{m.complete}, now});
            if (inserted.empty()) {
                const auto existing =
                    Rows(std::string("SELECT id FROM incoming WHERE sender = ? AND sent_at = ? AND "
                                     "part_ref = ? AND ") +
                             db_->Dialect().bodyKey + " = " +
                             (std::string(db_->Dialect().bodyKey) == "body" ? "?" : "md5(?)"),
                         {m.sender, m.timeStamp, m.partReference, m.text});
                return StoreIncomingResult{existing.empty() ? 0 : Int(existing[0][0]), false};
            }
            const int64_t id = Int(inserted[0][0]);
            if (recordEvents_) {
                InsertEvent("message", ToJson(IncomingMessage{id, m, now}).dump(), now);
            }
            return StoreIncomingResult{id, true};
        });
    }

    // A part handed over alone after the reassembly time-out may be one the gateway did not
    // get to delete after storing its whole message (killed between the deletes of its
    // parts): the message from the same sender under the same concatenation reference,
    // stored whole within the last day, whose text holds this part's text.
    std::optional<int64_t> WholeMessageHolding(const ReceivedRecord& m, int64_t now) {
        if (m.complete || m.partReference.empty() || m.text.empty()) {
            return std::nullopt;
        }
        for (const SqlRow& row :
             Rows("SELECT id, body FROM incoming WHERE sender = ? AND part_ref = ? AND "
                  "complete = 1 AND received_at >= ? ORDER BY id DESC",
                  {m.sender, m.partReference, now - kLeftoverPartWindowMs})) {
            if (row[1] && row[1]->find(m.text) != std::string::npos) {
                return Int(row[0]);
            }
        }
        return std::nullopt;
    }

    std::vector<IncomingMessage> Inbox(int64_t after, int limit) override {
        std::lock_guard lock(mutex_);
        std::vector<IncomingMessage> messages;
        for (const SqlRow& row : db_->Query(std::string("SELECT ") + kIncomingColumns +
                                                " FROM incoming WHERE id > ? ORDER BY id LIMIT ?",
                                            {after, int64_t{limit}})) {
            messages.push_back(IncomingFromRow(row));
        }
        return messages;
    }

    std::optional<int64_t> ApplyStatusReport(const std::string& modem, const StatusReport& report,
                                             int64_t now) override {
        return Transaction<std::optional<int64_t>>([&]() -> std::optional<int64_t> {
            // References wrap at 256: the latest message with this one is meant.
            const auto match = Rows(
                "SELECT p.message_id FROM outgoing_parts p JOIN outgoing o ON o.id = "
                "p.message_id WHERE p.modem = ? AND p.reference = ? ORDER BY o.sent_at DESC, "
                "o.id DESC LIMIT 1",
                {modem, int64_t{report.reference}});
            std::optional<int64_t> messageId;
            if (!match.empty()) {
                messageId = Int(match[0][0]);
            }
            Rows(
                "INSERT INTO status_reports (modem, reference, status, outcome, recipient, "
                "discharge_time, message_id, received_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                {modem, int64_t{report.reference}, int64_t{report.status},
                 std::string(OutcomeName(report.outcome)), report.recipient, report.dischargeTime,
                 Nullable(messageId), now});
            if (messageId && report.outcome != DeliveryOutcome::Pending) {
                Rows("UPDATE outgoing_parts SET outcome = ? WHERE message_id = ? AND reference = ?",
                     {std::string(OutcomeName(report.outcome)), *messageId,
                      int64_t{report.reference}});
                const auto parts = Rows(
                    "SELECT SUM(CASE WHEN outcome = 'failed' THEN 1 ELSE 0 END), SUM(CASE WHEN "
                    "outcome = 'delivered' THEN 1 ELSE 0 END), COUNT(*) FROM outgoing_parts "
                    "WHERE message_id = ?",
                    {*messageId});
                const int64_t failed = Int(parts[0][0]);
                const int64_t delivered = Int(parts[0][1]);
                const int64_t total = Int(parts[0][2]);
                if (failed > 0) {
                    Rows(
                        "UPDATE outgoing SET state = 'failed', last_error = ?, done_at = ?, "
                        "updated_at = ? WHERE id = ? AND state IN ('sent', 'delivered')",
                        {"the network reported it undeliverable (status " +
                             std::to_string(report.status) + ")",
                         now, now, *messageId});
                } else if (delivered == total) {
                    Rows(
                        "UPDATE outgoing SET state = 'delivered', done_at = ?, updated_at = ? "
                        "WHERE id = ? AND state = 'sent'",
                        {now, now, *messageId});
                }
            }
            if (recordEvents_) {
                InsertEvent("report", ReportJson(modem, report, messageId).dump(), now);
            }
            return messageId;
        });
    }

    void SaveHealth(const ModemHealth& h) override {
        Transaction<int>([&] {
            Rows(
                "INSERT INTO modems (name, gateway, device, connected, signal_dbm, registration, "
                "last_error, reconnects, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) ON "
                "CONFLICT (name) DO UPDATE SET gateway = excluded.gateway, device = "
                "excluded.device, connected = excluded.connected, signal_dbm = "
                "excluded.signal_dbm, registration = excluded.registration, last_error = "
                "excluded.last_error, reconnects = excluded.reconnects, updated_at = "
                "excluded.updated_at",
                {h.name, h.gateway, h.device, int64_t{h.connected},
                 h.signalDbm ? SqlValue(int64_t{*h.signalDbm}) : SqlValue(nullptr),
                 int64_t{h.registration}, h.lastError, h.reconnects, h.updatedAt});
            return 0;
        });
    }

    std::vector<ModemHealth> Modems() override {
        std::lock_guard lock(mutex_);
        std::vector<ModemHealth> modems;
        for (const SqlRow& r : db_->Query(
                 "SELECT name, gateway, device, connected, signal_dbm, registration, last_error, "
                 "reconnects, updated_at FROM modems ORDER BY name")) {
            ModemHealth h;
            h.name = Text(r[0]);
            h.gateway = Text(r[1]);
            h.device = Text(r[2]);
            h.connected = Int(r[3]) != 0;
            if (r[4]) {
                h.signalDbm = static_cast<int>(Int(r[4]));
            }
            h.registration = static_cast<int>(Int(r[5]));
            h.lastError = Text(r[6]);
            h.reconnects = Int(r[7]);
            h.updatedAt = Int(r[8]);
            modems.push_back(std::move(h));
        }
        return modems;
    }

    void SetRecordEvents(bool record) override { recordEvents_ = record; }

    void AddEvent(const std::string& kind, const std::string& payload, int64_t now) override {
        if (!recordEvents_) {
            return;
        }
        Transaction<int>([&] {
            InsertEvent(kind, payload, now);
            return 0;
        });
    }

    std::vector<PendingEvent> TakeEvents(int limit, int64_t now, int64_t leaseUntil) override {
        return Transaction<std::vector<PendingEvent>>([&] {
            std::vector<PendingEvent> events;
            for (const SqlRow& r :
                 Rows(std::string("UPDATE events SET next_attempt_at = ?, attempts = attempts + 1 "
                                  "WHERE id IN (SELECT id FROM events WHERE delivered_at IS NULL "
                                  "AND next_attempt_at <= ? ORDER BY id LIMIT ?") +
                          db_->Dialect().claimLock + ") RETURNING id, kind, payload, attempts",
                      {leaseUntil, now, int64_t{limit}})) {
                events.push_back({Int(r[0]), Text(r[1]), Text(r[2]), static_cast<int>(Int(r[3]))});
            }
            std::sort(events.begin(), events.end(),
                      [](const PendingEvent& a, const PendingEvent& b) { return a.id < b.id; });
            return events;
        });
    }

    void MarkEventDelivered(int64_t id, int64_t now) override {
        Transaction<int>([&] {
            Rows("UPDATE events SET delivered_at = ? WHERE id = ?", {now, id});
            return 0;
        });
    }

    void MarkEventRetry(int64_t id, int64_t nextAttemptAt) override {
        Transaction<int>([&] {
            Rows("UPDATE events SET next_attempt_at = ? WHERE id = ? AND delivered_at IS NULL",
                 {nextAttemptAt, id});
            return 0;
        });
    }

    StoreCounts Counts() override {
        std::lock_guard lock(mutex_);
        StoreCounts counts;
        for (MessageState state : {MessageState::Queued, MessageState::Sending, MessageState::Sent,
                                   MessageState::Delivered, MessageState::Failed,
                                   MessageState::Expired, MessageState::Unknown}) {
            counts.outgoingByState[std::string(StateName(state))] = 0;
        }
        for (const SqlRow& r : db_->Query("SELECT state, COUNT(*) FROM outgoing GROUP BY state")) {
            counts.outgoingByState[Text(r[0])] = Int(r[1]);
        }
        for (const SqlRow& r : db_->Query(
                 "SELECT modem, SUM(CASE WHEN state IN ('sent', 'delivered') THEN 1 ELSE 0 END), "
                 "SUM(CASE WHEN state = 'failed' THEN 1 ELSE 0 END) FROM outgoing WHERE modem <> "
                 "'' GROUP BY modem")) {
            counts.perModem[Text(r[0])]["sent"] = Int(r[1]);
            counts.perModem[Text(r[0])]["failed"] = Int(r[2]);
        }
        for (const SqlRow& r : db_->Query("SELECT modem, COUNT(*) FROM incoming GROUP BY modem")) {
            counts.perModem[Text(r[0])]["received"] = Int(r[1]);
        }
        return counts;
    }

    int SchemaVersion() override { return version_; }

  private:
    std::vector<SqlRow> Rows(const std::string& sql, const std::vector<SqlValue>& parameters = {}) {
        return db_->Query(sql, parameters);
    }

    void InsertEvent(const std::string& kind, const std::string& payload, int64_t now) {
        Rows("INSERT INTO events (kind, payload, created_at, next_attempt_at) VALUES (?, ?, ?, ?)",
             {kind, payload, now, now});
    }

    // An update of a message being sent; a message in any other state is left alone (it was
    // recovered meanwhile, and what the recovery decided stands).
    void Finish(int64_t id, const std::string& sql, const std::vector<SqlValue>& parameters) {
        Transaction<int>([&] {
            Rows(sql, parameters);
            (void)id;
            return 0;
        });
    }

    template <typename T, typename Body>
    T Transaction(Body&& body) {
        std::lock_guard lock(mutex_);
        db_->Script(db_->Dialect().begin);
        try {
            T result = body();
            db_->Script("COMMIT");
            return result;
        } catch (...) {
            try {
                db_->Script("ROLLBACK");
            } catch (const StoreError&) {
                // The connection broke; the transaction went with it.
            }
            throw;
        }
    }

    std::mutex mutex_;
    std::unique_ptr<SqlConnection> db_;
    int version_;
    bool recordEvents_ = false;
};

}  // namespace

std::unique_ptr<Store> OpenStore(const std::string& location) {
    if (location.rfind("postgresql://", 0) == 0 || location.rfind("postgres://", 0) == 0) {
        return std::make_unique<SqlStore>(detail::OpenPostgres(location));
    }
    const std::filesystem::path path(location);
    if (path.has_parent_path()) {
        std::error_code error;
        std::filesystem::create_directories(path.parent_path(), error);
        if (error) {
            throw StoreError("cannot create " + path.parent_path().string() + ": " +
                             error.message());
        }
    }
    return std::make_unique<SqlStore>(detail::OpenSqlite(location));
}

std::string DefaultStorePath() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && *state == '/') {
        return std::string(state) + "/vorsa/gateway.db";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr && *home != '\0' ? home : ".") +
           "/.local/state/vorsa/gateway.db";
}

}  // namespace vorsa::gateway
