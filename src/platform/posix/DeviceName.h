// How a device name given to the driver becomes a path on a POSIX system.
#pragma once

#include <string>

namespace vorsa::detail {

/// "COMn" (any letter case, n a decimal number from 1 without leading zeros) names the n-th
/// serial port, /dev/ttyS<n-1>, so that settings written for Windows keep working. Every
/// other name, a path such as /dev/ttyUSB0 or /dev/pts/3 included, is used unchanged.
[[nodiscard]] std::string PosixDeviceName(const std::string& Name);

}  // namespace vorsa::detail
