// The commands that carry messages as people write them: send (any text, in as many parts
// as it takes, with a delivery report when asked), read and list (long messages put
// together from their stored parts), and how a message and a delivery report are printed.
#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "Session.h"
#include "vorsa/Framework.h"
#include "vorsa/SMScnst.h"

namespace vorsa::cli {

namespace {

using Clock = std::chrono::steady_clock;

const char* OutcomeName(SendOutcome outcome) {
    switch (outcome) {
        case SendOutcome::Sent:
            return "sent";
        case SendOutcome::Permanent:
            return "permanent";
        case SendOutcome::Transient:
            return "transient";
        case SendOutcome::Ambiguous:
            return "ambiguous";
    }
    return "unknown";
}

const char* DeliveryName(DeliveryStatus status) {
    switch (status) {
        case DeliveryStatus::Delivered:
            return "delivered";
        case DeliveryStatus::Pending:
            return "pending";
        case DeliveryStatus::Failed:
            return "failed";
    }
    return "unknown";
}

std::string Joined(const std::vector<int>& numbers) {
    std::string text;
    for (size_t i = 0; i < numbers.size(); ++i) {
        text += (i > 0 ? ", " : "") + std::to_string(numbers[i]);
    }
    return text;
}

std::vector<int64_t> Wide(const std::vector<int>& numbers) {
    return {numbers.begin(), numbers.end()};
}

}  // namespace

void Session::Send(const std::string& text) {
    const std::string& number = options_.number;
    SubmitOptions submit;
    submit.statusReport = options_.report;
    if (options_.messageClass) {
        submit.messageClass = static_cast<MessageClass>(*options_.messageClass);
    }
    submit.validity = options_.validity;

    progressLabel_ = "sending to " + number;
    out_.Progress(progressLabel_ + " ...");
    const SendResult result = modem_->SendMessage(number, text, submit);
    progressLabel_.clear();
    out_.EndProgress();

    JsonObject json;
    json.Str("type", "send").Bool("ok", result.sent()).Str("number", number);
    json.Str("outcome", OutcomeName(result.outcome)).Int("parts", result.parts);
    json.Ints("references", Wide(result.references));
    if (!result.references.empty() && result.references.front() >= 0) {
        json.Str("reference", std::to_string(result.references.front()));
    } else {
        json.Null("reference");
    }
    std::string line;
    if (result.sent()) {
        line = "sent to " + number +
               (result.parts > 1 ? " in " + std::to_string(result.parts) + " parts, references "
                                 : ", reference ") +
               Joined(result.references);
    }
    out_.Emit(json, line);
    if (!result.sent()) {
        std::string why = result.errorText;
        if (result.outcome == SendOutcome::Ambiguous) {
            why += " (the message may have gone out all the same)";
        } else if (!result.references.empty()) {
            why += " (parts 1 to " + std::to_string(result.references.size()) + " went out)";
        }
        if (modem_->TextMode && result.outcome == SendOutcome::Permanent && result.parts == 0) {
            why += " Without --text, PDU mode sends any text.";
        }
        RecordError(result.errorCode, why);
        return;
    }
    if (options_.report) {
        WaitForReports(result.references);
    }
}

void Session::WaitForReports(const std::vector<int>& references) {
    awaited_.clear();
    for (int reference : references) {
        if (reference >= 0) {
            awaited_.push_back(reference);
        }
    }
    if (awaited_.empty()) {
        RecordError(ErrNotCatalogued,
                    "the modem gave no message reference: no delivery report can be matched");
        return;
    }
    progressLabel_ = "waiting for the delivery report";
    out_.Progress(progressLabel_ + " ...");
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(options_.reportWait));
    while (!awaited_.empty() && Clock::now() < deadline && modem_->Connected()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        (void)HandleMessage(static_cast<int>(std::min<int64_t>(left.count() + 1, 1000)));
    }
    progressLabel_.clear();
    out_.EndProgress();
    if (!awaited_.empty()) {
        RecordError(ErrNotCatalogued, "no delivery report for reference " + Joined(awaited_) +
                                          " within " + std::to_string(options_.reportWait) + " s");
    }
}

