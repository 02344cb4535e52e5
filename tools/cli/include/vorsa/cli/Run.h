// The whole tool behind main(): parses the command line and runs the command.
#pragma once

#include <string>
#include <vector>

namespace vorsa::cli {

/// Runs `vorsa` with these arguments (without the program name); gives the exit status.
[[nodiscard]] int Run(const std::vector<std::string>& arguments);

}  // namespace vorsa::cli
