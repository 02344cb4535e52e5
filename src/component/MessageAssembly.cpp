// Received messages on their way to OnMessage: each new part, whether the modem stored
// it ("+CMTI:", read here), forwarded it ("+CMT:") or a listing found it, joins the
// reassembly; a message goes to the application once all its parts are in, or incomplete
// once its time-out has passed, and only then are its stored parts deleted. These run
// from the hidden window, outside any exchange, and report what goes wrong through
// OnSMSError like every other event of the window.
#include <string>
#include <utility>
#include <vector>

#include "component/CommandArguments.h"
#include "component/MessageFlow.h"
#include "component/ReplyOutcome.h"
#include "component/StoredMessages.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string kReadHeader = "+CMGR:";

const detail::ReplyMessage* ReadMessageOf(const detail::ReplyOutcome& Reply) {
    for (const detail::ReplyMessage& Message : Reply.Messages) {
        if (startWith(Message.Header, kReadHeader)) {
            return &Message;
        }
    }
    return nullptr;
}

}  // namespace

std::string TVorsa::ReadMemory() const {
    return PolledMemory.empty() ? "SM" : PolledMemory;
}

bool TVorsa::DeleteStoredPart(int Index) {
    if (!Connected()) {
        return false;
    }
    const std::string Reference = IntToStr(Index);
    detail::ReplyOutcome Reply;
    const bool Deleted = RunExchange("AT+CMGD=" + Reference, Reply, false) && Reply.Complete;
    if (Deleted && OnDeleteSMS) {
        OnDeleteSMS(this, Reference);
    }
    return Deleted;
}

void TVorsa::AcceptPart(ReceivedPart Part) {
    const int Index = Part.index;
    MessageReassembler::AddResult Added =
        FMessages->Reassembly(ReassemblyTimeout).add(std::move(Part), FMessages->Now());
    // Another copy of a part at hand adds nothing; the stored copy can go at once.
    if (Added.status == PartStatus::Duplicate && Index != 0 && DeleteOnRead) {
        (void)DeleteStoredPart(Index);
        ReportLatchedErrors();
    }
    HandOver(std::move(Added.messages));
}

void TVorsa::HandOver(std::vector<ReassembledMessage> Messages) {
    for (const ReassembledMessage& Whole : Messages) {
        const SmsMessage Message = detail::ToSmsMessage(Whole);
        if (OnMessage) {
            OnMessage(this, Message);
        }
        // The application has the message: its stored parts may go. A part read in a
        // reply whose end was uncertain was given index 0 and stays.
        if (!DeleteOnRead) {
            continue;
        }
        for (const StoredPart& Part : Message.parts) {
            if (Part.index != 0) {
                (void)DeleteStoredPart(Part.index);
            }
        }
        ReportLatchedErrors();
    }
}

void TVorsa::ExpireWaitingMessages() {
    if (FMessages->Reassembler.pending() == 0) {
        return;
    }
    HandOver(FMessages->Reassembler.expire(FMessages->Now()));
}

void TVorsa::FlushPendingMessages() {
    HandOver(FMessages->Reassembler.takeAll());
}

void TVorsa::ReadAnnouncedMessage(const std::string& Memory, const std::string& Index) {
    if (!detail::IsStorageIndex(Index)) {
        ReportError(ErrNotCatalogued, detail::kReferenceRefused);
        return;
    }
    detail::ReplyOutcome Reply;
    const bool Accepted = RunExchange("AT+CMGR=" + Index, Reply, false);
    ReportLatchedErrors();
    const detail::ReplyMessage* Stored = ReadMessageOf(Reply);
    if (!Accepted || Stored == nullptr) {
        return;  // refused (reported), or the slot was empty by now
    }
    const int Slot = StrToInt(Index);
    std::optional<ReceivedPart> Part = detail::ReceivedPartOf(*Stored, TextMode, Memory, Slot);
    if (!Part) {
        ReportError(ErrNotCatalogued, "The message at " + Memory + " " + Index +
                                          " is no received message that can be read; it "
                                          "stays on the modem.");
        return;
    }
    // A reply cut short, or one whose end text mode cannot tell, may hold less than the
    // message: it is handed on, but the stored message is never deleted for it.
    if (!Reply.Complete || Reply.Uncertain || !Stored->Complete) {
        Part->index = 0;
    }
    AcceptPart(std::move(*Part));
}

}  // namespace vorsa
