#include "support/ScriptedComponent.h"

namespace vorsa::test {

void ScriptedComponent::OpenPortOnly() {
    Vorsa.TComPortDriver::Connect();
    ASSERT_TRUE(Vorsa.Connected());
    Forget();
}

void ScriptedComponent::ConnectReady() {
    Modem.ActLikeReadyModem();
    Vorsa.PollingDelay = 3600;
    Vorsa.Connect();
    ASSERT_TRUE(Vorsa.Connected());
    ASSERT_TRUE(Events.Errors.empty()) << Events.Errors.front();
    Events.Clear();
    Forget();
}

void ScriptedComponent::Forget() {
    Modem.ClearLines();
    Modem.ClearLog();
    Modem.Written.clear();
    Modem.Writes.clear();
    FStart = Clock.TickCount();
}

}  // namespace vorsa::test
