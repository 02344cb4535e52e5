// The commands that run one operation on the modem itself and end: delete and status.
#include <algorithm>
#include <chrono>
#include <string>

#include "Session.h"
#include "vorsa/Framework.h"
#include "vorsa/SMScnst.h"

namespace vorsa::cli {

namespace {

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

}  // namespace vorsa::cli
