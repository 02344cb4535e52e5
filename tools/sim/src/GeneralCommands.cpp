// V.250 basic commands and the 27.007 equipment commands: identity, SIM PIN, activity,
// signal, registration, operator, character set, functionality, error reports.
#include <algorithm>

#include "CommandText.h"
#include "EngineState.h"

namespace vorsa::sim {
namespace {

using detail::IntArgument;
using detail::Quoted;

// The number of a basic command ("E1" -> 1); empty means 0.
std::optional<long> BasicValue(const AtCommand& command) {
    return command.arguments.empty() ? 0 : ParseInteger(command.arguments);
}

const char* const kCharacterSets[] = {"GSM", "IRA", "8859-1", "UTF-8", "UCS2"};
const char kOperatorCode[] = "00101";  // the test network

}  // namespace

const std::unordered_map<std::string, ModemEngine::State::Handler>& ModemEngine::State::Handlers() {
    static const std::unordered_map<std::string, Handler> kHandlers = {
        {"+CGMI", &State::Identity}, {"+CGMM", &State::Identity}, {"+CGMR", &State::Identity},
        {"+CGSN", &State::Identity}, {"+GMI", &State::Identity},  {"+GMM", &State::Identity},
        {"+GMR", &State::Identity},  {"+GSN", &State::Identity},  {"+CIMI", &State::Identity},
        {"+CPIN", &State::Cpin},     {"+CPAS", &State::Cpas},     {"+CSQ", &State::Csq},
        {"+CREG", &State::Creg},     {"+CGREG", &State::Creg},    {"+CGATT", &State::Cgatt},
        {"+COPS", &State::Cops},     {"+CSCS", &State::Cscs},     {"+CFUN", &State::Cfun},
        {"+CMEE", &State::Cmee},     {"+CSMS", &State::Csms},     {"+CPMS", &State::Cpms},
        {"+CSCA", &State::Csca},     {"+CNMI", &State::Cnmi},     {"+CMGF", &State::Cmgf},
        {"+CSDH", &State::Csdh},     {"+CSMP", &State::Csmp},     {"+CMGS", &State::Cmgs},
        {"+CMGW", &State::Cmgw},     {"+CMSS", &State::Cmss},     {"+CMGR", &State::Cmgr},
        {"+CMGL", &State::Cmgl},     {"+CMGD", &State::Cmgd},     {"+CNMA", &State::Cnma},
        {"+IPR", &State::Accepting}, {"+IFC", &State::Accepting}, {"+ICF", &State::Accepting},
    };
    return kHandlers;
}

Outcome ModemEngine::State::Dispatch(const AtCommand& command, Millis now) {
    if (std::optional<Outcome> refused = QuirkRefusal(command)) {
        return *refused;
    }
    if (command.name.front() != '+' && command.name.front() != '^' && command.name.front() != '$' &&
        command.name.front() != '%' && command.name.front() != '*' && command.name.front() != '#') {
        return Basic(command, now);
    }
    auto it = Handlers().find(command.name);
    if (it == Handlers().end()) {
        return Outcome::Error();
    }
    return (this->*(it->second))(command, now);
}

void ModemEngine::State::ResetSettings() {
    ModemSettings fresh;
    fresh.serviceCentre = settings.serviceCentre;
    fresh.serviceCentreType = settings.serviceCentreType;
    fresh.readMemory = settings.readMemory;
    fresh.writeMemory = settings.writeMemory;
    fresh.receiveMemory = settings.receiveMemory;
    fresh.messageService = settings.messageService;
    fresh.functionality = settings.functionality;
    settings = fresh;
    KeepRoutingWithinQuirks();
}

Outcome ModemEngine::State::Basic(const AtCommand& command, Millis) {
    const std::string& name = command.name;
    std::optional<long> value = BasicValue(command);
    if (name == "S0" || name == "S3" || name == "S4" || name == "S5" || name == "S7" ||
        name == "S8" || name == "S10") {
        if (command.form == CommandForm::Read) {
            static const std::unordered_map<std::string, int> kDefaults = {
                {"S0", 0}, {"S3", 13}, {"S4", 10}, {"S5", 8}, {"S7", 50}, {"S8", 2}, {"S10", 14}};
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "%03d", kDefaults.at(name));
            Respond(buffer);
        }
        return Outcome::Ok();
    }
    if (!value || command.form == CommandForm::Read) {
        return Outcome::Error();
    }
    if (name == "E" || name == "V" || name == "Q") {
        if (*value > 1) {
            return Outcome::Error();
        }
        (name == "E"   ? settings.echo
         : name == "V" ? settings.verbose
                       : settings.quiet) = *value == 1;
        return Outcome::Ok();
    }
    if (name == "Z" || name == "&F") {
        ResetSettings();
        return Outcome::Ok();
    }
    if (name == "I") {
        if (*value == 0 || *value > 9) {
            Respond(options.manufacturer + " " + options.model);
        }
        if (*value == 3) {
            Respond(options.revision);
        }
        return Outcome::Ok();
    }
    // Modem-control, dialling-tone and speaker settings have no meaning on a pty:
    // accept them as a real modem would.
    static const char* const kAccepted[] = {"&S", "&C", "&D", "&K", "&W", "&V", "X",
                                            "L",  "M",  "H",  "&Y", "&Q", "&E"};
    if (std::find_if(std::begin(kAccepted), std::end(kAccepted),
                     [&name](const char* n) { return name == n; }) != std::end(kAccepted)) {
        return Outcome::Ok();
    }
    return Outcome::Error();  // D (no voice or data calls), A, O and the unknown
}

