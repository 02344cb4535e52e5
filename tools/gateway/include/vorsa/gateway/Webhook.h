// Delivers each received message, status report and modem event to a URL as a JSON POST,
// oldest first, retried with backoff until the receiver answers 2xx. The events wait in the
// store, so a restart loses none; gateways sharing a store lease them so each goes once
// (a receiver may still see an event twice if a gateway stops between its POST and the
// record of the answer: use the event's id to recognise it).
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace vorsa::gateway {

class EventLog;
class Store;

class Webhook {
  public:
    Webhook(std::string url, Store& store, EventLog& log);
    ~Webhook();
    Webhook(const Webhook&) = delete;
    Webhook& operator=(const Webhook&) = delete;

    /// False (with `error`) when the URL is not http://HOST[:PORT]/PATH or https://...
    [[nodiscard]] static bool ValidUrl(const std::string& url, std::string* error = nullptr);

    void Start();
    void Stop();

  private:
    void Run();

    std::string url_;
    Store& store_;
    EventLog& log_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace vorsa::gateway
