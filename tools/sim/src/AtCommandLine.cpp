#include "vorsa/sim/AtCommandLine.h"

#include <cctype>

namespace vorsa::sim {
namespace {

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAlpha(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

bool IsExtendedPrefix(char c) {
    // '+' for the standard commands; the others start vendor commands.
    return c == '+' || c == '^' || c == '$' || c == '%' || c == '*' || c == '#';
}

bool IsNameCharacter(char c) {
    return IsAlpha(c) || IsDigit(c) || c == '!' || c == '%' || c == '-' || c == '.' || c == '/' ||
           c == ':' || c == '_';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// Moves `i` to the next `separator` outside double quotes, or to the end; false when a
// quote is left open.
bool SkipToSeparator(std::string_view text, size_t* i, char separator) {
    bool inString = false;
    while (*i < text.size() && (inString || text[*i] != separator)) {
        if (text[*i] == '"') {
            inString = !inString;
        }
        ++*i;
    }
    return !inString;
}

// Reads the query suffix at `i` into `form`: "=?" tests, "?" reads. False when there is
// none.
bool ReadQuery(std::string_view body, size_t* i, CommandForm* form) {
    if (body.substr(*i, 2) == "=?") {
        *form = CommandForm::Test;
        *i += 2;
        return true;
    }
    if (*i < body.size() && body[*i] == '?') {
        *form = CommandForm::Read;
        ++*i;
        return true;
    }
    return false;
}

// Reads the digits at `i`, if any.
std::string Digits(std::string_view body, size_t* i) {
    std::string digits;
    while (*i < body.size() && (IsDigit(body[*i]) || body[*i] == ' ')) {
        if (body[*i] != ' ') {
            digits += body[*i];
        }
        ++*i;
    }
    return digits;
}

}  // namespace

std::optional<std::vector<AtCommand>> ParseCommandLine(std::string_view body) {
    std::vector<AtCommand> commands;
    size_t i = 0;
    while (i < body.size()) {
        char c = body[i];
        if (c == ' ' || c == ';') {
            ++i;
            continue;
        }
        AtCommand command;
        if (IsExtendedPrefix(c)) {
            command.name += c;
            ++i;
            while (i < body.size() && IsNameCharacter(body[i])) {
                command.name += Upper(body[i++]);
            }
            if (command.name.size() == 1) {
                return std::nullopt;
            }
            if (!ReadQuery(body, &i, &command.form) && i < body.size() && body[i] == '=') {
                command.form = CommandForm::Set;
                size_t start = ++i;
                if (!SkipToSeparator(body, &i, ';')) {
                    return std::nullopt;
                }
                command.arguments = std::string(Trim(body.substr(start, i - start)));
            }
            // Anything else but the separator or the end is a syntax error.
            while (i < body.size() && body[i] == ' ') {
                ++i;
            }
            if (i < body.size() && body[i] != ';') {
                return std::nullopt;
            }
        } else if (Upper(c) == 'D') {
            // Dialling takes the rest of the line.
            command.name = "D";
            command.arguments = std::string(Trim(body.substr(i + 1)));
            i = body.size();
        } else if (Upper(c) == 'S' && i + 1 < body.size() && IsDigit(body[i + 1])) {
            ++i;
            command.name = "S" + Digits(body, &i);
            if (!ReadQuery(body, &i, &command.form)) {
                if (i >= body.size() || body[i] != '=') {
                    return std::nullopt;
                }
                ++i;
                command.form = CommandForm::Set;
                command.arguments = Digits(body, &i);
            }
        } else if (c == '&' && i + 1 < body.size() && IsAlpha(body[i + 1])) {
            command.name = std::string("&") + Upper(body[i + 1]);
            i += 2;
            command.arguments = Digits(body, &i);
        } else if (IsAlpha(c)) {
            command.name = std::string(1, Upper(c));
            ++i;
            command.arguments = Digits(body, &i);
            if (i < body.size() && body[i] == '?') {
                command.form = CommandForm::Read;
                ++i;
            }
        } else {
            return std::nullopt;
        }
        commands.push_back(std::move(command));
    }
    return commands;
}

std::optional<std::vector<AtArgument>> SplitArguments(std::string_view text) {
    std::vector<AtArgument> arguments;
    if (Trim(text).empty()) {
        return arguments;
    }
    size_t i = 0;
    while (true) {
        AtArgument argument;
        size_t start = i;
        if (!SkipToSeparator(text, &i, ',')) {
            return std::nullopt;
        }
        std::string_view piece = Trim(text.substr(start, i - start));
        if (piece.size() >= 2 && piece.front() == '"' && piece.back() == '"') {
            argument.quoted = true;
            argument.present = true;
            argument.text = std::string(piece.substr(1, piece.size() - 2));
        } else if (piece.find('"') != std::string_view::npos) {
            return std::nullopt;  // a quote in the middle of a value
        } else {
            argument.present = !piece.empty();
            argument.text = std::string(piece);
        }
        arguments.push_back(std::move(argument));
        if (i >= text.size()) {
            break;
        }
        ++i;  // the comma
    }
    return arguments;
}

std::optional<long> ParseInteger(std::string_view text) {
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    long value = 0;
    for (char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace vorsa::sim
