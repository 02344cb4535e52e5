#include "vorsa/gateway/ModemReplies.h"

#include <string>
#include <vector>

namespace vorsa::gateway {

namespace {

// The fields after `prefix` on the line that holds it, split at commas.
std::optional<std::vector<std::string_view>> Fields(std::string_view reply,
                                                    std::string_view prefix) {
    const size_t at = reply.find(prefix);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view line = reply.substr(at + prefix.size());
    line = line.substr(0, line.find_first_of("\r\n"));
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t comma = line.find(',');
        std::string_view field = line.substr(0, comma);
        while (!field.empty() && field.front() == ' ') {
            field.remove_prefix(1);
        }
        while (!field.empty() && field.back() == ' ') {
            field.remove_suffix(1);
        }
        fields.push_back(field);
        if (comma == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(comma + 1);
    }
}

// A decimal number of at most 6 digits.
std::optional<int> Number(std::string_view field) {
    if (field.empty() || field.size() > 6) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<MemoryUsage> ParseMemoryUsage(std::string_view reply) {
    const auto fields = Fields(reply, "+CPMS:");
    if (!fields || fields->empty()) {
        return std::nullopt;
    }
    size_t first = 0;
    if (!(*fields)[0].empty() && (*fields)[0].front() == '"') {
        first = 1;  // the memory's name
    }
    if (fields->size() < first + 2) {
        return std::nullopt;
    }
    const auto used = Number((*fields)[first]);
    const auto total = Number((*fields)[first + 1]);
    if (!used || !total || *used > *total) {
        return std::nullopt;
    }
    return MemoryUsage{*used, *total};
}

std::optional<int> ParseRegistration(std::string_view reply) {
    const auto fields = Fields(reply, "+CREG:");
    if (!fields || fields->size() < 2) {
        return std::nullopt;
    }
    if (!Number((*fields)[0])) {
        return std::nullopt;
    }
    return Number((*fields)[1]);
}

}  // namespace vorsa::gateway
