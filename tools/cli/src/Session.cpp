#include "Session.h"

#include <iostream>
#include <iterator>
#include <system_error>

#include "BuiltInModem.h"
#include "Terminal.h"
#include "vorsa/SMScnst.h"
#include "vorsa/cli/TextEncoding.h"

namespace vorsa::cli {

namespace {

// The first line of what was written, for the progress line ("AT+CPIN?").
std::string FirstLine(const std::string& bytes) {
    const size_t end = bytes.find_first_of("\r\n");
    std::string line = bytes.substr(0, end);
    return line.size() > 40 ? line.substr(0, 40) + "..." : line;
}

std::string WithoutTrailingLineBreaks(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

Session::Session(const Options& options, Output& out) : options_(options), out_(out) {}

Session::~Session() {
    // The component disconnects in its destructor; its events must not reach this
    // half-destroyed session.
    if (modem_) {
        modem_->OnDisconnect = nullptr;
        modem_->OnTrace = nullptr;
        modem_->OnAdaptation = nullptr;
    }
}

int Session::Run() {
    std::optional<std::string> text;
    if (options_.command == Command::Send) {
        text = MessageText();
        if (!text) {
            return kExitFailure;
        }
    }
    if (options_.port.empty() && !StartSimulatedModem()) {
        return kExitFailure;
    }
    Configure();
    try {
        if (Connect()) {
            switch (options_.command) {
                case Command::Send:
                    Send(*text);
                    break;
                case Command::Read:
                    Read();
                    break;
                case Command::Delete:
                    Delete();
                    break;
                case Command::List:
                    List();
                    break;
                case Command::Watch:
                    Watch();
                    break;
                case Command::Status:
                    Status();
                    break;
            }
        }
    } catch (const std::exception& error) {
        // The component throws only where a modem's reply holds text in place of a number.
        RecordError(ErrNotCatalogued, error.what());
    }
    try {
        Disconnect();
    } catch (const std::exception& error) {
        RecordError(ErrNotCatalogued, error.what());
    }
    return Failed() ? kExitFailure : kExitOk;
}

bool Session::StartSimulatedModem() {
    std::string error;
    builtIn_ = BuiltInModem::Start(error);
    if (!builtIn_) {
        RecordError(ErrNotCatalogued, error);
        return false;
    }
    if (!options_.sim) {
        out_.Note("no -p DEVICE given: using the built-in simulated modem on " +
                  builtIn_->DevicePath() + " (give -p DEVICE for a real modem)");
    }
    return true;
}

std::string Session::DeviceName() const {
    return builtIn_ ? builtIn_->DevicePath() : options_.port;
}

void Session::Configure() {
    modem_ = std::make_unique<TVorsa>(nullptr);
    TVorsa& m = *modem_;
    m.Port = DeviceName();
    m.Baud = options_.baud;
    m.TextMode = !options_.pdu;
    m.DeleteOnRead = !options_.keep;
    m.DirectForward = options_.direct;
    // Delivery reports come straight to the tool (+CDS) when it waits for them or watches.
    if (options_.report || options_.command == Command::Watch) {
        m.StatusReports = StatusReportRouting::Direct;
    }
    if (options_.pin) {
        m.PIN = *options_.pin;
    }
    if (options_.smsc) {
        m.SMSCenter = *options_.smsc;
    }
    if (options_.timeout) {
        m.ReadTimeout = *options_.timeout;
    }
    if (options_.init1) {
        m.InitString1 = *options_.init1;
    }
    if (options_.init2) {
        m.InitString2 = *options_.init2;
    }
    if (options_.init3) {
        m.InitString3 = *options_.init3;
    }
    if (options_.storage) {
        m.StorageString = *options_.storage;
    }

    // Every report is recorded and the operation runs to its end; the exit status says
    // whether anything went wrong.
    m.OnSMSError = [this](TObject*, int32_t code, std::string message) {
        RecordError(code, message);
    };
    m.OnConnected = [this](TObject*) {
        out_.Emit(JsonObject().Str("type", "connected").Str("port", DeviceName()), "");
        if (options_.verbose && !out_.Json()) {
            out_.Note("connected to " + DeviceName());
        } else if (lostLink_ && !out_.Json()) {
            out_.Note("connected to " + DeviceName() + " again");
        }
        lostLink_ = false;
    };
    // The modem refused a step of the set-up or answered in a form of its own, and the
    // component did something else instead: said with -v, and as an event with --json.
    m.OnAdaptation = [this](TObject*, std::string text) {
        out_.Emit(JsonObject().Str("type", "adaptation").Str("text", text), "");
        if (options_.verbose && !out_.Json()) {
            out_.Note("modem adapted to: " + text);
        }
    };
    m.OnDisconnect = [this](TObject*) {
        out_.Emit(JsonObject().Str("type", "disconnected"), "");
        lostLink_ = modem_->AutoReconnect && modem_->Reconnecting();
        if (lostLink_ && !out_.Json()) {
            out_.Note("lost " + DeviceName() + "; looking for it again");
        } else if (options_.verbose && !out_.Json()) {
            out_.Note("disconnected");
        }
    };
    m.OnDeleteSMS = [this](TObject*, std::string index) {
        const JsonObject json = JsonObject().Str("type", "deleted").Str("index", index);
        if (options_.command == Command::Delete || out_.Json()) {
            out_.Emit(json, "deleted message " + index);
        } else {
            out_.Note("deleted message " + index + " from the modem (--keep keeps messages)");
        }
    };
    m.OnSentSMS = [this](TObject*, std::string reference) {
        out_.Emit(JsonObject().Str("type", "sent").Str("reference", reference),
                  options_.command == Command::Watch ? "sent: reference " + reference : "");
    };
    // In a watch, cell broadcasts are only announced; new messages the component reads
    // itself and hands over whole (OnMessage).
    m.OnNotifySMS = [this](TObject*, std::string memory, std::string index) {
        out_.Emit(JsonObject().Str("type", "notify").Str("memory", memory).Str("index", index),
                  "new message in " + memory + " at index " + index);
    };
    // Only a watch takes in new messages: another command leaves them on the modem.
    if (options_.command == Command::Watch) {
        m.OnMessage = [this](TObject*, const SmsMessage& message) {
            PrintSms(message);
            ++received_;
        };
    }
    m.OnStatusReport = [this](TObject*, const StatusReport& report) { TakeReport(report); };
    m.OnReceiveSMS = [this](TObject*, std::string header, std::string body) {
        PrintMessage("message", ParseReceivedMessage(header, body, modem_->TextMode));
        ++received_;
    };
    if (options_.verbose) {
        m.OnTrace = [this](bool outgoing, const std::string& bytes) {
            out_.Trace(outgoing, bytes);
        };
    } else if (out_.ProgressOn()) {
        m.OnTrace = [this](bool outgoing, const std::string& bytes) {
            if (outgoing && !progressLabel_.empty()) {
                out_.Progress(progressLabel_ + ": " + FirstLine(bytes));
            }
        };
    }
}

bool Session::Connect() {
    progressLabel_ = "connecting to " + DeviceName();
    out_.Progress(progressLabel_ + " ...");
    modem_->Connect();
    progressLabel_.clear();
    out_.EndProgress();
    if (modem_->Connected()) {
        return true;
    }
    const int32_t systemError = modem_->GetError();
    if (systemError != 0) {
        out_.Note("cannot use " + DeviceName() + ": " + SysErrorMessage(systemError));
    }
    if (!Failed()) {
        RecordError(ErrNotConnected, GetErrString(ErrNotConnected));
    }
    return false;
}

void Session::Disconnect() {
    if (modem_ && modem_->Connected()) {
        modem_->DisConnect();
    }
}

void Session::RecordError(int32_t code, const std::string& message) {
    if (tolerateErrors_) {
        if (options_.verbose) {
            out_.Note("(not counted) error " + std::to_string(code) + ": " + message);
        }
        return;
    }
    ++errors_;
    out_.Error(code, message);
}

bool Session::DeviceAlive() {
    if (!modem_->Connected()) {
        if (modem_->Reconnecting()) {
            return true;  // the component looks for the modem again on its own
        }
        RecordError(ErrNotConnected, GetErrString(ErrNotConnected));
        return false;
    }
    if (modem_->GetIn() < 0) {
        const int32_t code = modem_->GetError();
        RecordError(ErrNotCatalogued, "System Error " + std::to_string(code));
        if (code != 0) {
            out_.Note(DeviceName() + ": " + SysErrorMessage(code));
        }
        return false;
    }
    return true;
}

void Session::ReportLatchedErrors() {
    if (const int32_t systemError = modem_->GetError(); systemError != 0) {
        RecordError(ErrNotCatalogued, "System Error " + std::to_string(systemError));
    }
    if (const int32_t code = modem_->GetSMSError(); code != 0) {
        RecordError(code, GetErrString(code));
    }
}

std::optional<std::string> Session::MessageText() {
    std::string text;
    if (options_.text) {
        text = *options_.text;
    } else {
        if (IsTerminal(Stream::Input)) {
            out_.Note(std::string("type the message, then ") + EndOfInputKeys());
        }
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        text = WithoutTrailingLineBreaks(text);
    }
    // The component takes UTF-8 (and reads a byte that begins no UTF-8 sequence as
    // ISO 8859-1), so the text goes on as typed.
    return text;
}

void Session::PrintMessage(const char* type, const MessageFields& message,
                           const std::string& index) {
    JsonObject json;
    json.Str("type", type);
    if (!index.empty()) {
        json.Str("index", index);
    }
    if (!message.status.empty()) {
        json.Str("status", message.status);
    }
    json.Str("from", message.from);
    if (!message.name.empty()) {
        json.Str("name", message.name);
    }
    json.Str("time", message.time).Str("text", message.text).Str("header", message.header);
    PrintBlock(json, message, index, "");
}

void Session::PrintBlock(const JsonObject& json, const MessageFields& message,
                         const std::string& index, const std::string& extraLines) {
    std::string text;
    auto line = [&text](const char* label, const std::string& value) {
        text += label;
        text += value;
        text += '\n';
    };
    if (!index.empty()) {
        line("Index:  ", index);
    }
    if (!message.status.empty()) {
        line("Status: ", message.status);
    }
    line("From:   ",
         message.name.empty() ? message.from : message.from + " (" + message.name + ")");
    if (!message.time.empty()) {
        line("Time:   ", message.time);
    }
    text += extraLines;
    // Further lines of a message are indented under its first.
    std::string body;
    for (char c : DisplayText(message.text)) {
        body += c;
        if (c == '\n') {
            body += "        ";
        }
    }
    text += "Text:   " + body;
    if (blocksPrinted_++ > 0 && !out_.Json()) {
        text = "\n" + text;
    }
    out_.Emit(json, text);
}

}  // namespace vorsa::cli
