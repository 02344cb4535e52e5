// Cost of building an SMS-SUBMIT and of taking apart an SMS-DELIVER, for a short and a
// full-length message, with 7-bit and with 8-bit user data.
#include <benchmark/benchmark.h>

#include <string>

#include "vorsa/PDU.h"

namespace {

// A message of `length` characters from the whole 7-bit range, "@" and "$" included.
std::string message(std::size_t length) {
    const std::string sample = "Vorsa@bench $ 0123456789 The quick brown fox jumps over it.";
    std::string text;
    while (text.size() < length) {
        text += sample;
    }
    text.resize(length);
    return text;
}

void encode(benchmark::State& state) {
    const std::string text = message(static_cast<std::size_t>(state.range(0)));
    const auto eightBit = static_cast<uint8_t>(state.range(1));
    for (auto _ : state) {
        std::string pdu = vorsa::encodeSMS("+40700000000", "+40712345678", text, 0, 1, eightBit);
        benchmark::DoNotOptimize(pdu);
    }
}

// The SMS-DELIVER that the recipient's modem would show for the same message.
std::string deliverPdu(std::size_t length, bool eightBit) {
    const std::string text = message(length);
    const std::string submit =
        vorsa::encodeSMS("+40700000000", "+40712345678", text, 0, 1, eightBit ? 1 : 0);
    // Service centre (16), first octet and reference (4), destination (16), PID and DCS (4);
    // then the length and the user data.
    return submit.substr(0, 16) + "04" + submit.substr(20, 20) + "42607151003580" +
           submit.substr(40);
}

void decode(benchmark::State& state) {
    const std::string pdu =
        deliverPdu(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    std::string serviceCentre, originator, timeStamp, text;
    for (auto _ : state) {
        vorsa::decodeSMS(pdu, serviceCentre, originator, timeStamp, text);
        benchmark::DoNotOptimize(text);
    }
    if (text != message(static_cast<std::size_t>(state.range(0)))) {
        state.SkipWithError("the decoded text differs from the encoded one");
    }
}

// Arguments: characters, eightBit. 8-bit messages hold at most 140 octets, but the codec
// does not care; 159 characters are timed on both paths so the two compare directly.
void messageSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgNames({"chars", "eightBit"});
    for (const int length : {5, 159}) {
        for (const int eightBit : {0, 1}) {
            benchmark->Args({length, eightBit});
        }
    }
}

BENCHMARK(encode)->Apply(messageSizes);
BENCHMARK(decode)->Apply(messageSizes);

}  // namespace

BENCHMARK_MAIN();
