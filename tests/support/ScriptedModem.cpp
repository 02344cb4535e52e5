#include "support/ScriptedModem.h"

#include <algorithm>
#include <utility>

namespace vorsa::test {

namespace {

constexpr char CtrlZ = 26;
constexpr char Escape = 27;

// Whether moment A has come by moment Now, on a clock that wraps at 2^32.
bool Reached(uint32_t Now, uint32_t A) {
    return static_cast<int32_t>(Now - A) >= 0;
}

}  // namespace

ScriptedModem::ScriptedModem(FakeClock& Clock) : FClock(Clock) {
    OnWrite = [this](MemorySerialPort&, const std::string& Bytes) { Received(Bytes); };
    FClock.SetSleepHook([this](uint32_t Now) {
        DeliverDue(Now);
        if (OnSleep) {
            OnSleep(Now);
        }
    });
}

ScriptedModem::~ScriptedModem() {
    FClock.SetSleepHook(nullptr);
}

void ScriptedModem::Answer(const std::string& Command, std::string Reply, uint32_t DelayMs) {
    Script& S = FScripts[Command];
    S.Standing = {std::move(Reply), DelayMs, false};
    S.HasStanding = true;
}

void ScriptedModem::AnswerOnce(const std::string& Command, std::string Reply, uint32_t DelayMs) {
    FScripts[Command].Once.push_back({std::move(Reply), DelayMs, false});
}

void ScriptedModem::Ignore(const std::string& Command) {
    Script& S = FScripts[Command];
    S.Standing = {"", 0, true};
    S.HasStanding = true;
}

void ScriptedModem::AnswerOthers(std::string Reply, uint32_t DelayMs) {
    FOthers = {std::move(Reply), DelayMs, false};
}

void ScriptedModem::IgnoreOthers() {
    FOthers = {"", 0, true};
}

void ScriptedModem::ActLikeReadyModem() {
    AnswerOthers(Ok);
    Answer("AT+CPIN?", Framed("+CPIN: READY"));
    Answer("AT+CPAS", Framed("+CPAS: 0"));
}

void ScriptedModem::Arrive(std::string Bytes, uint32_t DelayMs) {
    Schedule({std::move(Bytes), DelayMs, false});
}

size_t ScriptedModem::CountOfLine(const std::string& Command) const {
    return static_cast<size_t>(std::count(FLines.begin(), FLines.end(), Command));
}

detail::WaitResult ScriptedModem::WaitReadable(THandle Handle, uint32_t TimeoutMs) {
    const detail::WaitResult Result = MemorySerialPort::WaitReadable(Handle, TimeoutMs);
    if (Result != detail::WaitResult::TimedOut) {
        return Result;
    }
    uint32_t Step = TimeoutMs;
    if (!FPending.empty()) {
        const auto Until = static_cast<int32_t>(FPending.front().Due - FClock.TickCount());
        Step = std::min<uint32_t>(Step, static_cast<uint32_t>(std::max(Until, 0)));
    }
    FClock.Sleep(Step);  // delivers what is due by then
    return Incoming.empty() ? detail::WaitResult::TimedOut : detail::WaitResult::Ready;
}

void ScriptedModem::Received(const std::string& Bytes) {
    for (const char C : Bytes) {
        const bool AfterCr = std::exchange(FAfterCr, C == '\r');
        if (C == '\n' && AfterCr) {
            continue;
        }
        if (C == '\r' || C == '\n') {
            LineDone(std::exchange(FPartial, std::string()));
        } else if (C == CtrlZ || C == Escape) {
            LineDone(std::exchange(FPartial, std::string()) + C);
        } else {
            FPartial += C;
        }
    }
}

void ScriptedModem::LineDone(const std::string& Line) {
    FLines.push_back(Line);
    if (OnLine) {
        OnLine(Line);
    }
    const auto Found = FScripts.find(Line);
    if (Found == FScripts.end()) {
        Schedule(FOthers);
        return;
    }
    Script& S = Found->second;
    if (!S.Once.empty()) {
        const Reply Next = std::move(S.Once.front());
        S.Once.pop_front();
        Schedule(Next);
    } else {
        Schedule(S.HasStanding ? S.Standing : FOthers);
    }
}

void ScriptedModem::Schedule(const Reply& What) {
    if (What.Silent) {
        return;
    }
    if (What.DelayMs == 0) {
        Feed(What.Bytes);
        return;
    }
    const uint32_t Due = FClock.TickCount() + What.DelayMs;
    const auto After = std::find_if(FPending.begin(), FPending.end(),
                                    [&](const Delivery& D) { return !Reached(Due, D.Due); });
    FPending.insert(After, {Due, What.Bytes});
}

void ScriptedModem::DeliverDue(uint32_t Now) {
    while (!FPending.empty() && Reached(Now, FPending.front().Due)) {
        Feed(FPending.front().Bytes);
        FPending.erase(FPending.begin());
    }
}

std::string Framed(const std::string& Information, const std::string& Final) {
    return "\r\n" + Information + "\r\n\r\n" + Final + "\r\n";
}

}  // namespace vorsa::test
