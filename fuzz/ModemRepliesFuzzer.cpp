// Arbitrary modem bytes as the answers to AT+CPMS? and AT+CREG?: no crash, and what is
// read is in range.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "vorsa/gateway/ModemReplies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    if (const auto usage = vorsa::gateway::ParseMemoryUsage(reply)) {
        VORSA_FUZZ_CHECK(usage->used >= 0 && usage->used <= usage->total);
        VORSA_FUZZ_CHECK(usage->total <= 999999);
    }
    if (const auto registration = vorsa::gateway::ParseRegistration(reply)) {
        VORSA_FUZZ_CHECK(*registration >= 0 && *registration <= 999999);
    }
    return 0;
}
