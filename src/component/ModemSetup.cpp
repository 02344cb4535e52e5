// Bringing the modem up on Connect and taking it down on DisConnect: the set-up dialogue
// (initialisation commands, activity check, SIM PIN, storage, service centre, routing of
// new messages, message format) and the polling timer.
#include <cstdint>
#include <limits>
#include <string>

#include "component/WindowMessages.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

// Routing of new messages: hold reports while the line is busy and pass them on after;
// forward each new message directly ("+CMT: ") or store it and announce it ("+CMTI: ").
// No cell broadcasts, no status reports.
std::string RoutingCommand(bool DirectForward) {
    return DirectForward ? "AT+CNMI=2,2,0,0,0" : "AT+CNMI=2,1,0,0,0";
}

// The timer period of PollingDelay seconds. A negative delay is taken as an unsigned
// period, as the platform's timer call would, and so becomes the longest period.
uint32_t PollingPeriod(int32_t PollingDelay) {
    const int64_t Milliseconds = static_cast<int64_t>(PollingDelay) * 1000;
    if (Milliseconds < 0) {
        return USER_TIMER_MAXIMUM;
    }
    return Milliseconds > std::numeric_limits<uint32_t>::max()
               ? std::numeric_limits<uint32_t>::max()
               : static_cast<uint32_t>(Milliseconds);
}

}  // namespace

void TVorsa::Connect() {
    if (Connected()) {
        return;
    }
    // A component in design state has no window, and on Windows the system takes a null
    // window for the calling thread: KillTimer would stop a timer of the application's own.
    if (TimerWindow != HWND{}) {
        (void)KillTimer(TimerWindow, detail::PollingTimerId);
        (void)SetTimer(TimerWindow, detail::PollingTimerId, PollingPeriod(PollingDelay));
    }
    TComPortDriver::Connect();

    const auto GiveUp = [this](int32_t Code) {
        ReportError(Code, GetErrString(Code));
        DisConnect();
    };
    // An initialisation command counts as answered when its reply carries no error marker
    // (a modem that says nothing at all passes here and fails the activity check).
    const auto InitAccepted = [this](const std::string& Command) {
        std::string Reply;
        return Command.empty() || SendCommand(Command, Reply);
    };
    if (!Connected() || !InitAccepted(InitString1) || !InitAccepted(InitString2) ||
        !InitAccepted(InitString3) || GetState() != 0) {
        GiveUp(ErrNotConnected);
        return;
    }

    // The PIN goes out whenever the SIM does not say it is ready: also with an empty PIN,
    // and also when the query itself failed.
    if (!startWith(SendSMSCommand("AT+CPIN?"), "+CPIN: READY") &&
        !endWith(SendSMSCommand("AT+CPIN=\"" + PIN + "\""), "OK")) {
        GiveUp(ErrPinRefused);
        return;
    }

    // The exchange has reported whatever error these replies carry; a refusal only ends
    // the set-up.
    const auto Refused = [this](const std::string& Command) {
        return !endWith(SendSMSCommand(Command), "OK");
    };
    if ((!StorageString.empty() && Refused("AT+CPMS=" + StorageString)) ||
        (!SMSCenter.empty() && Refused("AT+CSCA=\"" + SMSCenter + "\"")) ||
        Refused(RoutingCommand(DirectForward)) || Refused(TextMode ? "AT+CMGF=1" : "AT+CMGF=0")) {
        DisConnect();
        return;
    }

    if (OnConnected) {
        OnConnected(this);
    }
}

// The polling timer keeps running: while the port is closed the window procedure ignores
// its ticks, and the next Connect restarts it.
void TVorsa::DisConnect() {
    if (!Connected()) {
        return;
    }
    TComPortDriver::DisConnect();
    if (OnDisconnect) {
        OnDisconnect(this);
    }
}

void TVorsa::Reset() {
    if (Connected()) {
        DisConnect();
    }
    Connect();
}

void TVorsa::SetNotify(bool Value) {
    DirectForward.FValue = Value;
    if (Connected()) {
        (void)SendSMSCommand(RoutingCommand(Value));
    }
}

}  // namespace vorsa
