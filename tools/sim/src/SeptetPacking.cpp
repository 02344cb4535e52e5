#include "vorsa/sim/SeptetPacking.h"

namespace vorsa::sim {

size_t PackedLength(size_t count, int fillBits) {
    return (count * 7 + static_cast<size_t>(fillBits) + 7) / 8;
}

Octets PackSeptets(const Septets& septets, int fillBits) {
    Octets octets(PackedLength(septets.size(), fillBits), 0);
    size_t bit = static_cast<size_t>(fillBits);
    for (uint8_t septet : septets) {
        unsigned value = septet & 0x7Fu;
        size_t index = bit / 8;
        unsigned shift = bit % 8;
        octets[index] = static_cast<uint8_t>(octets[index] | (value << shift));
        if (shift > 1) {
            octets[index + 1] = static_cast<uint8_t>(octets[index + 1] | value >> (8 - shift));
        }
        bit += 7;
    }
    return octets;
}

Septets UnpackSeptets(const Octets& octets, size_t count, int fillBits) {
    Septets septets;
    septets.reserve(count);
    size_t bit = static_cast<size_t>(fillBits);
    for (size_t n = 0; n < count; ++n, bit += 7) {
        size_t index = bit / 8;
        unsigned shift = bit % 8;
        if (bit + 7 > octets.size() * 8) {
            break;
        }
        unsigned value = octets[index] >> shift;
        if (shift > 1) {
            value |= static_cast<unsigned>(octets[index + 1]) << (8 - shift);
        }
        septets.push_back(static_cast<uint8_t>(value & 0x7F));
    }
    return septets;
}

}  // namespace vorsa::sim
