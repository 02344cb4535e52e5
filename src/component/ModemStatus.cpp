// The two status queries: the modem's activity status and the received signal strength.
#include <cstdint>
#include <limits>
#include <string>

#include "component/ReplyFields.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string ActivityMarker = "+CPAS: ";
const std::string SignalMarker = "+CSQ: ";

// The strength of signal quality 0 (-113 dBm and below).
constexpr int32_t WeakestSignal = -113;

}  // namespace

// Only the first digit of the status is read (0 ready, 3 ringing, 4 call in progress...).
// The answer line is looked for wherever it stands in the reply.
int32_t TVorsa::GetState() {
    const std::string Answer = detail::AnswerLine(SendSMSCommand("AT+CPAS"), ActivityMarker);
    if (Answer.empty()) {
        return -1;
    }
    return StrToInt(Copy(Answer, static_cast<int64_t>(ActivityMarker.size()) + 1, 1));
}

// Signal quality 0..31 gives -113..-51 dBm in steps of 2; 99 ("not known") and every value
// from 57 up give -113. 0 means no reading: a reading is always odd.
int32_t TVorsa::GetField() {
    const std::string Answer = detail::AnswerLine(SendSMSCommand("AT+CSQ"), SignalMarker);
    const std::string Quality = Copy(Answer, 1, Pos(",", Answer) - 1);
    if (!startWith(Quality, SignalMarker)) {
        return 0;
    }
    const int64_t Rssi = StrToInt(Copy(Quality, static_cast<int64_t>(SignalMarker.size()) + 1,
                                       std::numeric_limits<int64_t>::max()));
    int64_t Dbm = 2 * Rssi + WeakestSignal;
    if (Dbm > 0) {
        Dbm = WeakestSignal;
    }
    // Only an absurd negative quality could reach below the 32-bit range.
    return Dbm < std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::min()
                                                     : static_cast<int32_t>(Dbm);
}

}  // namespace vorsa
