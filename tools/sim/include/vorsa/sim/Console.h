// The simulator's console: one command a line, as typed on vorsa-sim's standard input.
// It acts on a SimulatedModem and answers with text for a person to read.
//
//   deliver [--8bit|--ucs2|--gsm] [--hex] [--alpha] [--class N] [--smsc NUMBER]
//           [--time yy/MM/dd,hh:mm:ss+zz] FROM TEXT...
//   fault [clear | ignore N | ignore CMD [off] | error CMD [CODE | cme CODE | off] |
//          delay MS | trickle MS | noprompt on|off | echo on|off | nul N | noise TEXT|off |
//          hangup | pin on|off | cpas N]
//   profile [NAME]   quirk [NAME [on|off]]
//   raw TEXT   outbox   storage [clear]   transcript   status   help   quit
//
// TEXT may use the escapes \n \r \t \\ and \xHH.
#pragma once

#include <string>
#include <string_view>

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
    Result Deliver(std::string_view arguments);
    Result Fault(std::string_view arguments);
    // ConsoleQuirks.cpp
    Result Profile(std::string_view arguments);
    Result Quirk(std::string_view arguments);
    std::string DescribeFaults() const;
    std::string DescribeOutbox() const;
    std::string DescribeStorage() const;
    std::string DescribeStatus() const;

    SimulatedModem& modem_;
};

/// Replaces the escapes \n \r \t \\ \xHH by the bytes they stand for.
[[nodiscard]] std::string Unescape(std::string_view text);
/// Control bytes as escapes, everything else as it is.
[[nodiscard]] std::string Printable(std::string_view bytes);
/// A command name as the fault switches want it: "at+cmgs", "CMGS" and "+cmgs" all give
/// "+CMGS"; a single letter ("E") or "&S" stays a basic command.
[[nodiscard]] std::string CommandName(std::string_view text);

}  // namespace vorsa::sim
