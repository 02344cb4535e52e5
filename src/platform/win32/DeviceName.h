// How a device name given to the driver becomes the name that CreateFileA opens.
#pragma once

#include <string>

namespace vorsa::detail {

/// The name unchanged, except "COMn" (any letter case) with n of 10 or more, which becomes
/// "\\.\COMn": Windows finds COM1 to COM9 by their bare names, but the higher ports only in
/// the device namespace, so "COM10" would otherwise never open.
[[nodiscard]] std::string Win32DeviceName(const std::string& Name);

}  // namespace vorsa::detail
