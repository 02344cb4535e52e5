#include "vorsa/gateway/Messages.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace vorsa::gateway {

namespace {

constexpr std::array<std::string_view, 7> kStateNames = {"queued", "sending", "sent",   "delivered",
                                                         "failed", "expired", "unknown"};

}  // namespace

std::string_view StateName(MessageState state) {
    return kStateNames.at(static_cast<size_t>(state));
}

std::optional<MessageState> ParseState(std::string_view name) {
    for (size_t i = 0; i < kStateNames.size(); ++i) {
        if (kStateNames[i] == name) {
            return static_cast<MessageState>(i);
        }
    }
    return std::nullopt;
}

bool IsFinal(MessageState state) {
    return state == MessageState::Delivered || state == MessageState::Failed ||
           state == MessageState::Expired || state == MessageState::Unknown;
}

std::string_view OutcomeName(DeliveryOutcome outcome) {
    switch (outcome) {
        case DeliveryOutcome::Delivered:
            return "delivered";
        case DeliveryOutcome::Pending:
            return "pending";
        case DeliveryOutcome::Failed:
            return "failed";
    }
    return "pending";
}

int64_t NowMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::string IsoTime(int64_t millis) {
    const std::time_t seconds = static_cast<std::time_t>(millis / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(millis % 1000));
    return text;
}

}  // namespace vorsa::gateway
