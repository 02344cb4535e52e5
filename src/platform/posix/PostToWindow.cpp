#include "platform/PostToWindow.h"

namespace vorsa::detail {

bool PostToWindow(HWND Wnd, uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
    return PostMessageA(Wnd, Msg, WParam, LParam);
}

}  // namespace vorsa::detail
