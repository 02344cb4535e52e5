#include "component/StoredMessages.h"

#include <algorithm>
#include <vector>

#include "component/TextModeFields.h"
#include "pdu/TextCodec.h"

namespace vorsa::detail {

namespace {

const std::string kListed = "+CMGL:";
const std::string kRead = "+CMGR:";
const std::string kLineBreak = "\r\n";

std::string WithoutTrailingBreaks(std::string Text) {
    while (!Text.empty() && (Text.back() == '\r' || Text.back() == '\n')) {
        Text.pop_back();
    }
    return Text;
}

// A received message's status: "REC UNREAD"/"REC READ" in text mode, 0 or 1 in PDU mode
// (none at all from ZTE MF626: "+CMGR: ,,35"). Stored ("STO ...", 2, 3) are messages to
// send, not received ones.
bool IsReceivedStatus(const TextField& Status) {
    if (Status.Quoted) {
        return Status.Value.rfind("REC", 0) == 0;
    }
    return Status.Value.empty() || Status.Value == "0" || Status.Value == "1";
}

bool LooksLikeTimeStamp(const TextField& Field) {
    return Field.Quoted && Field.Value.find('/') != std::string::npos &&
           Field.Value.find(':') != std::string::npos;
}

// Text mode: <status>,<number>,[<alpha>],<time stamp>[,...] and the text after the header.
std::optional<ReceivedPart> TextPart(const std::vector<TextField>& Fields, size_t First,
                                     const std::string& Body) {
    // A stored status report has its first octet, a number, where the sender stands.
    if (Fields.size() < First + 2 || !Fields[First].Quoted) {
        return std::nullopt;
    }
    ReceivedPart Part;
    Part.message.sender = Fields[First].Value;
    // The time stamp follows the alpha field, which some modems leave out altogether.
    for (size_t I = First + 1; I < Fields.size() && I <= First + 2; ++I) {
        if (LooksLikeTimeStamp(Fields[I])) {
            Part.message.timeStamp = Fields[I].Value;
            break;
        }
    }
    Part.message.text = AsUtf8(WithoutTrailingBreaks(Body));
    return Part;
}

std::optional<ReceivedPart> PduPart(const std::string& Pdu) {
    std::optional<DeliverMessage> Decoded = decodeDeliver(Pdu);
    if (!Decoded) {
        return std::nullopt;
    }
    ReceivedPart Part;
    Part.message = std::move(*Decoded);
    return Part;
}

}  // namespace

int ListedIndexOf(const ReplyMessage& Message) {
    if (Message.Header.compare(0, kListed.size(), kListed) != 0) {
        return 0;
    }
    const std::vector<TextField> Fields = SplitTextFields(Message.Header);
    const std::string& Index = Fields.front().Value;
    if (Fields.front().Quoted || Index.empty() || Index.size() > 9 ||
        !std::all_of(Index.begin(), Index.end(), [](char C) { return C >= '0' && C <= '9'; })) {
        return 0;
    }
    return std::stoi(Index);
}

std::optional<ReceivedPart> ReceivedPartOf(const ReplyMessage& Message, bool TextMode,
                                           const std::string& Memory, int Index) {
    const std::vector<TextField> Fields = SplitTextFields(Message.Header);
    // A listing line starts with the index; the status follows.
    const size_t Status = Message.Header.compare(0, kListed.size(), kListed) == 0 ? 1 : 0;
    if (Fields.size() <= Status || !IsReceivedStatus(Fields[Status])) {
        return std::nullopt;
    }
    std::optional<ReceivedPart> Part =
        TextMode ? TextPart(Fields, Status + 1, Message.Body) : PduPart(Message.Pdu);
    if (Part) {
        Part->memory = Memory;
        Part->index = Index;
    }
    return Part;
}

std::optional<ReceivedPart> ForwardedPartOf(const std::string& Entry, bool TextMode) {
    const size_t LineEnd = Entry.find(kLineBreak);
    const std::string Header = Entry.substr(0, LineEnd);
    const std::string Rest =
        LineEnd == std::string::npos ? "" : Entry.substr(LineEnd + kLineBreak.size());
    if (!TextMode) {
        const std::string Pdu = Rest.substr(0, Rest.find(kLineBreak));
        return PduPart(Pdu);
    }
    // "+CMT: <number>,[<alpha>],<time stamp>"; the reply's final OK, when the entry carries
    // it after a blank line, is no part of the text.
    std::string Body = Rest;
    const std::string ReplyEnd = kLineBreak + kLineBreak + "OK";
    if (Body.size() >= ReplyEnd.size() &&
        Body.compare(Body.size() - ReplyEnd.size(), ReplyEnd.size(), ReplyEnd) == 0) {
        Body.resize(Body.size() - ReplyEnd.size());
    }
    return TextPart(SplitTextFields(Header), 0, Body);
}

SmsMessage ToSmsMessage(const ReassembledMessage& Message) {
    SmsMessage Out;
    Out.sender = Message.sender;
    Out.text = Message.text;
    Out.timeStamp = Message.timeStamp;
    Out.partsExpected = Message.total;
    Out.partsReceived = static_cast<uint8_t>(Message.parts.size());
    Out.complete = Message.complete;
    Out.missing = Message.missing;
    if (!Message.parts.empty()) {
        const DeliverMessage& First = Message.parts.front().message;
        Out.serviceCentre = First.serviceCentre;
        Out.messageClass = First.messageClass;
        Out.coding = First.alphabet;
        if (First.concat && First.concat->total > 1) {
            Out.concatReference = First.concat->reference;
        }
    }
    for (const ReceivedPart& Part : Message.parts) {
        const std::optional<ConcatInfo>& Concat = Part.message.concat;
        Out.parts.push_back(
            {Part.memory, Part.index, Concat && Concat->total > 1 ? Concat->sequence : uint8_t{1}});
    }
    return Out;
}

std::string AsUtf8(const std::string& Bytes) {
    std::string Text;
    Text.reserve(Bytes.size());
    for (size_t Position = 0; Position < Bytes.size();) {
        appendUtf8(Text, nextCharacter(Bytes, Position));
    }
    return Text;
}

std::string ConcatKey(const DeliverMessage& Message) {
    if (!Message.concat || Message.concat->total <= 1) {
        return "";
    }
    const ConcatInfo& C = *Message.concat;
    return Message.sender + '\n' + std::to_string(C.reference) + '/' + std::to_string(C.total) +
           (C.sixteenBitReference ? "w" : "");
}

}  // namespace vorsa::detail
