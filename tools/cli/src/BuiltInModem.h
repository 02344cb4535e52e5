// The simulated modem that the tool runs inside itself when no device is given: vorsa-sim's
// modem serving a pseudo-terminal, where the system has them (not on Windows).
#pragma once

#include <memory>
#include <string>

namespace vorsa::cli {

class BuiltInModem {
  public:
    BuiltInModem() = default;
    BuiltInModem(const BuiltInModem&) = delete;
    BuiltInModem& operator=(const BuiltInModem&) = delete;
    virtual ~BuiltInModem() = default;

    /// A started modem, or nullptr with the reason in `error`.
    [[nodiscard]] static std::unique_ptr<BuiltInModem> Start(std::string& error);

    /// The device the component opens.
    [[nodiscard]] virtual std::string DevicePath() const = 0;
    /// Carries out one line of the simulator's console (deliver, fault, ...); gives what it
    /// answers, lines ending in '\n'.
    [[nodiscard]] virtual std::string Console(const std::string& line) = 0;
};

}  // namespace vorsa::cli
