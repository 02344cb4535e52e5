#include "Schema.h"

#include "vorsa/gateway/Store.h"

namespace vorsa::gateway::detail {

namespace {

// Version 1: the outbox with per-part references, the inbox deduplicated by sender, time
// stamp, part reference and text, status reports, modem health and webhook events.
constexpr const char* kVersion1 = R"sql(
CREATE TABLE outgoing (
    id {id},
    recipient TEXT NOT NULL,
    body TEXT NOT NULL,
    report INTEGER NOT NULL DEFAULT 0,
    message_class INTEGER,
    validity BIGINT,
    idempotency_key TEXT UNIQUE,
    state TEXT NOT NULL,
    modem TEXT NOT NULL DEFAULT '',
    claimed_by TEXT NOT NULL DEFAULT '',
    part_refs TEXT NOT NULL DEFAULT '',
    attempts INTEGER NOT NULL DEFAULT 0,
    last_error TEXT NOT NULL DEFAULT '',
    created_at BIGINT NOT NULL,
    updated_at BIGINT NOT NULL,
    next_attempt_at BIGINT NOT NULL,
    expires_at BIGINT NOT NULL,
    claimed_at BIGINT,
    sent_at BIGINT,
    done_at BIGINT
);
CREATE INDEX outgoing_due ON outgoing (state, next_attempt_at, id);
CREATE TABLE outgoing_parts (
    message_id BIGINT NOT NULL REFERENCES outgoing (id),
    modem TEXT NOT NULL,
    reference INTEGER NOT NULL,
    outcome TEXT NOT NULL DEFAULT 'pending',
    PRIMARY KEY (message_id, reference)
);
CREATE INDEX outgoing_parts_reference ON outgoing_parts (modem, reference);
CREATE TABLE incoming (
    id {id},
    modem TEXT NOT NULL,
    sender TEXT NOT NULL,
    sent_at TEXT NOT NULL,
    body TEXT NOT NULL,
    part_ref TEXT NOT NULL DEFAULT '',
    parts INTEGER NOT NULL DEFAULT 1,
    complete INTEGER NOT NULL DEFAULT 1,
    received_at BIGINT NOT NULL
);
CREATE UNIQUE INDEX incoming_once ON incoming (sender, sent_at, part_ref, {body_key});
CREATE TABLE status_reports (
    id {id},
    modem TEXT NOT NULL,
    reference INTEGER NOT NULL,
    status INTEGER NOT NULL,
    outcome TEXT NOT NULL,
    recipient TEXT NOT NULL DEFAULT '',
    discharge_time TEXT NOT NULL DEFAULT '',
    message_id BIGINT,
    received_at BIGINT NOT NULL
);
CREATE TABLE modems (
    name TEXT PRIMARY KEY,
    gateway TEXT NOT NULL,
    device TEXT NOT NULL,
    connected INTEGER NOT NULL,
    signal_dbm INTEGER,
    registration INTEGER NOT NULL,
    last_error TEXT NOT NULL,
    reconnects BIGINT NOT NULL,
    updated_at BIGINT NOT NULL
);
CREATE TABLE events (
    id {id},
    kind TEXT NOT NULL,
    payload TEXT NOT NULL,
    created_at BIGINT NOT NULL,
    next_attempt_at BIGINT NOT NULL,
    attempts INTEGER NOT NULL DEFAULT 0,
    delivered_at BIGINT
);
CREATE INDEX events_due ON events (delivered_at, next_attempt_at, id);
)sql";

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

std::vector<std::string> Migrations(const SqlDialect& dialect) {
    std::vector<std::string> migrations;
    for (const char* text : {kVersion1}) {
        std::string sql = text;
        ReplaceAll(sql, "{id}", dialect.autoId);
        ReplaceAll(sql, "{body_key}", dialect.bodyKey);
        migrations.push_back(std::move(sql));
    }
    return migrations;
}

int Migrate(SqlConnection& connection) {
    const SqlDialect& dialect = connection.Dialect();
    const std::vector<std::string> migrations = Migrations(dialect);
    int version = 0;
    for (;;) {
        connection.Script(dialect.begin);
        try {
            if (*dialect.migrationLock != '\0') {
                (void)connection.Query(dialect.migrationLock);
            }
            // Created under the lock: two gateways starting together on an empty
            // PostgreSQL database would otherwise both create it and one would fail.
            connection.Script(
                "CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
            const auto rows = connection.Query("SELECT MAX(version) FROM schema_version");
            version = rows.empty() || !rows[0][0] ? 0 : std::stoi(*rows[0][0]);
            if (version > static_cast<int>(migrations.size())) {
                throw StoreError("the store's schema (version " + std::to_string(version) +
                                 ") is newer than this gateway knows; upgrade the gateway");
            }
            if (version == static_cast<int>(migrations.size())) {
                connection.Script("COMMIT");
                return version;
            }
            connection.Script(migrations[static_cast<size_t>(version)]);
            (void)connection.Query("INSERT INTO schema_version (version) VALUES (?)",
                                   {static_cast<int64_t>(version + 1)});
            connection.Script("COMMIT");
        } catch (...) {
            try {
                connection.Script("ROLLBACK");
            } catch (const StoreError&) {
                // The connection broke; the transaction is gone with it.
            }
            throw;
        }
    }
}

}  // namespace vorsa::gateway::detail
