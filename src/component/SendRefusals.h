// Which refusals of a message are for good. A gateway sends a refused message again only
// when another try can succeed: the network's congestion or a busy modem pass, a barred or
// unassigned number, a malformed message or an unsupported option do not.
#pragma once

#include <cstdint>

namespace vorsa::detail {

/// True for a "+CMS ERROR:" cause after which the same message would be refused again:
/// GSM 04.11 and 03.40 causes for the number, the subscriber or the message itself, and
/// the 27.005 errors for a message the modem cannot take.
[[nodiscard]] bool IsPermanentRefusal(int32_t Code) noexcept;

}  // namespace vorsa::detail
