// The 27.005 message service settings: service, memories, centre, routing, format and
// the text-mode sending parameters.
#include "CommandText.h"
#include "EngineState.h"
#include "NumberGroup.h"
#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

using detail::IntArgument;
using detail::Quoted;
using detail::Upper;

}  // namespace

Outcome ModemEngine::State::Csms(const AtCommand& command, Millis) {
    switch (command.form) {
        case CommandForm::Test:
            Respond("+CSMS: (0,1)");
            return Outcome::Ok();
        case CommandForm::Read:
            Respond("+CSMS: " + std::to_string(settings.messageService) + ",1,1,1");
            return Outcome::Ok();
        case CommandForm::Set: {
            std::optional<long> service = detail::OnlyNumber(command.arguments, 1);
            if (!service) {
                return Outcome::Cms(kCmsOperationNotSupported);
            }
            settings.messageService = static_cast<int>(*service);
            Respond("+CSMS: 1,1,1");
            return Outcome::Ok();
        }
        case CommandForm::Action:
            break;
    }
    return Outcome::Error();
}

Outcome ModemEngine::State::Cpms(const AtCommand& command, Millis) {
    if (std::optional<Outcome> quirk = StorageQuirk(command)) {
        return *quirk;
    }
    if (command.form == CommandForm::Test) {
        Respond("+CPMS: (\"SM\",\"ME\"),(\"SM\",\"ME\"),(\"SM\",\"ME\")");
        return Outcome::Ok();
    }
    if (Outcome locked = SimRequired(true); locked.Failed()) {
        return locked;
    }
    auto usage = [this](const std::string& memory) {
        return std::to_string(store.Used(memory)) + "," + std::to_string(store.Capacity(memory));
    };
    if (command.form == CommandForm::Read) {
        Respond("+CPMS: " + Quoted(settings.readMemory) + "," + usage(settings.readMemory) + "," +
                Quoted(settings.writeMemory) + "," + usage(settings.writeMemory) + "," +
                Quoted(settings.receiveMemory) + "," + usage(settings.receiveMemory));
        return Outcome::Ok();
    }
    if (command.form != CommandForm::Set) {
        return Outcome::Error();
    }
    std::optional<std::vector<AtArgument>> args = detail::ArgumentsUpTo(command.arguments, 3);
    if (!args) {
        return Outcome::Error();
    }
    std::string* targets[] = {&settings.readMemory, &settings.writeMemory, &settings.receiveMemory};
    std::string chosen[3] = {settings.readMemory, settings.writeMemory, settings.receiveMemory};
    for (size_t i = 0; i < args->size(); ++i) {
        if (!(*args)[i].present) {
            continue;
        }
        std::string memory = Upper((*args)[i].text);
        if (!store.HasMemory(memory)) {
            return Outcome::Cms(kCmsOperationNotAllowed);
        }
        chosen[i] = memory;
    }
    for (size_t i = 0; i < 3; ++i) {
        *targets[i] = chosen[i];
    }
    Respond("+CPMS: " + usage(settings.readMemory) + "," + usage(settings.writeMemory) + "," +
            usage(settings.receiveMemory));
    return Outcome::Ok();
}

Outcome ModemEngine::State::Csca(const AtCommand& command, Millis) {
    if (command.form == CommandForm::Test) {
        return Outcome::Ok();
    }
    if (Outcome locked = SimRequired(true); locked.Failed()) {
        return locked;
    }
    if (command.form == CommandForm::Read) {
        Respond("+CSCA: " + Quoted(ToTerminal(settings.serviceCentre)) + "," +
                std::to_string(settings.serviceCentreType));
        return Outcome::Ok();
    }
    if (command.form != CommandForm::Set) {
        return Outcome::Error();
    }
    std::optional<std::vector<AtArgument>> args = detail::ArgumentsUpTo(command.arguments, 2);
    if (!args) {
        return Outcome::Error();
    }
    std::optional<std::u32string> number = FromTerminal((*args)[0].text);
    if (!number) {
        return Outcome::Cms(kCmsOperationNotAllowed);
    }
    std::string text = EncodeUtf8(*number);
    std::optional<long> type = IntArgument(*args, 1);
    if (args->size() == 2 && (!type || *type > 255)) {
        return Outcome::Error();
    }
    Address address = AddressFromText(text, type ? std::optional<uint8_t>(*type) : std::nullopt);
    if (!text.empty() && !EncodeServiceCentreField(address)) {
        return Outcome::Cms(kCmsOperationNotAllowed);
    }
    settings.serviceCentre = address.text;
    settings.serviceCentreType = address.type;
    return Outcome::Ok();
}

Outcome ModemEngine::State::Cnmi(const AtCommand& command, Millis) {
    detail::NumberGroup notify({{&settings.notifyMode, 3},
                                {&settings.notifyDeliver, 3},
                                {&settings.notifyBroadcast, 3},
                                {&settings.notifyStatus, 2},
                                {&settings.notifyBuffer, 1}});
    switch (command.form) {
        case CommandForm::Test:
            Respond(RoutingRanges().value_or("+CNMI: (0-3),(0-3),(0,2),(0-2),(0,1)"));
            return Outcome::Ok();
        case CommandForm::Read:
            Respond("+CNMI: " + notify.Text());
            return Outcome::Ok();
        case CommandForm::Set:
            break;
        case CommandForm::Action:
            return Outcome::Error();
    }
    detail::NumberGroup::Request request = notify.Parse(command.arguments);
    if (request.fault != detail::NumberGroup::Fault::None || !RoutingAllowed(request.values)) {
        return Outcome::Error();
    }
    int broadcast = request.values[2];
    if (broadcast == 1 || broadcast == 3) {
        return Outcome::Cms(kCmsOperationNotSupported);  // no cell broadcast here
    }
    notify.Store(request.values);
    if (settings.notifyMode != 0) {
        // Reports kept in mode 0 go out after this command's OK, or are dropped.
        if (settings.notifyBuffer == 0) {
            held.insert(held.end(), buffered.begin(), buffered.end());
        }
        buffered.clear();
    }
    return Outcome::Ok();
}

Outcome ModemEngine::State::Cmgf(const AtCommand& command, Millis) {
    return SwitchSetting(command, settings.textMode, std::nullopt);
}

Outcome ModemEngine::State::Csdh(const AtCommand& command, Millis) {
    return SwitchSetting(command, settings.showTextHeaders, false);
}

Outcome ModemEngine::State::Csmp(const AtCommand& command, Millis) {
    detail::NumberGroup submit({{&settings.submitFirstOctet, 255},
                                {&settings.submitValidity, 255},
                                {&settings.submitProtocol, 255},
                                {&settings.submitCoding, 255}});
    switch (command.form) {
        case CommandForm::Test:
            return Outcome::Ok();
        case CommandForm::Read:
            Respond("+CSMP: " + submit.Text());
            return Outcome::Ok();
        case CommandForm::Set:
            break;
        case CommandForm::Action:
            return Outcome::Error();
    }
    detail::NumberGroup::Request request = submit.Parse(command.arguments);
    if (request.fault == detail::NumberGroup::Fault::Shape) {
        return Outcome::Error();
    }
    if (request.fault == detail::NumberGroup::Fault::Range) {
        return Outcome::Cms(kCmsInvalidTextParameter);
    }
    int firstOctet = request.values[0];
    if ((firstOctet & 0x03) != 0x01) {
        return Outcome::Cms(kCmsInvalidTextParameter);  // the first octet of a submit
    }
    submit.Store(request.values);
    return Outcome::Ok();
}

}  // namespace vorsa::sim