Outcome ModemEngine::State::Identity(const AtCommand& command, Millis) {
    if (command.form == CommandForm::Test) {
        return Outcome::Ok();
    }
    if (command.form != CommandForm::Action) {
        return Outcome::Error();
    }
    const std::string& name = command.name;
    if (name == "+CGMI" || name == "+GMI") {
        Respond(options.manufacturer);
    } else if (name == "+CGMM" || name == "+GMM") {
        Respond(options.model);
    } else if (name == "+CGMR" || name == "+GMR") {
        Respond(options.revision);
    } else if (name == "+CGSN" || name == "+GSN") {
        Respond(options.imei);
    } else {
        if (Outcome locked = SimRequired(false); locked.Failed()) {
            return locked;
        }
        Respond(options.imsi);
    }
    return Outcome::Ok();
}

Outcome ModemEngine::State::SimRequired(bool smsCommand) const {
    if (sim == SimState::PinRequired) {
        return smsCommand ? Outcome::Cms(kCmsSimPinRequired) : Outcome::Cme(kCmeSimPinRequired);
    }
    if (sim == SimState::PukRequired) {
        return smsCommand ? Outcome::Cms(kCmsSimPukRequired) : Outcome::Cme(kCmeSimPukRequired);
    }
    return Outcome::Ok();
}

Outcome ModemEngine::State::Cpin(const AtCommand& command, Millis) {
    if (command.form == CommandForm::Test) {
        return Outcome::Ok();
    }
    if (command.form == CommandForm::Read) {
        omitFinalResult = quirks.pinReadyWithoutOk && sim == SimState::Ready;
        Respond(sim == SimState::Ready         ? "+CPIN: READY"
                : sim == SimState::PinRequired ? "+CPIN: SIM PIN"
                                               : "+CPIN: SIM PUK");
        return Outcome::Ok();
    }
    if (command.form != CommandForm::Set) {
        return Outcome::Error();
    }
    std::optional<std::vector<AtArgument>> args = detail::ArgumentsUpTo(command.arguments, 2);
    if (!args) {
        return Outcome::Error();
    }
    if (sim == SimState::Ready) {
        return Outcome::Cme(kCmeNotAllowed);  // nothing to unlock
    }
    const std::string& code = (*args)[0].text;
    if (sim == SimState::PinRequired) {
        if (code == options.pin) {
            return UnlockSim();
        }
        if (++pinAttempts >= 3) {
            sim = SimState::PukRequired;
        }
        return Outcome::Cme(kCmeIncorrectPassword);
    }
    // PUK: AT+CPIN="<puk>","<new pin>"
    if (args->size() != 2 || code != options.puk) {
        return Outcome::Cme(kCmeIncorrectPassword);
    }
    options.pin = (*args)[1].text;
    return UnlockSim();
}

Outcome ModemEngine::State::UnlockSim() {
    sim = SimState::Ready;
    faults.simNeedsPin = false;
    pinAttempts = 0;
    return Outcome::Ok();
}

Outcome ModemEngine::State::Cpas(const AtCommand& command, Millis) {
    return Report(command, "(0-5)", std::to_string(faults.activityStatus));
}

Outcome ModemEngine::State::Csq(const AtCommand& command, Millis) {
    int quality = settings.functionality == 1 ? options.signalQuality : 99;
    return Report(command, "(0-31,99),(0-7,99)", std::to_string(quality) + ",99");
}

