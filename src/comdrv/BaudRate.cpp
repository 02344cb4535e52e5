#include "comdrv/BaudRate.h"

#include <array>

namespace vorsa::detail {

namespace {
constexpr std::array<uint32_t, 13> SupportedRates = {
    110, 300, 1200, 2400, 4800, 9600, 14400, 38400, 56000, 57600, 115200, 128000, 256000};
}

uint32_t SnapBaudRate(int32_t Baud) noexcept {
    if (Baud < 0) {
        return SupportedRates.back();
    }
    for (uint32_t Rate : SupportedRates) {
        if (static_cast<uint32_t>(Baud) <= Rate) {
            return Rate;
        }
    }
    return SupportedRates.back();
}

}  // namespace vorsa::detail
