// The commands that run one operation and end: send, read, delete, list and status.
#include <algorithm>
#include <chrono>
#include <string>

#include "Session.h"
#include "vorsa/Framework.h"
#include "vorsa/SMScnst.h"

namespace vorsa::cli {

namespace {

using Clock = std::chrono::steady_clock;

// The modem's activity statuses (AT+CPAS), by number.
std::string ActivityText(int32_t state) {
    switch (state) {
        case -1:
            return "no answer";
        case 0:
            return "ready";
        case 1:
            return "unavailable";
        case 2:
            return "unknown";
        case 3:
            return "ringing";
        case 4:
            return "call in progress";
        case 5:
            return "asleep";
        default:
            return "status " + std::to_string(state);
    }
}

}  // namespace

void Session::Send(const std::string& text) {
    const std::string& number = options_.number;
    progressLabel_ = "sending to " + number;
    out_.Progress(progressLabel_ + " ...");
    const int errorsBefore = errors_;
    const std::string reply = modem_->SendSMS(number, text);
    const bool sent = errors_ == errorsBefore;

    // The message reference comes as a report of its own (+CMGS), raised as OnSentSMS from
    // the message loop, usually at once; a slow modem gets the reply time-out for it.
    if (sent) {
        progressLabel_.clear();
        out_.Progress("sent; waiting for the modem's message reference ...");
        const auto deadline = Clock::now() + std::chrono::seconds(modem_->ReadTimeout);
        while (!reference_ && Clock::now() < deadline) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            (void)HandleMessage(static_cast<int>(left.count()) + 1);
        }
    }
    progressLabel_.clear();
    out_.EndProgress();

    JsonObject json;
    json.Str("type", "send").Bool("ok", sent).Str("number", number).Str("reply", reply);
    if (reference_) {
        json.Str("reference", *reference_);
    } else {
        json.Null("reference");
    }
    std::string line;
    if (sent) {
        line = "sent to " + number +
               (reference_ ? ", reference " + *reference_
                           : " (the modem gave no message reference within " +
                                 std::to_string(modem_->ReadTimeout) + " s)");
    }
    out_.Emit(json, line);
}

void Session::Read() {
    const int errorsBefore = errors_;
    const std::string result = modem_->ReadSMS(options_.index);
    // A message that was read is shown also when its deletion failed afterwards (that
    // error is left latched and reported below).
    if (!result.empty()) {
        PrintMessage("read", ParseReadResult(result, modem_->TextMode), options_.index);
    } else if (errors_ == errorsBefore) {
        RecordError(ErrNotCatalogued, "no message at index " + options_.index);
    }
    ReportLatchedErrors();
}

void Session::Delete() {
    const int errorsBefore = errors_;
    const bool deleted = modem_->DeleteSMS(options_.index);
    if (!deleted && errors_ == errorsBefore) {
        RecordError(ErrNotCatalogued,
                    "the modem did not confirm deleting message " + options_.index);
    }
    out_.Emit(JsonObject().Str("type", "delete").Str("index", options_.index).Bool("ok", deleted),
              "");
}

void Session::List() {
    modem_->DownloadSMS();
    // The listing reports nothing itself: what went wrong while it was collected stays
    // latched for the next exchange. There is none here, so the tool reports it.
    ReportLatchedErrors();
    // Each listed message waits in the component's queue with a message posted for it;
    // one pass of the message loop raises them all as OnReceiveSMS.
    ProcessMessages();
    out_.Emit(JsonObject().Str("type", "list").Int("count", received_),
              received_ == 0 ? "no stored messages" : "");
}

std::string Session::QueryText(const std::string& command, const std::string& prefix) {
    tolerateErrors_ = true;
    std::string reply = modem_->SendSMSCommand(command);
    tolerateErrors_ = false;
    if (!endWith(reply, "OK")) {
        return "";
    }
    reply = Trim(reply.substr(0, reply.size() - 2));
    // The answer line wherever it stands; a modem without the prefix answers the bare value.
    for (size_t start = 0; start < reply.size();) {
        const size_t end = std::min(reply.find_first_of("\r\n", start), reply.size());
        const std::string line = reply.substr(start, end - start);
        if (startWith(line, prefix)) {
            return Trim(line.substr(prefix.size()));
        }
        start = end + 1;
    }
    return reply;
}

void Session::Status() {
    const int32_t state = modem_->GetState();
    const int32_t signal = modem_->GetField();
    JsonObject json;
    json.Str("type", "status").Str("port", DeviceName()).Int("activity", state);
    json.Str("activity_text", ActivityText(state));
    std::string text = "port:         " + DeviceName() + "\n";
    text += "activity:     " + std::to_string(state) + " (" + ActivityText(state) + ")\n";
    if (signal == 0) {
        json.Null("signal_dbm");
        text += "signal:       no reading";
    } else {
        json.Int("signal_dbm", signal);
        text += "signal:       " + std::to_string(signal) + " dBm";
    }
    // The identity is optional: a modem that does not know a query is not an error.
    const struct {
        const char* key;
        const char* label;
        const char* command;
        const char* prefix;
    } identity[] = {
        {"manufacturer", "manufacturer: ", "AT+CGMI", "+CGMI: "},
        {"model", "model:        ", "AT+CGMM", "+CGMM: "},
        {"revision", "revision:     ", "AT+CGMR", "+CGMR: "},
        {"serial", "serial:       ", "AT+CGSN", "+CGSN: "},
    };
    for (const auto& query : identity) {
        const std::string value = QueryText(query.command, query.prefix);
        if (!value.empty()) {
            json.Str(query.key, value);
            text += std::string("\n") + query.label + value;
        }
    }
    out_.Emit(json, text);
}

void Session::ReadNotified(const std::string& index) {
    const std::string result = modem_->ReadSMS(index);
    if (!result.empty()) {
        PrintMessage("message", ParseReadResult(result, modem_->TextMode), index);
        ++received_;
    }
    ReportLatchedErrors();
}

}  // namespace vorsa::cli
