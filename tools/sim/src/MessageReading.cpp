// Reading, listing and deleting stored messages (AT+CMGR, AT+CMGL, AT+CMGD).
#include "CommandText.h"
#include "EngineState.h"

namespace vorsa::sim {
namespace {

using detail::IntArgument;
using detail::ListFilter;
using detail::TextFilter;

}  // namespace

Outcome ModemEngine::State::Cmgr(const AtCommand& command, Millis) {
    if (command.form == CommandForm::Test) {
        return Outcome::Ok();
    }
    detail::LeadingNumber request;
    if (Outcome refused = ReadMessageIndex(command, 2, &request); refused.Failed()) {
        return refused;
    }
    detail::StoredSlot* slot = store.Find(settings.readMemory, static_cast<int>(request.value));
    if (slot == nullptr) {
        return Outcome::Cms(kCmsInvalidMemoryIndex);
    }
    Respond(ReadResponse(*slot));
    if (slot->status == MessageStatus::ReceivedUnread) {
        slot->status = MessageStatus::ReceivedRead;
    }
    return Outcome::Ok();
}

Outcome ModemEngine::State::Cmgl(const AtCommand& command, Millis) {
    if (command.form == CommandForm::Test) {
        Respond(settings.textMode
                    ? "+CMGL: (\"REC UNREAD\",\"REC READ\",\"STO UNSENT\",\"STO SENT\",\"ALL\")"
                    : "+CMGL: (0-4)");
        return Outcome::Ok();
    }
    if (command.form == CommandForm::Read) {
        return Outcome::Error();
    }
    if (Outcome locked = SimRequired(true); locked.Failed()) {
        return locked;
    }
    std::optional<std::vector<AtArgument>> args = SplitArguments(command.arguments);
    if (!args || args->size() > 2) {
        return Outcome::Error();
    }
    // Without an argument the modem lists the received unread messages.
    ListFilter filter;
    if (!args->empty() && (*args)[0].present) {
        if (settings.textMode) {
            std::optional<ListFilter> chosen = TextFilter((*args)[0].text);
            if (!chosen) {
                return Outcome::Cms(kCmsInvalidTextParameter);
            }
            filter = *chosen;
        } else {
            std::optional<long> status = IntArgument(*args, 0);
            if (!status || *status > 4) {
                return Outcome::Cms(kCmsInvalidPduParameter);
            }
            filter = {*status == 4, static_cast<MessageStatus>(*status == 4 ? 0 : *status)};
        }
    }
    std::string listing;
    for (int index : store.Indexes(settings.readMemory)) {
        detail::StoredSlot* slot = store.Find(settings.readMemory, index);
        if (!filter.all && slot->status != filter.status) {
            continue;
        }
        listing += (listing.empty() ? "" : "\r\n") + ListEntry(index, *slot);
        if (slot->status == MessageStatus::ReceivedUnread) {
            slot->status = MessageStatus::ReceivedRead;
        }
    }
    if (!listing.empty()) {
        Respond(listing);
    }
    return Outcome::Ok();
}

Outcome ModemEngine::State::Cmgd(const AtCommand& command, Millis) {
    if (command.form == CommandForm::Test) {
        std::string used;
        for (int index : store.Indexes(settings.readMemory)) {
            used += (used.empty() ? "" : ",") + std::to_string(index);
        }
        Respond("+CMGD: (" + used + "),(0-4)");
        return Outcome::Ok();
    }
    detail::LeadingNumber request;
    if (Outcome refused = ReadMessageIndex(command, 2, &request); refused.Failed()) {
        return refused;
    }
    long flag = 0;
    if (request.all.size() == 2) {
        std::optional<long> given = IntArgument(request.all, 1);
        if (!given || *given > 4) {
            return Outcome::Error();
        }
        flag = *given;
    }
    const std::string& memory = settings.readMemory;
    if (flag == 0) {
        int index = static_cast<int>(request.value);
        if (!store.InRange(memory, index)) {
            return Outcome::Cms(kCmsInvalidMemoryIndex);
        }
        store.Erase(memory, index);  // an empty slot is fine
        return Outcome::Ok();
    }
    // 1: read; 2: and sent; 3: and unsent; 4: everything. The index is ignored.
    for (int i : store.Indexes(memory)) {
        MessageStatus status = store.Find(memory, i)->status;
        bool erase = flag == 4 || status == MessageStatus::ReceivedRead ||
                     (flag >= 2 && status == MessageStatus::StoredSent) ||
                     (flag >= 3 && status == MessageStatus::StoredUnsent);
        if (erase) {
            store.Erase(memory, i);
        }
    }
    return Outcome::Ok();
}

}  // namespace vorsa::sim
