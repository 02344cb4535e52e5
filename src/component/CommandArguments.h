// Checks on the application's text before it goes onto the AT command line. A number, an
// index or a text-mode message is written into a command as it is, so a stray quote, line
// break, Ctrl-Z or ESC in it would end that command early and let the rest of the text run
// as commands of its own. The operations refuse such text before anything is written.
#pragma once

#include <string>

namespace vorsa::detail {

/// Refusal texts, reported with ErrorId -1.
inline constexpr const char* kDestCharactersRefused =
    "Dest number may hold only digits, \"+\", \"*\" and \"#\".";
inline constexpr const char* kReferenceRefused =
    "Reference must be a storage index of decimal digits.";
inline constexpr const char* kMessageTerminatorRefused =
    "Message may not hold Ctrl-Z or ESC in text mode.";

/// True when every character of Dest is a digit, "+", "*" or "#" (the dialling characters
/// a destination address can carry). An empty Dest passes: its length is checked apart.
[[nodiscard]] bool IsDialString(const std::string& Dest);

/// True when Reference is one or more decimal digits and nothing else.
[[nodiscard]] bool IsStorageIndex(const std::string& Reference);

/// True when Message holds Ctrl-Z (byte 26), which ends a text-mode message, or ESC (byte
/// 27), which cancels it.
[[nodiscard]] bool HoldsMessageTerminator(const std::string& Message);

}  // namespace vorsa::detail
