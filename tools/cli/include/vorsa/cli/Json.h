// The small JSON writer behind --json: one object per line, fields in the order they are
// added. Strings from the component are bytes; well-formed UTF-8 is kept, and every other
// byte is written as the ISO 8859-1 character of that value, so the output is always
// valid JSON and loses nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorsa::cli {

/// Appends `bytes` to `out` as a JSON string, quotes included.
void AppendJsonString(std::string& out, std::string_view bytes);

/// `bytes` as a JSON string, quotes included.
[[nodiscard]] std::string JsonString(std::string_view bytes);

/// One JSON object, built field by field.
class JsonObject {
  public:
    JsonObject& Str(std::string_view key, std::string_view value);
    JsonObject& Int(std::string_view key, int64_t value);
    JsonObject& Bool(std::string_view key, bool value);
    JsonObject& Null(std::string_view key);
    JsonObject& Ints(std::string_view key, const std::vector<int64_t>& values);

    /// The object, without a line break.
    [[nodiscard]] std::string Text() const { return body_ + "}"; }

  private:
    void Key(std::string_view key);

    std::string body_ = "{";
};

}  // namespace vorsa::cli
