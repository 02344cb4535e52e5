// Small pieces of the modem's command handling shared by its handlers: reading the
// arguments of set commands (numbers, argument counts, status filters, names in any
// case), and quoting strings in replies.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vorsa/sim/AtCommandLine.h"
#include "vorsa/sim/ModemTypes.h"

namespace vorsa::sim::detail {

/// Argument `i` as a number; nullopt when it is missing, empty, quoted or not a number.
[[nodiscard]] std::optional<long> IntArgument(const std::vector<AtArgument>& args, size_t i);

/// The arguments of a set command as the one number from 0 to `max` ("AT+CMGF=1");
/// nullopt for anything else.
[[nodiscard]] std::optional<long> OnlyNumber(const std::string& arguments, long max);

/// The arguments of a set command that takes one to `most` of them; nullopt for none,
/// more, or a quote the splitter refuses.
[[nodiscard]] std::optional<std::vector<AtArgument>> ArgumentsUpTo(const std::string& arguments,
                                                                   size_t most);

/// A set command whose first argument is a number: a mode ("AT+COPS=3,2"), a level
/// ("AT+CFUN=1,1") or a message index ("AT+CMGD=1,4").
struct LeadingNumber {
    long value = 0;
    std::vector<AtArgument> all;  // the number included
};

/// nullopt when the first argument is not a number or there are more than `most`.
[[nodiscard]] std::optional<LeadingNumber> ReadLeadingNumber(const std::string& arguments,
                                                             size_t most);

/// A status filter of AT+CMGL (the status of AT+CMGW reads the same way): one status, or
/// every message.
struct ListFilter {
    bool all = false;
    MessageStatus status = MessageStatus::ReceivedUnread;
};

/// "REC UNREAD", "REC READ", "STO UNSENT", "STO SENT" or "ALL", in any case.
[[nodiscard]] std::optional<ListFilter> TextFilter(const std::string& text);

/// The text in upper case: memory names, character sets and status filters are taken in
/// any case.
[[nodiscard]] std::string Upper(std::string text);

/// The text between double quotes, as strings stand in replies.
[[nodiscard]] std::string Quoted(const std::string& text);

}  // namespace vorsa::sim::detail
