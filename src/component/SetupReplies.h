// Reading the answers that set-up adapts to: the memories AT+CPMS=? lists, the values
// AT+CNMI=? lists and the routing nearest to the wanted one, and the indexes of a listing. Modems
// word these in more than one way (nested lists, ranges or single values, no list at all), and the
// text comes from the modem, so every reader takes any bytes and gives what it can make of them.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorsa::detail {

/// The routing of new messages Connect asks for: hold reports while the line is busy and
/// pass them on after; forward each new message directly ("+CMT: ", DirectForward) or store
/// it and announce it ("+CMTI: "). No cell broadcasts; status reports as StatusRouting asks
/// (<ds> 0 none, 1 "+CDS:", 2 "+CDSI:").
[[nodiscard]] std::string RoutingCommand(bool DirectForward, int StatusRouting = 0);

/// The last line of Reply that is not empty: its final result as the modem worded it.
[[nodiscard]] std::string LastLine(const std::string& Reply);

/// The memory names of a storage setting in order: "\"SM\",\"ME\"" gives SM and ME.
[[nodiscard]] std::vector<std::string> MemoryNames(const std::string& Storage);

/// The names in double quotes, separated by commas: the argument of AT+CPMS.
[[nodiscard]] std::string QuotedList(const std::vector<std::string>& Names);

/// The memory lists of an AT+CPMS=? answer line, one per memory parameter the modem takes:
/// "+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\")", the nested form of a modem that takes
/// two, "+CPMS: ((\"SM\",\"BM\",\"SR\"),(\"SM\"))", or empty lists "+CPMS: (),(),()".
[[nodiscard]] std::vector<std::vector<std::string>> ParseMemoryLists(const std::string& Line);

/// The memories to set from what the modem lists: for each parameter it takes, the memory
/// Wanted names at that place when it is listed there, else the first listed. The choice
/// stops at the first empty list; empty when the modem lists no memory for the first.
[[nodiscard]] std::vector<std::string> ChooseMemories(
    const std::vector<std::string>& Wanted, const std::vector<std::vector<std::string>>& Lists);

/// The values one parameter of a set command takes, as inclusive ranges.
struct ValueRanges {
    std::vector<std::pair<long, long>> Ranges;
    [[nodiscard]] bool Allows(long Value) const;
};

/// The value lists of an AT+CNMI=? answer line, one per parameter:
/// "+CNMI: (0-3),(0,1,2),(0),(0-2),(0,1)".
[[nodiscard]] std::vector<ValueRanges> ParseValueRanges(const std::string& Line);

/// The AT+CNMI arguments nearest to "2,1,0,0,0" (or "2,2,0,0,0" for DirectForward) that
/// Ranges allow: <mode> 2, else 3 (which forwards the same way on a serial line), else 1
/// (reports are dropped while a command runs); <mt> exactly as wanted; then <bm> 0, <ds>
/// StatusRouting (else 0) and <bfr> 0 (or 1) for as long as each is allowed, the rest left
/// out. nullopt when no <mode> or not the <mt> fits.
[[nodiscard]] std::optional<std::string> NearestRouting(bool DirectForward,
                                                        const std::vector<ValueRanges>& Ranges,
                                                        int StatusRouting = 0);

/// The storage indexes of the entries of an AT+CMGL reply ("+CMGL: 3,..." gives "3"), in
/// order. With TextForm only entries whose status is "REC UNREAD" count: a line of a
/// message's text can look like an entry, but the unread listing holds no other status.
[[nodiscard]] std::vector<std::string> ListedIndexes(const std::string& Reply, bool TextForm);

}  // namespace vorsa::detail
