// Hidden windows on Windows: message-only windows of one registered class, whose procedure
// hands every message to the method the window was allocated with. Timers and posted
// messages are the system's, so any message loop of the owner thread raises them, a GUI
// application's own GetMessage loop included.
#include <windows.h>

#include <string>
#include <utility>

#include "platform/PostToWindow.h"
#include "platform/win32/ThreadLoop.h"
#include "vorsa/Framework.h"

namespace vorsa {

namespace {

constexpr char kWindowClassName[] = "VorsaHiddenWindow";

LRESULT CALLBACK HiddenWindowProcedure(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    // Messages of the window's creation and destruction, and those of a window without a
    // method, get the default handling.
    detail::ThreadLoop* const State = detail::ThreadLoop::Existing();
    const std::shared_ptr<TWndMethod> Method = State ? State->WindowProcedure(Wnd) : nullptr;
    if (!Method || !*Method) {
        return ::DefWindowProcA(Wnd, Msg, WParam, LParam);
    }
    detail::ThreadLoop& Loop = *State;
    if (Msg == WM_TIMER) {
        Loop.TimerTicked(Wnd, WParam);
    }
    TMessage Message{Msg, WParam, LParam, 0};
    if (Loop.DispatchDepth == 0) {
        // Dispatched by the application's own loop: an exception goes its way from here.
        (*Method)(Message);
        Loop.Settle();
        return Message.Result;
    }
    try {
        (*Method)(Message);
    } catch (...) {
        Loop.Escaped = std::current_exception();
    }
    return Message.Result;
}

// The module that holds this code (the program, or a DLL that links the library), under
// which the class is registered, so that two copies of the library never share a class.
HINSTANCE ThisModule() {
    HMODULE Module = nullptr;
    ::GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&HiddenWindowProcedure), &Module);
    return Module;
}

[[noreturn]] void RaiseSystemError(const char* What) {
    const auto Code = static_cast<int32_t>(::GetLastError());
    throw Exception(std::string("Cannot make the hidden window: ") + What + ": " +
                    SysErrorMessage(Code));
}

// Registers the window class once per process. Gives false when the system refused.
bool RegisterHiddenWindowClass(HINSTANCE Module) {
    static const bool Registered = [Module] {
        WNDCLASSEXA Class{};
        Class.cbSize = sizeof Class;
        Class.lpfnWndProc = HiddenWindowProcedure;
        Class.hInstance = Module;
        Class.lpszClassName = kWindowClassName;
        return ::RegisterClassExA(&Class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return Registered;
}

}  // namespace

HWND AllocateHWnd(TWndMethod WndProc) {
    const HINSTANCE Module = ThisModule();
    if (!RegisterHiddenWindowClass(Module)) {
        RaiseSystemError("RegisterClassExA");
    }
    const HWND Wnd = ::CreateWindowExA(0, kWindowClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                       nullptr, Module, nullptr);
    if (Wnd == nullptr) {
        RaiseSystemError("CreateWindowExA");
    }
    detail::ThreadLoop::Current().AddWindow(Wnd, std::move(WndProc));
    return Wnd;
}

void DeallocateHWnd(HWND Wnd) noexcept {
    // Only the owner thread can destroy a window; another thread's or an unknown handle is
    // ignored. Destroying the window ends its timers and drops its posted messages.
    detail::ThreadLoop* const Loop = detail::ThreadLoop::Existing();
    if (Loop != nullptr && Loop->RemoveWindow(Wnd)) {
        ::DestroyWindow(Wnd);
        Loop->Settle();
    }
}

uintptr_t SetTimer(HWND Wnd, uintptr_t IDEvent, uint32_t Elapse) {
    // A null window would make a timer of the thread instead of the window's.
    if (Wnd == nullptr || ::SetTimer(Wnd, IDEvent, Elapse, nullptr) == 0) {
        return 0;
    }
    detail::ThreadLoop& Loop = detail::ThreadLoop::Current();
    Loop.TimerSet(Wnd, IDEvent, Elapse);
    Loop.Settle();
    return IDEvent != 0 ? IDEvent : 1;
}

namespace detail {

bool PostToWindow(HWND Wnd, uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
    // A null window would post to the calling thread instead of a window.
    if (Wnd == nullptr || ::PostMessageA(Wnd, Msg, WParam, LParam) == FALSE) {
        return false;
    }
    WakeOwnerOf(Wnd);
    return true;
}

}  // namespace detail

}  // namespace vorsa
