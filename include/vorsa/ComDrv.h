// The serial port driver: a component that owns one serial device, opens and configures it
// from six settings, writes strings and bytes, reads what waits, and keeps the last system
// error code in a latch. It raises nothing of its own; callers read the latch.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vorsa/CommTypes.h"
#include "vorsa/Framework.h"

namespace vorsa {

namespace detail {
class SerialPort;
}

/// Parity, with the ordinals the platform takes for no, odd and even parity.
enum class tParity : uint8_t { None = 0, Odd = 1, Even = 2 };
/// Stop bits: one, one and a half, two.
enum class tStopBits : uint8_t { s10 = 0, s15 = 1, s20 = 2 };
/// Bits per character, 4 to 8; the value is the character size.
using tDataBit = uint8_t;
/// Flow control.
enum class tFlowControl : uint8_t { XON_XOFF = 0, Hardware = 1, No = 2 };
/// How a wait for input ended: bytes wait, the time ran out, or the device failed (it has
/// hung up, or is not open).
enum class tInputWait : uint8_t { Ready, TimedOut, Failed };

/// A serial device as a component.
///
/// Settings take effect at the next Connect; none acts on an open device. Every operation
/// that touches the device tests the open state first, except Connect and GetFlags. A
/// failing platform call latches the platform's error code (an errno value on POSIX, a
/// GetLastError code on Windows; SysErrorMessage gives its text); GetError hands the latched
/// code out once.
///
/// Derived classes may override the virtual operations. The destructor disconnects through
/// DisConnect, but a C++ destructor reaches only this class's version: a derived class that
/// overrides DisConnect disconnects in its own destructor.
class TComPortDriver : public TComponent {
  public:
    /// Size of the staging buffer of one transfer and of the queues Connect requests. Longer
    /// strings are written and read in pieces of this size.
    static constexpr int32_t StagingSize = 8192;

    /// A driver over the platform's own serial interface.
    explicit TComPortDriver(TComponent* AOwner);
    /// A driver over the given serial interface (a test double, or another backend).
    TComPortDriver(TComponent* AOwner, std::unique_ptr<detail::SerialPort> Platform);
    ~TComPortDriver() override;

    /// Opens Port and configures it from the settings. A failing step does not stop the
    /// later ones; Connected tells afterwards whether the port is open, and the latch holds
    /// the code of the first step that failed (for a device that cannot be opened, why the
    /// open failed). A configuration that fails releases the device again.
    virtual void Connect();
    /// Closes the port when it is open; the port is closed afterwards in every case.
    virtual void DisConnect();
    /// Writes one byte when connected; a failing write latches.
    virtual void SendByte(uint8_t Value);
    /// Reads one byte, waiting for it without limit. Not connected or failing: latches and
    /// gives 0.
    [[nodiscard]] virtual uint8_t GetByte();
    /// Writes the whole string when connected; a failing or cut-short write latches.
    virtual void SendString(const std::string& S);
    /// Reads up to Count bytes: returns when Count is reached or 10 ms after a byte without a
    /// further one, but never before the first byte. Count 0 or less reads nothing.
    [[nodiscard]] virtual std::string GetString(int32_t Count);
    /// Everything waiting at the port, never waiting on the line: trimmed of characters of
    /// code 32 or less at both ends, with every NUL removed. Often empty.
    [[nodiscard]] virtual std::string ReadString();

