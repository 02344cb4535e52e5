// The 27.005 message service commands: service, memories, centre, routing, format,
// sending, writing, reading, listing and deleting; and the arrival of a message.
#include <ctime>

#include "CommandText.h"
#include "EngineState.h"
#include "NumberGroup.h"
#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

using detail::IntArgument;
using detail::Quoted;
using detail::Upper;

constexpr long kMaxTpduLength = 164;

// Status filter of AT+CMGL: a status, or every message.
struct ListFilter {
    bool all = false;
    MessageStatus status = MessageStatus::ReceivedUnread;
};

std::optional<ListFilter> TextFilter(const std::string& text) {
    std::string upper = Upper(text);
    if (upper == "ALL") {
        return ListFilter{true, MessageStatus::ReceivedUnread};
    }
    for (int s = 0; s <= 3; ++s) {
        if (upper == StatusText(static_cast<MessageStatus>(s))) {
            return ListFilter{false, static_cast<MessageStatus>(s)};
        }
    }
    return std::nullopt;
}

}  // namespace

int ModemEngine::State::NextReference() {
    int reference = nextReference;
    nextReference = (nextReference + 1) & 0xFF;
    return reference;
}

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
            Respond("+CNMI: (0-3),(0-3),(0,2),(0-2),(0,1)");
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
    if (request.fault != detail::NumberGroup::Fault::None) {
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

Outcome ModemEngine::State::Cmgs(const AtCommand& command, Millis now) {
    return BeginMessage(command, false, now);
}

Outcome ModemEngine::State::Cmgw(const AtCommand& command, Millis now) {
    return BeginMessage(command, true, now);
}

Outcome ModemEngine::State::BeginMessage(const AtCommand& command, bool store, Millis) {
    if (command.form == CommandForm::Test) {
        return Outcome::Ok();
    }
    if (command.form == CommandForm::Read || (command.form == CommandForm::Action && !store)) {
        return Outcome::Error();
    }
    if (Outcome locked = SimRequired(true); locked.Failed()) {
        return locked;
    }
    std::optional<std::vector<AtArgument>> args = SplitArguments(command.arguments);
    if (!args) {
        return Outcome::Error();
    }
    storeMessage = store;
    messageBody.clear();
    messageStatus = MessageStatus::StoredUnsent;
    if (settings.textMode) {
        // AT+CMGS="<da>"[,<toda>]; AT+CMGW[="<da>"[,<toda>[,<stat>]]]
        if ((!store && (args->empty() || !(*args)[0].present)) || args->size() > 3 ||
            (!store && args->size() > 2)) {
            return Outcome::Cms(kCmsInvalidTextParameter);
        }
        std::string number;
        if (!args->empty()) {
            std::optional<std::u32string> decoded = FromTerminal((*args)[0].text);
            if (!decoded) {
                return Outcome::Cms(kCmsInvalidTextParameter);
            }
            number = EncodeUtf8(*decoded);
        }
        std::optional<uint8_t> type;
        if (args->size() >= 2 && (*args)[1].present) {
            std::optional<long> toda = IntArgument(*args, 1);
            if (!toda || *toda > 255 || *toda < 128) {
                return Outcome::Cms(kCmsInvalidTextParameter);
            }
            type = static_cast<uint8_t>(*toda);
        }
        if (args->size() == 3 && (*args)[2].present) {
            std::optional<ListFilter> status = TextFilter((*args)[2].text);
            if (!status || status->all || status->status == MessageStatus::ReceivedUnread ||
                status->status == MessageStatus::ReceivedRead) {
                return Outcome::Cms(kCmsInvalidTextParameter);
            }
            messageStatus = status->status;
        }
        messageDestination = AddressFromText(number, type);
        if ((!store && number.empty()) ||
            (!number.empty() && !EncodeAddressField(messageDestination))) {
            return Outcome::Cms(kCmsInvalidTextParameter);
        }
        input = Input::MessageText;
        return Outcome::Await();
    }
    // PDU mode: AT+CMGS=<length>; AT+CMGW=<length>[,<stat>]
    std::optional<long> length = IntArgument(*args, 0);
    if (!length || *length < 1 || *length > kMaxTpduLength || args->size() > (store ? 2u : 1u)) {
        return Outcome::Cms(kCmsInvalidPduParameter);
    }
    if (args->size() == 2 && (*args)[1].present) {
        std::optional<long> status = IntArgument(*args, 1);
        if (!status || *status > 3) {
            return Outcome::Cms(kCmsInvalidPduParameter);
        }
        messageStatus = static_cast<MessageStatus>(*status);
    }
    messageLength = static_cast<int>(*length);
    input = Input::MessagePdu;
    return Outcome::Await();
}

Outcome ModemEngine::State::FinishMessage(Millis now) {
    return input == Input::MessagePdu ? FinishPduMessage(now) : FinishTextMessage(now);
}

Outcome ModemEngine::State::FinishTextMessage(Millis now) {
    std::string body = messageBody;
    if (!body.empty() && body.back() == '\n') {
        body.pop_back();  // the line ended by the last CR, with nothing typed after it
    }
    std::optional<SubmitPdu> submit = BuildTextSubmit(messageDestination, body);
    if (!submit) {
        return Outcome::Cms(kCmsInvalidTextParameter);
    }
    std::optional<Octets> pdu = submit->Encode();
    if (!pdu) {
        return Outcome::Cms(kCmsInvalidTextParameter);
    }
    if (storeMessage) {
        std::optional<int> index =
            store.Add(settings.writeMemory, detail::StoredSlot{messageStatus, *pdu, false});
        if (!index) {
            return Outcome::Cms(kCmsMemoryFull);
        }
        Respond("+CMGW: " + std::to_string(*index));
        return Outcome::Ok();
    }
    int reference = 0;
    Outcome sent =
        Send(*submit, ToHex(*pdu), true, static_cast<int>(TpduLength(*pdu)), &reference, now);
    if (!sent.Failed()) {
        Respond("+CMGS: " + std::to_string(reference));
    }
    return sent;
}

Outcome ModemEngine::State::FinishPduMessage(Millis now) {
    std::optional<Octets> pdu = FromHex(messageBody);
    if (!pdu) {
        return Outcome::Cms(kCmsInvalidPduParameter);
    }
    std::optional<size_t> centre = ServiceCentrePartLength(*pdu);
    // The length argument counts the transfer unit, without the service-centre part.
    if (!centre || pdu->size() - *centre != static_cast<size_t>(messageLength)) {
        return Outcome::Cms(kCmsInvalidPduParameter);
    }
    if (storeMessage) {
        bool received = messageStatus == MessageStatus::ReceivedUnread ||
                        messageStatus == MessageStatus::ReceivedRead;
        bool valid = received ? DeliverPdu::Decode(*pdu, nullptr).has_value()
                              : SubmitPdu::Decode(*pdu, nullptr).has_value();
        if (!valid) {
            return Outcome::Cms(kCmsInvalidPduParameter);
        }
        std::optional<int> index =
            store.Add(settings.writeMemory, detail::StoredSlot{messageStatus, *pdu, received});
        if (!index) {
            return Outcome::Cms(kCmsMemoryFull);
        }
        Respond("+CMGW: " + std::to_string(*index));
        return Outcome::Ok();
    }
    std::optional<SubmitPdu> submit = SubmitPdu::Decode(*pdu, nullptr);
    if (!submit) {
        return Outcome::Cms(kCmsInvalidPduParameter);
    }
    int reference = 0;
    Outcome sent = Send(*submit, messageBody, false, messageLength, &reference, now);
    if (!sent.Failed()) {
        Respond("+CMGS: " + std::to_string(reference));
    }
    return sent;
}

Outcome ModemEngine::State::Send(const SubmitPdu& submit, const std::string& pduHex, bool textMode,
                                 int length, int* reference, Millis) {
    if (settings.functionality != 1) {
        return Outcome::Cms(kCmsNoNetwork);
    }
    if (submit.serviceCentre.text.empty() && settings.serviceCentre.empty()) {
        return Outcome::Cms(kCmsCentreUnknown);
    }
    if (submit.destination.text.empty() || submit.destination.text == "+") {
        return Outcome::Cms(textMode ? kCmsInvalidTextParameter : kCmsInvalidPduParameter);
    }
    SentMessage sent;
    sent.reference = NextReference();
    sent.destination = submit.destination.text;
    sent.destinationType = submit.destination.type;
    DataCoding coding = DescribeDataCoding(submit.dataCoding);
    sent.alphabet = coding.alphabet;
    sent.messageClass = coding.messageClass;
    sent.text = coding.alphabet == Alphabet::EightBit
                    ? std::string(submit.userData.octets.begin(), submit.userData.octets.end())
                    : EncodeUtf8(submit.userData.Text());
    sent.dataCoding = submit.dataCoding;
    sent.protocolId = submit.protocolId;
    sent.firstOctet = submit.FirstOctet();
    sent.pduReference = submit.messageReference;
    sent.userDataHeader = submit.userData.header;
    sent.pdu = pduHex;
    sent.serviceCentre = submit.serviceCentre.text;
    sent.textMode = textMode;
    sent.length = length;
    outbox.push_back(sent);
    *reference = sent.reference;

    if (!options.ownNumber.empty() && sent.destination == options.ownNumber) {
        IncomingMessage back;
        back.from = options.ownNumber;
        back.text = sent.text;
        back.coding = coding.alphabet == Alphabet::EightBit ? TextCoding::EightBit
                      : coding.alphabet == Alphabet::Ucs2   ? TextCoding::Ucs2
                                                            : TextCoding::Gsm7;
        back.messageClass = coding.messageClass;
        back.userDataHeader = submit.userData.header;
        loopback.push_back(back);
    }
    return Outcome::Ok();
}

Outcome ModemEngine::State::Cmss(const AtCommand& command, Millis now) {
    if (command.form == CommandForm::Test) {
        return Outcome::Ok();
    }
    detail::LeadingNumber request;
    if (Outcome refused = ReadMessageIndex(command, 3, &request); refused.Failed()) {
        return refused;
    }
    const std::vector<AtArgument>& args = request.all;
    detail::StoredSlot* slot = store.Find(settings.writeMemory, static_cast<int>(request.value));
    if (slot == nullptr) {
        return Outcome::Cms(kCmsInvalidMemoryIndex);
    }
    if (slot->received) {
        return Outcome::Cms(kCmsOperationNotAllowed);
    }
    std::optional<SubmitPdu> submit = SubmitPdu::Decode(slot->pdu, nullptr);
    if (!submit) {
        return Outcome::Cms(kCmsInvalidPduParameter);
    }
    if (args.size() >= 2 && args[1].present) {
        std::optional<std::u32string> number = FromTerminal(args[1].text);
        std::optional<long> type = IntArgument(args, 2);
        if (!number || (args.size() == 3 && (!type || *type > 255))) {
            return Outcome::Error();
        }
        submit->destination = AddressFromText(EncodeUtf8(*number),
                                              type ? std::optional<uint8_t>(*type) : std::nullopt);
    }
    std::optional<Octets> pdu = submit->Encode();
    if (!pdu) {
        return Outcome::Error();
    }
    int reference = 0;
    Outcome sent = Send(*submit, ToHex(*pdu), settings.textMode, static_cast<int>(TpduLength(*pdu)),
                        &reference, now);
    if (!sent.Failed()) {
        slot->status = MessageStatus::StoredSent;
        Respond("+CMSS: " + std::to_string(reference));
    }
    return sent;
}

Outcome ModemEngine::State::Cmgr(const AtCommand& command, Millis) {
    if (command.form == CommandForm::Test) {
        return Outcome::Ok();
    }
    detail::LeadingNumber request;
    if (Outcome refused = ReadMessageIndex(command, 2, &request); refused.Failed()) {
        return refused;
    }
    detail::StoredSlot* slot = store.Find(settings.readMemory, static_cast<int>(request.value));
    if (slot == nullptr) {
        return Outcome::Cms(kCmsInvalidMemoryIndex);
    }
    Respond(ReadResponse(*slot));
    if (slot->status == MessageStatus::ReceivedUnread) {
        slot->status = MessageStatus::ReceivedRead;
    }
    return Outcome::Ok();
}

Outcome ModemEngine::State::Cmgl(const AtCommand& command, Millis) {
    if (command.form == CommandForm::Test) {
        Respond(settings.textMode
                    ? "+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")"
                    : "+CMGL: (0-4)");
        return Outcome::Ok();
    }
    if (command.form == CommandForm::Read) {
        return Outcome::Error();
    }
    if (Outcome locked = SimRequired(true); locked.Failed()) {
        return locked;
    }
    std::optional<std::vector<AtArgument>> args = SplitArguments(command.arguments);
    if (!args || args->size() > 2) {
        return Outcome::Error();
    }
    // Without an argument the modem lists the received unread messages.
    ListFilter filter;
    if (!args->empty() && (*args)[0].present) {
        if (settings.textMode) {
            std::optional<ListFilter> chosen = TextFilter((*args)[0].text);
            if (!chosen) {
                return Outcome::Cms(kCmsInvalidTextParameter);
            }
            filter = *chosen;
        } else {
            std::optional<long> status = IntArgument(*args, 0);
            if (!status || *status > 4) {
                return Outcome::Cms(kCmsInvalidPduParameter);
            }
            filter = {*status == 4, static_cast<MessageStatus>(*status == 4 ? 0 : *status)};
        }
    }
    std::string listing;
    for (int index : store.Indexes(settings.readMemory)) {
        detail::StoredSlot* slot = store.Find(settings.readMemory, index);
        if (!filter.all && slot->status != filter.status) {
            continue;
        }
        listing += (listing.empty() ? "" : "\r\n") + ListEntry(index, *slot);
        if (slot->status == MessageStatus::ReceivedUnread) {
            slot->status = MessageStatus::ReceivedRead;
        }
    }
    if (!listing.empty()) {
        Respond(listing);
    }
    return Outcome::Ok();
}

