#include "support/EventLog.h"

namespace vorsa::test {

std::ostream& operator<<(std::ostream& Out, const ErrorReport& R) {
    return Out << "{" << R.Code << ", \"" << R.Text << "\"}";
}

void EventLog::Attach(TVorsa& Vorsa) {
    const auto Note = [this](TObject* Sender, std::string Event) {
        Senders.push_back(Sender);
        Order.push_back(std::move(Event));
    };
    Vorsa.OnSMSError = [this, Note, &Vorsa](TObject* Sender, int32_t Code, std::string Text) {
        Note(Sender, "Error " + std::to_string(Code));
        Errors.push_back({Code, Text});
        if (Raise) {
            Vorsa.InernalErrorHandling(Sender, Code, Text);
        }
    };
    Vorsa.OnSentSMS = [this, Note](TObject* Sender, std::string Reference) {
        Note(Sender, "Sent " + Reference);
        Sent.push_back(std::move(Reference));
    };
    Vorsa.OnDeleteSMS = [this, Note](TObject* Sender, std::string Reference) {
        Note(Sender, "Deleted " + Reference);
        Deleted.push_back(std::move(Reference));
    };
    Vorsa.OnNotifySMS = [this, Note](TObject* Sender, std::string Mem, std::string Reference) {
        Note(Sender, "Notified " + Mem + " " + Reference);
        Notified.emplace_back(std::move(Mem), std::move(Reference));
    };
    Vorsa.OnReceiveSMS = [this, Note](TObject* Sender, std::string Header, std::string Body) {
        Note(Sender, "Received " + Header);
        Received.emplace_back(std::move(Header), std::move(Body));
    };
    Vorsa.OnAdaptation = [this, Note](TObject* Sender, std::string Text) {
        Note(Sender, "Adapted");
        Adaptations.push_back(std::move(Text));
    };
    Vorsa.OnConnected = [this, Note](TObject* Sender) {
        Note(Sender, "Connected");
        ++Connects;
    };
    Vorsa.OnDisconnect = [this, Note](TObject* Sender) {
        Note(Sender, "Disconnected");
        ++Disconnects;
    };
}

void EventLog::Clear() {
    const bool KeepRaise = Raise;
    *this = EventLog();
    Raise = KeepRaise;
}

std::vector<int32_t> EventLog::ErrorIds() const {
    std::vector<int32_t> Ids;
    for (const ErrorReport& Report : Errors) {
        Ids.push_back(Report.Code);
    }
    return Ids;
}

std::string RaisedText(const std::function<void()>& Action) {
    try {
        Action();
    } catch (const Exception& E) {
        return E.what();
    }
    return "(nothing raised)";
}

}  // namespace vorsa::test
