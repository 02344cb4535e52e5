// The body of POST /v1/messages, checked field by field. Every refusal carries a stable code
// and a sentence for the client.
//
//   {"to": "+40700000001", "text": "Hello", "report": true, "class": 0,
//    "validity": 3600, "idempotency_key": "order-1234"}
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "vorsa/gateway/Messages.h"
#include "vorsa/gateway/ModemLink.h"

namespace vorsa::gateway {

struct RequestError {
    std::string code;  // "bad_json", "unknown_field", "bad_number", "empty_text", ...
    std::string message;
};

struct ParsedRequest {
    std::optional<NewMessage> message;
    RequestError error;
};

/// The longest text the API takes, in characters (255 parts of 67 UCS2 units is more; the
/// modem link's own limit applies on top).
constexpr size_t kMaxTextCharacters = 1600;
constexpr size_t kMaxIdempotencyKey = 200;

/// Parses and checks the request body. `limits` are what the modems can send today; a text
/// beyond them is refused here rather than failed later. `headerKey` is the Idempotency-Key
/// header, if the client sent one (it must agree with the body's key).
[[nodiscard]] ParsedRequest ParseMessageRequest(
    std::string_view body, const TextLimits& limits, const std::string& headerKey,
    const std::function<std::string(const std::string&)>& textRefusal);

/// True for "+" and 3 to 20 digits, or 3 to 20 digits.
[[nodiscard]] bool IsPhoneNumber(std::string_view number);

/// Characters (code points) in well-formed UTF-8; nullopt when it is not UTF-8.
[[nodiscard]] std::optional<size_t> Utf8Length(std::string_view text);

}  // namespace vorsa::gateway
