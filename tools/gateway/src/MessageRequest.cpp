#include "vorsa/gateway/MessageRequest.h"

#include <nlohmann/json.hpp>

#include "vorsa/PDU.h"

namespace vorsa::gateway {

namespace {

constexpr size_t kMinDigits = 3;
constexpr size_t kMaxDigits = 20;
constexpr int64_t kMaxValiditySeconds = 63LL * 7 * 24 * 3600;  // the longest the network keeps

ParsedRequest Refuse(std::string code, std::string message) {
    return {std::nullopt, {std::move(code), std::move(message)}};
}

}  // namespace

bool IsPhoneNumber(std::string_view number) {
    if (!number.empty() && number.front() == '+') {
        number.remove_prefix(1);
    }
    if (number.size() < kMinDigits || number.size() > kMaxDigits) {
        return false;
    }
    for (char c : number) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::optional<size_t> Utf8Length(std::string_view text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++count) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t length = 0;
        uint32_t point = 0;
        if (c < 0x80) {
            length = 1;
            point = c;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            point = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            point = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            point = c & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + length > text.size()) {
            return std::nullopt;
        }
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            point = (point << 6) | (next & 0x3F);
        }
        static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < kSmallest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
            return std::nullopt;
        }
        i += length;
    }
    return count;
}

ParsedRequest ParseMessageRequest(std::string_view body, const std::string& headerKey) {
    const nlohmann::json json = nlohmann::json::parse(body, nullptr, false);
    if (json.is_discarded()) {
        return Refuse("bad_json", "the body is not valid JSON");
    }
    if (!json.is_object()) {
        return Refuse("bad_json", "the body must be a JSON object");
    }
    NewMessage message;
    for (const auto& [key, value] : json.items()) {
        if (key == "to") {
            if (!value.is_string()) {
                return Refuse("bad_number", "\"to\" must be a string");
            }
            message.to = value.get<std::string>();
        } else if (key == "text") {
            if (!value.is_string()) {
                return Refuse("bad_text", "\"text\" must be a string");
            }
            message.text = value.get<std::string>();
        } else if (key == "report") {
            if (!value.is_boolean()) {
                return Refuse("bad_report", "\"report\" must be true or false");
            }
            message.report = value.get<bool>();
        } else if (key == "class") {
            if (value.is_null()) {
                continue;
            }
            if (!value.is_number_integer() || value.get<int64_t>() < 0 ||
                value.get<int64_t>() > 3) {
                return Refuse("bad_class", "\"class\" must be 0, 1, 2 or 3");
            }
            message.messageClass = value.get<int>();
        } else if (key == "validity") {
            if (value.is_null()) {
                continue;
            }
            if (!value.is_number_integer() || value.get<int64_t>() < 300 ||
                value.get<int64_t>() > kMaxValiditySeconds) {
                return Refuse("bad_validity", "\"validity\" must be whole seconds from 300 to " +
                                                  std::to_string(kMaxValiditySeconds));
            }
            message.validitySeconds = value.get<int64_t>();
        } else if (key == "idempotency_key") {
            if (!value.is_string()) {
                return Refuse("bad_idempotency_key", "\"idempotency_key\" must be a string");
            }
            message.idempotencyKey = value.get<std::string>();
        } else {
            return Refuse("unknown_field",
                          "unknown field \"" + key +
                              "\" (known: to, text, report, class, validity, idempotency_key)");
        }
    }
    if (!headerKey.empty()) {
        if (!message.idempotencyKey.empty() && message.idempotencyKey != headerKey) {
            return Refuse("bad_idempotency_key",
                          "the Idempotency-Key header and \"idempotency_key\" differ");
        }
        message.idempotencyKey = headerKey;
    }
    if (message.idempotencyKey.size() > kMaxIdempotencyKey ||
        (json.contains("idempotency_key") && message.idempotencyKey.empty())) {
        return Refuse("bad_idempotency_key", "an idempotency key has 1 to " +
                                                 std::to_string(kMaxIdempotencyKey) + " bytes");
    }
    if (message.to.empty()) {
        return Refuse("bad_number", "\"to\" is missing");
    }
    if (!IsPhoneNumber(message.to)) {
        return Refuse("bad_number",
                      "\"to\" must be a phone number: an optional + and 3 to 20 "
                      "digits, no spaces");
    }
    if (message.text.empty()) {
        return Refuse("empty_text", "\"text\" is missing or empty");
    }
    if (!Utf8Length(message.text)) {
        return Refuse("bad_text", "\"text\" is not valid UTF-8");
    }
    // Parts, not characters, bound a message: the alphabet decides how many characters
    // a part holds (153 in the GSM alphabet, an extension character costing two; 67 UTF-16
    // units in UCS2).
    const TextSize size = measureText(message.text);
    if (size.parts > kMaxParts) {
        return Refuse("text_too_long", "\"text\" takes " + std::to_string(size.parts) +
                                           " parts; at most " + std::to_string(kMaxParts) +
                                           " can be sent as one message");
    }
    return {message, {}};
}

}  // namespace vorsa::gateway
