// Reading and listing stored messages as whole messages: a read gives the message its index
// belongs to, with the other stored parts found by a listing; a listing groups the parts it
// finds and holds back the groups still missing parts until the reassembly time-out has
// passed since a listing first showed them. Neither reports through OnSMSError: what went
// wrong is in the result.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "component/CommandArguments.h"
#include "component/LatchesAside.h"
#include "component/MessageFlow.h"
#include "component/ReplyOutcome.h"
#include "component/StoredMessages.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string kReadHeader = "+CMGR:";
const std::string kListHeader = "+CMGL:";

constexpr const char* kReadUncertain =
    "The message's end cannot be told from its text; it was kept on the modem.";
constexpr const char* kListingUncertain =
    "The listing's end cannot be told from the text of its last message.";

std::string ListCommand(ListScope Scope, bool TextMode) {
    if (TextMode) {
        return Scope == ListScope::All ? "AT+CMGL=\"ALL\"" : "AT+CMGL=\"REC UNREAD\"";
    }
    return Scope == ListScope::All ? "AT+CMGL=4" : "AT+CMGL=0";
}

// The error of an operation that did not come whole: the latched codes, system error first.
void TakeError(TVorsa& Vorsa, int32_t& Code, std::string& Text) {
    const int32_t System = Vorsa.GetError();
    const int32_t Latched = Vorsa.GetSMSError();
    if (System != 0) {
        Code = ErrNotCatalogued;
        Text = "System Error " + IntToStr(System);
    } else if (Latched != 0) {
        Code = Latched;
        Text = GetErrString(Latched);
    } else if (Code == 0) {
        Code = ErrModemError;
        Text = GetErrString(ErrModemError);
    }
}

ReassemblyOptions GroupingFor(uint32_t TimeoutSeconds) {
    ReassemblyOptions Options;
    Options.timeout = std::chrono::seconds(TimeoutSeconds);
    Options.maxPending = SIZE_MAX;  // a listing holds no more than the storage does
    return Options;
}

}  // namespace

std::vector<ReceivedPart> TVorsa::ListedParts(ListScope Scope, int32_t& ErrorCode,
                                              std::string& ErrorText) {
    std::vector<ReceivedPart> Parts;
    detail::ReplyOutcome Listing;
    const bool Accepted = RunExchange(ListCommand(Scope, TextMode), Listing, false);
    if (!Accepted || !Listing.Complete) {
        TakeError(*this, ErrorCode, ErrorText);
    } else if (Listing.Uncertain) {
        ErrorCode = ErrNotCatalogued;
        ErrorText = kListingUncertain;
    }
    for (const detail::ReplyMessage& Message : Listing.Messages) {
        const int Index = detail::ListedIndexOf(Message);
        if (Index == 0 || !Message.Complete) {
            continue;  // no listing line, or a message the reply did not bring whole
        }
        if (std::optional<ReceivedPart> Part =
                detail::ReceivedPartOf(Message, TextMode, ReadMemory(), Index)) {
            Parts.push_back(std::move(*Part));
        }
    }
    return Parts;
}

MessageListing TVorsa::ListMessages(ListScope Scope) {
    MessageListing Result;
    if (!Connected()) {
        Result.ok = false;
        Result.errorCode = ErrNotConnected;
        Result.errorText = GetErrString(ErrNotConnected);
        return Result;
    }
    detail::LatchesAside Aside(*this);
    const std::vector<ReceivedPart> Parts = ListedParts(Scope, Result.errorCode, Result.errorText);
    Result.ok = Result.errorCode == 0;

    // The parts of a group count from the first listing that showed the group.
    const MessageReassembler::TimePoint Now = FMessages->Now();
    std::map<std::string, MessageReassembler::TimePoint> Seen;
    MessageReassembler Grouping(GroupingFor(ReassemblyTimeout));
    for (const ReceivedPart& Part : Parts) {
        MessageReassembler::TimePoint Since = Now;
        const std::string Key = detail::ConcatKey(Part.message);
        if (!Key.empty()) {
            const auto Known = FMessages->FirstListed.find(Key);
            Since = Known != FMessages->FirstListed.end() ? Known->second : Now;
            Seen.emplace(Key, Since);
        }
        const MessageReassembler::AddResult Added = Grouping.add(Part, Since);
        if (Added.status == PartStatus::Duplicate && Part.index != 0) {
            Result.duplicates.push_back(
                StoredPart{Part.memory, Part.index,
                           Part.message.concat ? Part.message.concat->sequence : uint8_t{1}});
        }
        for (const ReassembledMessage& Message : Added.messages) {
            Result.messages.push_back(detail::ToSmsMessage(Message));
        }
    }
    for (const ReassembledMessage& Message : Grouping.expire(Now)) {
        Result.messages.push_back(detail::ToSmsMessage(Message));
    }
    for (const ReassembledMessage& Message : Grouping.takeAll()) {
        Result.waiting.push_back(detail::ToSmsMessage(Message));
    }
    FMessages->FirstListed = std::move(Seen);
    return Result;
}

