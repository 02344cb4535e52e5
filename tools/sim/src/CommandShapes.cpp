// Shapes that many commands share: a setting ("AT+CMEE=?" lists the values, "AT+CMEE?"
// shows the current one, "AT+CMEE=1" sets it, a bare "AT+CMEE" resets it where the
// command allows that), a report ("AT+CSQ"), and a command on one stored message.
#include "CommandText.h"
#include "EngineState.h"

namespace vorsa::sim {
namespace {

// "(0,1)" for a switch, "(0-2)" for a longer range.
std::string RangeText(long max) {
    return max == 1 ? "(0,1)" : "(0-" + std::to_string(max) + ")";
}

}  // namespace

void ModemEngine::State::RespondNumber(const AtCommand& command, int value) {
    Respond(command.name + ": " + std::to_string(value));
}

Outcome ModemEngine::State::NumberSetting(const AtCommand& command, int& value, long max,
                                          std::optional<int> reset) {
    switch (command.form) {
        case CommandForm::Test:
            Respond(command.name + ": " + RangeText(max));
            return Outcome::Ok();
        case CommandForm::Read:
            RespondNumber(command, value);
            return Outcome::Ok();
        case CommandForm::Set: {
            std::optional<long> wanted = detail::OnlyNumber(command.arguments, max);
            if (!wanted) {
                return Outcome::Error();
            }
            value = static_cast<int>(*wanted);
            return Outcome::Ok();
        }
        case CommandForm::Action:
            if (!reset) {
                return Outcome::Error();
            }
            value = *reset;
            return Outcome::Ok();
    }
    return Outcome::Error();
}

Outcome ModemEngine::State::SwitchSetting(const AtCommand& command, bool& on,
                                          std::optional<bool> reset) {
    int value = on ? 1 : 0;
    Outcome outcome =
        NumberSetting(command, value, 1, reset ? std::optional<int>(*reset ? 1 : 0) : std::nullopt);
    on = value == 1;
    return outcome;
}

Outcome ModemEngine::State::Report(const AtCommand& command, const std::string& range,
                                   const std::string& value) {
    if (command.form == CommandForm::Test) {
        Respond(command.name + ": " + range);
        return Outcome::Ok();
    }
    if (command.form != CommandForm::Action) {
        return Outcome::Error();
    }
    Respond(command.name + ": " + value);
    return Outcome::Ok();
}

Outcome ModemEngine::State::ReadMessageIndex(const AtCommand& command, size_t most,
                                             detail::LeadingNumber* request) {
    if (command.form != CommandForm::Set) {
        return Outcome::Error();
    }
    if (Outcome locked = SimRequired(true); locked.Failed()) {
        return locked;
    }
    std::optional<detail::LeadingNumber> index = detail::ReadLeadingNumber(command.arguments, most);
    if (!index) {
        return Outcome::Error();
    }
    *request = std::move(*index);
    return Outcome::Ok();
}

}  // namespace vorsa::sim
