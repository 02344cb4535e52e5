// Arbitrary bytes as the body of POST /v1/messages: no crash, and a request that is taken
// has a phone number and a non-empty UTF-8 text within the limits.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "vorsa/gateway/MessageRequest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace vorsa::gateway;
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const TextLimits limits{160, true, true, true, true};
    const ParsedRequest parsed = ParseMessageRequest(body, limits, "", nullptr);
    VORSA_FUZZ_CHECK(parsed.message.has_value() == parsed.error.code.empty());
    if (parsed.message) {
        VORSA_FUZZ_CHECK(IsPhoneNumber(parsed.message->to));
        const auto length = Utf8Length(parsed.message->text);
        VORSA_FUZZ_CHECK(length && *length >= 1 && *length <= limits.maxCharacters);
        VORSA_FUZZ_CHECK(parsed.message->idempotencyKey.size() <= kMaxIdempotencyKey);
    }
    return 0;
}
