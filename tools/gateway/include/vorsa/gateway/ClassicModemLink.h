// The modem link on the classic TVorsa component, in PDU mode: SendSMS with the reference
// from OnSentSMS, ReadSMS with DeleteOnRead off and DeleteSMS after the store committed,
// OnNotifySMS for new messages, GetField and AT+CREG? for health.
//
// What the classic component cannot do, this link cannot either: one part per message (at
// most 159 characters), the classic 7-bit characters only, no status reports, no message
// class or validity of the caller's choosing, and no multipart groups on receive (each part
// arrives as a message of its own).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vorsa/gateway/ModemLink.h"

namespace vorsa {
class TVorsa;
}

namespace vorsa::gateway {

class ClassicModemLink final : public ModemLink {
  public:
    ClassicModemLink();
    ~ClassicModemLink() override;

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
    [[nodiscard]] TextLimits Limits() const override { return ClassicLimits(); }

    /// What the classic component sends unaltered: 1 to 159 characters of printable ASCII
    /// (and CR, LF) without [ \ ] ^ _ ` { | } ~, which its 7-bit packing turns into other
    /// characters.
    [[nodiscard]] static TextLimits ClassicLimits();
    /// Why `text` cannot go through the classic component, or "" when it can.
    [[nodiscard]] static std::string RefusalOf(const std::string& text);

  private:
    struct Error {
        int32_t code;
        std::string text;
    };
    /// Runs `operation` with the errors it reports collected; updates the time-out count.
    template <typename Operation>
    std::vector<Error> Collecting(Operation&& operation);
    void CheckLine();

    std::unique_ptr<TVorsa> modem_;
    std::vector<Error>* errors_ = nullptr;  // where reports go while an operation runs
    std::vector<int> references_;           // from OnSentSMS
    LinkHealth health_;
};

}  // namespace vorsa::gateway
