// Finding new messages by listing the storage, for a modem whose routing could not be set
// (a ZTE K3565-Z has no routing that announces a stored message). At every polling tick
// the unread messages are listed; each is announced as a "+CMTI: " report would be, so
// the application sees OnNotifySMS as with any other modem. The listing marks them read,
// so each is announced once; one still waiting in the queue is not queued twice.
#include <string>

#include "component/HeldExchange.h"
#include "component/SetupReplies.h"
#include "component/WindowMessages.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

// Where most modems keep new messages, when the storage was not set.
const std::string kDefaultMemory = "SM";

bool Holds(const TStringList& Queue, const std::string& Entry) {
    for (int I = 0; I < Queue.Count(); ++I) {
        if (Queue[I] == Entry) {
            return true;
        }
    }
    return false;
}

}  // namespace

void TVorsa::PollStorageForMessages() {
    if (!StoragePolled || Busy || !Connected()) {
        return;
    }
    if (DirectForward) {
        // Messages forwarded directly reach the application as listed ones do.
        DownloadSMS();
        return;
    }
    const detail::HeldExchange Listing =
        SendHeld(TextMode ? "AT+CMGL=\"REC UNREAD\"" : "AT+CMGL=0");
    if (DropRefusal(Listing)) {
        StoragePolled = false;
        Adapted("listing the storage refused (" + detail::LastLine(Listing.Reply) +
                "): new messages can no longer be found");
        return;
    }
    const std::string Memory = PolledMemory.empty() ? kDefaultMemory : PolledMemory;
    for (const std::string& Index : detail::ListedIndexes(Listing.Reply, TextMode)) {
        const std::string Report = "+CMTI: \"" + Memory + "\"," + Index;
        if (!Holds(NotifyQueue, Report)) {
            ProcessNot(Report, detail::NotifyMessage, NotifyQueue);
        }
    }
}

}  // namespace vorsa
