// The body of POST /v1/messages, checked field by field. Every refusal carries a stable code
// and a sentence for the client.
//
//   {"to": "+40700000001", "text": "Hello", "report": true, "class": 0,
//    "validity": 3600, "idempotency_key": "order-1234"}
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "vorsa/gateway/Messages.h"

namespace vorsa::gateway {

struct RequestError {
    std::string code;  // "bad_json", "unknown_field", "bad_number", "empty_text", ...
    std::string message;
};

struct ParsedRequest {
    std::optional<NewMessage> message;
    RequestError error;
};

/// The most parts one message is sent in (the concatenation header counts to 255).
constexpr size_t kMaxParts = 255;
constexpr size_t kMaxIdempotencyKey = 200;

/// Parses and checks the request body. A text longer than kMaxParts parts is refused here
/// rather than failed later. `headerKey` is the Idempotency-Key header, if the client sent
/// one (it must agree with the body's key).
[[nodiscard]] ParsedRequest ParseMessageRequest(std::string_view body,
                                                const std::string& headerKey);

/// True for "+" and 3 to 20 digits, or 3 to 20 digits.
[[nodiscard]] bool IsPhoneNumber(std::string_view number);

/// Characters (code points) in well-formed UTF-8; nullopt when it is not UTF-8.
[[nodiscard]] std::optional<size_t> Utf8Length(std::string_view text);

}  // namespace vorsa::gateway
