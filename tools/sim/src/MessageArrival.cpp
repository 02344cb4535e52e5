// A message arriving from the network: stored and announced, or forwarded to the
// terminal as AT+CNMI says; and its acknowledgement (AT+CNMA).
#include <ctime>

#include "CommandText.h"
#include "EngineState.h"
#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

using detail::Quoted;

}  // namespace

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
