// The component as an object: its defaults, its hidden window, the error latch, the
// default error handler, destruction, registration and the package's resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "vorsa/VorsaBench.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;

uint32_t LittleEndian(std::string_view Bytes, size_t At, int Size) {
    uint32_t Value = 0;
    for (int I = Size - 1; I >= 0; --I) {
        Value = Value << 8 | static_cast<uint8_t>(Bytes[At + static_cast<size_t>(I)]);
    }
    return Value;
}

TEST(ComponentDefaults, EveryPropertyHasItsValueAfterConstruction) {
    InspectableVorsa Vorsa(nullptr, std::make_unique<MemorySerialPort>());

    EXPECT_EQ(Vorsa.Port, "COM2");
    EXPECT_EQ(Vorsa.Baud, 9600);
    EXPECT_EQ(Vorsa.PIN, "");
    EXPECT_EQ(Vorsa.SMSCenter, "");
    EXPECT_EQ(Vorsa.InitString1, "ATZ");
    EXPECT_EQ(Vorsa.InitString2, "ATE0&S0");
    EXPECT_EQ(Vorsa.InitString3, "");
    EXPECT_EQ(Vorsa.StorageString, "\"SM\",\"SM\",\"SM\"");
    EXPECT_EQ(Vorsa.StorageString.size(), 14u);
    EXPECT_EQ(Vorsa.ReadTimeout, 10u);
    EXPECT_EQ(Vorsa.PollingDelay, 1);
    EXPECT_FALSE(Vorsa.DirectForward);
    EXPECT_TRUE(Vorsa.DeleteOnRead);
    EXPECT_TRUE(Vorsa.TextMode);

    EXPECT_FALSE(Vorsa.OnConnected);
    EXPECT_FALSE(Vorsa.OnDisconnect);
    EXPECT_TRUE(Vorsa.OnSMSError) << "bound to the default handler";
    EXPECT_FALSE(Vorsa.OnDeleteSMS);
    EXPECT_FALSE(Vorsa.OnSentSMS);
    EXPECT_FALSE(Vorsa.OnNotifySMS);
    EXPECT_FALSE(Vorsa.OnReceiveSMS);

    EXPECT_FALSE(Vorsa.Connected());
    EXPECT_FALSE(Vorsa.IsBusy());
    EXPECT_EQ(Vorsa.SMSError, 0);
    EXPECT_EQ(Vorsa.NotifyQueue.Count(), 0);
    EXPECT_EQ(Vorsa.SentQueue.Count(), 0);
    EXPECT_EQ(Vorsa.ReceiveQueue.Count(), 0);
    EXPECT_NE(Vorsa.WindowHandle(), 0u) << "outside design state the window exists";
    EXPECT_EQ(Vorsa.WindowHandle(), Vorsa.TimerWindow);
}

TEST(ComponentDefaults, ConstructionNeitherOpensThePortNorTouchesTheDevice) {
    MemorySerialPort Line;
    { TVorsa Vorsa(nullptr, Borrow(Line)); }
    EXPECT_TRUE(Line.Log().empty());
}

TEST(ComponentDesignState, HasNoHiddenWindowAndItsDestructionReleasesNone) {
    TComponent Form;
    Form.SetDesigning(true);
    RecordingWindow Other;  // a window that a wrong release of handle 0 must not touch
    {
        TVorsa Designed(&Form, std::make_unique<MemorySerialPort>());
        EXPECT_NE(Designed.ComponentState() & csDesigning, 0u);
        EXPECT_EQ(Designed.WindowHandle(), 0u);
        ASSERT_TRUE(PostMessageA(Other.Handle(), WM_USER + 7, 0, 0));
    }
    DrainMessages();
    EXPECT_EQ(Other.Numbers(), std::vector<uint32_t>{WM_USER + 7})
        << "the other window and its pending message survive";

    // A component outside design state releases its window with itself.
    HWND Released = 0;
    {
        TVorsa Running(nullptr, std::make_unique<MemorySerialPort>());
        Released = Running.WindowHandle();
        ASSERT_NE(Released, 0u);
        EXPECT_TRUE(PostMessageA(Released, WM_USER + 1, 0, 0));
    }
    EXPECT_FALSE(PostMessageA(Released, WM_USER + 1, 0, 0));
    DrainMessages();  // the message posted before the release went with the window
}

TEST(ComponentErrorHandler, DefaultHandlerThrowsCodeColonAndText) {
    TVorsa Vorsa(nullptr, std::make_unique<MemorySerialPort>());
    try {
        Vorsa.OnSMSError(&Vorsa, ErrReadTimeout, GetErrString(ErrReadTimeout));
        FAIL() << "the default handler returned";
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "1002: Reading Timeout.");
    }
    try {
        Vorsa.InernalErrorHandling(&Vorsa, -1, "System Error 5");
        FAIL() << "the default handler returned";
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "-1: System Error 5");
    }
}

