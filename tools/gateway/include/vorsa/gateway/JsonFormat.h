// The gateway's records as JSON, the same in the HTTP API and in webhook notifications.
#pragma once

#include <nlohmann/json.hpp>

#include "vorsa/gateway/Messages.h"

namespace vorsa::gateway {

[[nodiscard]] nlohmann::json ToJson(const OutgoingMessage& message);
[[nodiscard]] nlohmann::json ToJson(const IncomingMessage& message);
[[nodiscard]] nlohmann::json ToJson(const ModemHealth& health);
/// A status report as the webhook gets it; `messageId` is the matched message, if any.
[[nodiscard]] nlohmann::json ReportJson(const std::string& modem, const StatusReport& report,
                                        std::optional<int64_t> messageId);

}  // namespace vorsa::gateway
