// Arbitrary bytes as an SMS-DELIVER PDU: the decoder must return within bounds, and the
// user data unpacking must agree with its bit-text definition.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "pdu/PduPrimitives.h"
#include "vorsa/PDU.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string pdu(reinterpret_cast<const char*>(data), size);
    std::string serviceCentre, originator, timeStamp, text;
    vorsa::decodeSMS(pdu, serviceCentre, originator, timeStamp, text);
    VORSA_FUZZ_CHECK(timeStamp.size() <= 14);
    VORSA_FUZZ_CHECK(text.size() <= 255 * 2);  // a septet is at most two bytes of UTF-8
    VORSA_FUZZ_CHECK(originator.size() <= 257);
    VORSA_FUZZ_CHECK(serviceCentre.size() <= 509);

    // The same bytes as 7-bit user data.
    VORSA_FUZZ_CHECK(vorsa::detail::unpackSeptets(pdu) ==
                     vorsa::detail::unpackSeptetsByBitText(pdu));
    return 0;
}
