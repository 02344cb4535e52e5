// Fixtures for the driver on the in-memory serial interface: closed as constructed, or
// connected with the log of the connection cleared.
#pragma once

#include <gtest/gtest.h>

#include "comdrv/ExposedDriver.h"
#include "support/MemorySerialPort.h"

namespace vorsa::test {

class DriverOnMemory : public ::testing::Test {
  protected:
    MemorySerialPort Line;  // outlives the driver, so tests can look at it afterwards
    ExposedDriver Driver{nullptr, Borrow(Line)};
};

class OpenDriver : public DriverOnMemory {
  protected:
    void SetUp() override {
        Driver.Connect();
        ASSERT_TRUE(Driver.Connected());
        Line.ClearLog();
        Line.Purges.clear();
    }
};

}  // namespace vorsa::test
