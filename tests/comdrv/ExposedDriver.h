// The serial driver with its protected state readable by tests.
#pragma once

#include <memory>

#include "platform/SerialPort.h"
#include "vorsa/ComDrv.h"

namespace vorsa::test {

class ExposedDriver : public TComPortDriver {
  public:
    using TComPortDriver::LastError;
    using TComPortDriver::LineStatus;
    using TComPortDriver::PortHandle;
    using TComPortDriver::PortOpen;
    using TComPortDriver::TComPortDriver;
};

}  // namespace vorsa::test
