// Bringing the modem up on Connect and taking it down on DisConnect: the set-up dialogue
// (initialisation commands, activity check, SIM PIN, storage, service centre, routing of
// new messages, message format) and the polling timer. Where a modem refuses a step or
// answers in a form of its own, the steps in SetupAdaptation.cpp adapt instead of giving
// up; a modem that accepts the usual dialogue gets it byte for byte.
#include <cstdint>
#include <limits>
#include <string>

#include "component/LinkState.h"
#include "component/ReplyFields.h"
#include "component/SetupReplies.h"
#include "component/WindowMessages.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

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
    if (Connected() || !SetupSettingsAccepted()) {
        return;
    }
    // A component in design state has no window, and on Windows the system takes a null
    // window for the calling thread: KillTimer would stop a timer of the application's own.
    if (TimerWindow != HWND{}) {
        (void)KillTimer(TimerWindow, detail::PollingTimerId);
        (void)SetTimer(TimerWindow, detail::PollingTimerId, PollingPeriod(PollingDelay));
    }
    TComPortDriver::Connect();
    FLink->Carry.clear();
    FLink->SilentExchanges = 0;
    if (Connected()) {
        // Input makes the message loop collect at once, between the timer's ticks.
        FLink->Watch = detail::InputWatch::Create(TimerWindow, detail::InputMessage, InputObject());
    }
    StoragePolled = false;
    NoMessageMemory = false;
    PolledMemory.clear();

    const auto GiveUp = [this](int32_t Code) {
        ReportError(Code, GetErrString(Code));
        DisConnect();
    };
    if (!Connected()) {
        GiveUp(ErrNotConnected);
        return;
    }
    switch (Initialise()) {
        case Initialisation::Ready:
            break;
        case Initialisation::NotReady:
            GiveUp(ErrNotConnected);
            return;
        case Initialisation::PinRefused:
            GiveUp(ErrPinRefused);
            return;
    }

    // The PIN goes out whenever the SIM does not say it is ready: also with an empty PIN,
    // and also when the query itself failed.
    if (detail::AnswerLine(SendSMSCommand("AT+CPIN?"), "+CPIN: READY").empty() &&
        !endWith(SendSMSCommand("AT+CPIN=\"" + PIN + "\""), "OK")) {
        GiveUp(ErrPinRefused);
        return;
    }

    // The exchange has reported whatever error these replies carry; a refusal only ends
    // the set-up.
    const auto Refused = [this](const std::string& Command) {
        return !endWith(SendSMSCommand(Command), "OK");
    };
    if (!StorageSet() || (!SMSCenter.empty() && Refused("AT+CSCA=\"" + SMSCenter + "\"")) ||
        !RoutingSet() || Refused(TextMode ? "AT+CMGF=1" : "AT+CMGF=0")) {
        DisConnect();
        return;
    }

    FLink->SetUp = true;
    FLink->Muted = false;  // an attempt to reconnect is quiet only until it succeeds
    if (FLink->Reconnecting) {
        FLink->Reconnecting = false;
        (void)KillTimer(TimerWindow, detail::ReconnectTimerId);
    }
    if (OnConnected) {
        OnConnected(this);
    }
}

// The polling timer keeps running: while the port is closed the window procedure ignores
// its ticks, and the next Connect restarts it. A reconnection under way stops.
void TVorsa::DisConnect() {
    if (FLink->Reconnecting) {
        FLink->Reconnecting = false;
        (void)KillTimer(TimerWindow, detail::ReconnectTimerId);
    }
    ClosePort();
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
        (void)SendSMSCommand(detail::RoutingCommand(Value, static_cast<int>(StatusReports)));
    }
}

}  // namespace vorsa
