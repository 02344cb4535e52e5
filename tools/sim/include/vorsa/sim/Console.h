// The simulator's console: one command a line, as typed on vorsa-sim's standard input.
// It acts on a SimulatedModem and answers with text for a person to read.
//
//   deliver [--8bit|--ucs2|--gsm] [--hex] [--alpha] [--class N] [--smsc NUMBER]
//           [--time yy/MM/dd,hh:mm:ss+zz] [--ref N] [--ref16] [--order 2,1,3] [--reverse]
//           [--drop N] [--repeat N] FROM TEXT...
//   report [delay MS] [delivered|pending|failed|STATUS]
//   fault [clear | ignore N | ignore CMD [off] | error CMD [CODE | cme CODE | off] |
//          delay MS | trickle MS | noprompt on|off | echo on|off | nul N | noise TEXT|off |
//          hangup | pin on|off | cpas N]
//   profile [NAME]   quirk [NAME [on|off]]
//   raw TEXT   outbox   storage [clear]   transcript   status   help   quit
//
// TEXT may use the escapes \n \r \t \\ and \xHH.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "vorsa/sim/MessageParts.h"
#include "vorsa/sim/SimulatedModem.h"

namespace vorsa::sim {

class Console {
  public:
    explicit Console(SimulatedModem& modem) : modem_(modem) {}

    struct Result {
        std::string output;  // lines for the user, each ending in '\n'
        bool quit = false;
    };

    /// Carries out one console line. An empty line does nothing.
    Result Execute(std::string_view line);
    [[nodiscard]] static std::string Help();

  private:
    /// How a long message is cut and in what order its parts arrive.
    struct PartOptions {
        std::optional<uint16_t> reference;
        bool sixteenBit = false;
        PartArrangement arrangement;
        bool arranged = false;  // an order, drop or repeat was asked for
    };

    Result Deliver(std::string_view arguments);
    /// Takes a `deliver` option about parts: nullopt when `word` is none of them, else
    /// the empty text or why its value was refused.
    std::optional<std::string> ParsePartOption(std::string_view word, std::string_view* rest,
                                               PartOptions* parts);
    /// Delivers the message in parts when it needs them or an arrangement was asked for;
    /// nullopt when it goes as one message the usual way.
    std::optional<Result> DeliverInParts(const IncomingMessage& message, const PartOptions& parts);
    Result StatusReports(std::string_view arguments);
    Result Fault(std::string_view arguments);
    // ConsoleQuirks.cpp
    Result Profile(std::string_view arguments);
    Result Quirk(std::string_view arguments);
    std::string DescribeFaults() const;
    std::string DescribeOutbox() const;
    std::string DescribeStorage() const;
    std::string DescribeStatus() const;

    SimulatedModem& modem_;
    uint16_t nextReference_ = 1;  // of long messages delivered without --ref
};

/// Replaces the escapes \n \r \t \\ \xHH by the bytes they stand for.
[[nodiscard]] std::string Unescape(std::string_view text);
/// Control bytes as escapes, everything else as it is.
[[nodiscard]] std::string Printable(std::string_view bytes);
/// A command name as the fault switches want it: "at+cmgs", "CMGS" and "+cmgs" all give
/// "+CMGS"; a single letter ("E") or "&S" stays a basic command.
[[nodiscard]] std::string CommandName(std::string_view text);

}  // namespace vorsa::sim