    [[nodiscard]] bool Connected() const noexcept { return PortOpen; }
    /// Discards queued input and/or output. False when not connected or when it fails;
    /// nothing is latched.
    [[nodiscard]] bool FlushBuffers(bool InBuffer, bool OutBuffer);
    /// Latches Code unless it is 0.
    void SetError(int32_t Code) noexcept;
    /// The latched code; clears the latch.
    [[nodiscard]] int32_t GetError() noexcept;
    /// The device's current flags word as 16 characters "0"/"1", bit 15 first. Queries the
    /// handle whether connected or not; when the query fails, latches and gives "".
    [[nodiscard]] std::string GetFlags();
    /// Reads the device's event mask into EventMask; true when it equals the value passed
    /// in. Not connected or failing: latches, gives false, leaves EventMask alone.
    [[nodiscard]] bool GetEvent(uint32_t& EventMask);
    /// Sets the device's event mask. Not connected or failing: latches.
    void SetEvent(uint32_t EventMask);
    /// Runs an extended function (SETXOFF .. CLRBREAK). Not connected or failing: latches.
    void SetEscCode(uint32_t Code);
    /// Bytes waiting to be read, from a fresh status query that also clears a pending line
    /// error. -1 when not connected or when the query fails (latched).
    [[nodiscard]] int32_t GetIn();
    /// Bytes still waiting to be sent; -1 under the rules of GetIn.
    [[nodiscard]] int32_t GetOut();
    /// Waits up to TimeoutMs for bytes to read, without spinning. True when bytes wait;
    /// false on time-out, when not connected, or when the wait fails (latched: a device that
    /// has hung up fails here instead of looking readable for ever).
    [[nodiscard]] bool WaitReadable(uint32_t TimeoutMs);

    /// Device name, handed to the platform's open call (on POSIX, COMn names /dev/ttyS<n-1>;
    /// on Windows, COM10 and above are opened as \\.\COMn).
    std::string Port = "COM2";
    /// Requested line speed; Connect snaps it to a supported rate. Any value is safe.
    int32_t Baud = 9600;
    tDataBit DataBits = 8;
    tParity Parity = tParity::None;
    tStopBits StopBits = tStopBits::s10;
    tFlowControl FlowControl = tFlowControl::Hardware;

    /// Sees every byte on the line, e.g. to log the AT dialogue: called with Outgoing true
    /// and the bytes of every write that put bytes on the line (the part that went out when
    /// a write was cut short), and with Outgoing false and the bytes of every read that
    /// brought some. It runs inside the transfer, on the caller's thread, and must not call
    /// back into the driver. Unassigned, it costs one test per transfer.
    std::function<void(bool Outgoing, const std::string& Bytes)> OnTrace;

  protected:
    /// Waits up to TimeoutMs for bytes to read, without spinning, and says how the wait
    /// ended; a failure is latched. The one wait for input that the messaging component's
    /// reply collection and prompt waits use.
    [[nodiscard]] tInputWait WaitForInput(uint32_t TimeoutMs);
    /// The operating-system object that a message loop can watch for the port's input (a
    /// descriptor on POSIX), or -1 when the port is closed or the platform has none.
    [[nodiscard]] intptr_t InputObject() const;

    /// Refreshed by GetIn and GetOut; Connect zeroes cbInQue before it opens the device.
    COMSTAT LineStatus;
    /// The device handle; keeps its last value after DisConnect and after a failed Connect.
    THandle PortHandle = 0;
    /// The error latch.
    int32_t LastError = 0;
    /// The connected flag.
    bool PortOpen = false;

  private:
    void LatchSystemError();
    [[nodiscard]] uint32_t BuildLineControlFlags(const DCB& Current);
    /// Writes Count bytes in one platform write; false (latched) when it failed or was cut
    /// short.
    [[nodiscard]] bool WriteChunk(const char* Bytes, uint32_t Count);
    /// Hands Count bytes to OnTrace when it is assigned and there are any.
    void Trace(bool Outgoing, const char* Bytes, uint32_t Count);

    std::unique_ptr<detail::SerialPort> FPlatform;
};

/// "W32S", "W95" or "WNT" for the platform identifiers 0, 1 and 2 of the platform's version
/// query, "" for any other identifier, "??" when the query fails. POSIX answers "WNT";
/// Windows answers what the system reports (RtlGetVersion).
[[nodiscard]] std::string GetWinPlatform();
/// Major version shifted left by 16, or-ed with the minor version; 0 when the query fails.
[[nodiscard]] uint32_t GetWinVersion();

}  // namespace vorsa
