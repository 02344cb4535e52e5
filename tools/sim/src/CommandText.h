// Small pieces of the modem's command handling shared by its handlers: reading the
// arguments of set commands, and quoting strings in replies.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vorsa/sim/AtCommandLine.h"

namespace vorsa::sim::detail {

/// Argument `i` as a number; nullopt when it is missing, empty, quoted or not a number.
[[nodiscard]] std::optional<long> IntArgument(const std::vector<AtArgument>& args, size_t i);

/// The arguments of a set command as the one number from 0 to `max` ("AT+CMGF=1");
/// nullopt for anything else.
[[nodiscard]] std::optional<long> OnlyNumber(const std::string& arguments, long max);

/// A set command that names a message by its index first ("AT+CMGR=3", "AT+CMGD=1,4").
struct IndexedArguments {
    int index = 0;
    std::vector<AtArgument> all;  // the index included
};

/// nullopt when the first argument is not a number or there are more than `most`.
[[nodiscard]] std::optional<IndexedArguments> ReadIndexed(const std::string& arguments,
                                                          size_t most);

/// The text in upper case: memory names, character sets and status filters are taken in
/// any case.
[[nodiscard]] std::string Upper(std::string text);

/// The text between double quotes, as strings stand in replies.
[[nodiscard]] std::string Quoted(const std::string& text);

}  // namespace vorsa::sim::detail