void Session::TakeReport(const StatusReport& report) {
    const auto awaited = std::find(awaited_.begin(), awaited_.end(), report.messageReference);
    if (options_.command == Command::Send) {
        if (awaited == awaited_.end()) {
            return;  // a report on an earlier message
        }
        // A report that says the centre is still trying answers the wait too: it may try
        // for days.
        awaited_.erase(awaited);
    }
    const bool delivered = report.outcome == DeliveryStatus::Delivered;
    JsonObject json;
    json.Str("type", "report").Int("reference", report.messageReference);
    json.Str("status", DeliveryName(report.outcome)).Bool("delivered", delivered);
    json.Int("code", report.status).Str("text", report.statusText);
    json.Str("recipient", report.recipient).Str("time", report.dischargeTime);
    json.Str("sent_time", report.serviceCentreTime);
    out_.Emit(json, std::string("report: reference ") + std::to_string(report.messageReference) +
                        " to " + report.recipient + " " + DeliveryName(report.outcome) + " (" +
                        report.statusText + ") at " + report.dischargeTime);
    if (options_.command == Command::Send && report.outcome == DeliveryStatus::Failed) {
        RecordError(ErrNotCatalogued, "reference " + std::to_string(report.messageReference) +
                                          " was not delivered: " + report.statusText);
    }
}

void Session::Read() {
    const MessageRead read = modem_->ReadMessage(options_.index);
    if (read.message) {
        PrintSms(*read.message, options_.index);
    }
    if (!read.ok) {
        RecordError(read.errorCode, read.errorText);
    } else if (!read.message) {
        RecordError(ErrNotCatalogued, "no received message at index " + options_.index);
    }
    ReportLatchedErrors();
}

void Session::List() {
    const MessageListing listing = modem_->ListMessages(ListScope::All);
    if (!listing.ok) {
        RecordError(listing.errorCode, listing.errorText);
    }
    for (const SmsMessage& message : listing.messages) {
        PrintSms(message);
    }
    for (const SmsMessage& message : listing.waiting) {
        PrintSms(message);
    }
    // Only what was handed over goes: the parts of a message that may yet be completed
    // stay for a later listing.
    if (!options_.keep && listing.ok) {
        for (const SmsMessage& message : listing.messages) {
            if (!modem_->DeleteMessage(message)) {
                RecordError(
                    ErrNotCatalogued,
                    "the modem did not confirm deleting the message from " + message.sender);
            }
        }
    }
    ReportLatchedErrors();
    const size_t count = listing.messages.size() + listing.waiting.size();
    out_.Emit(JsonObject()
                  .Str("type", "list")
                  .Int("count", static_cast<int64_t>(count))
                  .Int("waiting", static_cast<int64_t>(listing.waiting.size())),
              count == 0 ? "no stored messages" : "");
}

void Session::PrintSms(const SmsMessage& message, const std::string& index) {
    MessageFields fields;
    fields.from = message.sender;
    fields.time = message.timeStamp;
    fields.text = message.text;
    std::vector<int> indexes;
    for (const StoredPart& part : message.parts) {
        if (part.index != 0) {
            indexes.push_back(part.index);
        }
    }
    std::vector<int> missing(message.missing.begin(), message.missing.end());
    JsonObject json;
    json.Str("type", "message");
    if (!index.empty()) {
        json.Str("index", index);
    }
    json.Str("from", message.sender).Str("text", message.text).Str("time", message.timeStamp);
    json.Int("parts", message.partsExpected).Int("received", message.partsReceived);
    json.Bool("complete", message.complete).Ints("missing", Wide(missing));
    json.Ints("indexes", Wide(indexes));
    std::string extra;
    if (message.partsExpected > 1 || !message.complete) {
        extra = "Parts:  " + std::to_string(message.partsExpected);
        if (!message.complete) {
            extra += " (incomplete: part " + Joined(missing) + " missing)";
        }
        extra += '\n';
    }
    PrintBlock(json, fields, index, extra);
}

}  // namespace vorsa::cli
