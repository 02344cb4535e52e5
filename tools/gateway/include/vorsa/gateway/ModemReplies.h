// Answers of the modem that the gateway reads itself, beside what the component parses:
// memory usage (AT+CPMS?) and network registration (AT+CREG?). Modem bytes are outside
// input: the parsers accept only the expected shape and give nullopt for anything else.
#pragma once

#include <optional>
#include <string_view>

namespace vorsa::gateway {

struct MemoryUsage {
    int used = 0;
    int total = 0;
};

/// The read memory's usage from `+CPMS: "SM",3,30,"SM",3,30,"SM",3,30` (the memory names
/// are optional: some modems leave them out). Trailing "OK" and line breaks are ignored.
[[nodiscard]] std::optional<MemoryUsage> ParseMemoryUsage(std::string_view reply);

/// The registration status from `+CREG: 0,1` or `+CREG: 2,1,"0A1B","0000C351"`.
[[nodiscard]] std::optional<int> ParseRegistration(std::string_view reply);

}  // namespace vorsa::gateway
