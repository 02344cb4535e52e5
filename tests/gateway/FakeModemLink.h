// A modem link for the worker tests, scripted from the test thread: what each send gives,
// what the modem holds, and events to raise (a new message, a status report, a hang-up).
// It records every operation so tests can check their order.
#pragma once

#include <poll.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "vorsa/gateway/ModemLink.h"

namespace vorsa::test {

using gateway::LinkHealth;
using gateway::ListResult;
using gateway::SendOptions;
using gateway::SendOutcome;
using gateway::SendResult;
using gateway::StatusReport;
using gateway::StoredMessage;

// Shared between the test and the link, which lives on the worker's thread.
struct FakeModem {
    std::mutex mutex;
    /// What a send of this text gives, in turn; the last one repeats. Unscripted: sent.
    std::map<std::string, std::deque<SendResult>> sendScript;
    std::vector<std::string> sent;                 // texts, in order, each time the modem took one
    std::map<std::string, StoredMessage> storage;  // by index
    std::vector<std::string> operations;           // "connect", "list", "delete 3", "send x"
    std::function<void(const std::string& index)> beforeDelete;
    std::deque<std::string> pendingEvents;  // "stored", "hangup", "report R"
    std::map<int, gateway::DeliveryOutcome> reportOutcomes;
    int timeouts = 0;
    int connects = 0;
    int nextReference = 1;

    void Raise(const std::string& event) {
        std::lock_guard lock(mutex);
        pendingEvents.push_back(event);
    }
    void Store(const std::string& index, const std::string& text) {
        std::lock_guard lock(mutex);
        storage[index] =
            StoredMessage{"+40700000002", "26/12/08,10:00:00+08", text, "", 1, true, {index}};
    }
    size_t Count(const std::string& operation) {
        std::lock_guard lock(mutex);
        return static_cast<size_t>(std::count(operations.begin(), operations.end(), operation));
    }
};

class FakeModemLink final : public gateway::ModemLink {
  public:
    explicit FakeModemLink(FakeModem& modem) : modem_(modem) {}

    bool Connect(const gateway::LinkSettings&) override {
        std::lock_guard lock(modem_.mutex);
        modem_.operations.push_back("connect");
        ++modem_.connects;
        modem_.timeouts = 0;
        connected_ = true;
        return true;
    }
    void Disconnect() override { connected_ = false; }
    bool Connected() const override { return connected_; }

    SendResult Send(const std::string& to, const std::string& text, const SendOptions&) override {
        std::lock_guard lock(modem_.mutex);
        modem_.operations.push_back("send " + text);
        (void)to;
        SendResult result{SendOutcome::Sent, {}, 0, ""};
        auto script = modem_.sendScript.find(text);
        if (script != modem_.sendScript.end() && !script->second.empty()) {
            result = script->second.front();
            if (script->second.size() > 1) {
                script->second.pop_front();
            }
        }
        if (result.outcome == SendOutcome::Sent) {
            result.references = {modem_.nextReference++};
            modem_.sent.push_back(text);
        }
        return result;
    }

    ListResult ListStored() override {
        std::lock_guard lock(modem_.mutex);
        modem_.operations.push_back("list");
        ListResult result;
        for (const auto& [index, message] : modem_.storage) {
            result.messages.push_back(message);
        }
        return result;
    }

    bool Delete(const std::vector<std::string>& indexes) override {
        for (const std::string& index : indexes) {
            if (modem_.beforeDelete) {
                modem_.beforeDelete(index);
            }
            std::lock_guard lock(modem_.mutex);
            modem_.operations.push_back("delete " + index);
            modem_.storage.erase(index);
        }
        return true;
    }

    void Poll(int timeoutMs, int wakeFd) override {
        std::deque<std::string> events;
        {
            std::lock_guard lock(modem_.mutex);
            events.swap(modem_.pendingEvents);
        }
        if (events.empty()) {
            pollfd fd{wakeFd, POLLIN, 0};
            (void)::poll(&fd, 1, std::min(timeoutMs, 20));
            return;
        }
        for (const std::string& event : events) {
            if (event == "stored" && events_.onStored) {
                events_.onStored();
            } else if (event == "hangup") {
                connected_ = false;
                if (events_.onHangUp) {
                    events_.onHangUp("the device went away");
                }
                return;
            } else if (event.rfind("report ", 0) == 0 && events_.onStatusReport) {
                const int reference = std::stoi(event.substr(7));
                events_.onStatusReport(
                    StatusReport{reference, 0, gateway::DeliveryOutcome::Delivered, "", ""});
            }
        }
    }

    LinkHealth QueryHealth() override { return Health(); }
    LinkHealth Health() const override {
        std::lock_guard lock(modem_.mutex);
        LinkHealth health;
        health.signalDbm = -70;
        health.registration = 1;
        health.consecutiveTimeouts = modem_.timeouts;
        return health;
    }

  private:
    FakeModem& modem_;
    bool connected_ = false;
};

}  // namespace vorsa::test
