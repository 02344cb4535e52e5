// From the network delivering a message to the application's event: the simulated modem
// (vorsa-sim's engine on a pseudo-terminal, at 115200 baud) stores it and announces it with
// +CMTI, or forwards it with +CMT; the component's message loop notices the port's input,
// collects the report and raises OnNotifySMS or OnReceiveSMS. In text and PDU mode, with
// the polling timer at its default of one second. Each iteration is one message; the
// counters give the median, the 90th percentile and the largest latency of the run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "vorsa/Vorsa32.h"
#include "vorsa/sim/SimulatedModem.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPatience = std::chrono::seconds(5);

void EventLatency(benchmark::State& State, bool TextMode, bool Direct) {
    vorsa::sim::SimulatedModem Modem;
    Modem.Start();
    vorsa::TVorsa Vorsa(nullptr);
    Vorsa.Port = Modem.DevicePath();
    Vorsa.Baud = 115200;
    Vorsa.TextMode = TextMode;
    Vorsa.DirectForward = Direct;
    Vorsa.OnSMSError = [&State](vorsa::TObject*, int32_t Code, std::string Text) {
        State.SkipWithError(("error " + std::to_string(Code) + ": " + Text).c_str());
    };
    Clock::time_point Raised;
    bool Arrived = false;
    Vorsa.OnNotifySMS = [&](vorsa::TObject*, std::string, std::string) {
        Raised = Clock::now();
        Arrived = true;
    };
    Vorsa.OnReceiveSMS = [&](vorsa::TObject*, std::string, std::string) {
        Raised = Clock::now();
        Arrived = true;
    };
    Vorsa.Connect();
    if (!Vorsa.Connected()) {
        State.SkipWithError("cannot connect to the simulated modem");
        return;
    }
    vorsa::sim::IncomingMessage Message;
    Message.from = "+40700000001";
    Message.text = "Latency";

    std::vector<double> Milliseconds;
    for (auto _ : State) {
        Arrived = false;
        const Clock::time_point Delivered = Clock::now();
        Modem.Deliver(Message);
        while (!Arrived && Clock::now() - Delivered < kPatience) {
            (void)vorsa::HandleMessage(100);
        }
        if (!Arrived) {
            State.SkipWithError("no event within 5 s");
            break;
        }
        const std::chrono::duration<double> Latency = Raised - Delivered;
        State.SetIterationTime(Latency.count());
        Milliseconds.push_back(Latency.count() * 1000);
        State.PauseTiming();
        Modem.ClearStorage();  // on the engine, not on the line
        vorsa::ProcessMessages();
        State.ResumeTiming();
    }
    if (Milliseconds.empty()) {
        return;
    }
    std::sort(Milliseconds.begin(), Milliseconds.end());
    State.counters["median_ms"] = Milliseconds[Milliseconds.size() / 2];
    State.counters["p90_ms"] = Milliseconds[Milliseconds.size() * 9 / 10];
    State.counters["max_ms"] = Milliseconds.back();
}

}  // namespace

BENCHMARK_CAPTURE(EventLatency, TextStored, true, false)
    ->UseManualTime()
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EventLatency, TextDirect, true, true)
    ->UseManualTime()
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EventLatency, PduStored, false, false)
    ->UseManualTime()
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EventLatency, PduDirect, false, true)
    ->UseManualTime()
    ->Iterations(100)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