TEST(ComponentErrorHandler, ReportsAfterTheHandlerWasClearedStillRaise) {
    VorsaBench Bench;
    Bench.Vorsa.OnSMSError = nullptr;
    std::string Reply = "untouched";
    try {
        (void)Bench.Vorsa.SendCommand("AT", Reply);
        FAIL() << "a report on a closed port was dropped";
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "1000: COM Error. Terminal not connected.");
    }
    EXPECT_EQ(Reply, "untouched");
}

TEST(ComponentErrorLatch, ZeroKeepsTheCodeAndReadingClearsIt) {
    TVorsa Vorsa(nullptr, std::make_unique<MemorySerialPort>());
    Vorsa.SetSMSError(500);
    Vorsa.SetSMSError(0);
    EXPECT_EQ(Vorsa.GetSMSError(), 500);
    EXPECT_EQ(Vorsa.GetSMSError(), 0);

    Vorsa.SetSMSError(1001);
    Vorsa.SetSMSError(1002);
    EXPECT_EQ(Vorsa.GetSMSError(), 1002) << "the last non-zero code wins";
}

TEST(ComponentErrorLatch, TailReportsTheSystemErrorFirstThenTheCode) {
    VorsaBench Bench;
    Bench.Vorsa.SetError(5);
    Bench.Vorsa.SetSMSError(1001);
    Bench.Vorsa.ReportLatchedErrors();
    EXPECT_EQ(Bench.Reports,
              (std::vector<ErrorReport>{{-1, "System Error 5"}, Catalogued(ErrModemError)}));
    EXPECT_EQ(Bench.SenderSeen, &Bench.Vorsa);
    Bench.Vorsa.ReportLatchedErrors();
    EXPECT_EQ(Bench.Reports.size(), 2u) << "both latches were cleared by the tail";
}

TEST(ComponentErrorLatch, WithTheDefaultHandlerTheCodeWaitsForTheNextTail) {
    VorsaBench Bench;
    Bench.Vorsa.OnSMSError = [&Bench](TObject* S, int32_t Code, std::string Text) {
        Bench.Vorsa.InernalErrorHandling(S, Code, Text);
    };
    Bench.Vorsa.SetError(5);
    Bench.Vorsa.SetSMSError(1001);
    EXPECT_THROW(Bench.Vorsa.ReportLatchedErrors(), Exception);
    EXPECT_EQ(Bench.Vorsa.SMSError, 1001) << "not yet reported, still latched";
    try {
        Bench.Vorsa.ReportLatchedErrors();
        FAIL();
    } catch (const Exception& E) {
        EXPECT_STREQ(E.what(), "1001: System Error.");
    }
}

TEST(ComponentDestruction, AConnectedComponentRaisesOnDisconnectOnceAndClosesThePort) {
    FakeClock Clock;
    ScopedClock UseClock(Clock);
    ScriptedModem Modem(Clock);
    Modem.ActLikeReadyModem();
    int Disconnects = 0;
    int EntriesLeft = -1;
    TObject* Sender = nullptr;
    const void* Address = nullptr;
    {
        InspectableVorsa Vorsa(nullptr, Borrow(Modem));
        Address = &Vorsa;
        Vorsa.OnDisconnect = [&](TObject* S) {
            ++Disconnects;
            Sender = S;
            EntriesLeft =
                Vorsa.NotifyQueue.Count() + Vorsa.SentQueue.Count() + Vorsa.ReceiveQueue.Count();
        };
        Vorsa.Connect();
        ASSERT_TRUE(Vorsa.Connected());
        Vorsa.ProcessNot("+CMTI: \"SM\",1", WM_USER + 1, Vorsa.NotifyQueue);
        Vorsa.ProcessNot("+CMGS: 2", WM_USER + 2, Vorsa.SentQueue);
    }
    EXPECT_EQ(Disconnects, 1);
    EXPECT_EQ(EntriesLeft, 0) << "the queued entries were dropped before the port closed";
    EXPECT_EQ(static_cast<const void*>(Sender), Address);
    EXPECT_EQ(Modem.CountOf(Call::Open), Modem.CountOf(Call::CloseHandle));
}

TEST(ComponentDestruction, AClosedComponentRaisesNothing) {
    int Disconnects = 0;
    {
        TVorsa Vorsa(nullptr, std::make_unique<MemorySerialPort>());
        Vorsa.OnDisconnect = [&](TObject*) { ++Disconnects; };
    }
    EXPECT_EQ(Disconnects, 0);
}

