#include "GatewayHarness.h"

#include <httplib.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

namespace vorsa::test {

namespace {

const std::string kProgram = VORSA_CLI_PROGRAM_PATH;

ApiReply Reply(const httplib::Result& result) {
    if (!result) {
        return {};
    }
    return {result->status, nlohmann::json::parse(result->body, nullptr, false)};
}

void Patience(httplib::Client& client) {
    client.set_connection_timeout(2);
    client.set_read_timeout(10);
}

}  // namespace

TempDir::TempDir() {
    char pattern[] = "/tmp/vorsa-gateway-test-XXXXXX";
    if (::mkdtemp(pattern) != nullptr) {
        path_ = pattern;
    }
}

TempDir::~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::string TempDir::Write(const std::string& name, const std::string& text) const {
    const std::string path = path_ + "/" + name;
    std::ofstream(path) << text;
    return path;
}

GatewayProcess::GatewayProcess(const std::string& configPath)
    : process_(kProgram, {"gateway", "--config", configPath, "--listen", "127.0.0.1:0"}) {}

bool GatewayProcess::Ready(std::chrono::milliseconds patience) {
    if (!process_.WaitForOutput("vorsa gateway: store", patience)) {
        return false;
    }
    std::smatch match;
    const std::string output = process_.Output();
    if (!std::regex_search(output, match,
                           std::regex("listening on http://127\\.0\\.0\\.1:(\\d+)"))) {
        return false;
    }
    port_ = std::stoi(match[1]);
    return true;
}

void GatewayProcess::Kill() {
    process_.Signal(SIGKILL);
    (void)process_.Finish(std::chrono::seconds(10));
}

int GatewayProcess::Stop() {
    process_.Signal(SIGTERM);
    return process_.Finish(std::chrono::seconds(60));
}

ApiReply PostMessage(int port, const std::string& to, const std::string& text,
                     const std::string& idempotencyKey) {
    nlohmann::json body = {{"to", to}, {"text", text}};
    if (!idempotencyKey.empty()) {
        body["idempotency_key"] = idempotencyKey;
    }
    return PostBody(port, body);
}

ApiReply PostBody(int port, const nlohmann::json& body) {
    httplib::Client client("127.0.0.1", port);
    Patience(client);
    return Reply(client.Post("/v1/messages", body.dump(), "application/json"));
}

ApiReply GetJson(int port, const std::string& path) {
    httplib::Client client("127.0.0.1", port);
    Patience(client);
    return Reply(client.Get(path.c_str()));
}

gateway::GatewayConfig OneModemGateway(const std::string& dir, const std::string& id) {
    gateway::GatewayConfig config;
    config.listen = "127.0.0.1:0";
    config.store = dir + "/gateway.db";
    config.id = id;
    config.rescanIntervalMs = 1000;
    gateway::ModemConfig modem;
    modem.name = "m1";
    modem.link.device = dir + "/modem";  // the link, as a by-id path would be
    config.modems.push_back(modem);
    return config;
}

}  // namespace vorsa::test
