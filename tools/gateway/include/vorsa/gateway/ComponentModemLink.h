// The modem link on the TVorsa component in PDU mode: SendMessage for texts of any length
// and alphabet (every part's reference, status report, class and validity), ListMessages
// for whole messages with every part's storage index (read ones too, nothing deleted),
// DeleteSMS of each part's index once the store committed, OnNotifySMS for new messages,
// OnStatusReport ("+CDS:", routed at set-up) for delivery, and GetField and AT+CREG? for health.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vorsa/gateway/ModemLink.h"

namespace vorsa {
class TVorsa;
struct SmsMessage;
}  // namespace vorsa

namespace vorsa::gateway {

class ComponentModemLink final : public ModemLink {
  public:
    ComponentModemLink();
    ~ComponentModemLink() override;

    [[nodiscard]] bool Connect(const LinkSettings& settings) override;
    void Disconnect() override;
    [[nodiscard]] bool Connected() const override;
    [[nodiscard]] SendResult Send(const std::string& to, const std::string& text,
                                  const SendOptions& options) override;
    [[nodiscard]] ListResult ListStored() override;
    [[nodiscard]] bool Delete(const std::vector<std::string>& indexes) override;
    void Poll(int timeoutMs, int wakeFd) override;
    [[nodiscard]] LinkHealth QueryHealth() override;
    [[nodiscard]] LinkHealth Health() const override { return health_; }

    /// A received message as the gateway stores it. Parts the modem forwarded without
    /// storing them have no index to delete.
    [[nodiscard]] static StoredMessage ToStored(const SmsMessage& message);

  private:
    struct Error {
        int32_t code;
        std::string text;
    };
    /// Runs `operation` with the errors it reports through OnSMSError collected; updates
    /// the time-out count.
    template <typename Operation>
    std::vector<Error> Collecting(Operation&& operation);
    /// Takes the error of an operation that reports in its result (0: none).
    void Note(int32_t code, const std::string& text);
    void CheckLine();

    std::unique_ptr<TVorsa> modem_;
    std::vector<Error>* errors_ = nullptr;  // where reports go while an operation runs
    LinkHealth health_;
};

}  // namespace vorsa::gateway
