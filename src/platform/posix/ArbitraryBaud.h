// Line speeds outside the fixed B-constants of termios (14400, 56000, 128000, 256000).
// Kept apart because the kernel's termios2 record cannot share a file with <termios.h>.
#pragma once

#include <cstdint>

namespace vorsa::detail {

/// Sets input and output speed of the terminal to Rate bits per second through the kernel's
/// arbitrary-rate interface. False with errno set when the platform or the device lacks it.
[[nodiscard]] bool SetArbitraryBaud(int Fd, uint32_t Rate);
/// Reads the terminal's output speed in bits per second, arbitrary rates included. False
/// when the interface is missing; the caller then maps the termios speed constant.
[[nodiscard]] bool ReadExactBaud(int Fd, uint32_t& Rate);

}  // namespace vorsa::detail
