// How the library posts to its own hidden windows.
#pragma once

#include <cstdint>

#include "vorsa/Framework.h"

namespace vorsa::detail {

/// PostMessageA, and then a wake of whatever the owner thread's loop waits on: on POSIX the
/// emulated queue's descriptor wakes by itself; on Windows the system's queue has no handle,
/// so MessageLoopHandle is set here. Same result as PostMessageA.
bool PostToWindow(HWND Wnd, uint32_t Msg, uintptr_t WParam, intptr_t LParam);

}  // namespace vorsa::detail