TEST(ComponentDestruction, AThrowingOnDisconnectDoesNotEscapeAndThePortIsReleased) {
    FakeClock Clock;
    ScopedClock UseClock(Clock);
    ScriptedModem Modem(Clock);
    Modem.ActLikeReadyModem();
    int Disconnects = 0;
    const auto DestroyConnected = [&] {
        TVorsa Vorsa(nullptr, Borrow(Modem));
        Vorsa.OnDisconnect = [&](TObject*) {
            ++Disconnects;
            throw std::runtime_error("handler failed");
        };
        Vorsa.Connect();
        ASSERT_TRUE(Vorsa.Connected());
    };
    EXPECT_NO_THROW(DestroyConnected());
    EXPECT_EQ(Disconnects, 1);
    EXPECT_EQ(Modem.CountOf(Call::Open), Modem.CountOf(Call::CloseHandle));
}

TEST(ComponentPackage, RegisterPutsTVorsaOnTheSystemPage) {
    Register();
    const auto All = RegisteredComponents();
    const auto Entry = std::find_if(All.begin(), All.end(), [](const TRegisteredComponent& C) {
        return C.ClassName == "TVorsa";
    });
    ASSERT_NE(Entry, All.end());
    EXPECT_EQ(Entry->Page, "System");
    Register();
    EXPECT_EQ(RegisteredComponents().size(), All.size()) << "registering twice adds nothing";
}

TEST(ComponentPackage, DescriptionAndPaletteBitmap) {
    EXPECT_EQ(PackageDescription, "Vorsa 1.0 Component");

    const std::string_view Bmp = FindPackageResource("TVORSA");
    const size_t FileHeader = 14;
    const size_t InfoHeader = 40;
    ASSERT_GE(Bmp.size(), FileHeader + InfoHeader);
    EXPECT_EQ(Bmp.substr(0, 2), "BM");
    EXPECT_EQ(LittleEndian(Bmp, 2, 4), Bmp.size()) << "file size field";
    EXPECT_EQ(LittleEndian(Bmp, 14, 4), InfoHeader);
    EXPECT_EQ(static_cast<int32_t>(LittleEndian(Bmp, 18, 4)), 24) << "width";
    EXPECT_EQ(static_cast<int32_t>(LittleEndian(Bmp, 22, 4)), 24) << "height";
    EXPECT_EQ(LittleEndian(Bmp, 26, 2), 1u) << "planes";
    EXPECT_EQ(LittleEndian(Bmp, 28, 2), 4u) << "16 colours: 4 bits a pixel";
    EXPECT_EQ(LittleEndian(Bmp, 30, 4), 0u) << "uncompressed";
    const uint32_t Colours = LittleEndian(Bmp, 46, 4);
    EXPECT_TRUE(Colours == 0 || Colours == 16);
    const uint32_t PixelOffset = LittleEndian(Bmp, 10, 4);
    EXPECT_EQ(PixelOffset, FileHeader + InfoHeader + 16 * 4) << "16 palette entries";
    const size_t RowBytes = (24 * 4 + 31) / 32 * 4;
    EXPECT_EQ(Bmp.size(), PixelOffset + RowBytes * 24);

    EXPECT_TRUE(FindPackageResource("TVorsa").empty()) << "names are exact";
    EXPECT_TRUE(FindPackageResource("MAINICON2").empty());
}

TEST(ComponentDirectForward, AssigningGoesThroughSetNotify) {
    VorsaBench Bench;
    Bench.Modem.ActLikeReadyModem();

    Bench.Vorsa.DirectForward = true;  // closed: stored, nothing sent
    EXPECT_TRUE(Bench.Vorsa.DirectForward);
    EXPECT_TRUE(Bench.Modem.Lines().empty());

    Bench.Vorsa.Connect();
    ASSERT_TRUE(Bench.Vorsa.Connected());
    EXPECT_EQ(Bench.Modem.CountOfLine("AT+CNMI=2,2,0,0,0"), 1u) << "Connect used the stored value";
    Bench.Modem.ClearLines();

    Bench.Vorsa.DirectForward = false;
    Bench.Vorsa.DirectForward = false;
    Bench.Vorsa.DirectForward = true;
    EXPECT_EQ(
        Bench.Modem.Lines(),
        (std::vector<std::string>{"AT+CNMI=2,1,0,0,0", "AT+CNMI=2,1,0,0,0", "AT+CNMI=2,2,0,0,0"}));

    // Assigning one component's property to another's goes through the setter too.
    InspectableVorsa Other(nullptr, std::make_unique<MemorySerialPort>());
    Bench.Modem.ClearLines();
    Bench.Vorsa.DirectForward = Other.DirectForward;
    EXPECT_FALSE(Bench.Vorsa.DirectForward);
    EXPECT_EQ(Bench.Modem.Lines(), std::vector<std::string>{"AT+CNMI=2,1,0,0,0"});

    // TextMode is a plain property: changing it while connected sends nothing.
    Bench.Modem.ClearLines();
    Bench.Vorsa.TextMode = false;
    EXPECT_TRUE(Bench.Modem.Lines().empty());
    EXPECT_TRUE(Bench.Reports.empty());
}

}  // namespace
}  // namespace vorsa::test
