// Arbitrary bytes as the body of POST /v1/messages: no crash, and a request that is taken
// has a phone number and a non-empty UTF-8 text of at most 255 parts.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "vorsa/PDU.h"
#include "vorsa/gateway/MessageRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace vorsa::gateway;
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const ParsedRequest parsed = ParseMessageRequest(body, "");
    VORSA_FUZZ_CHECK(parsed.message.has_value() == parsed.error.code.empty());
    if (parsed.message) {
        VORSA_FUZZ_CHECK(IsPhoneNumber(parsed.message->to));
        const auto length = Utf8Length(parsed.message->text);
        VORSA_FUZZ_CHECK(length && *length >= 1);
        VORSA_FUZZ_CHECK(vorsa::measureText(parsed.message->text).parts <= kMaxParts);
        VORSA_FUZZ_CHECK(parsed.message->idempotencyKey.size() <= kMaxIdempotencyKey);
    }
    return 0;
}
