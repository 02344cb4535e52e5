// The small framework the components stand on: the component base, the string list,
// string helpers, exceptions, the component registry, the clock, the hidden window with
// its timers and posted messages, and the calling thread's message loop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vorsa {

// ---------------------------------------------------------------------------------------
// Objects and components

/// Root of the class hierarchy.
class TObject {
  public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;
};

/// A set of component-state flags.
using TComponentState = uint32_t;
/// The component is being edited in a design environment: it must not talk to devices
/// or create windows.
constexpr TComponentState csDesigning = 1u << 4;

/// Base of every component. The owner is a non-owning link: a component never destroys
/// the components it owns, whose lifetimes the application manages. A component takes
/// over the design state of its owner when it is constructed.
class TComponent : public TObject {
  public:
    explicit TComponent(TComponent* AOwner = nullptr);
    ~TComponent() override = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const noexcept { return FOwner; }
    TComponentState ComponentState() const noexcept { return FComponentState; }

    /// Puts the component into design state or takes it out. Components created later
    /// with this one as owner inherit the state.
    void SetDesigning(bool Value) noexcept;

  private:
    TComponent* FOwner;
    TComponentState FComponentState = 0;
};

/// One class made available on a palette page of the design environment.
struct TRegisteredComponent {
    std::string Page;
    std::string ClassName;
};

/// Makes the named classes available on the palette page `Page`. A class that is already
/// registered keeps its first entry. Safe to call from any thread.
void RegisterComponents(const std::string& Page, const std::vector<std::string>& ClassNames);

/// Every registered class, in the order of registration.
[[nodiscard]] std::vector<TRegisteredComponent> RegisteredComponents();

// ---------------------------------------------------------------------------------------
// Exceptions

