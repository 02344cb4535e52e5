// The store's SQLite connection. WAL mode lets readers go on while one writer commits;
// synchronous=FULL makes every commit wait for the disk, so a committed received message
// survives a power failure before the modem's copy is deleted.
#include <sqlite3.h>

#include <chrono>
#include <thread>

#include "SqlConnection.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway::detail {

namespace {

constexpr SqlDialect kSqlite{
    "sqlite", "INTEGER PRIMARY KEY AUTOINCREMENT", "", "BEGIN IMMEDIATE", "", "body"};

// How long a statement waits for another process's lock before it fails.
constexpr int kBusyTimeoutMs = 10000;

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

class SqliteConnection final : public SqlConnection {
  public:
    explicit SqliteConnection(const std::string& path) {
        sqlite3* db = nullptr;
        const int rc = sqlite3_open_v2(
            path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
            nullptr);
        db_.reset(db);
        if (rc != SQLITE_OK) {
            throw StoreError("cannot open " + path + ": " +
                             (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
        }
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        const auto mode = Query("PRAGMA journal_mode=WAL", {});
        if (mode.empty() || !mode[0][0] || *mode[0][0] != "wal") {
            throw StoreError(path + ": the database cannot use write-ahead logging");
        }
        Script("PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;");
    }

    const SqlDialect& Dialect() const override { return kSqlite; }

    std::vector<SqlRow> Query(const std::string& sql,
                              const std::vector<SqlValue>& parameters) override {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &raw,
                               nullptr) != SQLITE_OK) {
            Fail(sql);
        }
        Statement statement(raw);
        for (size_t i = 0; i < parameters.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            int rc = SQLITE_OK;
            if (const auto* number = std::get_if<int64_t>(&parameters[i])) {
                rc = sqlite3_bind_int64(raw, index, *number);
            } else if (const auto* text = std::get_if<std::string>(&parameters[i])) {
                rc = sqlite3_bind_text(raw, index, text->data(), static_cast<int>(text->size()),
                                       SQLITE_TRANSIENT);
            } else {
                rc = sqlite3_bind_null(raw, index);
            }
            if (rc != SQLITE_OK) {
                Fail(sql);
            }
        }
        std::vector<SqlRow> rows;
        for (;;) {
            const int rc = sqlite3_step(raw);
            if (rc == SQLITE_DONE) {
                break;
            }
            if (rc != SQLITE_ROW) {
                Fail(sql);
            }
            SqlRow row;
            const int columns = sqlite3_column_count(raw);
            for (int c = 0; c < columns; ++c) {
                if (sqlite3_column_type(raw, c) == SQLITE_NULL) {
                    row.emplace_back(std::nullopt);
                } else {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, c));
                    row.emplace_back(
                        std::string(text, static_cast<size_t>(sqlite3_column_bytes(raw, c))));
                }
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

    void Script(const std::string& sql) override {
        char* message = nullptr;
        if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
            std::string text = message ? message : "unknown error";
            sqlite3_free(message);
            throw StoreError("sqlite: " + text);
        }
    }

  private:
    [[noreturn]] void Fail(const std::string& sql) {
        throw StoreError(std::string("sqlite: ") + sqlite3_errmsg(db_.get()) +
                         " in: " + sql.substr(0, 80));
    }

    struct DatabaseCloser {
        void operator()(sqlite3* db) const { sqlite3_close(db); }
    };
    std::unique_ptr<sqlite3, DatabaseCloser> db_;
};

}  // namespace

std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path) {
    return std::make_unique<SqliteConnection>(path);
}

}  // namespace vorsa::gateway::detail
