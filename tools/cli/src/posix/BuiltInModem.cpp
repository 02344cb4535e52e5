// The built-in modem on POSIX: vorsa-sim's SimulatedModem on a pseudo-terminal, with its
// console.
#include "BuiltInModem.h"

#include <system_error>

#include "vorsa/sim/Console.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::cli {

namespace {

class SimulatedBuiltInModem final : public BuiltInModem {
  public:
    SimulatedBuiltInModem() : console_(modem_) { modem_.Start(); }

    std::string DevicePath() const override { return modem_.DevicePath(); }
    std::string Console(const std::string& line) override { return console_.Execute(line).output; }

  private:
    sim::SimulatedModem modem_;
    sim::Console console_;
};

}  // namespace

std::unique_ptr<BuiltInModem> BuiltInModem::Start(std::string& error) {
    try {
        return std::make_unique<SimulatedBuiltInModem>();
    } catch (const std::system_error& failure) {
        error = std::string("cannot start the simulated modem: ") + failure.what();
        return nullptr;
    }
}

}  // namespace vorsa::cli