Outcome ModemEngine::State::Creg(const AtCommand& command, Millis) {
    // +CREG (circuit-switched) and +CGREG (packet) registration: always home, same cell.
    bool packet = command.name == "+CGREG";
    int& reporting = packet ? packetRegistrationReports : registrationReports;
    if (command.form == CommandForm::Read) {
        bool home = settings.functionality == 1 && sim == SimState::Ready;
        std::string line =
            command.name + ": " + std::to_string(reporting) + "," + (home ? "1" : "0");
        if (reporting == 2 && home) {
            line += ",\"0A1B\",\"0000C351\"";  // location area and cell
        }
        Respond(line);
        return Outcome::Ok();
    }
    // The network never changes, so reporting on never sends a report.
    return NumberSetting(command, reporting, 2, std::nullopt);
}

Outcome ModemEngine::State::Cgatt(const AtCommand& command, Millis) {
    return SwitchSetting(command, packetAttached, std::nullopt);
}

Outcome ModemEngine::State::Cops(const AtCommand& command, Millis) {
    switch (command.form) {
        case CommandForm::Test:
            Respond("+COPS: (2," + Quoted(options.operatorName) + ",\"Vorsa\"," +
                    Quoted(kOperatorCode) + "),,(0-4),(0-2)");
            return Outcome::Ok();
        case CommandForm::Read:
            if (settings.functionality != 1 || sim != SimState::Ready) {
                Respond("+COPS: 0");
            } else {
                std::string name = operatorFormat == 2   ? kOperatorCode
                                   : operatorFormat == 1 ? std::string("Vorsa")
                                                         : options.operatorName;
                Respond("+COPS: 0," + std::to_string(operatorFormat) + "," + Quoted(name));
            }
            return Outcome::Ok();
        case CommandForm::Set: {
            // <mode>[,<format>[,<oper>]]: mode 3 only sets the format of the read.
            std::optional<detail::LeadingNumber> mode =
                detail::ReadLeadingNumber(command.arguments, 3);
            if (!mode || mode->value > 4) {
                return Outcome::Error();
            }
            const std::vector<AtArgument>& args = mode->all;
            if (args.size() >= 2 && args[1].present) {
                std::optional<long> format = IntArgument(args, 1);
                if (!format || *format > 2) {
                    return Outcome::Error();
                }
                operatorFormat = static_cast<int>(*format);
            }
            return Outcome::Ok();
        }
        case CommandForm::Action:
            break;
    }
    return Outcome::Error();
}

Outcome ModemEngine::State::Cscs(const AtCommand& command, Millis) {
    switch (command.form) {
        case CommandForm::Test: {
            std::string list = "+CSCS: (";
            for (const char* set : kCharacterSets) {
                list += (list.back() == '(' ? "" : ",") + Quoted(set);
            }
            Respond(list + ")");
            return Outcome::Ok();
        }
        case CommandForm::Read:
            Respond("+CSCS: " + Quoted(settings.characterSet));
            return Outcome::Ok();
        case CommandForm::Set: {
            std::optional<std::vector<AtArgument>> args =
                detail::ArgumentsUpTo(command.arguments, 1);
            if (!args) {
                return Outcome::Error();
            }
            std::string wanted = detail::Upper((*args)[0].text);
            for (const char* set : kCharacterSets) {
                if (wanted == set) {
                    settings.characterSet = set;
                    return Outcome::Ok();
                }
            }
            return Outcome::Cme(kCmeNotSupported);
        }
        case CommandForm::Action:
            break;
    }
    return Outcome::Error();
}

Outcome ModemEngine::State::Cfun(const AtCommand& command, Millis) {
    switch (command.form) {
        case CommandForm::Test:
            Respond("+CFUN: (0,1,4),(0,1)");
            return Outcome::Ok();
        case CommandForm::Read:
            RespondNumber(command, settings.functionality);
            return Outcome::Ok();
        case CommandForm::Set: {
            std::optional<detail::LeadingNumber> level =
                detail::ReadLeadingNumber(command.arguments, 2);
            if (!level || (level->value != 0 && level->value != 1 && level->value != 4)) {
                return Outcome::Error();
            }
            settings.functionality = static_cast<int>(level->value);
            if (level->all.size() == 2 && IntArgument(level->all, 1) == 1L) {
                ResetSettings();  // reset before setting the level
                settings.functionality = static_cast<int>(level->value);
            }
            return Outcome::Ok();
        }
        case CommandForm::Action:
            break;
    }
    return Outcome::Error();
}

Outcome ModemEngine::State::Cmee(const AtCommand& command, Millis) {
    return NumberSetting(command, settings.errorMode, 2, 0);
}

Outcome ModemEngine::State::Accepting(const AtCommand& command, Millis) {
    // Line speed and flow control of a pty: whatever the terminal asks is fine.
    if (command.form == CommandForm::Read) {
        Respond(command.name + (command.name == "+IPR" ? ": 115200" : ": 0,0"));
    }
    return Outcome::Ok();
}

}  // namespace vorsa::sim
