// Arbitrary modem bytes against the messaging component, over the scripted modem on a
// virtual clock: every operation returns (within its reply time-outs of virtual time),
// leaves Busy clear, and leaves its queues and the thread's posted messages bounded,
// whatever the modem says, however it trickles, and whatever reads like what.
//
// The input: one byte for the number of operations, then one byte per operation, then the
// modem's answers, separated by 0xFF; an answer's first byte is its delay in 8 ms steps.
// Each line the component writes takes the next answer.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "FuzzCheck.h"
#include "support/ExposedVorsa.h"
#include "support/FakeClock.h"
#include "support/ScriptedModem.h"
#include "vorsa/Framework.h"
#include "vorsa/Vorsa32.h"

namespace {

using vorsa::test::ExposedVorsa;

constexpr int kMostQueued = 10000;
constexpr uint32_t kDelayStepMs = 8;
constexpr char kSeparator = '\xFF';

struct Answer {
    std::string Bytes;
    uint32_t DelayMs;
};

std::deque<Answer> Answers(const uint8_t* Data, size_t Size) {
    std::deque<Answer> Result;
    size_t Start = 0;
    for (size_t I = 0; I <= Size; ++I) {
        if (I < Size && Data[I] != static_cast<uint8_t>(kSeparator)) {
            continue;
        }
        if (I > Start) {
            Result.push_back(
                {std::string(reinterpret_cast<const char*>(Data) + Start + 1, I - Start - 1),
                 Data[Start] * kDelayStepMs});
        }
        Start = I + 1;
    }
    return Result;
}

void Run(ExposedVorsa& Vorsa, uint8_t Operation) {
    Vorsa.TextMode = (Operation & 0x80) == 0;
    std::string Reply;
    switch (Operation % 11) {
        case 0:
            (void)Vorsa.SendCommand("AT", Reply);
            break;
        case 1:
            (void)Vorsa.ReadSMS("1");
            break;
        case 2:
            (void)Vorsa.SendSMS("+40700000000", "Hi\r\nthere");
            break;
        case 3:
            Vorsa.DownloadSMS();
            break;
        case 4:
            (void)Vorsa.GetState();
            break;
        case 5:
            (void)Vorsa.GetField();
            break;
        case 6: {
            vorsa::TMessage Tick{vorsa::WM_TIMER, 1, 0, 0};
            Vorsa.TimerWndProc(Tick);
            break;
        }
        case 7:
            vorsa::ProcessMessages();
            break;
        case 8:
            (void)Vorsa.DeleteSMS("2");
            break;
        case 9:
            if (!Vorsa.Connected()) {
                Vorsa.Connect();
            }
            break;
        default:
            (void)Vorsa.ReadString();
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    if (Size == 0) {
        return 0;
    }
    const size_t Operations = 1 + Data[0] % 16;
    if (Size < 1 + Operations) {
        return 0;
    }
    std::deque<Answer> Pending = Answers(Data + 1 + Operations, Size - 1 - Operations);

    vorsa::test::FakeClock Clock;
    vorsa::test::ScopedClock UseClock(Clock);
    vorsa::test::ScriptedModem Modem(Clock);
    Modem.IgnoreOthers();
    Modem.OnLine = [&](const std::string&) {
        if (!Pending.empty()) {
            Modem.Arrive(Pending.front().Bytes, Pending.front().DelayMs);
            Pending.pop_front();
        }
    };
    ExposedVorsa Vorsa(nullptr, vorsa::test::Borrow(Modem));
    Vorsa.OnSMSError = [](vorsa::TObject*, int32_t, std::string) {};
    Vorsa.ReadTimeout = 1;
    Vorsa.PollingDelay = 3600;
    Vorsa.TComPortDriver::Connect();
    // What waits at the port before the first command.
    if (!Pending.empty()) {
        Modem.Feed(Pending.front().Bytes);
        Pending.pop_front();
    }

    for (size_t I = 0; I < Operations; ++I) {
        try {
            Run(Vorsa, Data[1 + I]);
        } catch (const vorsa::EConvertError&) {
            // A reply holding text where a status number belongs (GetState, a PDU read).
        }
        VORSA_FUZZ_CHECK(!Vorsa.IsBusy());
        VORSA_FUZZ_CHECK(Vorsa.NotifyQueue.Count() <= kMostQueued);
        VORSA_FUZZ_CHECK(Vorsa.SentQueue.Count() <= kMostQueued);
        VORSA_FUZZ_CHECK(Vorsa.ReceiveQueue.Count() <= kMostQueued);
    }
    vorsa::ProcessMessages();
    return 0;
}
