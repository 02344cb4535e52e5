// Status reports: a message sent with a report request is answered by the network after
// the configured delay, with the configured status. AT+CNMI <ds> routes the report: 1
// sends it to the terminal at once ("+CDS:"), 2 stores it and announces where ("+CDSI:"),
// 0 drops it.
#include <algorithm>
#include <ctime>

#include "CommandText.h"
#include "EngineState.h"

namespace vorsa::sim {
namespace {

using detail::Quoted;

constexpr int kRouteDirectly = 1;
constexpr int kRouteStored = 2;

}  // namespace

void ModemEngine::State::RequestStatusReport(const SubmitPdu& submit, int reference, Millis now) {
    if (!submit.statusReportRequest) {
        return;
    }
    StatusReportPdu report;
    report.serviceCentre = AddressFromText(
        submit.serviceCentre.text.empty() ? settings.serviceCentre : submit.serviceCentre.text);
    report.messageReference = static_cast<uint8_t>(reference);
    report.recipient = submit.destination;
    const std::time_t sent = std::time(nullptr);
    report.serviceCentreTime = TimeStamp::FromLocalTime(sent);
    report.dischargeTime = TimeStamp::FromLocalTime(
        sent + static_cast<std::time_t>(statusReports.delay.count() / 1000));
    report.status = statusReports.status;
    PendingReport pending{now + statusReports.delay, report};
    // Reports keep the order they fall due in, whatever delays were set in between.
    auto later =
        std::upper_bound(pendingReports.begin(), pendingReports.end(), pending.due,
                         [](Millis due, const PendingReport& other) { return due < other.due; });
    pendingReports.insert(later, pending);
}

std::optional<Millis> ModemEngine::State::NextReportTime() const {
    if (pendingReports.empty()) {
        return std::nullopt;
    }
    return pendingReports.front().due;
}

void ModemEngine::State::SendDueReports(Millis now) {
    while (!pendingReports.empty() && pendingReports.front().due <= now) {
        const PendingReport due = pendingReports.front();
        pendingReports.erase(pendingReports.begin());
        std::optional<Octets> pdu = due.report.Encode();
        if (!pdu) {
            continue;  // a recipient that cannot be written as an address gets no report
        }
        if (settings.notifyStatus == kRouteDirectly) {
            Unsolicited(settings.textMode
                            ? "+CDS: " + StatusReportFields(due.report)
                            : "+CDS: " + std::to_string(TpduLength(*pdu)) + "\r\n" + ToHex(*pdu),
                        due.due);
        } else if (settings.notifyStatus == kRouteStored) {
            detail::StoredSlot slot{MessageStatus::ReceivedUnread, *pdu, true};
            slot.statusReport = true;
            if (std::optional<int> index = store.Add(settings.receiveMemory, slot)) {
                Unsolicited(
                    "+CDSI: " + Quoted(settings.receiveMemory) + "," + std::to_string(*index),
                    due.due);
            }
        }
    }
}

std::string ModemEngine::State::StatusReportFields(const StatusReportPdu& report) const {
    return std::to_string(report.FirstOctet()) + "," + std::to_string(report.messageReference) +
           "," + Quoted(ToTerminal(report.recipient.text)) + "," +
           std::to_string(report.recipient.type) + "," + Quoted(report.serviceCentreTime.ToText()) +
           "," + Quoted(report.dischargeTime.ToText()) + "," + std::to_string(report.status);
}

std::string ModemEngine::State::StoredReportText(const detail::StoredSlot& slot) const {
    std::optional<StatusReportPdu> report = StatusReportPdu::Decode(slot.pdu, nullptr);
    return Quoted(StatusText(slot.status)) + "," +
           (report ? StatusReportFields(*report) : std::string(",,,,,,"));
}

// --- the public face ---

const StatusReportSettings& ModemEngine::StatusReports() const {
    return state_->statusReports;
}

void ModemEngine::SetStatusReports(const StatusReportSettings& settings) {
    state_->statusReports = settings;
}

}  // namespace vorsa::sim
