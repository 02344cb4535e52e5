// `vorsa gateway`: the SMS gateway service as a subcommand of the tool.
#pragma once

#include <string>
#include <vector>

namespace vorsa::gateway {

/// True when the command word of `arguments` (the first that is neither an option nor an
/// option's value) is "gateway".
[[nodiscard]] bool IsGatewayCommand(const std::vector<std::string>& arguments);

/// Runs the gateway until SIGINT or SIGTERM; gives the exit status (0 after a clean drain,
/// 1 when it could not start, 2 on a usage error).
[[nodiscard]] int RunGatewayCommand(const std::vector<std::string>& arguments);

}  // namespace vorsa::gateway
