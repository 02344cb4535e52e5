// The store's PostgreSQL connection through libpq. Parameters go as text and PostgreSQL
// infers their types from the statement; "?" placeholders become $1, $2, ... A connection
// that broke is re-established before the next statement (the statement that met the
// break fails, so a caller never mistakes it for done).
#include <libpq-fe.h>

#include "SqlConnection.h"
#include "vorsa/gateway/Store.h"

namespace vorsa::gateway::detail {

namespace {

constexpr SqlDialect kPostgres{"postgresql",
                               "BIGSERIAL PRIMARY KEY",
                               " FOR UPDATE SKIP LOCKED",
                               "BEGIN",
                               "SELECT pg_advisory_xact_lock(727274)",
                               "md5(body)"};

// "?" placeholders as PostgreSQL's numbered ones. The store's SQL holds no "?" inside a
// literal, so a plain scan is enough.
std::string NumberedPlaceholders(const std::string& sql) {
    std::string out;
    out.reserve(sql.size() + 16);
    int n = 0;
    for (char c : sql) {
        if (c == '?') {
            out += '$' + std::to_string(++n);
        } else {
            out += c;
        }
    }
    return out;
}

struct ResultClearer {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultClearer>;

class PostgresConnection final : public SqlConnection {
  public:
    explicit PostgresConnection(const std::string& url) : url_(url) {
        conn_.reset(PQconnectdb(url.c_str()));
        if (!conn_ || PQstatus(conn_.get()) != CONNECTION_OK) {
            throw StoreError("cannot connect to PostgreSQL: " + ErrorText());
        }
        Script("SET client_min_messages = warning");
    }

    const SqlDialect& Dialect() const override { return kPostgres; }

    std::vector<SqlRow> Query(const std::string& sql,
                              const std::vector<SqlValue>& parameters) override {
        Reconnect();
        std::vector<std::string> texts(parameters.size());
        std::vector<const char*> values(parameters.size(), nullptr);
        for (size_t i = 0; i < parameters.size(); ++i) {
            if (const auto* number = std::get_if<int64_t>(&parameters[i])) {
                texts[i] = std::to_string(*number);
                values[i] = texts[i].c_str();
            } else if (const auto* text = std::get_if<std::string>(&parameters[i])) {
                values[i] = text->c_str();
            }
        }
        const std::string numbered = NumberedPlaceholders(sql);
        Result result(PQexecParams(conn_.get(), numbered.c_str(), static_cast<int>(values.size()),
                                   nullptr, values.data(), nullptr, nullptr, 0));
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            throw StoreError("postgresql: " + ErrorText() + " in: " + sql.substr(0, 80));
        }
        std::vector<SqlRow> rows;
        const int count = PQntuples(result.get());
        const int columns = PQnfields(result.get());
        for (int r = 0; r < count; ++r) {
            SqlRow row;
            for (int c = 0; c < columns; ++c) {
                if (PQgetisnull(result.get(), r, c)) {
                    row.emplace_back(std::nullopt);
                } else {
                    row.emplace_back(
                        std::string(PQgetvalue(result.get(), r, c),
                                    static_cast<size_t>(PQgetlength(result.get(), r, c))));
                }
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

    void Script(const std::string& sql) override {
        Reconnect();
        Result result(PQexec(conn_.get(), sql.c_str()));
        const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            throw StoreError("postgresql: " + ErrorText());
        }
    }

  private:
    std::string ErrorText() const {
        std::string text = conn_ ? PQerrorMessage(conn_.get()) : "out of memory";
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
            text.pop_back();
        }
        return text;
    }

    void Reconnect() {
        if (PQstatus(conn_.get()) != CONNECTION_OK) {
            PQreset(conn_.get());
            if (PQstatus(conn_.get()) != CONNECTION_OK) {
                throw StoreError("PostgreSQL connection lost: " + ErrorText());
            }
        }
    }

    struct ConnectionCloser {
        void operator()(PGconn* conn) const { PQfinish(conn); }
    };
    std::string url_;
    std::unique_ptr<PGconn, ConnectionCloser> conn_;
};

}  // namespace

std::unique_ptr<SqlConnection> OpenPostgres(const std::string& url) {
    return std::make_unique<PostgresConnection>(url);
}

}  // namespace vorsa::gateway::detail