Outcome ModemEngine::State::Cmgd(const AtCommand& command, Millis) {
    if (command.form == CommandForm::Test) {
        std::string used;
        for (int index : store.Indexes(settings.readMemory)) {
            used += (used.empty() ? "" : ",") + std::to_string(index);
        }
        Respond("+CMGD: (" + used + "),(0-4)");
        return Outcome::Ok();
    }
    detail::LeadingNumber request;
    if (Outcome refused = ReadMessageIndex(command, 2, &request); refused.Failed()) {
        return refused;
    }
    long flag = 0;
    if (request.all.size() == 2) {
        std::optional<long> given = IntArgument(request.all, 1);
        if (!given || *given > 4) {
            return Outcome::Error();
        }
        flag = *given;
    }
    const std::string& memory = settings.readMemory;
    if (flag == 0) {
        int index = static_cast<int>(request.value);
        if (!store.InRange(memory, index)) {
            return Outcome::Cms(kCmsInvalidMemoryIndex);
        }
        store.Erase(memory, index);  // an empty slot is fine
        return Outcome::Ok();
    }
    // 1: read; 2: and sent; 3: and unsent; 4: everything. The index is ignored.
    for (int i : store.Indexes(memory)) {
        MessageStatus status = store.Find(memory, i)->status;
        bool erase = flag == 4 || status == MessageStatus::ReceivedRead ||
                     (flag >= 2 && status == MessageStatus::StoredSent) ||
                     (flag >= 3 && status == MessageStatus::StoredUnsent);
        if (erase) {
            store.Erase(memory, i);
        }
    }
    return Outcome::Ok();
}