/// The generic exception, created with a message text.
class Exception : public std::exception {
  public:
    explicit Exception(std::string Message) : FMessage(std::move(Message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const noexcept { return FMessage; }

  private:
    std::string FMessage;
};

/// A text could not be converted, e.g. by StrToInt.
class EConvertError : public Exception {
  public:
    using Exception::Exception;
};

/// A string list was indexed outside its entries.
class EStringListError : public Exception {
  public:
    using Exception::Exception;
};

/// The operating system's text for a system error code, such as the serial driver latches
/// (an errno value on POSIX, a GetLastError code on Windows), without a final line break.
[[nodiscard]] std::string SysErrorMessage(int32_t Code);

// ---------------------------------------------------------------------------------------
// String list

/// An ordered list of byte strings. Appending at the end and deleting entry 0 are cheap,
/// so the list serves as a first-in, first-out queue. Indexes are 0-based; an index
/// outside the list raises EStringListError.
class TStringList : public TObject {
  public:
    /// Appends `S` and returns its index.
    int Add(const std::string& S);
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    const std::string& Strings(int Index) const;
    const std::string& operator[](int Index) const { return Strings(Index); }
    void Delete(int Index);
    void Clear() noexcept { FItems.clear(); }

    /// Replaces the entries by the lines of `Value`. A line ends at CR LF, at a lone CR or
    /// at a lone LF; a break at the very end gives no empty last line, two breaks in a row
    /// give an empty line between them, and a NUL character ends the text.
    void SetText(const std::string& Value);
    /// Every entry followed by CR LF.
    [[nodiscard]] std::string Text() const;

  private:
    std::deque<std::string> FItems;
};

// ---------------------------------------------------------------------------------------
// String helpers. Strings are byte strings; positions are 1-based.

/// A copy without the characters of code 32 or less at both ends.
[[nodiscard]] std::string Trim(const std::string& S);

/// Reads an optional sign followed by one or more decimal digits, and nothing else (no
/// blanks), as a 32-bit signed integer. Anything else, a value outside 32 bits included,
/// raises EConvertError with the message "'<S>' is not a valid integer value".
[[nodiscard]] int32_t StrToInt(const std::string& S);

/// The decimal text of an integer, "-" in front of a negative one.
template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
[[nodiscard]] std::string IntToStr(T Value) {
    return std::to_string(Value);
}

namespace detail {
[[nodiscard]] std::string UpperHex(uint64_t Value, int Digits);
}

/// Upper-case hexadecimal text of `Value`, padded with zeros to at least `Digits` digits.
/// A negative value is written in two's complement at the width of its type
/// (IntToHex(int32_t{-1}, 2) is "FFFFFFFF").
template <typename T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
[[nodiscard]] std::string IntToHex(T Value, int Digits) {
    return detail::UpperHex(static_cast<uint64_t>(static_cast<std::make_unsigned_t<T>>(Value)),
                            Digits);
}

/// `S` with its first occurrence of `OldPattern` replaced by `NewPattern` (case-sensitive).
/// An empty `OldPattern` leaves `S` unchanged.
[[nodiscard]] std::string StringReplace(const std::string& S, const std::string& OldPattern,
                                        const std::string& NewPattern);

/// Position of the first `Sub` in `S`, 1-based; 0 when it does not occur or `Sub` is empty.
[[nodiscard]] int64_t Pos(const std::string& Sub, const std::string& S);

/// `Count` characters of `S` from position `Index`. An index below 1 counts as 1; a copy
/// that runs past the end stops there; an index past the end or a count below 1 gives "".
[[nodiscard]] std::string Copy(const std::string& S, int64_t Index, int64_t Count);

/// Deletes `Count` characters of `S` from position `Index`. An index below 1 or past the
/// end, or a count below 1, deletes nothing; a deletion that runs past the end stops there.
void Delete(std::string& S, int64_t Index, int64_t Count);

// ---------------------------------------------------------------------------------------
// Clock

/// Where GetTickCount and Sleep get their time from. Tests put a virtual clock in place so
/// that time-outs run without waiting.
class TClock {
  public:
    virtual ~TClock();
    /// Milliseconds, wrapping at 2^32.
    virtual uint32_t TickCount() = 0;
    virtual void Sleep(uint32_t Milliseconds) = 0;
};

/// Puts `Clock` in place for every thread and returns the one that was in place, nullptr
/// standing for the real clock; SetClock(nullptr) restores the real clock. The caller keeps
/// ownership and keeps the clock alive while it is in place.
TClock* SetClock(TClock* Clock) noexcept;

/// Milliseconds of the clock in place. The real clock counts from an arbitrary start on the
/// system's monotonic clock, wraps at 2^32 and ignores changes of the wall-clock time:
/// compare two values by their unsigned difference.
[[nodiscard]] uint32_t GetTickCount();

/// Pauses the calling thread for `Milliseconds` on the clock in place.
void Sleep(uint32_t Milliseconds);

// ---------------------------------------------------------------------------------------
// Hidden windows, timers, posted messages and the message loop
//
// A window belongs to the thread that allocated it, and every thread has its own message
// queue. Messages and timer ticks reach the window procedure only from that thread's
// message loop (ProcessMessages, HandleMessage), never inside the call that posted them,
// and posted messages arrive in posting order. Posted messages go before timer ticks.
// Timers run on the system's monotonic clock, not on the replaceable TClock.
//
// PostMessageA may be called from any thread: it wakes the owner's loop. The other calls
// are meant for the owner thread; on POSIX they are safe from any thread as well.
//
// On Windows these are the system's own: AllocateHWnd creates a message-only window of a
// registered class, the timers are the window's system timers, messages are posted to its
// thread's message queue, and any loop that runs GetMessage (or PeekMessage) and
// DispatchMessage on that thread raises every message and tick, a GUI application's own
// loop included. HWND, the WM_ constants, PostMessageA, KillTimer and DefWindowProcA are
// <windows.h>'s, which this header includes there. On POSIX the same services are emulated
// in the library, one queue per thread.

#if defined(_WIN32)
/// The system's window handle.
using HWND = ::HWND;
#else
using HWND = std::uintptr_t;
#endif

/// A window message as the window procedure receives it. `Result` starts at 0.
struct TMessage {
    uint32_t Msg;
    uintptr_t WParam;
    intptr_t LParam;
    intptr_t Result;
};

#if !defined(_WIN32)
constexpr uint32_t WM_TIMER = 275;
constexpr uint32_t WM_USER = 1024;

/// Timer periods below this are raised to it, and periods above USER_TIMER_MAXIMUM are
/// lowered to that, so that a timer never ticks back to back.
constexpr uint32_t USER_TIMER_MINIMUM = 10;
constexpr uint32_t USER_TIMER_MAXIMUM = 0x7FFFFFFF;
#endif

/// A thread's queue holds at most this many posted messages; PostMessageA fails beyond it,
/// so a loop that is never run cannot grow memory without end. On Windows the system's own
/// limit applies instead (the same number by default).
constexpr std::size_t POSTED_MESSAGE_LIMIT = 10000;

using TWndMethod = std::function<void(TMessage&)>;

/// Creates a hidden window of the calling thread whose every message goes to `WndProc`
/// (a window without one passes them to DefWindowProcA). The handle is never 0 and is not
/// reused (on Windows a handle of the system, which it gives out again only long after).
/// Raises Exception when the thread's message queue (on Windows, the window) cannot be set
/// up.
[[nodiscard]] HWND AllocateHWnd(TWndMethod WndProc);

/// Releases the window: its timers stop and its pending messages are dropped, also when
/// called from its own window procedure. An unknown handle is ignored. On Windows only the
/// owner thread can release a window; a thread's windows go with it when it ends.
void DeallocateHWnd(HWND Wnd) noexcept;

/// Starts timer `IDEvent` on the window, or restarts it with the new period when it runs:
/// the window receives WM_TIMER with WParam = `IDEvent` about once per `Elapse`
/// milliseconds. A tick is not queued up: a timer has at most one tick pending, and a slow
/// loop sees fewer ticks. Gives a non-zero value on success (`IDEvent`, or 1 when it is 0),
/// 0 for an unknown or null window. On Windows this is the system's SetTimer without a
/// timer procedure, from the owner thread.
uintptr_t SetTimer(HWND Wnd, uintptr_t IDEvent, uint32_t Elapse);

#if defined(_WIN32)
// On Windows these are the system's own functions, with the system's rules (a null window
// stands for the calling thread there): the window, its timers and its messages are the
// system's, so the names are too. SetTimer with a timer procedure is the system's as well.
using ::DefWindowProcA;
using ::KillTimer;
using ::PostMessageA;
using ::SetTimer;
#else
/// Stops the timer; a tick that is due but not yet dispatched is dropped. False when the
/// window has no such timer.
bool KillTimer(HWND Wnd, uintptr_t IDEvent);

/// Queues a message for the window and returns at once. False for an unknown or released
/// window, or when the owner's queue is full. Safe to call from any thread.
bool PostMessageA(HWND Wnd, uint32_t Msg, uintptr_t WParam, intptr_t LParam);

/// The default handling of a message: nothing happens and the result is 0.
intptr_t DefWindowProcA(HWND Wnd, uint32_t Msg, uintptr_t WParam, intptr_t LParam);
#endif

/// Dispatches every message posted to the calling thread's windows, those posted by the
/// window procedures meanwhile included, and one tick of every timer that is due when the
/// call starts, then returns. An exception thrown by a window procedure leaves this call;
/// the message has already been taken from the queue, and the loop can be run again. On
/// Windows every message of the thread is dispatched, other windows' too; a WM_QUIT is left
/// in the queue for the application's own loop, and this call returns when it meets one.
void ProcessMessages();

/// Waits until a message or timer tick is due for the calling thread, up to `TimeoutMs`
/// milliseconds (-1: without limit; 0: does not wait), sleeping meanwhile, and dispatches
/// it. Gives true when it dispatched one. On Windows it dispatches the thread's next message
/// whatever its window, and leaves a WM_QUIT in the queue (giving false).
bool HandleMessage(int TimeoutMs = -1);

/// A file descriptor that is readable while a message or timer tick is due for the calling
/// thread, so that the loop can be driven from poll/epoll or another event loop: wait for it,
/// then call ProcessMessages. Owned by the thread's queue: do not close it or read from it.
/// Raises Exception when the thread's message queue cannot be set up. On Windows, which
/// waits on handles instead, it is -1: use MessageLoopHandle.
[[nodiscard]] int MessageLoopFd();

#if defined(_WIN32)
/// The Windows counterpart of MessageLoopFd: a handle that WaitForMultipleObjects (or
/// MsgWaitForMultipleObjectsEx) can take, signalled while a message that a component posted
/// to its hidden window waits, or a tick of a timer set with the three-argument SetTimer is
/// due, for the calling thread; wait for it beside your own handles, then call
/// ProcessMessages. Messages that others post with the system's PostMessage signal it only
/// once one of the library's loops has run: to wake for those too, wait with
/// MsgWaitForMultipleObjectsEx and QS_ALLINPUT. Owned by the thread: do not close, reset or
/// signal it. Raises Exception when it cannot be made.
[[nodiscard]] HANDLE MessageLoopHandle();
#endif

/// Owns a hidden window and releases it when destroyed.
class UniqueHWnd {
  public:
    UniqueHWnd() = default;
    explicit UniqueHWnd(TWndMethod WndProc) : FWnd(AllocateHWnd(std::move(WndProc))) {}
    UniqueHWnd(UniqueHWnd&& Other) noexcept : FWnd(std::exchange(Other.FWnd, HWND{})) {}
    UniqueHWnd& operator=(UniqueHWnd&& Other) noexcept {
        if (this != &Other) {
            Reset();
            FWnd = std::exchange(Other.FWnd, HWND{});
        }
        return *this;
    }
    UniqueHWnd(const UniqueHWnd&) = delete;
    UniqueHWnd& operator=(const UniqueHWnd&) = delete;
    ~UniqueHWnd() { Reset(); }

    HWND Get() const noexcept { return FWnd; }
    void Reset() noexcept {
        if (FWnd != HWND{}) {
            DeallocateHWnd(std::exchange(FWnd, HWND{}));
        }
    }

  private:
    HWND FWnd{};
};

}  // namespace vorsa
