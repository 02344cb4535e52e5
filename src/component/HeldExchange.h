// One command exchange of the set-up whose error reports are held back until set-up knows
// what a refusal means. A refusal that set-up adapts to (an initialisation command the
// modem does not know, three memories where it takes two) is no error of the
// application's: it is announced through OnAdaptation instead, and set-up goes on. Anything
// else the exchange reported (a time-out, a system error) is handed on unchanged.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa::detail {

/// An error report as OnSMSError would have had it.
struct HeldReport {
    int32_t Code;
    std::string Text;
};

struct HeldExchange {
    /// What SendCommand said: no error marker in the reply.
    bool Accepted = false;
    std::string Reply;
    std::vector<HeldReport> Reports;

    /// The modem answered with a refusal and nothing else went wrong: no time-out, no
    /// system error, no port that closed.
    [[nodiscard]] bool Refused() const {
        return !Accepted && std::none_of(Reports.begin(), Reports.end(), [](const HeldReport& R) {
            return R.Code == ErrReadTimeout || R.Code == ErrNotCatalogued ||
                   R.Code == ErrNotConnected;
        });
    }
};

/// Routes OnSMSError into a list for the guard's lifetime and puts the handler back after,
/// on every way out.
class ReportHold {
  public:
    ReportHold(TSMSErrorEvent& Handler, std::vector<HeldReport>& Into)
        : FHandler(Handler),
          FSaved(std::exchange(Handler, [&Into](TObject*, int32_t Code, std::string Text) {
              Into.push_back({Code, std::move(Text)});
          })) {}
    ~ReportHold() { FHandler = std::move(FSaved); }
    ReportHold(const ReportHold&) = delete;
    ReportHold& operator=(const ReportHold&) = delete;

  private:
    TSMSErrorEvent& FHandler;
    TSMSErrorEvent FSaved;
};

}  // namespace vorsa::detail
