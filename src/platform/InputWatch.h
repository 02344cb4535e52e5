// Lets a thread's message loop notice that a serial port has input, so that the messaging
// component collects what the modem sent the moment it arrives instead of at the next tick
// of its polling timer.
//
// What a platform backend provides for it:
//  - SerialPort::InputObject(Handle): an object that signals while the port has input or
//    has hung up (POSIX: the descriptor; Windows: the port's handle).
//  - InputWatch::Create below: the message loop of the window's thread waits on that
//    object beside its posted messages and timers, and when it signals, posts Msg to the
//    window once (one-shot) until Arm. POSIX adds the descriptor to the loop's epoll set
//    with EPOLLONESHOT (LoopSignal's watches); Windows, whose synchronous port handle cannot
//    be waited on, looks at the port's input queue from a thread that posts the message.
// A backend without such an object returns -1 from InputObject, and the component keeps to
// its polling timer.
#pragma once

#include <cstdint>
#include <memory>

#include "vorsa/Framework.h"

namespace vorsa::detail {

class InputWatch {
  public:
    /// Watches Object for the thread that owns Wnd, armed. Null when Object is -1, Wnd is
    /// unknown, or the platform cannot watch Object.
    [[nodiscard]] static std::unique_ptr<InputWatch> Create(HWND Wnd, uint32_t Msg,
                                                            intptr_t Object);

    virtual ~InputWatch() = default;
    /// Asks for Msg again the next time the object signals (at once when it still does).
    virtual void Arm() noexcept = 0;
};

}  // namespace vorsa::detail
