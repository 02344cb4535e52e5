// The quirk switches and the modem families, as their published SMS logs and test suites
// show them. Each switch names the device it comes from.
#include "vorsa/sim/ModemQuirks.h"

#include <algorithm>
#include <functional>

namespace vorsa::sim {
namespace {

// Lines Huawei sticks (E1752, K3715) send on their own every few seconds: boot ticks,
// signal strength, system mode, data flow and service state.
const std::vector<std::string> kHuaweiLines = {
    "^BOOT:20971082,0,0,0,72",
    "^RSSI:18",
    "^MODE:5,4",
    "^DSFLOWRPT:00000010,00000000,00000000,0000000000000000,0000000000000000,0000BB80,0001F400",
    "^SRVST:2",
};

// ZTE sticks (K3565-Z) announce the SIM, the operator and the radio access.
const std::vector<std::string> kZteLines = {
    "+ZUSIMR:2",
    "+ZDONR: \"Vorsa Sim\",001,01,\"CS_PS\",\"ROAM_OFF\"",
    "+ZPASR: \"UMTS\"",
};

// A Siemens MC35i with registration reports on, on a line that also carries calls.
const std::vector<std::string> kRingAndRegistrationLines = {"RING", "+CREG: 1", "+CGREG: 1"};

// What a Qualcomm M6280 stick had pending when it opened the prompt.
const std::vector<std::string> kPromptLines = {
    "+ZDONR: \"Vorsa Sim\",001,01,\"CS_PS\",\"ROAM_OFF\"",
    "+ZPASR: \"UMTS\"",
};

// AT+CNMI values: <mode>, <mt>, <bm>, <ds>, <bfr>.
// Nokia N79: no mode 2; mode 3 forwards the same way on a serial line.
const std::vector<std::vector<int>> kRoutingWithoutMode2 = {
    {0, 1, 3}, {0, 1, 2, 3}, {0, 2}, {0, 1}, {0, 1}};
// Huawei K3715: mode 1 only (reports are dropped while a command runs).
const std::vector<std::vector<int>> kRoutingMode1Only = {
    {0, 1}, {0, 1, 2, 3}, {0, 2}, {0, 1, 2}, {0, 1}};
// ZTE K3565-Z: no <mt> 1, so a stored message is never announced.
const std::vector<std::vector<int>> kRoutingWithoutStorageNotice = {
    {0, 1, 2}, {0, 2, 3}, {0}, {0}, {0, 1}};

bool HasAll(const std::vector<std::string>& have, const std::vector<std::string>& wanted) {
    return std::all_of(wanted.begin(), wanted.end(), [&have](const std::string& line) {
        return std::find(have.begin(), have.end(), line) != have.end();
    });
}

void AddOrRemove(std::vector<std::string>& lines, const std::vector<std::string>& these, bool on) {
    for (const std::string& line : these) {
        auto at = std::find(lines.begin(), lines.end(), line);
        if (on && at == lines.end()) {
            lines.push_back(line);
        } else if (!on && at != lines.end()) {
            lines.erase(at);
        }
    }
}

struct SwitchRow {
    QuirkSwitch shown;
    std::function<void(QuirkSettings&, bool)> set;
    std::function<bool(const QuirkSettings&)> on;
};

SwitchRow Flag(const char* name, const char* description, bool QuirkSettings::*member) {
    return {{name, description},
            [member](QuirkSettings& q, bool on) { q.*member = on; },
            [member](const QuirkSettings& q) { return q.*member; }};
}

SwitchRow Memories(const char* name, const char* description, int count) {
    return {{name, description},
            [count](QuirkSettings& q, bool on) {
                if (on) {
                    q.storageMemories = count;
                } else if (q.storageMemories == count) {
                    q.storageMemories = 3;
                }
            },
            [count](const QuirkSettings& q) { return q.storageMemories == count; }};
}

SwitchRow Routing(const char* name, const char* description,
                  const std::vector<std::vector<int>>& values) {
    return {{name, description},
            [&values](QuirkSettings& q, bool on) {
                if (on) {
                    q.routingValues = values;
                } else if (q.routingValues == values) {
                    q.routingValues.clear();
                }
            },
            [&values](const QuirkSettings& q) { return q.routingValues == values; }};
}

SwitchRow Lines(const char* name, const char* description,
                std::vector<std::string> QuirkSettings::*member,
                const std::vector<std::string>& lines) {
    return {{name, description},
            [member, &lines](QuirkSettings& q, bool on) { AddOrRemove(q.*member, lines, on); },
            [member, &lines](const QuirkSettings& q) { return HasAll(q.*member, lines); }};
}

const std::vector<SwitchRow>& Rows() {
    static const std::vector<SwitchRow> kRows = {
        Flag("cpin-without-ok", "\"+CPIN: READY\" with no OK after it (Wavecom Multiband)",
             &QuirkSettings::pinReadyWithoutOk),
        Memories("cpms-two-memories",
                 "AT+CPMS takes two memories and lists them nested (Wavecom Multiband)", 2),
        Memories("cpms-no-memories",
                 "AT+CPMS=? lists no memories, every choice refused (Nokia N79)", 0),
        Routing("cnmi-without-mode-2", "AT+CNMI mode 2 refused; modes 0, 1 and 3 (Nokia N79)",
                kRoutingWithoutMode2),
        Routing("cnmi-mode-1-only", "AT+CNMI takes mode 1 only (Huawei K3715)", kRoutingMode1Only),
        Routing("cnmi-without-storage-notice",
                "AT+CNMI refuses <mt> 1: stored messages are never announced (ZTE K3565-Z)",
                kRoutingWithoutStorageNotice),
        Flag("pin-before-everything",
             "a locked SIM makes every command but AT+CPIN answer ERROR (Qualcomm M6280, ZTE "
             "K3565-Z)",
             &QuirkSettings::pinBeforeEverything),
        {{"and-s-not-supported", "&S answered \"COMMAND NOT SUPPORT\" (Huawei E1752)"},
         [](QuirkSettings& q, bool on) {
             on ? void(q.unsupportedCommands.insert("&S"))
                : void(q.unsupportedCommands.erase("&S"));
         },
         [](const QuirkSettings& q) { return q.unsupportedCommands.count("&S") != 0; }},
        Lines("huawei-lines", "^BOOT, ^RSSI, ^MODE, ^DSFLOWRPT, ^SRVST before answers (Huawei)",
              &QuirkSettings::vendorLines, kHuaweiLines),
        Lines("zte-lines", "+ZUSIMR, +ZDONR, +ZPASR before answers (ZTE K3565-Z)",
              &QuirkSettings::vendorLines, kZteLines),
        Lines("ring-and-registration-lines", "RING, +CREG, +CGREG before answers (Siemens MC35i)",
              &QuirkSettings::vendorLines, kRingAndRegistrationLines),
        Lines("lines-before-prompt", "+ZDONR and +ZPASR before the \"> \" prompt (Qualcomm M6280)",
              &QuirkSettings::linesBeforePrompt, kPromptLines),
        Flag("cmgr-without-status", "PDU-mode \"+CMGR: ,,35\" without a status (ZTE K3565-Z)",
             &QuirkSettings::readWithoutStatus),
    };
    return kRows;
}

const SwitchRow* FindRow(std::string_view name) {
    for (const SwitchRow& row : Rows()) {
        if (name == row.shown.name) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

bool QuirkSettings::operator==(const QuirkSettings& other) const {
    return pinReadyWithoutOk == other.pinReadyWithoutOk &&
           storageMemories == other.storageMemories && routingValues == other.routingValues &&
           pinBeforeEverything == other.pinBeforeEverything &&
           unsupportedCommands == other.unsupportedCommands && vendorLines == other.vendorLines &&
           linesBeforePrompt == other.linesBeforePrompt &&
           readWithoutStatus == other.readWithoutStatus;
}

const std::vector<QuirkSwitch>& QuirkSwitches() {
    static const std::vector<QuirkSwitch> kSwitches = [] {
        std::vector<QuirkSwitch> switches;
        for (const SwitchRow& row : Rows()) {
            switches.push_back(row.shown);
        }
        return switches;
    }();
    return kSwitches;
}

bool SetQuirk(std::string_view name, bool on, QuirkSettings& quirks) {
    const SwitchRow* row = FindRow(name);
    if (row == nullptr) {
        return false;
    }
    row->set(quirks, on);
    return true;
}

bool QuirkOn(std::string_view name, const QuirkSettings& quirks) {
    const SwitchRow* row = FindRow(name);
    return row != nullptr && row->on(quirks);
}

std::vector<std::string> ActiveQuirks(const QuirkSettings& quirks) {
    std::vector<std::string> names;
    for (const SwitchRow& row : Rows()) {
        if (row.on(quirks)) {
            names.emplace_back(row.shown.name);
        }
    }
    return names;
}

const std::vector<ModemProfile>& ModemProfiles() {
    static const std::vector<ModemProfile> kProfiles = {
        {"textbook", "a modem that answers every command by the book", {}},
        {"wavecom-multiband", "Wavecom Multiband", {"cpin-without-ok", "cpms-two-memories"}},
        {"huawei-k3715", "Huawei K3715", {"cnmi-mode-1-only", "huawei-lines"}},
        {"huawei-e1752", "Huawei E1752", {"and-s-not-supported", "huawei-lines"}},
        {"qualcomm-m6280", "Qualcomm M6280", {"pin-before-everything", "lines-before-prompt"}},
        {"zte-k3565z",
         "ZTE K3565-Z",
         {"cnmi-without-storage-notice", "pin-before-everything", "zte-lines",
          "cmgr-without-status"}},
        {"nokia-n79", "Nokia N79", {"cpms-no-memories", "cnmi-without-mode-2"}},
        {"siemens-mc35i", "Siemens MC35i", {"ring-and-registration-lines"}},
    };
    return kProfiles;
}

std::optional<QuirkSettings> ProfileQuirks(std::string_view name) {
    for (const ModemProfile& profile : ModemProfiles()) {
        if (name == profile.name) {
            QuirkSettings quirks;
            for (const char* quirk : profile.quirks) {
                SetQuirk(quirk, true, quirks);
            }
            return quirks;
        }
    }
    return std::nullopt;
}

}  // namespace vorsa::sim
