// The messages the component posts to its own hidden window, and its polling timer.
#pragma once

#include <cstdint>

#include "vorsa/Framework.h"

namespace vorsa::detail {

/// A "+CMTI: " or "+CBMI: " report waits in NotifyQueue.
constexpr uint32_t NotifyMessage = WM_USER + 1;
/// A "+CMGS: " report waits in SentQueue.
constexpr uint32_t SentMessage = WM_USER + 2;
/// A "+CMT: " report or a listed message waits in ReceiveQueue.
constexpr uint32_t ReceiveMessage = WM_USER + 3;

/// Identifier of the polling timer on the hidden window.
constexpr uintptr_t PollingTimerId = 1;

}  // namespace vorsa::detail
