// Snapping a requested line speed to one of the rates the driver configures.
#pragma once

#include <cstdint>

namespace vorsa::detail {

/// The smallest rate of 110, 300, 1200, 2400, 4800, 9600, 14400, 38400, 56000, 57600, 115200,
/// 128000, 256000 that is not below Baud. There is no 600 and no 19200 (600 gives 1200, 19200
/// gives 38400). 0 gives 110; a negative Baud and one above 256000 give 256000.
[[nodiscard]] uint32_t SnapBaudRate(int32_t Baud) noexcept;

}  // namespace vorsa::detail
