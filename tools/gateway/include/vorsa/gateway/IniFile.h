// A small INI reader for the gateway's configuration file:
//
//     # comment (also ;)
//     [gateway]
//     listen = 127.0.0.1:8080
//     token = "a value with # or leading blanks goes in double quotes"
//     [modem usb0]
//     port = /dev/serial/by-id/usb-...
//
// Section names and keys are case-sensitive; a section may carry a name after its kind
// ("modem usb0"). Quoted values take \" and \\ as escapes. Errors name the line.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorsa::gateway {

struct IniEntry {
    std::string key;
    std::string value;
    int line = 0;
};

struct IniSection {
    std::string kind;  // "gateway", "modem"...; "" for entries before any section
    std::string name;  // what follows the kind, e.g. "usb0"
    int line = 0;
    std::vector<IniEntry> entries;
};

struct IniParseResult {
    std::vector<IniSection> sections;
    std::string error;  // "" on success, else "line N: ..."
};

[[nodiscard]] IniParseResult ParseIni(std::string_view text);

}  // namespace vorsa::gateway
