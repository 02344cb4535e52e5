// Listing the stored messages (AT+CMGL): each listed message is turned into the shape of a
// directly delivered one ("+CMT: ") and queued for OnReceiveSMS, and deleted from storage
// first when DeleteOnRead is set. With OnMessage assigned the listed messages join the
// reassembly instead, and are deleted only once handed over whole.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "component/BusyGuard.h"
#include "component/LinkState.h"
#include "component/ReplyOutcome.h"
#include "component/StoredMessages.h"
#include "component/WindowMessages.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string kListed = "+CMGL:";
const std::string kDelivered = "+CMT: ";

constexpr const char* kListingUnclear =
    "The listing cannot be told apart from the text of a message in it; no message was "
    "deleted.";

std::string TrimRight(std::string S) {
    while (!S.empty() && static_cast<unsigned char>(S.back()) <= 32) {
        S.pop_back();
    }
    return S;
}

// One listed message: its index, and its queue entry in the shape of a delivered one: the
// listing line without its index and status fields, CR LF, and the text or PDU.
struct ListedMessage {
    std::string Index;
    std::string Entry;
    bool Whole;  // received to its end, so that it may be deleted
};

ListedMessage FromListing(const detail::ReplyMessage& Message, bool TextMode, bool Last) {
    std::string Fields = Trim(Message.Header.substr(kListed.size()));
    ListedMessage Listed;
    Listed.Index = Trim(Fields.substr(0, Fields.find(',')));
    for (int Field = 0; Field < 2; ++Field) {  // the index, then the status
        const size_t Comma = Fields.find(',');
        if (Comma != std::string::npos) {
            Fields.erase(0, Comma + 1);
        }
    }
    const std::string Payload = TextMode ? Message.Body : Message.Pdu + (Last ? "" : "\r\n");
    Listed.Entry = kDelivered + Fields + "\r\n" + Payload;
    if (Last) {
        Listed.Entry = TrimRight(Listed.Entry);
    }
    Listed.Whole = Message.Complete;
    return Listed;
}

// A message's text can hold a line that reads exactly like the next listed message. Modems
// list one memory in the order of its indexes, so a listing whose indexes do not rise, or
// are not numbers, is one where that happened: none of its messages is deleted.
bool IndexesRise(const std::vector<ListedMessage>& Listed) {
    int64_t Previous = -1;
    for (const ListedMessage& Message : Listed) {
        int64_t Index = 0;
        try {
            Index = StrToInt(Message.Index);
        } catch (const EConvertError&) {
            return false;
        }
        if (Index <= Previous) {
            return false;
        }
        Previous = Index;
    }
    return true;
}

}  // namespace

void TVorsa::DownloadSMS() {
    if (!Connected()) {
        ReportError(ErrNotConnected, GetErrString(ErrNotConnected));
        return;
    }
    detail::ReplyOutcome Listing;
    {
        detail::BusyGuard Exchange(Busy);
        SendString("AT+CMGL;\r\n");
        FLink->Command = "AT+CMGL;";
        wait(100);
        Listing = Collect();
        FLink->Command.clear();
    }
    if (Listing.LinkLost) {
        LoseLink();
        ReportLatchedErrors();  // the listing ends here, with one report
        return;
    }
    // Errors the collector latched are reported by the next exchange: with DeleteOnRead
    // the first deletion below, otherwise the next command or timer poll.

    // Anything but a listing ("ERROR", "+CMS ERROR: 321", a stray line) holds no message:
    // it is neither queued as one nor taken for an index to delete.
    std::vector<ListedMessage> Listed;
    for (const detail::ReplyMessage& Message : Listing.Messages) {
        if (startWith(Message.Header, kListed)) {
            Listed.push_back(FromListing(Message, TextMode, false));
        }
    }
    if (Listed.empty()) {
        return;
    }
    // The last one again, in its shape as the last; it ends at the final result, so a
    // reply cut short (or whose final result may be text) leaves it uncertain.
    size_t Last = Listing.Messages.size();
    while (!startWith(Listing.Messages[--Last].Header, kListed)) {
    }
    Listed.back() = FromListing(Listing.Messages[Last], TextMode, true);
    Listed.back().Whole = Listed.back().Whole && !Listing.Uncertain;

    // A listing cut short by the time-out deletes nothing: its messages are queued as far
    // as they came, and the line is still busy with the rest.
    const bool Clear = !TextMode || IndexesRise(Listed);
    if (DeleteOnRead && !Clear) {
        ReportError(ErrNotCatalogued, kListingUnclear);
    }
    const bool Delete = DeleteOnRead && Clear && Listing.Complete;
    if (OnMessage) {
        // The messages join the reassembly with their storage, and go to OnMessage (and
        // are deleted) once whole; a message not surely read whole is never deleted.
        size_t Next = 0;
        for (const detail::ReplyMessage& Message : Listing.Messages) {
            if (!startWith(Message.Header, kListed)) {
                continue;
            }
            const bool Whole = Clear && Listing.Complete && Listed[Next++].Whole;
            const int Index = detail::ListedIndexOf(Message);
            if (std::optional<ReceivedPart> Part =
                    detail::ReceivedPartOf(Message, TextMode, ReadMemory(), Whole ? Index : 0)) {
                AcceptPart(std::move(*Part));
            }
        }
        return;
    }
    for (const ListedMessage& Message : Listed) {
        if (Delete && Message.Whole && Connected()) {
            (void)DeleteSMS(Message.Index);
        }
        ProcessNot(Message.Entry, detail::ReceiveMessage, ReceiveQueue);
    }
}

}  // namespace vorsa
