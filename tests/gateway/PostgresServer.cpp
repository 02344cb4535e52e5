#include "PostgresServer.h"

#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace vorsa::test {

namespace {

// The newest installed server's programs (Debian: /usr/lib/postgresql/<version>/bin).
std::string ServerBinaries() {
    std::string best;
    int bestVersion = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
        const int version = std::atoi(entry.path().filename().c_str());
        if (version > bestVersion && std::filesystem::exists(entry.path() / "bin" / "initdb")) {
            bestVersion = version;
            best = (entry.path() / "bin").string();
        }
    }
    return best;
}

int Run(const std::string& command) {
    return std::system(command.c_str());
}

std::string Tail(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    const std::string all = text.str();
    return all.size() > 600 ? all.substr(all.size() - 600) : all;
}

}  // namespace

PostgresServer& PostgresServer::Shared() {
    static PostgresServer server;
    return server;
}

PostgresServer::PostgresServer() {
    bin_ = ServerBinaries();
    if (bin_.empty()) {
        why_ = "no server installed (Debian package postgresql)";
        return;
    }
    char pattern[] = "/tmp/vorsa-pg-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        why_ = "cannot make a temporary directory";
        return;
    }
    dir_ = pattern;
    if (::geteuid() == 0) {
        runAs_ = "runuser -u postgres -- ";
        if (Run("chown postgres: " + dir_) != 0) {
            why_ = "running as root, and there is no postgres user to run the server as";
            return;
        }
    }
    const std::string data = dir_ + "/data";
    // initdb's output is written by this process; the server writes its own log.
    const std::string log = dir_ + "/setup.log";
    const std::string serverLog = dir_ + "/server.log";
    if (Run(runAs_ + bin_ + "/initdb -D " + data + " -A trust -U vorsa -E UTF8 --no-sync >" + log +
            " 2>&1") != 0) {
        why_ = "initdb failed: " + Tail(log);
        return;
    }
    // Durability of the server itself is not under test here: no fsync, for speed.
    if (Run(runAs_ + bin_ + "/pg_ctl -D " + data + " -l " + serverLog + " -w -t 60 -o \"-k " +
            dir_ + " -c listen_addresses='' -c fsync=off -c max_connections=50\" start >>" + log +
            " 2>&1") != 0) {
        why_ = "the server did not start: " + Tail(log) + Tail(serverLog);
        return;
    }
    url_ = "postgresql:///postgres?host=" + dir_ + "&user=vorsa";
}

PostgresServer::~PostgresServer() {
    if (!dir_.empty()) {
        if (!url_.empty()) {
            (void)Run(runAs_ + bin_ + "/pg_ctl -D " + dir_ +
                      "/data -m immediate -w stop >/dev/null 2>&1");
        }
        std::error_code error;
        std::filesystem::remove_all(dir_, error);
    }
}

std::string PostgresServer::NewDatabase() {
    const std::string name = "t" + std::to_string(::getpid()) + "_" + std::to_string(++databases_);
    std::unique_ptr<PGconn, void (*)(PGconn*)> conn(PQconnectdb(url_.c_str()), PQfinish);
    PGresult* result = PQexec(conn.get(), ("CREATE DATABASE " + name).c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    PQclear(result);
    if (!ok) {
        return "";
    }
    return "postgresql:///" + name + "?host=" + dir_ + "&user=vorsa";
}

}  // namespace vorsa::test
