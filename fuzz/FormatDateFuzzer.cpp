// Arbitrary bytes as a time stamp: one separator after each of the first six digit
// pairs that are there, and nothing else added or lost.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "vorsa/PDU.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string timeStamp(reinterpret_cast<const char*>(data), size);
    const std::string date = vorsa::formatDate(timeStamp);
    const std::size_t separators = size / 2 < 6 ? size / 2 : 6;
    VORSA_FUZZ_CHECK(date.size() == size + separators);
    if (size >= 12) {
        const char sign = date[17];
        VORSA_FUZZ_CHECK(sign == '+' || sign == '-');
        VORSA_FUZZ_CHECK(date.compare(18, std::string::npos, timeStamp, 12) == 0 || sign == '-');
    }
    return 0;
}
