// The platform probes, asked through a given serial interface.
#pragma once

#include <cstdint>
#include <string>

#include "platform/SerialPort.h"

namespace vorsa::detail {

/// "W32S", "W95", "WNT" for platform identifiers 0, 1, 2; "" for another; "??" on failure.
[[nodiscard]] std::string WinPlatform(SerialPort& Platform);
/// (major & 0xFFFF) << 16 | (minor & 0xFFFF); 0 on failure.
[[nodiscard]] uint32_t WinVersion(SerialPort& Platform);

}  // namespace vorsa::detail
