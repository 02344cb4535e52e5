// Records and constants of the serial communications interface that the serial driver
// speaks. They keep the layout and the values of the 32-bit Windows communications API, so
// that the driver's logic (and anything that inspects what it configured) reads the same on
// every platform; the platform layer translates them to the operating system's own calls.
//
// On Windows the constants are <windows.h>'s own macros (PURGE_RXABORT, EV_RXCHAR, ...),
// which this header includes there, so that it and <windows.h> go together in either order.
// The three records stay this library's on every platform: the system's DCB packs its
// switches into bit-fields, where this one names the whole word `Flags` and reads the
// switches through accessors. On Windows they have the system's layout byte for byte, so the
// serial backend hands them to the system as they are.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace vorsa {

/// A device handle as the platform layer hands it out: a file descriptor on POSIX, the value
/// of a HANDLE on Windows (where InvalidHandle is INVALID_HANDLE_VALUE).
using THandle = std::intptr_t;
/// What opening a missing or busy device yields; every call on it fails.
constexpr THandle InvalidHandle = -1;

/// Device control block: the line settings of a serial device. 28 bytes, the fields in the
/// Windows order. The one-bit and two-bit switches share the 32-bit word `Flags`; the
/// accessors below read and write them by name.
struct DCB {
    uint32_t DCBlength = 0;
    uint32_t BaudRate = 0;
    uint32_t Flags = 0;
    uint16_t wReserved = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 0;
    uint8_t Parity = 0;
    uint8_t StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    uint16_t wReserved1 = 0;

    // Bit positions and widths of the switches in `Flags`.
    static constexpr uint32_t fBinaryBit = 0x0001;
    static constexpr uint32_t fParityBit = 0x0002;
    static constexpr uint32_t fOutxCtsFlowBit = 0x0004;
    static constexpr uint32_t fOutxDsrFlowBit = 0x0008;
    static constexpr uint32_t fDtrControlShift = 4;  // two bits
    static constexpr uint32_t fDsrSensitivityBit = 0x0040;
    static constexpr uint32_t fTXContinueOnXoffBit = 0x0080;
    static constexpr uint32_t fOutXBit = 0x0100;
    static constexpr uint32_t fInXBit = 0x0200;
    static constexpr uint32_t fErrorCharBit = 0x0400;
    static constexpr uint32_t fNullBit = 0x0800;
    static constexpr uint32_t fRtsControlShift = 12;  // two bits
    static constexpr uint32_t fAbortOnErrorBit = 0x4000;

    bool fBinary() const noexcept { return Bit(fBinaryBit); }
    bool fParity() const noexcept { return Bit(fParityBit); }
    bool fOutxCtsFlow() const noexcept { return Bit(fOutxCtsFlowBit); }
    bool fOutxDsrFlow() const noexcept { return Bit(fOutxDsrFlowBit); }
    uint32_t fDtrControl() const noexcept { return (Flags >> fDtrControlShift) & 3u; }
    bool fDsrSensitivity() const noexcept { return Bit(fDsrSensitivityBit); }
    bool fTXContinueOnXoff() const noexcept { return Bit(fTXContinueOnXoffBit); }
    bool fOutX() const noexcept { return Bit(fOutXBit); }
    bool fInX() const noexcept { return Bit(fInXBit); }
    bool fErrorChar() const noexcept { return Bit(fErrorCharBit); }
    bool fNull() const noexcept { return Bit(fNullBit); }
    uint32_t fRtsControl() const noexcept { return (Flags >> fRtsControlShift) & 3u; }
    bool fAbortOnError() const noexcept { return Bit(fAbortOnErrorBit); }

    void fBinary(bool On) noexcept { SetBit(fBinaryBit, On); }
    void fParity(bool On) noexcept { SetBit(fParityBit, On); }
    void fOutxCtsFlow(bool On) noexcept { SetBit(fOutxCtsFlowBit, On); }
    void fOutxDsrFlow(bool On) noexcept { SetBit(fOutxDsrFlowBit, On); }
    void fDtrControl(uint32_t Value) noexcept { SetField(fDtrControlShift, Value); }
    void fDsrSensitivity(bool On) noexcept { SetBit(fDsrSensitivityBit, On); }
    void fTXContinueOnXoff(bool On) noexcept { SetBit(fTXContinueOnXoffBit, On); }
    void fOutX(bool On) noexcept { SetBit(fOutXBit, On); }
    void fInX(bool On) noexcept { SetBit(fInXBit, On); }
    void fErrorChar(bool On) noexcept { SetBit(fErrorCharBit, On); }
    void fNull(bool On) noexcept { SetBit(fNullBit, On); }
    void fRtsControl(uint32_t Value) noexcept { SetField(fRtsControlShift, Value); }
    void fAbortOnError(bool On) noexcept { SetBit(fAbortOnErrorBit, On); }

