#include "vorsa/gateway/IniFile.h"

namespace vorsa::gateway {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

bool IsName(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (!IsNameCharacter(c)) {
            return false;
        }
    }
    return true;
}

// A value: quoted (with escapes, then only a comment may follow) or bare (up to a comment).
std::optional<std::string> ParseValue(std::string_view text, std::string& error) {
    text = Trimmed(text);
    if (text.empty() || text.front() != '"') {
        const size_t comment = text.find_first_of("#;");
        return std::string(Trimmed(text.substr(0, comment)));
    }
    std::string value;
    for (size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            if (i + 1 >= text.size() || (text[i + 1] != '"' && text[i + 1] != '\\')) {
                error = "only \\\" and \\\\ may follow a backslash in a quoted value";
                return std::nullopt;
            }
            value += text[++i];
        } else if (c == '"') {
            const std::string_view rest = Trimmed(text.substr(i + 1));
            if (!rest.empty() && rest.front() != '#' && rest.front() != ';') {
                error = "unexpected text after the closing quote";
                return std::nullopt;
            }
            return value;
        } else {
            value += c;
        }
    }
    error = "the quoted value has no closing quote";
    return std::nullopt;
}

}  // namespace

IniParseResult ParseIni(std::string_view text) {
    IniParseResult result;
    result.sections.push_back(IniSection{});
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        auto fail = [&](const std::string& why) {
            result.sections.clear();
            result.error = "line " + std::to_string(lineNumber) + ": " + why;
            return result;
        };
        if (line.empty() || line.front() == '#' || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const size_t close = line.find(']');
            if (close == std::string_view::npos) {
                return fail("a section header needs its closing ]");
            }
            const std::string_view after = Trimmed(line.substr(close + 1));
            if (!after.empty() && after.front() != '#' && after.front() != ';') {
                return fail("unexpected text after the section header");
            }
            const std::string_view inside = Trimmed(line.substr(1, close - 1));
            const size_t space = inside.find_first_of(" \t");
            IniSection section;
            section.kind = std::string(inside.substr(0, space));
            if (space != std::string_view::npos) {
                std::string nameError;
                const auto name = ParseValue(inside.substr(space), nameError);
                if (!name) {
                    return fail(nameError);
                }
                section.name = *name;
            }
            if (!IsName(section.kind)) {
                return fail("a section needs a name of letters, digits, '_', '-' or '.'");
            }
            section.line = lineNumber;
            result.sections.push_back(std::move(section));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return fail("expected key = value");
        }
        const std::string_view key = Trimmed(line.substr(0, equals));
        if (!IsName(key)) {
            return fail("a key is made of letters, digits, '_', '-' or '.'");
        }
        std::string valueError;
        const auto value = ParseValue(line.substr(equals + 1), valueError);
        if (!value) {
            return fail(valueError);
        }
        result.sections.back().entries.push_back({std::string(key), *value, lineNumber});
    }
    return result;
}

}  // namespace vorsa::gateway
