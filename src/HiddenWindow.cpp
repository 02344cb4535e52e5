// The hidden window's procedure: the polling timer collects reports that arrive between
// the application's commands.
#include <string>

#include "vorsa/Vorsa32.h"

namespace vorsa {

void TVorsa::TimerWndProc(TMessage& Message) {
    // A closed port: the timer keeps ticking, and every message goes to the default
    // procedure.
    if (!Connected()) {
        Message.Result = DefWindowProcA(TimerWindow, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    switch (Message.Msg) {
        case WM_TIMER:
            // A single byte is no report yet; an exchange under way collects by itself.
            if (!Busy && GetIn() > 1) {
                std::string Reply;
                (void)SendCommand("AT", Reply);
            }
            break;
        default:
            break;
    }
}

}  // namespace vorsa
