// Records every event a component raises, and a component whose protected state the tests
// may look at and set.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "vorsa/Vorsa32.h"

namespace vorsa::test {

/// TVorsa with its queues, its busy flag and its error latch in reach of the tests.
class ProbeVorsa : public TVorsa {
  public:
    using TVorsa::Busy;
    using TVorsa::NotifyQueue;
    using TVorsa::ReceiveQueue;
    using TVorsa::SentQueue;
    using TVorsa::SMSError;
    using TVorsa::TVorsa;
};

struct ErrorReport {
    int32_t Id;
    std::string Text;
    bool operator==(const ErrorReport& Other) const { return Id == Other.Id && Text == Other.Text; }
};

struct EventLog {
    std::vector<ErrorReport> Errors;
    std::vector<std::string> Sent;
    std::vector<std::string> Deleted;
    std::vector<std::pair<std::string, std::string>> Notified;  // Mem, Reference
    std::vector<std::pair<std::string, std::string>> Received;  // Header, MessageBody
    /// Every event in order, as "Error 1001", "Sent 45", "Deleted 3", "Notified SM 3",
    /// "Received <header>".
    std::vector<std::string> Order;

    /// Binds every event of Vorsa to this log; the error handler returns, so that the
    /// operations run to their end.
    void Attach(TVorsa& Vorsa) {
        Vorsa.OnSMSError = [this](TObject*, int32_t Id, std::string Text) {
            Order.push_back("Error " + std::to_string(Id));
            Errors.push_back({Id, std::move(Text)});
        };
        Vorsa.OnSentSMS = [this](TObject*, std::string Reference) {
            Order.push_back("Sent " + Reference);
            Sent.push_back(std::move(Reference));
        };
        Vorsa.OnDeleteSMS = [this](TObject*, std::string Reference) {
            Order.push_back("Deleted " + Reference);
            Deleted.push_back(std::move(Reference));
        };
        Vorsa.OnNotifySMS = [this](TObject*, std::string Mem, std::string Reference) {
            Order.push_back("Notified " + Mem + " " + Reference);
            Notified.emplace_back(std::move(Mem), std::move(Reference));
        };
        Vorsa.OnReceiveSMS = [this](TObject*, std::string Header, std::string Body) {
            Order.push_back("Received " + Header);
            Received.emplace_back(std::move(Header), std::move(Body));
        };
    }

    [[nodiscard]] std::vector<int32_t> ErrorIds() const {
        std::vector<int32_t> Ids;
        for (const ErrorReport& Report : Errors) {
            Ids.push_back(Report.Id);
        }
        return Ids;
    }
};

}  // namespace vorsa::test
