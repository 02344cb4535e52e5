// The procedure of the component's hidden window: the polling timer collects reports that
// arrive between the application's commands, and the three queue messages turn the oldest
// entry of their queue into OnNotifySMS, OnSentSMS or OnReceiveSMS. It runs only from the
// thread's message loop, never inside an exchange, so the events are raised with Busy clear
// and a handler may start exchanges of its own.
#include <array>
#include <string>

#include "component/ReplyFields.h"
#include "component/WindowMessages.h"
#include "platform/PostToWindow.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string kLineBreak = "\r\n";

int64_t LengthOf(const std::string& S) {
    return static_cast<int64_t>(S.size());
}

// Takes entry 0 off the queue. False when the queue is empty: a message can outlive its
// entry, since the timer re-announces entries whose own message was lost (see below).
bool TakeOldest(TStringList& Queue, std::string& Entry) {
    if (Queue.Count() == 0) {
        return false;
    }
    Entry = Queue[0];
    Queue.Delete(0);
    return true;
}

}  // namespace

void TVorsa::TimerWndProc(TMessage& Message) {
    if (!Connected()) {
        // A closed port handles nothing. A queue message that arrives now leaves its entry
        // queued; the first timer tick after the port is open again announces it anew.
        Message.Result = DefWindowProcA(TimerWindow, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    switch (Message.Msg) {
        case WM_TIMER:
            PollForReports();
            break;
        case detail::NotifyMessage:
        case detail::SentMessage:
        case detail::ReceiveMessage:
            if (Busy) {
                (void)detail::PostToWindow(TimerWindow, Message.Msg, Message.WParam,
                                           Message.LParam);
                return;
            }
            RaiseQueuedEvent(Message.Msg);
            break;
        default:
            break;
    }
}

// One tick of the polling timer.
//
// First, every entry still queued is announced once more. An entry whose message came while
// the port was closed, or could not be posted, has no message left: without this it would
// wait for ever, or until a later report's message took it in that report's place. Posted
// messages are dispatched before timer ticks, so an entry still queued at a tick has lost
// its message. Should one still have a message after all (the procedure called by hand),
// the spare message finds its queue empty and does nothing. Each message takes the oldest
// entry and removes it, so every entry is raised exactly once, in the order it came.
//
// Then, when two or more bytes wait at the port and no exchange runs, a bare "AT" lets the
// reply collector cut the waiting reports out into the queues.
void TVorsa::PollForReports() {
    if (Busy) {
        return;
    }
    const std::array<std::pair<TStringList*, uint32_t>, 3> Queues{{
        {&NotifyQueue, detail::NotifyMessage},
        {&SentQueue, detail::SentMessage},
        {&ReceiveQueue, detail::ReceiveMessage},
    }};
    for (const auto& [Queue, Msg] : Queues) {
        for (int Entry = 0; Entry < Queue->Count(); ++Entry) {
            (void)detail::PostToWindow(TimerWindow, Msg, 0, 0);
        }
    }
    if (GetIn() > 1) {
        std::string Discarded;
        (void)SendCommand("AT", Discarded);
    }
}

void TVorsa::RaiseQueuedEvent(uint32_t Msg) {
    std::string Entry;
    switch (Msg) {
        case detail::NotifyMessage: {
            // +CMTI: "SM",3 (or +CBMI: "BM",5): the memory inside the quotes, the index
            // after the comma.
            if (!TakeOldest(NotifyQueue, Entry)) {
                return;
            }
            const std::string S = Copy(Entry, 8, LengthOf(Entry));
            // A final "OK" that the collector joined to the report is no part of the index.
            const std::string Reference =
                detail::WithoutFinalOk(Copy(S, Pos(",", S) + 1, LengthOf(S)));
            const std::string Mem = Copy(S, 2, 2);
            if (OnNotifySMS) {
                OnNotifySMS(this, Mem, Reference);
            }
            break;
        }
        case detail::SentMessage: {
            // +CMGS: 45, possibly with the final OK joined (45OK) or on a line of its own
            // (45 CR LF OK): the reference is the number alone.
            if (!TakeOldest(SentQueue, Entry)) {
                return;
            }
            const std::string Reference =
                detail::WithoutFinalOk(Trim(Copy(Entry, 8, LengthOf(Entry))));
            if (OnSentSMS) {
                OnSentSMS(this, Reference);
            }
            break;
        }
        case detail::ReceiveMessage: {
            // +CMT: <header fields> CR LF <text or PDU>, possibly followed by the reply's
            // final OK.
            if (!TakeOldest(ReceiveQueue, Entry)) {
                return;
            }
            const std::string S = detail::WithoutFinalOk(Trim(Copy(Entry, 7, LengthOf(Entry))));
            const int64_t LineEnd = Pos(kLineBreak, S);
            std::string Header;
            std::string MessageBody;
            if (LineEnd == 0) {
                // No line break after the header fields: the entry is all header, and the
                // message is empty.
                Header = detail::HeaderFields(S);
            } else if (TextMode) {
                Header = detail::HeaderFields(Copy(S, 1, LineEnd - 1));
                MessageBody = Copy(S, LineEnd + 2, LengthOf(S));
            } else {
                Header = detail::DeliverHeader(Copy(S, LineEnd + 2, LengthOf(S)), MessageBody);
            }
            if (OnReceiveSMS) {
                OnReceiveSMS(this, Header, MessageBody);
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace vorsa