MessageRead TVorsa::ReadMessage(const std::string& Reference) {
    MessageRead Result;
    if (!Connected()) {
        Result.errorCode = ErrNotConnected;
        Result.errorText = GetErrString(ErrNotConnected);
        return Result;
    }
    if (!detail::IsStorageIndex(Reference)) {
        Result.errorCode = ErrNotCatalogued;
        Result.errorText = detail::kReferenceRefused;
        return Result;
    }
    detail::LatchesAside Aside(*this);
    detail::ReplyOutcome Reply;
    const bool Accepted = RunExchange("AT+CMGR=" + Reference, Reply, false);
    if (!Accepted) {
        TakeError(*this, Result.errorCode, Result.errorText);
        return Result;
    }
    const detail::ReplyMessage* Stored = nullptr;
    for (const detail::ReplyMessage& Message : Reply.Messages) {
        if (startWith(Message.Header, kReadHeader)) {
            Stored = &Message;
            break;
        }
    }
    const int Index = StrToInt(Reference);
    std::optional<ReceivedPart> Part =
        Stored == nullptr ? std::nullopt
                          : detail::ReceivedPartOf(*Stored, TextMode, ReadMemory(), Index);
    if (!Reply.Complete) {
        TakeError(*this, Result.errorCode, Result.errorText);
        return Result;  // cut short: nothing read for sure
    }
    // A text-mode message whose last line reads like the final result may go on: it is
    // given, and kept on the modem.
    const bool Whole = !Reply.Uncertain && (Stored == nullptr || Stored->Complete);
    if (!Whole) {
        Result.errorCode = ErrNotCatalogued;
        Result.errorText = kReadUncertain;
    }
    Result.ok = true;
    if (!Part) {
        return Result;  // the slot holds no received message
    }

    // The other parts of a long message are wherever the modem stored them: a listing of
    // everything stored finds them.
    MessageReassembler Grouping(GroupingFor(ReassemblyTimeout));
    const std::string Key = detail::ConcatKey(Part->message);
    std::vector<ReassembledMessage> Found = Grouping.add(*Part, FMessages->Now()).messages;
    if (!Key.empty() && Found.empty()) {
        int32_t ListCode = 0;
        std::string ListText;
        for (ReceivedPart& Other : ListedParts(ListScope::All, ListCode, ListText)) {
            if (Other.index != Index && detail::ConcatKey(Other.message) == Key) {
                for (ReassembledMessage& Message :
                     Grouping.add(std::move(Other), FMessages->Now()).messages) {
                    Found.push_back(std::move(Message));
                }
            }
        }
        for (ReassembledMessage& Message : Grouping.takeAll()) {
            Found.push_back(std::move(Message));
        }
    }
    // The message the read index belongs to (another message reusing the reference may
    // have been found beside it).
    for (const ReassembledMessage& Message : Found) {
        for (const ReceivedPart& Held : Message.parts) {
            if (Held.index == Index && !Result.message) {
                Result.message = detail::ToSmsMessage(Message);
            }
        }
    }
    if (DeleteOnRead && Whole && Result.message && Result.message->complete) {
        for (const StoredPart& Kept : Result.message->parts) {
            if (!DeleteStoredPart(Kept.index)) {
                TakeError(*this, Result.errorCode, Result.errorText);
            }
        }
    }
    return Result;
}

bool TVorsa::DeleteMessage(const SmsMessage& Message) {
    if (!Connected()) {
        return false;
    }
    detail::LatchesAside Aside(*this);
    bool All = true;
    for (const StoredPart& Part : Message.parts) {
        if (Part.index != 0) {
            All = DeleteStoredPart(Part.index) && All;
        }
    }
    return All;
}

}  // namespace vorsa
