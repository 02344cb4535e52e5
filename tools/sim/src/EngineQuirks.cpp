// The modem answering in the form of a real family when its quirk switches are on: lines
// of its own in front of answers and of the prompt, commands a locked SIM or the firmware
// refuses, fewer message memories, its own routing ranges.
#include <algorithm>

#include "CommandText.h"
#include "EngineState.h"

namespace vorsa::sim {
namespace {

// The memories of a Wavecom Multiband: three for reading, only the SIM for writing.
constexpr char kTwoMemoryListing[] = "+CPMS: ((\"SM\",\"BM\",\"SR\"),(\"SM\"))";
// A Nokia N79 names no memory at all.
constexpr char kNoMemoryListing[] = "+CPMS: (),(),()";

// "(0,1,3)": the values of one parameter.
std::string ValueList(const std::vector<int>& values) {
    std::string text = "(";
    for (int value : values) {
        text += (text.size() > 1 ? "," : "") + std::to_string(value);
    }
    return text + ")";
}

}  // namespace

void ModemEngine::State::SetQuirks(const QuirkSettings& wanted) {
    if (wanted.pinBeforeEverything && !quirks.pinBeforeEverything) {
        // The families that refuse everything until the PIN come up with a locked SIM.
        sim = SimState::PinRequired;
        pinAttempts = 0;
    }
    quirks = wanted;
    KeepRoutingWithinQuirks();
}

std::optional<Outcome> ModemEngine::State::QuirkRefusal(const AtCommand& command) const {
    if (quirks.pinBeforeEverything && sim != SimState::Ready && command.name != "+CPIN") {
        return Outcome::Error();
    }
    if (quirks.unsupportedCommands.count(command.name) != 0) {
        return Outcome::NotSupported();
    }
    return std::nullopt;
}

std::string ModemEngine::State::VendorLineBeforeAnswer() {
    if (quirks.vendorLines.empty()) {
        return "";
    }
    const std::string& line = quirks.vendorLines[nextVendorLine % quirks.vendorLines.size()];
    ++nextVendorLine;
    return Frame(line);
}

std::string ModemEngine::State::LinesBeforePrompt() const {
    std::string lines;
    for (const std::string& line : quirks.linesBeforePrompt) {
        lines += Frame(line);
    }
    return lines;
}

std::optional<Outcome> ModemEngine::State::StorageQuirk(const AtCommand& command) {
    if (quirks.storageMemories >= 3) {
        return std::nullopt;
    }
    if (command.form == CommandForm::Test) {
        Respond(quirks.storageMemories == 0 ? kNoMemoryListing : kTwoMemoryListing);
        return Outcome::Ok();
    }
    if (command.form != CommandForm::Set) {
        return std::nullopt;
    }
    std::optional<std::vector<AtArgument>> args = SplitArguments(command.arguments);
    if (quirks.storageMemories == 0 || !args ||
        args->size() > static_cast<size_t>(quirks.storageMemories)) {
        return Outcome::Error();
    }
    return std::nullopt;
}

std::optional<std::string> ModemEngine::State::RoutingRanges() const {
    if (quirks.routingValues.empty()) {
        return std::nullopt;
    }
    std::string ranges = "+CNMI: ";
    for (size_t i = 0; i < quirks.routingValues.size(); ++i) {
        ranges += (i == 0 ? "" : ",") + ValueList(quirks.routingValues[i]);
    }
    return ranges;
}

bool ModemEngine::State::RoutingAllowed(const std::vector<int>& values) const {
    for (size_t i = 0; i < values.size() && i < quirks.routingValues.size(); ++i) {
        const std::vector<int>& allowed = quirks.routingValues[i];
        if (std::find(allowed.begin(), allowed.end(), values[i]) == allowed.end()) {
            return false;
        }
    }
    return true;
}

void ModemEngine::State::KeepRoutingWithinQuirks() {
    int* current[] = {&settings.notifyMode, &settings.notifyDeliver, &settings.notifyBroadcast,
                      &settings.notifyStatus, &settings.notifyBuffer};
    for (size_t i = 0; i < quirks.routingValues.size() && i < std::size(current); ++i) {
        const std::vector<int>& allowed = quirks.routingValues[i];
        if (!allowed.empty() &&
            std::find(allowed.begin(), allowed.end(), *current[i]) == allowed.end()) {
            *current[i] = *std::min_element(allowed.begin(), allowed.end());
        }
    }
}

}  // namespace vorsa::sim