  private:
    bool Bit(uint32_t Mask) const noexcept { return (Flags & Mask) != 0; }
    void SetBit(uint32_t Mask, bool On) noexcept { Flags = On ? (Flags | Mask) : (Flags & ~Mask); }
    void SetField(uint32_t Shift, uint32_t Value) noexcept {
        Flags = (Flags & ~(3u << Shift)) | ((Value & 3u) << Shift);
    }
};
static_assert(sizeof(DCB) == 28, "DCB keeps the 28-byte layout that DCBlength reports");

#if !defined(_WIN32)
// Values of DCB::fDtrControl.
constexpr uint32_t DTR_CONTROL_DISABLE = 0;
constexpr uint32_t DTR_CONTROL_ENABLE = 1;
constexpr uint32_t DTR_CONTROL_HANDSHAKE = 2;

// Values of DCB::fRtsControl.
constexpr uint32_t RTS_CONTROL_DISABLE = 0;
constexpr uint32_t RTS_CONTROL_ENABLE = 1;
constexpr uint32_t RTS_CONTROL_HANDSHAKE = 2;
constexpr uint32_t RTS_CONTROL_TOGGLE = 3;

// Values of DCB::Parity and DCB::StopBits.
constexpr uint8_t NOPARITY = 0;
constexpr uint8_t ODDPARITY = 1;
constexpr uint8_t EVENPARITY = 2;
constexpr uint8_t MARKPARITY = 3;
constexpr uint8_t SPACEPARITY = 4;
constexpr uint8_t ONESTOPBIT = 0;
constexpr uint8_t ONE5STOPBITS = 1;
constexpr uint8_t TWOSTOPBITS = 2;
#endif

/// Time-outs of reads and writes, in milliseconds. A read returns when its count is reached,
/// when ReadIntervalTimeout passes after a byte without a further one, or when the total
/// (multiplier times count plus constant) passes; zero switches a limit off. A write returns
/// when its bytes are written or its total passes.
struct COMMTIMEOUTS {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};
#if !defined(_WIN32)
/// ReadIntervalTimeout with both read totals 0: a read takes what waits and returns at once.
constexpr uint32_t MAXDWORD = 0xFFFFFFFFu;
#endif

/// Line status: status bits, then the bytes waiting in the input and in the output queue.
struct COMSTAT {
    uint32_t Flags = 0;
    uint32_t cbInQue = 0;
    uint32_t cbOutQue = 0;
};

#if !defined(_WIN32)
// Flags of a purge: abort transfers under way, discard queued bytes.
constexpr uint32_t PURGE_TXABORT = 0x0001;
constexpr uint32_t PURGE_RXABORT = 0x0002;
constexpr uint32_t PURGE_TXCLEAR = 0x0004;
constexpr uint32_t PURGE_RXCLEAR = 0x0008;

// Extended functions of a device.
constexpr uint32_t SETXOFF = 1;   // transmit as if XOFF had been received
constexpr uint32_t SETXON = 2;    // transmit as if XON had been received
constexpr uint32_t SETRTS = 3;    // raise RTS
constexpr uint32_t CLRRTS = 4;    // lower RTS
constexpr uint32_t SETDTR = 5;    // raise DTR
constexpr uint32_t CLRDTR = 6;    // lower DTR
constexpr uint32_t RESETDEV = 7;  // reset the device where possible
constexpr uint32_t SETBREAK = 8;  // hold the line in the break state
constexpr uint32_t CLRBREAK = 9;  // release the break state

// Event mask bits of a device.
constexpr uint32_t EV_RXCHAR = 0x0001;
constexpr uint32_t EV_RXFLAG = 0x0002;
constexpr uint32_t EV_TXEMPTY = 0x0004;
constexpr uint32_t EV_CTS = 0x0008;
constexpr uint32_t EV_DSR = 0x0010;
constexpr uint32_t EV_RLSD = 0x0020;
constexpr uint32_t EV_BREAK = 0x0040;
constexpr uint32_t EV_ERR = 0x0080;
constexpr uint32_t EV_RING = 0x0100;
constexpr uint32_t EV_PERR = 0x0200;
constexpr uint32_t EV_RX80FULL = 0x0400;
constexpr uint32_t EV_EVENT1 = 0x0800;
constexpr uint32_t EV_EVENT2 = 0x1000;
#endif

/// Every event bit a device knows.
constexpr uint32_t EV_ALL = 0x1FFF;

#if defined(_WIN32)
static_assert(sizeof(DCB) == sizeof(::DCB) && sizeof(COMMTIMEOUTS) == sizeof(::COMMTIMEOUTS) &&
                  sizeof(COMSTAT) == sizeof(::COMSTAT),
              "the records have the system's layout");
#endif

}  // namespace vorsa
