#include "platform/posix/TermiosDcb.h"

#include <utility>

namespace vorsa::detail {

namespace {

#ifdef CMSPAR
constexpr tcflag_t StickParity = CMSPAR;
#else
constexpr tcflag_t StickParity = 0;
#endif

constexpr std::pair<uint32_t, speed_t> Speeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},     {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},   {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200}, {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400},
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B921600
    {921600, B921600},
#endif
};

bool SizeFlag(uint8_t ByteSize, tcflag_t& Flag) {
    switch (ByteSize) {
        case 5:
            Flag = CS5;
            return true;
        case 6:
            Flag = CS6;
            return true;
        case 7:
            Flag = CS7;
            return true;
        case 8:
            Flag = CS8;
            return true;
        default:
            return false;
    }
}

bool ParityFlags(uint8_t Parity, tcflag_t& Flags) {
    switch (Parity) {
        case NOPARITY:
            Flags = 0;
            return true;
        case ODDPARITY:
            Flags = PARENB | PARODD;
            return true;
        case EVENPARITY:
            Flags = PARENB;
            return true;
        case MARKPARITY:
            Flags = PARENB | PARODD | StickParity;
            return StickParity != 0;
        case SPACEPARITY:
            Flags = PARENB | StickParity;
            return StickParity != 0;
        default:
            return false;
    }
}

}  // namespace

bool ApplyDcbToTermios(const DCB& State, termios& Line) {
    tcflag_t Size = 0;
    tcflag_t ParityBits = 0;
    if (!SizeFlag(State.ByteSize, Size) || !ParityFlags(State.Parity, ParityBits)) {
        return false;
    }
    bool TwoStopBits = false;
    switch (State.StopBits) {
        case ONESTOPBIT:
            break;
        case ONE5STOPBITS:  // a terminal gives 1.5 stop bits only at five data bits
            if (State.ByteSize != 5) {
                return false;
            }
            TwoStopBits = true;
            break;
        case TWOSTOPBITS:
            TwoStopBits = true;
            break;
        default:
            return false;
    }

    // Raw binary transfer: no translation of any byte, no echo, no signals.
    Line.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP |
                                           INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
    Line.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    Line.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    Line.c_cflag &=
        ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | StickParity);
    // The modem's carrier line does not gate the port: a modem without carrier still talks
    // AT commands.
    Line.c_cflag |= Size | ParityBits | CREAD | CLOCAL;
    if (TwoStopBits) {
        Line.c_cflag |= CSTOPB;
    }
    if (State.fParity() && State.Parity != NOPARITY) {
        Line.c_iflag |= INPCK;
    }
    if (State.fOutX()) {
        Line.c_iflag |= IXON;
    }
    if (State.fInX()) {
        Line.c_iflag |= IXOFF;
    }
    // One switch covers both directions of hardware handshaking on POSIX.
    if (State.fOutxCtsFlow() || State.fRtsControl() == RTS_CONTROL_HANDSHAKE) {
        Line.c_cflag |= CRTSCTS;
    }
    Line.c_cc[VSTART] = static_cast<cc_t>(State.XonChar);
    Line.c_cc[VSTOP] = static_cast<cc_t>(State.XoffChar);
    // A read of a descriptor without O_NONBLOCK would wait for a byte; ours answers EAGAIN
    // when nothing waits, and the waiting is done by poll against the time-outs.
    Line.c_cc[VMIN] = 1;
    Line.c_cc[VTIME] = 0;
    return true;
}

void ReadDcbFromTermios(const termios& Line, DCB& State) {
    switch (Line.c_cflag & CSIZE) {
        case CS5:
            State.ByteSize = 5;
            break;
        case CS6:
            State.ByteSize = 6;
            break;
        case CS7:
            State.ByteSize = 7;
            break;
        default:
            State.ByteSize = 8;
            break;
    }
    if ((Line.c_cflag & PARENB) == 0) {
        State.Parity = NOPARITY;
    } else if (StickParity != 0 && (Line.c_cflag & StickParity) != 0) {
        State.Parity = (Line.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
    } else {
        State.Parity = (Line.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
    }
    if ((Line.c_cflag & CSTOPB) == 0) {
        State.StopBits = ONESTOPBIT;
    } else if (State.ByteSize == 5 && State.StopBits == ONE5STOPBITS) {
        State.StopBits = ONE5STOPBITS;
    } else {
        State.StopBits = TWOSTOPBITS;
    }
    State.XonChar = static_cast<char>(Line.c_cc[VSTART]);
    State.XoffChar = static_cast<char>(Line.c_cc[VSTOP]);

    State.fBinary(true);
    State.fParity((Line.c_iflag & INPCK) != 0);
    State.fOutX((Line.c_iflag & IXON) != 0);
    State.fInX((Line.c_iflag & IXOFF) != 0);
    const bool Handshake = (Line.c_cflag & CRTSCTS) != 0;
    State.fOutxCtsFlow(Handshake);
    if (Handshake) {
        State.fRtsControl(RTS_CONTROL_HANDSHAKE);
    } else if (State.fRtsControl() == RTS_CONTROL_HANDSHAKE) {
        State.fRtsControl(RTS_CONTROL_ENABLE);
    }
}

std::optional<speed_t> StandardSpeed(uint32_t Rate) {
    for (const auto& [Known, Speed] : Speeds) {
        if (Known == Rate) {
            return Speed;
        }
    }
    return std::nullopt;
}

uint32_t RateOfSpeed(speed_t Speed) {
    for (const auto& [Rate, Known] : Speeds) {
        if (Known == Speed) {
            return Rate;
        }
    }
    return 0;
}

}  // namespace vorsa::detail
