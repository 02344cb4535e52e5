// The set-up steps that adapt to the modem instead of giving up: the checks of the settings
// that go onto the command line, the initialisation commands (a SIM that wants its PIN
// first, a command the modem does not know), the storage (fewer memories than asked for)
// and the routing of new messages (the nearest the modem has, else polling the storage).
// Each step sends the usual command first; only a refusal leads anywhere else, and every
// adaptation is announced through OnAdaptation.
#include <string>
#include <utility>
#include <vector>

#include "component/CommandArguments.h"
#include "component/HeldExchange.h"
#include "component/ReplyFields.h"
#include "component/SetupReplies.h"
#include "vorsa/SMScnst.h"
#include "vorsa/Vorsa32.h"

namespace vorsa {

namespace {

const std::string kPinAnswer = "+CPIN: ";
const std::string kPinReady = "+CPIN: READY";
const std::string kStorageAnswer = "+CPMS: ";
const std::string kRoutingAnswer = "+CNMI: ";

// How a refusal is quoted: the modem's last line ("ERROR", "COMMAND NOT SUPPORT",
// "+CMS ERROR: 302").
std::string Answered(const detail::HeldExchange& Exchange) {
    const std::string Last = detail::LastLine(Exchange.Reply);
    return Last.empty() ? "no answer" : Last;
}

}  // namespace

bool TVorsa::SetupSettingsAccepted() {
    const char* Refusal = !detail::IsServiceCentre(SMSCenter)    ? detail::kServiceCentreRefused
                          : !detail::IsPin(PIN)                  ? detail::kPinRefused
                          : !detail::IsMemoryList(StorageString) ? detail::kStorageRefused
                                                                 : nullptr;
    if (Refusal == nullptr) {
        return true;
    }
    ReportError(ErrNotCatalogued, Refusal);
    return false;
}

detail::HeldExchange TVorsa::SendHeld(const std::string& Command) {
    detail::HeldExchange Exchange;
    {
        detail::ReportHold Hold(OnSMSError, Exchange.Reports);
        Exchange.Accepted = SendCommand(Command, Exchange.Reply);
    }
    return Exchange;
}

bool TVorsa::DropRefusal(const detail::HeldExchange& Exchange) {
    if (Exchange.Refused()) {
        return true;
    }
    for (const detail::HeldReport& Report : Exchange.Reports) {
        ReportError(Report.Code, Report.Text);
    }
    return false;
}

void TVorsa::Adapted(const std::string& Text) {
    if (OnAdaptation) {
        OnAdaptation(this, Text);
    }
}

// The first initialisation command that goes out is the one a SIM waiting for its PIN
// refuses (Qualcomm M6280 and ZTE K3565-Z sticks answer even ATZ with ERROR until then).
// Only that one leads to the PIN; the PIN is entered at most once, and the commands run
// again from the first. A modem that does not answer is given up as before.
TVorsa::Initialisation TVorsa::Initialise() {
    const std::string* const Commands[] = {&InitString1, &InitString2, &InitString3};
    for (const bool FirstRound : {true, false}) {
        bool First = FirstRound;
        bool Again = false;
        for (size_t N = 0; N < 3 && !Again; ++N) {
            const std::string& Command = *Commands[N];
            if (Command.empty()) {
                continue;
            }
            const detail::HeldExchange Exchange = SendHeld(Command);
            const bool Refused = DropRefusal(Exchange);
            const bool WasFirst = std::exchange(First, false);
            if (Exchange.Accepted) {
                continue;
            }
            if (!Refused) {
                return Initialisation::NotReady;
            }
            if (WasFirst) {
                bool PinRefused = false;
                Again = PinEnteredFirst(Command, PinRefused);
                if (PinRefused) {
                    return Initialisation::PinRefused;
                }
            }
            if (!Again) {
                Adapted("InitString" + IntToStr(N + 1) + " \"" + Command + "\" refused (" +
                        Answered(Exchange) + "); set-up goes on without it");
            }
        }
        if (!Again) {
            break;
        }
    }
    return GetState() == 0 ? Initialisation::Ready : Initialisation::NotReady;
}

bool TVorsa::PinEnteredFirst(const std::string& Refused, bool& PinRefused) {
    const detail::HeldExchange Query = SendHeld("AT+CPIN?");
    (void)DropRefusal(Query);
    const std::string State = detail::AnswerLine(Query.Reply, kPinAnswer);
    if (State.empty() || startWith(State, kPinReady)) {
        return false;
    }
    if (!endWith(SendSMSCommand("AT+CPIN=\"" + PIN + "\""), "OK")) {
        PinRefused = true;
        return false;
    }
    Adapted("\"" + Refused + "\" refused while the SIM wanted its PIN (" + State +
            "); PIN entered, initialisation run again");
    return true;
}

// Wavecom Multiband modems take two memories and refuse three; some Nokia phones (N79)
// list none and refuse every choice.
bool TVorsa::StorageSet() {
    if (StorageString.empty()) {
        return true;
    }
    const std::vector<std::string> Wanted = detail::MemoryNames(StorageString);
    const std::string Command = "AT+CPMS=" + StorageString;
    const detail::HeldExchange Exchange = SendHeld(Command);
    if (!DropRefusal(Exchange)) {
        PolledMemory = Wanted.front();
        return endWith(Exchange.Reply, "OK");
    }
    const detail::HeldExchange Listing = SendHeld("AT+CPMS=?");
    (void)DropRefusal(Listing);
    const std::vector<std::string> Chosen = detail::ChooseMemories(
        Wanted, detail::ParseMemoryLists(detail::AnswerLine(Listing.Reply, kStorageAnswer)));
    const std::string Refusal = Command + " refused (" + Answered(Exchange) + ")";
    if (Chosen.empty()) {
        NoMessageMemory = true;
        Adapted(Refusal +
                " and the modem lists no message memory: sending works, receiving "
                "is unavailable");
        return true;
    }
    const std::string Available = detail::QuotedList(Chosen);
    if (Available != StorageString) {
        const detail::HeldExchange Retry = SendHeld("AT+CPMS=" + Available);
        (void)DropRefusal(Retry);
        if (endWith(Retry.Reply, "OK")) {
            PolledMemory = Chosen.front();
            Adapted(Refusal + "; storage set to " + Available + " from what AT+CPMS=? lists");
            return true;
        }
    }
    Adapted(Refusal + " and so was what AT+CPMS=? lists: the modem keeps the memories it has");
    return true;
}

// Nokia phones and several USB sticks (Huawei K3715, ZTE K3565-Z) refuse AT+CNMI=2,1,0,0,0.
bool TVorsa::RoutingSet() {
    const int StatusRouting = static_cast<int>(StatusReports);
    const std::string Command = detail::RoutingCommand(DirectForward, StatusRouting);
    const detail::HeldExchange Exchange = SendHeld(Command);
    if (!DropRefusal(Exchange)) {
        return endWith(Exchange.Reply, "OK");
    }
    const std::string Refusal = Command + " refused (" + Answered(Exchange) + ")";
    const detail::HeldExchange Listing = SendHeld("AT+CNMI=?");
    (void)DropRefusal(Listing);
    const std::optional<std::string> Nearest = detail::NearestRouting(
        DirectForward, detail::ParseValueRanges(detail::AnswerLine(Listing.Reply, kRoutingAnswer)),
        StatusRouting);
    if (Nearest && "AT+CNMI=" + *Nearest != Command) {
        const detail::HeldExchange Retry = SendHeld("AT+CNMI=" + *Nearest);
        (void)DropRefusal(Retry);
        if (endWith(Retry.Reply, "OK")) {
            Adapted(Refusal + "; routing set to AT+CNMI=" + *Nearest +
                    ", the nearest that AT+CNMI=? lists");
            return true;
        }
    }
    if (NoMessageMemory && !DirectForward) {
        Adapted(Refusal + " and no message memory: new messages cannot be received");
        return true;
    }
    StoragePolled = true;
    Adapted(Refusal +
            " and no routing that AT+CNMI=? lists fits: the connection stays for "
            "sending, and new messages are found by listing the storage at every "
            "polling tick");
    return true;
}

}  // namespace vorsa
