// The messaging component's life cycle, its error latch and the error report convention.
#include "vorsa/Vorsa32.h"

#include <utility>

#include "component/LinkState.h"
#include "component/MessageFlow.h"
#include "platform/SerialPort.h"
#include "vorsa/SMScnst.h"

namespace vorsa {

TVorsa::TVorsa(TComponent* AOwner) : TComPortDriver(AOwner) {
    Construct();
}

TVorsa::TVorsa(TComponent* AOwner, std::unique_ptr<detail::SerialPort> Platform)
    : TComPortDriver(AOwner, std::move(Platform)) {
    Construct();
}

void TVorsa::Construct() {
    FLink = std::make_unique<detail::LinkState>();
    FMessages = std::make_unique<detail::MessageFlow>();
    OnSMSError = [this](TObject* Sender, int32_t ErrorId, std::string ErrorMessage) {
        InernalErrorHandling(Sender, ErrorId, ErrorMessage);
    };
    // A component being designed talks to no device and has no window.
    if ((ComponentState() & csDesigning) == 0) {
        TimerWindow = AllocateHWnd([this](TMessage& Message) { TimerWndProc(Message); });
    }
}

TVorsa::~TVorsa() {
    ReceiveQueue.Clear();
    SentQueue.Clear();
    NotifyQueue.Clear();
    StatusQueue.Clear();
    // A destructor must not throw: an OnDisconnect handler that throws (or reports through
    // the default error handler) ends here.
    try {
        if (Connected()) {
            DisConnect();
        }
    } catch (...) {
        if (Connected()) {
            TComPortDriver::DisConnect();
        }
    }
    if ((ComponentState() & csDesigning) == 0) {
        DeallocateHWnd(TimerWindow);
    }
}

void TVorsa::SetSMSError(int32_t Code) noexcept {
    if (Code != 0) {
        SMSError = Code;
    }
}

int32_t TVorsa::GetSMSError() noexcept {
    return std::exchange(SMSError, 0);
}

void TVorsa::InernalErrorHandling(TObject* /*Sender*/, int32_t ErrorId,
                                  const std::string& ErrorMessage) {
    throw Exception(IntToStr(ErrorId) + ": " + ErrorMessage);
}

void TVorsa::ReportError(int32_t ErrorId, const std::string& ErrorMessage) {
    if (FLink->Muted) {
        return;  // an attempt to reconnect: its failure is the lost link, reported already
    }
    if (OnSMSError) {
        OnSMSError(this, ErrorId, ErrorMessage);
    } else {
        InernalErrorHandling(this, ErrorId, ErrorMessage);
    }
}

void TVorsa::ReportLatchedErrors() {
    const int32_t SystemError = GetError();
    if (SystemError != 0) {
        ReportError(ErrNotCatalogued, "System Error " + IntToStr(SystemError));
    }
    const int32_t Code = GetSMSError();
    if (Code != 0) {
        ReportError(Code, GetErrString(Code));
    }
}

TDirectForwardProperty& TDirectForwardProperty::operator=(bool Value) {
    FOwner.SetNotify(Value);
    return *this;
}

void Register() {
    RegisterComponents("System", {"TVorsa"});
}

}  // namespace vorsa
