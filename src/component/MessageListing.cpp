// Listing the stored messages (AT+CMGL): each listed message is turned into the shape of a
// directly delivered one ("+CMT: ") and queued for OnReceiveSMS, and deleted from storage
// first when DeleteOnRead is set.
#include <string>

#include "component/BusyGuard.h"
#include "component/ReplyFields.h"
#include "component/WindowMessages.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string kListed = "+CMGL: ";
const std::string kDelivered = "+CMT: ";
// "+CMT: " is six characters: the listing's fields start at the seventh.
constexpr int64_t kFieldsStart = 7;

int64_t LengthOf(const std::string& S) {
    return static_cast<int64_t>(S.size());
}

// Deletes the field that starts the entry's fields, up to and including its comma.
void DropFirstField(std::string& Entry) {
    Delete(Entry, kFieldsStart, Pos(",", Entry) - kFieldsStart + 1);
}

}  // namespace

void TVorsa::DownloadSMS() {
    if (!Connected()) {
        ReportError(ErrNotConnected, GetErrString(ErrNotConnected));
        return;
    }
    std::string Listing;
    {
        detail::BusyGuard Exchange(Busy);
        SendString("AT+CMGL;\r\n");
        wait(100);
        Listing = ReadString();
    }
    // Errors the collector latched are reported by the next exchange: with DeleteOnRead
    // the first deletion below, otherwise the next command or timer poll.

    // Anything but a listing ("ERROR", "+CMS ERROR: 321", a stray line) holds no message:
    // it is neither queued as one nor taken for an index to delete.
    const int64_t First = Pos(kListed, Listing);
    if (First == 0) {
        return;
    }
    std::string Rest = detail::WithoutFinalOk(Copy(Listing, First, LengthOf(Listing)));
    for (;;) {
        Rest = StringReplace(Rest, kListed, kDelivered);
        const int64_t Next = Pos(kListed, Rest);
        std::string Entry = Next == 0 ? Rest : Copy(Rest, 1, Next - 1);
        const std::string Index = Copy(Entry, kFieldsStart, Pos(",", Entry) - kFieldsStart);
        if (DeleteOnRead) {
            (void)DeleteSMS(Index);
        }
        DropFirstField(Entry);  // the index
        DropFirstField(Entry);  // the status
        ProcessNot(Entry, detail::ReceiveMessage, ReceiveQueue);
        if (Next == 0) {
            return;
        }
        Rest = Copy(Rest, Next, LengthOf(Rest));
    }
}

}  // namespace vorsa
