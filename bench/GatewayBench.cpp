// The gateway's two speed figures: messages accepted per second by the HTTP API with the
// SQLite store (each one a durable commit), and the time from a message reaching the modem
// to its row being committed in the inbox (through the classic component's notification,
// read and commit; manual time per message).
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "vorsa/gateway/Gateway.h"
#include "vorsa/gateway/HttpApi.h"
#include "vorsa/gateway/Store.h"
#include "vorsa/sim/SimulatedModem.h"

namespace {

using namespace vorsa::gateway;

std::string TempDir() {
    char pattern[] = "/tmp/vorsa-bench-XXXXXX";
    return ::mkdtemp(pattern) != nullptr ? pattern : "/tmp";
}

// One API on one store for the whole run, shared by the client threads.
struct ApiUnderTest {
    ApiUnderTest() : dir(TempDir()), store(OpenStore(dir + "/gateway.db")) {
        ApiSettings settings;
        api = std::make_unique<HttpApi>(settings, *store, nullptr);
        if (!api->Bind("127.0.0.1", 0)) {
            std::abort();
        }
        api->Start();
    }
    ~ApiUnderTest() {
        api.reset();
        store.reset();
        std::filesystem::remove_all(dir);
    }
    std::string dir;
    std::unique_ptr<Store> store;
    std::unique_ptr<HttpApi> api;
};

ApiUnderTest& Api() {
    static ApiUnderTest api;
    return api;
}

void ApiAcceptsMessages(benchmark::State& state) {
    const int port = Api().api->Port();
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    const std::string body = R"({"to":"+40700000001","text":"A message from the benchmark"})";
    for (auto _ : state) {
        const auto response = client.Post("/v1/messages", body, "application/json");
        if (!response || response->status != 202) {
            state.SkipWithError("the API did not accept the message");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ApiAcceptsMessages)->Threads(1)->Threads(4)->UseRealTime();

void ReceivedMessageCommitted(benchmark::State& state) {
    const std::string dir = TempDir();
    vorsa::sim::SimulatedModem modem({}, {dir + "/modem"});
    modem.Start();
    GatewayConfig config;
    config.listen = "127.0.0.1:0";
    config.store = dir + "/gateway.db";
    ModemConfig link;
    link.name = "m1";
    link.link.device = dir + "/modem";
    config.modems.push_back(link);
    Gateway gateway(config, nullptr);
    std::string error;
    if (!gateway.Start(error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    auto reader = OpenStore(config.store);
    // Wait for the modem to be set up.
    for (int i = 0; i < 1000 && (reader->Modems().empty() || !reader->Modems()[0].connected); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    int n = 0;
    for (auto _ : state) {
        vorsa::sim::IncomingMessage message;
        message.from = "+40700000002";
        message.text = "bench " + std::to_string(n++);
        const size_t before = reader->Inbox(0, 1000000).size();
        const auto start = std::chrono::steady_clock::now();
        (void)modem.Deliver(message);
        while (reader->Inbox(0, 1000000).size() == before) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    gateway.Stop();
    std::filesystem::remove_all(dir);
}
BENCHMARK(ReceivedMessageCommitted)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
