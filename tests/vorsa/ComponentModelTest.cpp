// The component as an object: its defaults, its hidden window, the error latch, the
// default error handler, every operation on a closed port, destruction, registration and
// the package's resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "support/RecordingWindow.h"
#include "support/ScriptedComponent.h"

namespace vorsa::test {
namespace {

using Call = MemorySerialPort::Call;

TEST(ComponentDefaults, EveryPropertyHasItsValueAfterConstruction) {
    ExposedVorsa Vorsa(nullptr, std::make_unique<MemorySerialPort>());

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
    EXPECT_NE(Vorsa.WindowHandle(), HWND{}) << "outside design state the window exists";
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
        EXPECT_EQ(Designed.WindowHandle(), HWND{});
        ASSERT_TRUE(PostMessageA(Other.Handle(), WM_USER + 7, 0, 0));
    }
    ProcessMessages();
    EXPECT_EQ(Other.Numbers(), std::vector<uint32_t>{WM_USER + 7})
        << "the other window and its pending message survive";

    // A component outside design state releases its window with itself.
    HWND Released = 0;
    {
        TVorsa Running(nullptr, std::make_unique<MemorySerialPort>());
        Released = Running.WindowHandle();
        ASSERT_NE(Released, HWND{});
        EXPECT_TRUE(PostMessageA(Released, WM_USER + 1, 0, 0));
    }
    EXPECT_FALSE(PostMessageA(Released, WM_USER + 1, 0, 0));
    ProcessMessages();  // the message posted before the release went with the window
}

TEST(ComponentErrorHandler, DefaultHandlerThrowsCodeColonAndText) {
    TVorsa Vorsa(nullptr, std::make_unique<MemorySerialPort>());
    EXPECT_EQ(
        RaisedText([&] { Vorsa.OnSMSError(&Vorsa, ErrReadTimeout, GetErrString(ErrReadTimeout)); }),
        "1002: Reading Timeout.");
    EXPECT_EQ(RaisedText([&] { Vorsa.InernalErrorHandling(&Vorsa, -1, "System Error 5"); }),
              "-1: System Error 5");
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

using Component = ScriptedComponent;

TEST_F(Component, ReportsAfterTheHandlerWasClearedStillRaise) {
    Vorsa.OnSMSError = nullptr;
    std::string Reply = "untouched";
    EXPECT_EQ(RaisedText([&] { (void)Vorsa.SendCommand("AT", Reply); }),
              "1000: COM Error. Terminal not connected.")
        << "a report on a closed port was dropped";
    EXPECT_EQ(Reply, "untouched");
}

TEST_F(Component, TheErrorTailReportsTheSystemErrorFirstThenTheCode) {
    Vorsa.SetError(5);
    Vorsa.SetSMSError(1001);
    Vorsa.ReportLatchedErrors();
    EXPECT_EQ(Events.Errors, (ErrorReports{{-1, "System Error 5"}, Catalogued(ErrModemError)}));
    EXPECT_EQ(Events.Senders, (std::vector<const TObject*>{&Vorsa, &Vorsa}));
    Vorsa.ReportLatchedErrors();
    EXPECT_EQ(Events.Errors.size(), 2u) << "both latches were cleared by the tail";
}

TEST_F(Component, WithTheDefaultHandlerTheCodeWaitsForTheNextTail) {
    Events.Raise = true;
    Vorsa.SetError(5);
    Vorsa.SetSMSError(1001);
    EXPECT_EQ(RaisedText([&] { Vorsa.ReportLatchedErrors(); }), "-1: System Error 5");
    EXPECT_EQ(Vorsa.SMSError, 1001) << "not yet reported, still latched";
    EXPECT_EQ(RaisedText([&] { Vorsa.ReportLatchedErrors(); }), "1001: System Error.");
}

// Every operation on a closed port reports "not connected" once, before any check of its
// arguments, and leaves the device alone.
TEST_F(Component, EveryOperationOnAClosedPortReportsNotConnectedAndTouchesNothing) {
    ASSERT_NO_FATAL_FAILURE(ConnectReady());
    Vorsa.DisConnect();
    std::string Reply = "untouched";
    const std::pair<const char*, std::function<void()>> Operations[] = {
        {"SendCommand",
         [&] {
             EXPECT_FALSE(Vorsa.SendCommand("AT", Reply));
             EXPECT_EQ(Reply, "untouched");
         }},
        {"SendCommandWhileBusy: returns at once",
         [&] {
             Vorsa.Busy = true;
             EXPECT_FALSE(Vorsa.SendCommand("AT", Reply));
             EXPECT_TRUE(Vorsa.Busy);
             Vorsa.Busy = false;
         }},
        {"SendSMSCommand", [&] { EXPECT_EQ(Vorsa.SendSMSCommand("AT"), ""); }},
        {"GetState", [&] { EXPECT_EQ(Vorsa.GetState(), -1); }},
        {"GetField", [&] { EXPECT_EQ(Vorsa.GetField(), 0); }},
        {"T_SendSMS", [&] { EXPECT_EQ(Vorsa.T_SendSMS("", ""), ""); }},
        {"P_SendSMS", [&] { EXPECT_EQ(Vorsa.P_SendSMS("", ""), ""); }},
        {"ReadSMS", [&] { EXPECT_EQ(Vorsa.ReadSMS("3"), ""); }},
        {"P_ReadSMS", [&] { EXPECT_EQ(Vorsa.P_ReadSMS("3"), ""); }},
        {"DeleteSMS", [&] { EXPECT_FALSE(Vorsa.DeleteSMS("3")); }},
        {"DeleteSMSOfABadReference", [&] { EXPECT_FALSE(Vorsa.DeleteSMS("x")); }},
        {"DownloadSMS", [&] { Vorsa.DownloadSMS(); }},
    };
    for (const auto& [Name, Operation] : Operations) {
        SCOPED_TRACE(Name);
        Events.Clear();
        Forget();
        Operation();
        EXPECT_EQ(Events.Errors, ErrorReports{Catalogued(ErrNotConnected)});
        EXPECT_TRUE(Modem.Log().empty());
        EXPECT_FALSE(Vorsa.IsBusy());
    }
}

TEST_F(Component, DestroyingAConnectedComponentRaisesOnDisconnectOnceAndClosesThePort) {
    Modem.ActLikeReadyModem();
    int Disconnects = 0;
    int EntriesLeft = -1;
    TObject* Sender = nullptr;
    const void* Address = nullptr;
    {
        ExposedVorsa Other(nullptr, Borrow(Modem));
        Address = &Other;
        Other.OnDisconnect = [&](TObject* S) {
            ++Disconnects;
            Sender = S;
            EntriesLeft =
                Other.NotifyQueue.Count() + Other.SentQueue.Count() + Other.ReceiveQueue.Count();
        };
        Other.Connect();
        ASSERT_TRUE(Other.Connected());
        Other.ProcessNot("+CMTI: \"SM\",1", WM_USER + 1, Other.NotifyQueue);
        Other.ProcessNot("+CMGS: 2", WM_USER + 2, Other.SentQueue);
    }
    EXPECT_EQ(Disconnects, 1);
    EXPECT_EQ(EntriesLeft, 0) << "the queued entries were dropped before the port closed";
    EXPECT_EQ(static_cast<const void*>(Sender), Address);
    EXPECT_EQ(Modem.CountOf(Call::Open), Modem.CountOf(Call::CloseHandle));

    // A closed component raises nothing.
    {
        TVorsa Closed(nullptr, std::make_unique<MemorySerialPort>());
        Closed.OnDisconnect = [&](TObject*) { ++Disconnects; };
    }
    EXPECT_EQ(Disconnects, 1);
}

TEST_F(Component, AThrowingOnDisconnectDoesNotEscapeDestructionAndThePortIsReleased) {
    Modem.ActLikeReadyModem();
    int Disconnects = 0;
    const auto DestroyConnected = [&] {
        TVorsa Other(nullptr, Borrow(Modem));
        Other.OnDisconnect = [&](TObject*) {
            ++Disconnects;
            throw std::runtime_error("handler failed");
        };
        Other.Connect();
        ASSERT_TRUE(Other.Connected());
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

uint32_t LittleEndian(std::string_view Bytes, size_t At, int Size) {
    uint32_t Value = 0;
    for (int I = Size - 1; I >= 0; --I) {
        Value = Value << 8 | static_cast<uint8_t>(Bytes[At + static_cast<size_t>(I)]);
    }
    return Value;
}

TEST(ComponentPackage, DescriptionAndPaletteBitmap) {
    EXPECT_EQ(PackageDescription, "Vorsa 1.0 Component");

    const std::string_view Bmp = FindPackageResource("TVORSA");
    const uint32_t Headers = 14 + 40;
    const uint32_t PixelOffset = Headers + 16 * 4;  // 16 palette entries
    const uint32_t RowBytes = (24 * 4 + 31) / 32 * 4;
    ASSERT_GE(Bmp.size(), Headers);
    EXPECT_EQ(Bmp.substr(0, 2), "BM");
    EXPECT_EQ(Bmp.size(), PixelOffset + RowBytes * 24);
    struct Field {
        const char* Name;
        size_t At;
        int Size;
        uint32_t Value;
    };
    const Field Fields[] = {
        {"file size", 2, 4, static_cast<uint32_t>(Bmp.size())},
        {"pixel offset", 10, 4, PixelOffset},
        {"info header size", 14, 4, 40},
        {"width", 18, 4, 24},
        {"height", 22, 4, 24},
        {"planes", 26, 2, 1},
        {"16 colours: 4 bits a pixel", 28, 2, 4},
        {"uncompressed", 30, 4, 0},
    };
    for (const Field& F : Fields) {
        EXPECT_EQ(LittleEndian(Bmp, F.At, F.Size), F.Value) << F.Name;
    }
    const uint32_t Colours = LittleEndian(Bmp, 46, 4);
    EXPECT_TRUE(Colours == 0 || Colours == 16);

    EXPECT_TRUE(FindPackageResource("TVorsa").empty()) << "names are exact";
    EXPECT_TRUE(FindPackageResource("MAINICON2").empty());
}

}  // namespace
}  // namespace vorsa::test
