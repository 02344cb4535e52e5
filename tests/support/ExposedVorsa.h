// The component with its protected state in reach of the tests: the three report queues,
// the busy flag, the error latch and its tail, and the handle of its hidden window (which
// a WindowStandIn replaces).
#pragma once

#include <string>
#include <vector>

#include "vorsa/Vorsa32.h"

namespace vorsa::test {

class ExposedVorsa : public TVorsa {
  public:
    using TVorsa::Busy;
    using TVorsa::NotifyQueue;
    using TVorsa::ReceiveQueue;
    using TVorsa::ReportLatchedErrors;
    using TVorsa::SentQueue;
    using TVorsa::SMSError;
    using TVorsa::TimerWindow;
    using TVorsa::TVorsa;
};

/// The entries of a queue, in order.
[[nodiscard]] inline std::vector<std::string> Entries(const TStringList& Queue) {
    std::vector<std::string> Result;
    for (int I = 0; I < Queue.Count(); ++I) {
        Result.push_back(Queue[I]);
    }
    return Result;
}

}  // namespace vorsa::test
