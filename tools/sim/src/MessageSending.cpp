// Sending and writing messages (AT+CMGS, AT+CMGW): the command, the text or PDU typed
// after the prompt, and the send itself; and sending a stored message (AT+CMSS).
#include "CommandText.h"
#include "EngineState.h"
#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

using detail::IntArgument;
using detail::ListFilter;
using detail::TextFilter;

constexpr long kMaxTpduLength = 164;

}  // namespace

int ModemEngine::State::NextReference() {
    int reference = nextReference;
    nextReference = (nextReference + 1) & 0xFF;
    return reference;
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
        return StoreWritten(*pdu, false);
    }
    return Send(*submit, ToHex(*pdu), true, static_cast<int>(TpduLength(*pdu)), "+CMGS: ", now);
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
        return StoreWritten(*pdu, received);
    }
    std::optional<SubmitPdu> submit = SubmitPdu::Decode(*pdu, nullptr);
    if (!submit) {
        return Outcome::Cms(kCmsInvalidPduParameter);
    }
    return Send(*submit, messageBody, false, messageLength, "+CMGS: ", now);
}

Outcome ModemEngine::State::StoreWritten(const Octets& pdu, bool received) {
    std::optional<int> index =
        store.Add(settings.writeMemory, detail::StoredSlot{messageStatus, pdu, received});
    if (!index) {
        return Outcome::Cms(kCmsMemoryFull);
    }
    Respond("+CMGW: " + std::to_string(*index));
    return Outcome::Ok();
}

Outcome ModemEngine::State::Send(const SubmitPdu& submit, const std::string& pduHex, bool textMode,
                                 int length, const char* referenceReply, Millis now) {
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
    RequestStatusReport(submit, sent.reference, now);
    Respond(referenceReply + std::to_string(sent.reference));
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
    Outcome sent = Send(*submit, ToHex(*pdu), settings.textMode, static_cast<int>(TpduLength(*pdu)),
                        "+CMSS: ", now);
    if (!sent.Failed()) {
        slot->status = MessageStatus::StoredSent;
    }
    return sent;
}

}  // namespace vorsa::sim
