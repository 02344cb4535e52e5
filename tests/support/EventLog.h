// Records every event a component raises, in order, so that tests compare what the
// application would have seen.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "vorsa/Framework.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa::test {

/// One call of OnSMSError.
struct ErrorReport {
    int32_t Code;
    std::string Text;
    bool operator==(const ErrorReport& Other) const {
        return Code == Other.Code && Text == Other.Text;
    }
};

std::ostream& operator<<(std::ostream& Out, const ErrorReport& R);

using ErrorReports = std::vector<ErrorReport>;

/// A report of a catalogue code with its catalogue text.
[[nodiscard]] inline ErrorReport Catalogued(int32_t Code) {
    return {Code, GetErrString(Code)};
}

struct EventLog {
    ErrorReports Errors;
    std::vector<std::string> Sent;
    std::vector<std::string> Deleted;
    std::vector<std::pair<std::string, std::string>> Notified;  // Mem, Reference
    std::vector<std::pair<std::string, std::string>> Received;  // Header, MessageBody
    std::vector<std::string> Adaptations;                       // their texts
    int Connects = 0;
    int Disconnects = 0;
    /// The sender of every event, in order.
    std::vector<const TObject*> Senders;
    /// Every event in order, as "Error 1001", "Sent 45", "Deleted 3", "Notified SM 3",
    /// "Received <header>", "Connected", "Disconnected", "Adapted".
    std::vector<std::string> Order;

    /// False (the default): a report is recorded and the operation goes on. True: it is
    /// recorded and then handed to the component's default handler, which raises.
    bool Raise = false;

    /// Binds every event of Vorsa to this log, which must outlive the binding.
    void Attach(TVorsa& Vorsa);
    /// Forgets what was recorded so far.
    void Clear();

    [[nodiscard]] std::vector<int32_t> ErrorIds() const;
};

/// The text of the Exception that Action raises, or "(nothing raised)".
[[nodiscard]] std::string RaisedText(const std::function<void()>& Action);

}  // namespace vorsa::test
