// How messages look on the line: the text-mode headers of +CMGR, +CMGL and +CMT (short,
// or long after AT+CSDH=1), their PDU-mode counterparts, and the character set that
// AT+CSCS chose for text crossing the line.
#include "CommandText.h"
#include "EngineState.h"
#include "vorsa/sim/TextEncoding.h"

namespace vorsa::sim {
namespace {

using detail::Quoted;

bool IsLatin1Set(const std::string& set) {
    return set == "GSM" || set == "IRA" || set == "8859-1";
}

const char* StatusNumber(MessageStatus status) {
    switch (status) {
        case MessageStatus::ReceivedUnread:
            return "0";
        case MessageStatus::ReceivedRead:
            return "1";
        case MessageStatus::StoredUnsent:
            return "2";
        case MessageStatus::StoredSent:
            return "3";
    }
    return "0";
}

// <length> of a text-mode header: characters of default-alphabet text, octets otherwise.
size_t TextLength(const UserData& data) {
    return data.alphabet == Alphabet::Gsm7 ? data.Text().size() : data.LengthField();
}

}  // namespace

std::string ModemEngine::State::ToTerminal(const std::string& utf8) const {
    // "GSM" is taken as ISO 8859-1 on the line, as most modems do in practice: a terminal
    // writing plain text then reads plain text back.
    if (IsLatin1Set(settings.characterSet)) {
        return EncodeLatin1(DecodeUtf8(utf8));
    }
    if (settings.characterSet == "UCS2") {
        return ToHex(EncodeUcs2(DecodeUtf8(utf8)));
    }
    return utf8;
}

std::optional<std::u32string> ModemEngine::State::FromTerminal(const std::string& bytes) const {
    if (IsLatin1Set(settings.characterSet)) {
        return DecodeLatin1(bytes);
    }
    if (settings.characterSet == "UCS2") {
        std::optional<Octets> octets = FromHex(bytes);
        if (!octets) {
            return std::nullopt;
        }
        return DecodeUcs2(*octets);
    }
    return DecodeUtf8(bytes);
}

std::string ModemEngine::State::DataText(const UserData& data) const {
    if (data.alphabet == Alphabet::Gsm7) {
        return ToTerminal(EncodeUtf8(data.Text()));
    }
    // 8-bit and UCS2 data go out as hexadecimal, header included.
    Octets all;
    if (!data.header.empty()) {
        all.push_back(static_cast<uint8_t>(data.header.size()));
        all.insert(all.end(), data.header.begin(), data.header.end());
    }
    all.insert(all.end(), data.octets.begin(), data.octets.end());
    return ToHex(all);
}

std::string ModemEngine::State::AlphaFor(const Address& address) const {
    auto it = options.phonebook.find(address.text);
    return it == options.phonebook.end() ? "" : Quoted(ToTerminal(it->second));
}

size_t ModemEngine::State::TpduLength(const Octets& pdu) {
    std::optional<size_t> centre = ServiceCentrePartLength(pdu);
    return centre ? pdu.size() - *centre : 0;
}

std::string ModemEngine::State::ReadResponse(const detail::StoredSlot& slot) const {
    if (!settings.textMode) {
        const std::string status = quirks.readWithoutStatus ? "" : StatusNumber(slot.status);
        return "+CMGR: " + status + ",," + std::to_string(TpduLength(slot.pdu)) + "\r\n" +
               ToHex(slot.pdu);
    }
    if (slot.statusReport) {
        return "+CMGR: " + StoredReportText(slot);
    }
    std::string header = "+CMGR: " + Quoted(StatusText(slot.status)) + ",";
    if (slot.received) {
        std::optional<DeliverPdu> deliver = DeliverPdu::Decode(slot.pdu, nullptr);
        if (!deliver) {
            return header + "\"\",,\"\"\r\n";
        }
        header += Quoted(ToTerminal(deliver->originator.text)) + "," +
                  AlphaFor(deliver->originator) + "," + Quoted(deliver->serviceCentreTime.ToText());
        if (settings.showTextHeaders) {
            header += "," + std::to_string(deliver->originator.type) + "," +
                      std::to_string(deliver->FirstOctet()) + "," +
                      std::to_string(deliver->protocolId) + "," +
                      std::to_string(deliver->dataCoding) + "," +
                      Quoted(ToTerminal(deliver->serviceCentre.text)) + "," +
                      std::to_string(deliver->serviceCentre.type) + "," +
                      std::to_string(TextLength(deliver->userData));
        }
        return header + "\r\n" + DataText(deliver->userData);
    }
    std::optional<SubmitPdu> submit = SubmitPdu::Decode(slot.pdu, nullptr);
    if (!submit) {
        return header + "\"\",\r\n";
    }
    header += Quoted(ToTerminal(submit->destination.text)) + "," + AlphaFor(submit->destination);
    if (settings.showTextHeaders) {
        bool ownCentre = submit->serviceCentre.text.empty();
        std::string validity = submit->validityFormat == ValidityFormat::Relative
                                   ? std::to_string(submit->validityPeriod.at(0))
                                   : "";
        header +=
            "," + std::to_string(submit->destination.type) + "," +
            std::to_string(submit->FirstOctet()) + "," + std::to_string(submit->protocolId) + "," +
            std::to_string(submit->dataCoding) + "," + validity + "," +
            Quoted(ToTerminal(ownCentre ? settings.serviceCentre : submit->serviceCentre.text)) +
            "," +
            std::to_string(ownCentre ? settings.serviceCentreType : submit->serviceCentre.type) +
            "," + std::to_string(TextLength(submit->userData));
    }
    return header + "\r\n" + DataText(submit->userData);
}

std::string ModemEngine::State::ListEntry(int index, const detail::StoredSlot& slot) const {
    std::string start = "+CMGL: " + std::to_string(index) + ",";
    if (!settings.textMode) {
        return start + StatusNumber(slot.status) + ",," + std::to_string(TpduLength(slot.pdu)) +
               "\r\n" + ToHex(slot.pdu);
    }
    if (slot.statusReport) {
        return start + StoredReportText(slot);
    }
    start += Quoted(StatusText(slot.status)) + ",";
    if (slot.received) {
        std::optional<DeliverPdu> deliver = DeliverPdu::Decode(slot.pdu, nullptr);
        if (!deliver) {
            return start + "\"\",,\r\n";
        }
        std::string header = start + Quoted(ToTerminal(deliver->originator.text)) + "," +
                             AlphaFor(deliver->originator) + "," +
                             Quoted(deliver->serviceCentreTime.ToText());
        if (settings.showTextHeaders) {
            header += "," + std::to_string(deliver->originator.type) + "," +
                      std::to_string(TextLength(deliver->userData));
        }
        return header + "\r\n" + DataText(deliver->userData);
    }
    std::optional<SubmitPdu> submit = SubmitPdu::Decode(slot.pdu, nullptr);
    if (!submit) {
        return start + "\"\",,\r\n";
    }
    std::string header = start + Quoted(ToTerminal(submit->destination.text)) + "," +
                         AlphaFor(submit->destination) + ",";
    if (settings.showTextHeaders) {
        header += "," + std::to_string(submit->destination.type) + "," +
                  std::to_string(TextLength(submit->userData));
    }
    return header + "\r\n" + DataText(submit->userData);
}

std::string ModemEngine::State::DirectReport(const DeliverPdu& deliver, const Octets& pdu) const {
    if (!settings.textMode) {
        return "+CMT: ," + std::to_string(TpduLength(pdu)) + "\r\n" + ToHex(pdu);
    }
    std::string header = "+CMT: " + Quoted(ToTerminal(deliver.originator.text)) + "," +
                         AlphaFor(deliver.originator) + "," +
                         Quoted(deliver.serviceCentreTime.ToText());
    if (settings.showTextHeaders) {
        header += "," + std::to_string(deliver.originator.type) + "," +
                  std::to_string(deliver.FirstOctet()) + "," + std::to_string(deliver.protocolId) +
                  "," + std::to_string(deliver.dataCoding) + "," +
                  Quoted(ToTerminal(deliver.serviceCentre.text)) + "," +
                  std::to_string(deliver.serviceCentre.type) + "," +
                  std::to_string(TextLength(deliver.userData));
    }
    return header + "\r\n" + DataText(deliver.userData);
}

std::optional<SubmitPdu> ModemEngine::State::BuildTextSubmit(const Address& destination,
                                                             std::string body) const {
    SubmitPdu submit;
    submit.serviceCentre = Address{"", 0};  // the modem's own centre
    submit.destination = destination;
    submit.protocolId = static_cast<uint8_t>(settings.submitProtocol);
    submit.dataCoding = static_cast<uint8_t>(settings.submitCoding);
    uint8_t first = static_cast<uint8_t>(settings.submitFirstOctet);
    submit.rejectDuplicates = (first & 0x04) != 0;
    submit.statusReportRequest = (first & 0x20) != 0;
    submit.replyPath = (first & 0x80) != 0;
    if ((first >> 3 & 0x03) == static_cast<int>(ValidityFormat::Relative)) {
        submit.validityFormat = ValidityFormat::Relative;
        submit.validityPeriod = {static_cast<uint8_t>(settings.submitValidity)};
    }
    Alphabet alphabet = DescribeDataCoding(submit.dataCoding).alphabet;
    if (alphabet == Alphabet::EightBit ||
        (alphabet == Alphabet::Ucs2 && settings.characterSet == "UCS2")) {
        // The terminal writes the data octets in hexadecimal.
        std::optional<Octets> octets = FromHex(body);
        if (!octets) {
            return std::nullopt;
        }
        submit.userData.alphabet = alphabet;
        submit.userData.octets = *octets;
    } else {
        std::optional<std::u32string> text = FromTerminal(body);
        if (!text) {
            return std::nullopt;
        }
        submit.userData = UserData::FromText(*text, alphabet);
    }
    size_t limit = alphabet == Alphabet::Gsm7 ? 160 : 140;
    if (submit.userData.LengthField() > limit) {
        return std::nullopt;
    }
    return submit;
}

StoredMessage ModemEngine::State::Describe(const std::string& memory, int index,
                                           const detail::StoredSlot& slot) const {
    StoredMessage message;
    message.memory = memory;
    message.index = index;
    message.status = slot.status;
    message.received = slot.received;
    message.pdu = ToHex(slot.pdu);
    auto textOf = [](const UserData& data) {
        return data.alphabet == Alphabet::EightBit
                   ? std::string(data.octets.begin(), data.octets.end())
                   : EncodeUtf8(data.Text());
    };
    if (slot.statusReport) {
        if (std::optional<StatusReportPdu> report = StatusReportPdu::Decode(slot.pdu, nullptr)) {
            message.number = report->recipient.text;
            message.text = "status report on reference " +
                           std::to_string(report->messageReference) + ": status " +
                           std::to_string(report->status);
            message.timeStamp = report->dischargeTime.ToText();
        }
    } else if (slot.received) {
        if (std::optional<DeliverPdu> deliver = DeliverPdu::Decode(slot.pdu, nullptr)) {
            message.number = deliver->originator.text;
            message.text = textOf(deliver->userData);
            message.timeStamp = deliver->serviceCentreTime.ToText();
        }
    } else if (std::optional<SubmitPdu> submit = SubmitPdu::Decode(slot.pdu, nullptr)) {
        message.number = submit->destination.text;
        message.text = textOf(submit->userData);
    }
    return message;
}

}  // namespace vorsa::sim
