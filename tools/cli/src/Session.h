// One run of the tool: the modem (a device, or the simulated modem in this process), the
// component configured from the options, its events turned into output, and the errors it
// reported, which decide the exit status.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "vorsa/Vorsa32.h"
#include "vorsa/cli/CommandLine.h"
#include "vorsa/cli/MessageFields.h"
#include "vorsa/cli/Output.h"

namespace vorsa::cli {

class BuiltInModem;

class Session {
  public:
    Session(const Options& options, Output& out);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// Runs the command; gives the exit status.
    int Run();

  private:
    // Setting up and closing.
    bool StartSimulatedModem();
    void Configure();
    bool Connect();
    void Disconnect();
    [[nodiscard]] std::string DeviceName() const;

    // The commands (each after a successful Connect).
    void Send(const std::string& text);
    void Read();
    void Delete();
    void List();
    void Watch();
    void Status();

    // Helpers of the commands.
    [[nodiscard]] std::optional<std::string> MessageText();
    void PrintMessage(const char* type, const MessageFields& message,
                      const std::string& index = "");
    /// A message as the component put it together, with its parts.
    void PrintSms(const SmsMessage& message, const std::string& index = "");
    /// One message block: the JSON as given, or the fields as lines of text.
    void PrintBlock(const JsonObject& json, const MessageFields& message, const std::string& index,
                    const std::string& extraLines);
    /// Lets the events run until a delivery report came for each reference, or the
    /// --report-wait time passed (an error then).
    void WaitForReports(const std::vector<int>& references);
    /// A delivery report: printed (by send only when it is about the message sent).
    void TakeReport(const StatusReport& report);
    /// A command whose reply is the modem's answer text, e.g. AT+CGMI; "" when it has
    /// none. Errors it brings are not counted.
    [[nodiscard]] std::string QueryText(const std::string& command, const std::string& prefix);
    /// False (after reporting why) when the device stopped answering to the line checks and
    /// the component is not bringing it back.
    [[nodiscard]] bool DeviceAlive();
    /// Reports what the component latched and has not reported (the listing, and the
    /// deletion after a read, leave their errors for the next exchange).
    void ReportLatchedErrors();

    // Errors.
    void RecordError(int32_t code, const std::string& message);
    [[nodiscard]] bool Failed() const { return errors_ > 0; }

    const Options& options_;
    Output& out_;
    std::unique_ptr<BuiltInModem> builtIn_;  // outlives the component
    std::unique_ptr<TVorsa> modem_;
    int errors_ = 0;
    bool lostLink_ = false;  // the modem was lost and is being looked for
    bool tolerateErrors_ = false;
    int received_ = 0;           // messages that arrived (OnReceiveSMS) or were read on notice
    int blocksPrinted_ = 0;      // message blocks so far, to separate them in text output
    std::vector<int> awaited_;   // send --report: references without a report
    std::string progressLabel_;  // what the progress line says is going on
};

}  // namespace vorsa::cli
