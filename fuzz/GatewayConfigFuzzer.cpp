// Arbitrary bytes as the gateway's configuration file: no crash, and a configuration that
// is taken is one the gateway can use (a listen address, named modems with a port).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "vorsa/gateway/Config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const vorsa::gateway::ConfigResult result = vorsa::gateway::ParseConfig(text);
    VORSA_FUZZ_CHECK(result.config.has_value() == result.error.empty());
    if (result.config) {
        std::string host;
        int port = 0;
        VORSA_FUZZ_CHECK(vorsa::gateway::SplitListen(result.config->listen, host, port));
        for (const auto& modem : result.config->modems) {
            VORSA_FUZZ_CHECK(!modem.name.empty());
            VORSA_FUZZ_CHECK(modem.simulated || !modem.link.device.empty());
        }
    }
    return 0;
}
