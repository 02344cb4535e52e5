// The console commands that make the modem answer as a real family does: `profile NAME`
// switches a family's quirks on (and every other off), `quirk NAME on|off` one at a time.
#include <algorithm>
#include <cctype>
#include <sstream>

#include "vorsa/sim/Console.h"
#include "vorsa/sim/ModemQuirks.h"

namespace vorsa::sim {
namespace {

std::string Word(std::string_view* rest) {
    while (!rest->empty() && std::isspace(static_cast<unsigned char>(rest->front()))) {
        rest->remove_prefix(1);
    }
    size_t end = 0;
    while (end < rest->size() && !std::isspace(static_cast<unsigned char>((*rest)[end]))) {
        ++end;
    }
    std::string word(rest->substr(0, end));
    rest->remove_prefix(end);
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return word;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text.empty() ? "no quirks" : text;
}

Console::Result Reply(const std::string& text) {
    return Console::Result{text + "\n", false};
}

}  // namespace

Console::Result Console::Profile(std::string_view arguments) {
    const std::string name = Word(&arguments);
    if (name.empty()) {
        const QuirkSettings current = modem_.Quirks();
        std::ostringstream out;
        for (const ModemProfile& profile : ModemProfiles()) {
            out << (ProfileQuirks(profile.name) == current ? "* " : "  ") << profile.name << " ("
                << profile.device << ")\n";
        }
        return Result{out.str(), false};
    }
    const std::optional<QuirkSettings> quirks = ProfileQuirks(name);
    if (!quirks) {
        return Reply("unknown profile '" + name + "'; profile lists them");
    }
    modem_.SetQuirks(*quirks);
    return Reply("profile " + name + ": " + Joined(ActiveQuirks(*quirks)));
}

Console::Result Console::Quirk(std::string_view arguments) {
    const std::string name = Word(&arguments);
    if (name.empty()) {
        const QuirkSettings current = modem_.Quirks();
        std::ostringstream out;
        for (const QuirkSwitch& quirk : QuirkSwitches()) {
            out << (QuirkOn(quirk.name, current) ? "on   " : "off  ") << quirk.name << ": "
                << quirk.description << "\n";
        }
        return Result{out.str(), false};
    }
    const std::string state = Word(&arguments);
    if (state != "" && state != "on" && state != "off") {
        return Reply("quirk " + name + " takes on or off");
    }
    QuirkSettings quirks = modem_.Quirks();
    if (!SetQuirk(name, state != "off", quirks)) {
        return Reply("unknown quirk '" + name + "'; quirk lists them");
    }
    modem_.SetQuirks(quirks);
    return Reply("quirk " + name + (state == "off" ? " off" : " on"));
}

}  // namespace vorsa::sim
