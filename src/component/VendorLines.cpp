#include "component/VendorLines.h"

#include <cctype>

namespace vorsa::detail {

namespace {

// The name a command line asks about: "+CREG" of "AT+CREG?" or "at+creg=2", upper case.
bool AsksFor(std::string_view Command, std::string_view Name) {
    if (Command.size() < 2 + Name.size()) {
        return false;
    }
    for (size_t I = 0; I < Name.size(); ++I) {
        const auto C = static_cast<unsigned char>(Command[2 + I]);
        if (std::toupper(C) != Name[I]) {
            return false;
        }
    }
    const size_t After = 2 + Name.size();
    return After == Command.size() || Command[After] == '?' || Command[After] == '=';
}

}  // namespace

bool IsVendorLine(std::string_view Line, std::string_view Command) noexcept {
    for (const VendorLine& Row : VendorLines) {
        const bool Matches =
            Row.Whole ? Line == Row.Prefix : Line.substr(0, Row.Prefix.size()) == Row.Prefix;
        if (!Matches) {
            continue;
        }
        // "+CREG:" names the command "+CREG".
        std::string_view Name = Row.Prefix;
        if (!Name.empty() && Name.back() == ':') {
            Name.remove_suffix(1);
        }
        return !AsksFor(Command, Name);
    }
    return false;
}

}  // namespace vorsa::detail
