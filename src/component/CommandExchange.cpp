// One command exchange with the modem: write a command line, wait, collect the reply,
// report what went wrong.
#include <string>

#include "component/BusyGuard.h"
#include "component/LinePause.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

void TVorsa::wait(int32_t N) {
    Sleep(detail::ScaledPause(N, Baud));
}

bool TVorsa::SendCommand(const std::string& Command, std::string& Reply) {
    if (!Connected()) {
        ReportError(ErrNotConnected, GetErrString(ErrNotConnected));
        return false;
    }
    while (Busy) {
        Sleep(detail::PollStep(Baud));
    }
    bool Accepted = false;
    {
        detail::BusyGuard Guard(Busy);
        // Bytes that were already waiting are kept: reports the modem sent since the last
        // exchange become the start of this reply and are cut out by the collector.
        SendString(Command + "\r\n");
        wait(450);
        Reply = ReadString();
        // A time-out alone does not fail the command: it is reported, and the result
        // follows the reply's text.
        Accepted = !endWith(Reply, "ERROR") && Pos("+CMS ERROR: ", Reply) == 0;
    }
    ReportLatchedErrors();
    return Accepted;
}

std::string TVorsa::SendSMSCommand(const std::string& Command) {
    std::string Reply;
    (void)SendCommand(Command, Reply);
    return Reply;
}

}  // namespace vorsa