Outcome ModemEngine::State::Cnma(const AtCommand& command, Millis) {
    if (command.form == CommandForm::Test) {
        return Outcome::Ok();
    }
    if (!ackExpected) {
        return Outcome::Cms(kCmsNoAckExpected);
    }
    ackExpected = false;
    return Outcome::Ok();
}

DeliveryResult ModemEngine::State::Deliver(const IncomingMessage& message, Millis now) {
    DeliveryResult result;
    if (sim != SimState::Ready || settings.functionality != 1) {
        result.error = kCmsNoNetwork;
        result.reason = "the modem is not registered (SIM locked or radio off)";
        return result;
    }
    DeliverPdu deliver;
    deliver.serviceCentre = AddressFromText(
        message.serviceCentre.empty() ? options.networkServiceCentre : message.serviceCentre);
    deliver.originator = message.alphanumericSender
                             ? AddressFromText(message.from, kAlphanumericAddress)
                             : AddressFromText(message.from);
    deliver.protocolId = message.protocolId;
    std::u32string text = DecodeUtf8(message.text);
    Alphabet alphabet = Alphabet::Gsm7;
    switch (message.coding) {
        case TextCoding::Automatic:
            alphabet = IsGsmEncodable(text) ? Alphabet::Gsm7 : Alphabet::Ucs2;
            break;
        case TextCoding::Gsm7:
            alphabet = Alphabet::Gsm7;
            break;
        case TextCoding::EightBit:
            alphabet = Alphabet::EightBit;
            break;
        case TextCoding::Ucs2:
            alphabet = Alphabet::Ucs2;
            break;
    }
    if (alphabet == Alphabet::EightBit) {
        deliver.userData.alphabet = alphabet;
        deliver.userData.octets.assign(message.text.begin(), message.text.end());
    } else {
        deliver.userData = UserData::FromText(text, alphabet);
    }
    deliver.userData.header = message.userDataHeader;
    if (message.messageClass && (*message.messageClass < 0 || *message.messageClass > 3)) {
        result.error = 500;
        result.reason = "message class must be 0-3";
        return result;
    }
    deliver.dataCoding = MakeDataCoding(alphabet, message.messageClass);
    deliver.serviceCentreTime =
        message.timeStamp ? *message.timeStamp : TimeStamp::FromLocalTime(std::time(nullptr));
    size_t limit = alphabet == Alphabet::Gsm7 ? 160 : 140;
    if (deliver.userData.LengthField() > limit) {
        result.error = 500;
        result.reason = "text too long for one message";
        return result;
    }
    std::optional<Octets> pdu = deliver.Encode();
    if (!pdu) {
        result.error = 500;
        result.reason = "sender or centre cannot be written as an address";
        return result;
    }
    result.pdu = ToHex(*pdu);
    std::optional<int> messageClass = DescribeDataCoding(deliver.dataCoding).messageClass;
    int mt = settings.notifyDeliver;
    bool direct = (mt == 2 && messageClass != 2) || (mt == 3 && messageClass == 3);
    if (direct) {
        result.accepted = true;
        result.report = DirectReport(deliver, *pdu);
        Unsolicited(result.report, now);
        if (settings.messageService == 1) {
            ackExpected = true;
        }
        return result;
    }
    std::optional<int> index = store.Add(
        settings.receiveMemory, detail::StoredSlot{MessageStatus::ReceivedUnread, *pdu, true});
    if (!index) {
        result.error = kCmsMemoryFull;
        result.reason = "memory " + settings.receiveMemory + " full";
        return result;
    }
    result.accepted = true;
    result.memory = settings.receiveMemory;
    result.index = *index;
    if (mt != 0) {
        result.report = "+CMTI: " + Quoted(settings.receiveMemory) + "," + std::to_string(*index);
        Unsolicited(result.report, now);
    }
    return result;
}

}  // namespace vorsa::sim
