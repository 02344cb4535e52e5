#include "component/LinePause.h"

#include <algorithm>
#include <limits>

namespace vorsa::detail {

namespace {

constexpr int64_t ReferenceBaud = 2400;
constexpr int32_t PollCount = 50;

}  // namespace

uint32_t ScaledPause(int32_t N, int32_t Baud) noexcept {
    const int64_t Divisor = Baud > 0 ? Baud : ReferenceBaud;
    // In 64 bits the product cannot overflow for any 32-bit N.
    const int64_t Milliseconds = static_cast<int64_t>(N) * ReferenceBaud / Divisor;
    return static_cast<uint32_t>(
        std::clamp<int64_t>(Milliseconds, 0, std::numeric_limits<uint32_t>::max()));
}

uint32_t PollStep(int32_t Baud) noexcept {
    return std::max<uint32_t>(1, ScaledPause(PollCount, Baud));
}

}  // namespace vorsa::detail
