// Arbitrary bytes as a PDU for AT+CMGS: the length is the octets after the service-centre
// part that the first two characters announce.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "pdu/PduPrimitives.h"
#include "vorsa/PDU.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string pdu(reinterpret_cast<const char*>(data), size);
    const int64_t centre = vorsa::detail::hexToInt(pdu.substr(0, 2));
    VORSA_FUZZ_CHECK(centre >= 0 && centre <= 255);
    VORSA_FUZZ_CHECK(vorsa::PduLength(pdu) == static_cast<int64_t>(size / 2) - centre - 1);
    return 0;
}
