// One connection to a SQL database, as the store needs it: statements with positional
// parameters ("?") whose results come back as text, and scripts of several statements.
// SQLite and PostgreSQL each implement it; SqlStore writes its SQL once for both, with the
// few differences gathered in SqlDialect.
//
// Not thread-safe: SqlStore serialises the calls.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vorsa::gateway::detail {

using SqlValue = std::variant<std::nullptr_t, int64_t, std::string>;
using SqlRow = std::vector<std::optional<std::string>>;

/// What differs between the two databases, as SQL fragments.
struct SqlDialect {
    const char* name;
    /// The column type of an automatically numbered primary key.
    const char* autoId;
    /// Appended to the SELECT that picks rows to claim, so that concurrent claimants
    /// skip each other's rows instead of waiting ("" where one writer excludes the rest).
    const char* claimLock;
    /// Starts a write transaction.
    const char* begin;
    /// Run first in a migration's transaction, so that two gateways starting together
    /// migrate one after the other ("" where `begin` already excludes them).
    const char* migrationLock;
    /// How the dedupe index of received messages covers the text.
    const char* bodyKey;
};

class SqlConnection {
  public:
    virtual ~SqlConnection() = default;
    [[nodiscard]] virtual const SqlDialect& Dialect() const = 0;
    /// Runs one statement; gives its rows (every value as text, NULL as nullopt).
    virtual std::vector<SqlRow> Query(const std::string& sql,
                                      const std::vector<SqlValue>& parameters = {}) = 0;
    /// Runs several statements without parameters.
    virtual void Script(const std::string& sql) = 0;
};

/// Throws StoreError.
[[nodiscard]] std::unique_ptr<SqlConnection> OpenSqlite(const std::string& path);
/// Throws StoreError.
[[nodiscard]] std::unique_ptr<SqlConnection> OpenPostgres(const std::string& url);

}  // namespace vorsa::gateway::detail
