// A modem that is lost (unplugged, hung up, or silent to every command): the component
// closes the port once and, with AutoReconnect, brings the link back on its own, with the
// pause between attempts doubling up to ReconnectMaxDelay.
#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "component/LinkState.h"
#include "component/WindowMessages.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

constexpr uint32_t kFirstReconnectDelayMs = 1000;

// Holds the reports back for its lifetime.
class MuteGuard {
  public:
    explicit MuteGuard(bool& Muted) : FMuted(Muted), FWas(std::exchange(Muted, true)) {}
    ~MuteGuard() { FMuted = FWas; }
    MuteGuard(const MuteGuard&) = delete;
    MuteGuard& operator=(const MuteGuard&) = delete;

  private:
    bool& FMuted;
    bool FWas;
};

}  // namespace

bool TVorsa::Reconnecting() const noexcept {
    return FLink->Reconnecting;
}

void TVorsa::ClosePort() {
    FLink->Watch.reset();
    FLink->Carry.clear();
    FLink->Command.clear();
    FLink->SetUp = false;
    FLink->SilentExchanges = 0;
    if (!Connected()) {
        return;
    }
    TComPortDriver::DisConnect();
    if (OnDisconnect && !FLink->Muted) {
        OnDisconnect(this);
    }
}

void TVorsa::LoseLink() {
    // Reconnecting is set before OnDisconnect, so that its handler can tell a lost link
    // that will be brought back from a plain close.
    if (AutoReconnect && TimerWindow != 0 && !FLink->Reconnecting) {
        FLink->Reconnecting = true;
        FLink->ReconnectDelayMs = kFirstReconnectDelayMs;
        (void)SetTimer(TimerWindow, detail::ReconnectTimerId, kFirstReconnectDelayMs);
    }
    ClosePort();
}

void TVorsa::TryReconnect() {
    (void)KillTimer(TimerWindow, detail::ReconnectTimerId);
    {
        MuteGuard Quiet(FLink->Muted);
        Connect();
    }
    if (Connected() && FLink->SetUp) {
        FLink->Reconnecting = false;
        // What the modem stored while the link was down was announced to nobody.
        DownloadSMS();
        return;
    }
    const uint64_t Longest =
        std::max<uint64_t>(uint64_t{ReconnectMaxDelay} * 1000u, kFirstReconnectDelayMs);
    FLink->ReconnectDelayMs =
        static_cast<uint32_t>(std::min<uint64_t>(uint64_t{FLink->ReconnectDelayMs} * 2u, Longest));
    FLink->Reconnecting = true;
    (void)SetTimer(TimerWindow, detail::ReconnectTimerId, FLink->ReconnectDelayMs);
}

void TVorsa::CollectWaitingReports() {
    if (Busy) {
        return;
    }
    const int32_t Waiting = GetIn();
    if (Waiting < 0) {
        // A port that can neither be read nor waited on has hung up.
        if (WaitForInput(0) == tInputWait::Failed) {
            LoseLink();
            ReportLatchedErrors();
        }
        return;
    }
    if (Waiting > 1) {
        std::string Discarded;
        (void)SendCommand("AT", Discarded);
    }
}

}  // namespace vorsa
