// The serial driver on Windows COM ports: the names CreateFileA is given, what a port that
// cannot be opened reports, and handles the backend never handed out.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/DeviceName.h"
#include "platform/win32/Win32SerialPort.h"
#include "vorsa/ComDrv.h"

namespace vorsa::detail {
namespace {

TEST(Win32DeviceName, PortsFromTenOnAreOpenedInTheDeviceNamespace) {
    struct Case {
        const char* Given;
        const char* Opened;
    };
    for (const Case& C : {
             Case{"COM1", "COM1"},
             Case{"COM9", "COM9"},
             Case{"COM10", "\\\\.\\COM10"},
             Case{"com12", "\\\\.\\com12"},
             Case{"COM256", "\\\\.\\COM256"},
             // Not a plain port number: left to the system as given.
             Case{"COM010", "COM010"},
             Case{"COM1A", "COM1A"},
             Case{"COM", "COM"},
             Case{"\\\\.\\COM10", "\\\\.\\COM10"},
             Case{"\\\\.\\COM3", "\\\\.\\COM3"},
             Case{"NUL", "NUL"},
         }) {
        EXPECT_EQ(Win32DeviceName(C.Given), C.Opened) << C.Given;
    }
}

TEST(Win32Connect, APortThatCannotBeOpenedReportsWhyNotTheInvalidHandle) {
    // The configuration calls that follow the failed open fail too, with
    // ERROR_INVALID_HANDLE; the latch names the cause.
    for (const char* Name : {"COM57", "\\\\.\\COM57", "Z:\\no\\such\\device"}) {
        TComPortDriver Driver(nullptr);
        Driver.Port = Name;
        Driver.Connect();
        EXPECT_FALSE(Driver.Connected()) << Name;
        const int32_t Code = Driver.GetError();
        EXPECT_TRUE(Code == ERROR_FILE_NOT_FOUND || Code == ERROR_PATH_NOT_FOUND)
            << Name << ": " << Code << " " << SysErrorMessage(Code);
    }
}

TEST(Win32SerialPort, CallsOnHandlesItNeverHandedOutFailWithoutReachingTheSystem) {
    Win32SerialPort Port;
    // The process's own standard output is a real handle, but not this port's.
    const auto Foreign = reinterpret_cast<THandle>(::GetStdHandle(STD_OUTPUT_HANDLE));
    for (const THandle Handle : {InvalidHandle, THandle{0}, Foreign}) {
        char Byte = 'x';
        uint32_t Count = 0;
        EXPECT_FALSE(Port.WriteFile(Handle, &Byte, 1, Count));
        EXPECT_EQ(Port.GetLastError(), ERROR_INVALID_HANDLE);
        EXPECT_FALSE(Port.PurgeComm(Handle, PURGE_RXCLEAR));
        EXPECT_FALSE(Port.CloseHandle(Handle));
        EXPECT_EQ(Port.GetLastError(), ERROR_INVALID_HANDLE);
    }
    EXPECT_NE(::GetFileType(::GetStdHandle(STD_OUTPUT_HANDLE)), FILE_TYPE_UNKNOWN)
        << "the foreign handle is still open";
}

TEST(Win32SerialPort, TheVersionProbeAnswersFromTheSystem) {
    Win32SerialPort Port;
    OSVERSIONINFOA Info;
    Info.dwOSVersionInfoSize = 100;
    EXPECT_FALSE(Port.GetVersionEx(Info)) << "only the 148-byte record is filled";
    Info.dwOSVersionInfoSize = sizeof Info;
    ASSERT_TRUE(Port.GetVersionEx(Info));
    EXPECT_EQ(Info.dwPlatformId, kPlatformWin32Nt);
    EXPECT_GE(Info.dwMajorVersion, 5u);
}

TEST(SysErrorMessage, GivesTheSystemsTextWithoutTheLineBreak) {
    const std::string Text = SysErrorMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(Text.empty());
    EXPECT_EQ(Text.find_first_of("\r\n"), std::string::npos) << Text;
    EXPECT_EQ(Text.rfind("Unknown error", 0), std::string::npos) << Text;
}

}  // namespace
}  // namespace vorsa::detail
