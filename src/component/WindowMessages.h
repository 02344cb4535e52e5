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
/// A "+CDS: " or "+CDSI: " report waits in StatusQueue.
constexpr uint32_t StatusMessage = WM_USER + 4;

/// The port has input (its watch fired): collect it as the polling timer would. Far from
/// the queue messages, which other report kinds may extend.
constexpr uint32_t InputMessage = WM_USER + 64;

/// Identifier of the polling timer on the hidden window.
constexpr uintptr_t PollingTimerId = 1;
/// Identifier of the timer of the next attempt to reconnect a lost link.
constexpr uintptr_t ReconnectTimerId = 2;

}  // namespace vorsa::detail
