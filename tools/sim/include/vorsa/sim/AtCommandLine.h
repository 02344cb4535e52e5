// Splitting an AT command line into its commands (ITU-T V.250 syntax): basic commands
// ("E0", "&S0", "Z", "S7=30", "D..."), then extended commands ("+CMGF=1", "+CPIN?",
// "+CNMI=?"), extended ones separated by ';'.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorsa::sim {

enum class CommandForm {
    Action,  // "+CGMI", "Z", "E1"
    Set,     // "+CMGF=1", "S0=2"
    Read,    // "+CMGF?", "S0?"
    Test,    // "+CMGF=?"
};

struct AtCommand {
    /// Upper-case name: "+CMGS", "E", "&S", "S0", "Z", "D".
    std::string name;
    CommandForm form = CommandForm::Action;
    /// Set: the text after '=' as written. Basic commands: their number ("0" of "E0").
    std::string arguments;
};

/// The commands of a line's body (the text after "AT"). nullopt for a syntax error: an
/// unterminated string, a character that starts no command.
[[nodiscard]] std::optional<std::vector<AtCommand>> ParseCommandLine(std::string_view body);

struct AtArgument {
    bool present = false;  // false for an empty position ("1,,3")
    bool quoted = false;
    std::string text;  // without the quotes
};

/// The comma-separated arguments of a set command; nullopt when a quote is not closed.
/// An empty text gives no arguments.
[[nodiscard]] std::optional<std::vector<AtArgument>> SplitArguments(std::string_view text);
/// A decimal integer, all of the text; nullopt otherwise.
[[nodiscard]] std::optional<long> ParseInteger(std::string_view text);

}  // namespace vorsa::sim
