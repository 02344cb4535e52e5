// Pauses that scale with the line speed: N milliseconds at 2400 baud, shorter in
// proportion to a faster line.
#pragma once

#include <cstdint>

namespace vorsa::detail {

/// N * 2400 / Baud milliseconds, truncated towards zero. A Baud of 0 or below counts as
/// 2400 (N milliseconds), so nothing divides by zero; a negative N gives 0.
[[nodiscard]] uint32_t ScaledPause(int32_t N, int32_t Baud) noexcept;

/// One step of polling the port, or of waiting for a busy flag: the pause of N = 50, but
/// at least 1 ms, so that a loop of such steps sleeps instead of spinning on a line above
/// 120000 baud (where the scaled pause is 0).
[[nodiscard]] uint32_t PollStep(int32_t Baud) noexcept;

}  // namespace vorsa::detail
