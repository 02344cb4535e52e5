// Packing of 7-bit septets into octets, least significant bit first (GSM 03.38): septet n
// starts at bit 7n of the user data. fillBits leading zero bits come first, as after a
// user data header that does not end on a septet boundary.
#pragma once

#include "vorsa/sim/GsmAlphabet.h"
#include "vorsa/sim/Hex.h"

namespace vorsa::sim {

[[nodiscard]] Octets PackSeptets(const Septets& septets, int fillBits = 0);
/// The first `count` septets; fewer when the octets run out first.
[[nodiscard]] Septets UnpackSeptets(const Octets& octets, size_t count, int fillBits = 0);
/// Octets that `count` septets take after `fillBits` fill bits.
[[nodiscard]] size_t PackedLength(size_t count, int fillBits = 0);

}  // namespace vorsa::sim
