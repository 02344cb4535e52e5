// How real modems answer in their own form. The simulated modem is the textbook modem
// unless quirks are switched on; each quirk is a switch of its own, so that tests and users
// can combine them, and a profile is the set of switches one modem family shows.
//
//     vorsa-sim --profile huawei-e1752           # or: --quirk huawei-lines --quirk ...
//     profile zte-k3565z                         # the same on the console, at any time
//     quirk cpin-without-ok on                   # one switch more
#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vorsa::sim {

struct QuirkSettings {
    /// "+CPIN: READY" goes out without the final OK.
    bool pinReadyWithoutOk = false;
    /// How many memories AT+CPMS takes: 3 by the book, 2 (listed nested, as
    /// (("SM","BM","SR"),("SM"))), or 0 (AT+CPMS=? lists none and every choice is refused).
    int storageMemories = 3;
    /// The values AT+CNMI takes, one list per parameter; AT+CNMI=? lists them and any other
    /// value is refused with ERROR. Empty: the textbook ranges.
    std::vector<std::vector<int>> routingValues;
    /// While the SIM waits for its PIN, every command but AT+CPIN is answered ERROR.
    /// Switching it on locks the SIM as at power-up.
    bool pinBeforeEverything = false;
    /// Commands answered "COMMAND NOT SUPPORT" ("&S").
    std::set<std::string> unsupportedCommands;
    /// Lines the modem sends of its own accord; one goes out in front of every answer, in
    /// turn.
    std::vector<std::string> vendorLines;
    /// Lines sent in front of the "> " prompt of AT+CMGS and AT+CMGW.
    std::vector<std::string> linesBeforePrompt;
    /// PDU-mode AT+CMGR answers without the status field: "+CMGR: ,,35".
    bool readWithoutStatus = false;

    bool operator==(const QuirkSettings& other) const;
    bool operator!=(const QuirkSettings& other) const { return !(*this == other); }
};

/// One switch: its name, the device it comes from and what it does.
struct QuirkSwitch {
    const char* name;
    const char* description;
};

/// Every switch, in a fixed order.
[[nodiscard]] const std::vector<QuirkSwitch>& QuirkSwitches();
/// Switches `name` on or off in `quirks`; false for an unknown name.
bool SetQuirk(std::string_view name, bool on, QuirkSettings& quirks);
/// Whether switch `name` is on in `quirks` (false for an unknown name).
[[nodiscard]] bool QuirkOn(std::string_view name, const QuirkSettings& quirks);
/// The names of the switches that are on, in the order of QuirkSwitches().
[[nodiscard]] std::vector<std::string> ActiveQuirks(const QuirkSettings& quirks);

/// One modem family: its profile name, the device and the switches it shows.
struct ModemProfile {
    const char* name;
    const char* device;
    std::vector<const char*> quirks;
};

/// "textbook" first (no switch on), then the seven families.
[[nodiscard]] const std::vector<ModemProfile>& ModemProfiles();
/// The switches of profile `name`; nullopt for an unknown name.
[[nodiscard]] std::optional<QuirkSettings> ProfileQuirks(std::string_view name);

}  // namespace vorsa::sim
