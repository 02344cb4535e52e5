// The procedure of the component's hidden window: the polling timer collects reports that
// arrive between the application's commands and hands over long messages whose time-out
// passed, and the queue messages turn the oldest entry of their queue into its event
// (OnNotifySMS, OnSentSMS, OnReceiveSMS or OnMessage, OnStatusReport). It runs only from the
// thread's message loop, never inside an exchange, so the events are raised with Busy clear
// and a handler may start exchanges of its own.
#include <array>
#include <string>

#include "component/LinkState.h"
#include "component/UnsolicitedReports.h"
#include "component/WindowMessages.h"
#include "platform/PostToWindow.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

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
        // The one thing a closed port still does: the next attempt to bring a lost link
        // back. Otherwise a closed port handles nothing; a queue message that arrives now
        // leaves its entry queued, and the first timer tick after the port is open again
        // announces it anew.
        if (Message.Msg == WM_TIMER && Message.WParam == detail::ReconnectTimerId &&
            FLink->Reconnecting) {
            TryReconnect();
            return;
        }
        Message.Result = DefWindowProcA(TimerWindow, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    switch (Message.Msg) {
        case WM_TIMER:
            if (Message.WParam == detail::ReconnectTimerId && !FLink->Reconnecting) {
                (void)KillTimer(TimerWindow, detail::ReconnectTimerId);  // a late tick
            }
            PollForReports();
            break;
        case detail::InputMessage:
            // Input, between two ticks: collected at once, then the port is watched again.
            // With a single byte waiting (a line that has only begun) the watch rests until
            // the next tick, so that the loop does not wake for it over and over.
            CollectWaitingReports();
            if (FLink->Watch && GetIn() != 1) {
                FLink->Watch->Arm();
            }
            break;
        default:
            if (detail::ReportTable::ForMessage(Message.Msg) == nullptr) {
                break;
            }
            if (Busy) {
                (void)detail::PostToWindow(TimerWindow, Message.Msg, Message.WParam,
                                           Message.LParam);
                return;
            }
            RaiseQueuedEvent(Message.Msg);
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
    for (size_t Row = 0; Row < detail::ReportTable::Kinds.size(); ++Row) {
        const detail::ReportKind& Kind = detail::ReportTable::Kinds[Row];
        // Rows that share a queue announce it once.
        bool Earlier = false;
        for (size_t Before = 0; Before < Row; ++Before) {
            Earlier = Earlier || detail::ReportTable::Kinds[Before].Queue == Kind.Queue;
        }
        if (Earlier) {
            continue;
        }
        for (int Entry = 0; Entry < (this->*Kind.Queue).Count(); ++Entry) {
            (void)detail::PostToWindow(TimerWindow, Kind.WindowMessage, 0, 0);
        }
    }
    CollectWaitingReports();
    if (FLink->Watch) {
        FLink->Watch->Arm();
    }
    PollStorageForMessages();
    ExpireWaitingMessages();
}

void TVorsa::RaiseQueuedEvent(uint32_t Msg) {
    const detail::ReportKind* Kind = detail::ReportTable::ForMessage(Msg);
    if (Kind == nullptr) {
        return;
    }
    std::string Entry;
    if (TakeOldest(this->*Kind->Queue, Entry)) {
        // Reports of more than one kind share a queue ("+CDS:" and "+CDSI:"): the entry's
        // own marker says how it is raised.
        const detail::ReportKind* Own = detail::ReportTable::ForLine(Entry);
        (Own != nullptr && Own->Queue == Kind->Queue ? Own : Kind)->Raise(*this, Entry);
    }
}

}  // namespace vorsa
