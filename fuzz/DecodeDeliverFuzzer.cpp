// Arbitrary input as an SMS-DELIVER for decodeDeliver, both as it is and as the
// hexadecimal text of its bytes (so that the fuzzer reaches the fields behind the hex
// check): the decoder must stay within bounds, and what it gives must be well-formed
// UTF-8 with a possible concatenation place.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "Utf8Check.h"
#include "vorsa/PDU.h"

namespace {

void check(const std::string& pdu) {
    const std::optional<vorsa::DeliverMessage> message = vorsa::decodeDeliver(pdu);
    if (!message) {
        return;
    }
    VORSA_FUZZ_CHECK(isWellFormedUtf8(message->text));
    VORSA_FUZZ_CHECK(isWellFormedUtf8(message->sender));
    VORSA_FUZZ_CHECK(isWellFormedUtf8(message->serviceCentre));
    VORSA_FUZZ_CHECK(message->text.size() <= 255 * 2);
    VORSA_FUZZ_CHECK(message->data.size() <= 255);
    VORSA_FUZZ_CHECK(message->timeStamp.size() == 20);
    if (message->concat) {
        VORSA_FUZZ_CHECK(message->concat->total >= 1);
        VORSA_FUZZ_CHECK(message->concat->sequence >= 1);
        VORSA_FUZZ_CHECK(message->concat->sequence <= message->concat->total);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    check(raw);
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        hex += kDigits[data[i] >> 4];
        hex += kDigits[data[i] & 0x0F];
    }
    check(hex);
    return 0;
}
