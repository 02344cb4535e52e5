#include "component/SetupReplies.h"

#include <algorithm>
#include <string_view>

namespace vorsa::detail {

namespace {

// A value longer than this is no routing value; reading stops before it could overflow.
constexpr size_t kMaxValueDigits = 9;

const std::string_view kListed = "+CMGL: ";
const std::string_view kUnread = "\"REC UNREAD\"";

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

// Splits Text into its lines at LF, each without the CR before it.
std::vector<std::string_view> Lines(std::string_view Text) {
    std::vector<std::string_view> Result;
    while (!Text.empty()) {
        const size_t End = std::min(Text.find('\n'), Text.size());
        std::string_view Line = Text.substr(0, End);
        while (!Line.empty() && Line.back() == '\r') {
            Line.remove_suffix(1);
        }
        while (!Line.empty() && Line.front() == '\r') {
            Line.remove_prefix(1);
        }
        Result.push_back(Line);
        Text.remove_prefix(std::min(End + 1, Text.size()));
    }
    return Result;
}

// The text after a "+XXXX:" answer prefix, or all of it when it has none.
std::string_view AfterPrefix(std::string_view Line) {
    if (!Line.empty() && Line.front() == '+') {
        const size_t Colon = Line.find(':');
        if (Colon != std::string_view::npos) {
            Line.remove_prefix(Colon + 1);
        }
    }
    while (!Line.empty() && Line.front() == ' ') {
        Line.remove_prefix(1);
    }
    return Line;
}

// The parts of Text at nesting depth 0, split at commas: "(a,b),(c)" gives "(a,b)" and "(c)".
std::vector<std::string_view> TopLevelParts(std::string_view Text) {
    std::vector<std::string_view> Parts;
    int Depth = 0;
    bool Quoted = false;
    size_t Start = 0;
    for (size_t I = 0; I < Text.size(); ++I) {
        const char C = Text[I];
        if (C == '"') {
            Quoted = !Quoted;
        } else if (!Quoted && C == '(') {
            ++Depth;
        } else if (!Quoted && C == ')' && Depth > 0) {
            --Depth;
        } else if (!Quoted && C == ',' && Depth == 0) {
            Parts.push_back(Text.substr(Start, I - Start));
            Start = I + 1;
        }
    }
    Parts.push_back(Text.substr(Start));
    return Parts;
}

// Part without spaces around it and without one pair of parentheses around that.
std::string_view Unwrapped(std::string_view Part) {
    while (!Part.empty() && Part.front() == ' ') {
        Part.remove_prefix(1);
    }
    while (!Part.empty() && Part.back() == ' ') {
        Part.remove_suffix(1);
    }
    if (Part.size() >= 2 && Part.front() == '(' && Part.back() == ')') {
        Part = Part.substr(1, Part.size() - 2);
    }
    return Part;
}

// The strings in double quotes within Text, in order.
std::vector<std::string> QuotedNames(std::string_view Text) {
    std::vector<std::string> Names;
    size_t At = Text.find('"');
    while (At != std::string_view::npos) {
        const size_t End = Text.find('"', At + 1);
        if (End == std::string_view::npos) {
            break;
        }
        if (End > At + 1) {
            Names.emplace_back(Text.substr(At + 1, End - At - 1));
        }
        At = Text.find('"', End + 1);
    }
    return Names;
}

// A decimal number of at most kMaxValueDigits digits, spaces around it allowed.
std::optional<long> SmallNumber(std::string_view Text) {
    while (!Text.empty() && Text.front() == ' ') {
        Text.remove_prefix(1);
    }
    while (!Text.empty() && Text.back() == ' ') {
        Text.remove_suffix(1);
    }
    if (Text.empty() || Text.size() > kMaxValueDigits ||
        !std::all_of(Text.begin(), Text.end(), IsDigit)) {
        return std::nullopt;
    }
    long Value = 0;
    for (const char C : Text) {
        Value = Value * 10 + (C - '0');
    }
    return Value;
}

}  // namespace

std::string RoutingCommand(bool DirectForward, int StatusRouting) {
    return std::string(DirectForward ? "AT+CNMI=2,2,0," : "AT+CNMI=2,1,0,") +
           std::to_string(StatusRouting) + ",0";
}

std::string LastLine(const std::string& Reply) {
    const std::vector<std::string_view> All = Lines(Reply);
    for (auto Line = All.rbegin(); Line != All.rend(); ++Line) {
        if (!Line->empty()) {
            return std::string(*Line);
        }
    }
    return "";
}

std::vector<std::string> MemoryNames(const std::string& Storage) {
    return QuotedNames(Storage);
}

std::string QuotedList(const std::vector<std::string>& Names) {
    std::string Result;
    for (const std::string& Name : Names) {
        Result += (Result.empty() ? "\"" : ",\"") + Name + "\"";
    }
    return Result;
}

std::vector<std::vector<std::string>> ParseMemoryLists(const std::string& Line) {
    std::string_view Lists = AfterPrefix(Line);
    std::vector<std::string_view> Parts = TopLevelParts(Lists);
    // A modem that takes two memories wraps its lists in one more pair of parentheses.
    if (Parts.size() == 1 && Lists.substr(0, 2) == "((") {
        Parts = TopLevelParts(Unwrapped(Parts.front()));
    }
    std::vector<std::vector<std::string>> Result;
    for (const std::string_view Part : Parts) {
        Result.push_back(QuotedNames(Part));
    }
    while (!Result.empty() && Result.back().empty() && Result.size() > 1) {
        Result.pop_back();
    }
    return Result;
}

std::vector<std::string> ChooseMemories(const std::vector<std::string>& Wanted,
                                        const std::vector<std::vector<std::string>>& Lists) {
    std::vector<std::string> Chosen;
    for (size_t I = 0; I < Lists.size(); ++I) {
        const std::vector<std::string>& Listed = Lists[I];
        if (Listed.empty()) {
            break;
        }
        const bool WantedListed =
            I < Wanted.size() && std::find(Listed.begin(), Listed.end(), Wanted[I]) != Listed.end();
        Chosen.push_back(WantedListed ? Wanted[I] : Listed.front());
    }
    return Chosen;
}

bool ValueRanges::Allows(long Value) const {
    return std::any_of(Ranges.begin(), Ranges.end(), [Value](const std::pair<long, long>& Range) {
        return Value >= Range.first && Value <= Range.second;
    });
}

std::vector<ValueRanges> ParseValueRanges(const std::string& Line) {
    std::vector<ValueRanges> Result;
    for (const std::string_view Part : TopLevelParts(AfterPrefix(Line))) {
        ValueRanges Values;
        for (const std::string_view Item : TopLevelParts(Unwrapped(Part))) {
            const size_t Dash = Item.find('-');
            const std::optional<long> Low = SmallNumber(Item.substr(0, Dash));
            const std::optional<long> High =
                Dash == std::string_view::npos ? Low : SmallNumber(Item.substr(Dash + 1));
            if (Low && High && *Low <= *High) {
                Values.Ranges.emplace_back(*Low, *High);
            }
        }
        Result.push_back(std::move(Values));
    }
    return Result;
}

std::optional<std::string> NearestRouting(bool DirectForward,
                                          const std::vector<ValueRanges>& Ranges,
                                          int StatusRouting) {
    if (Ranges.size() < 2) {
        return std::nullopt;
    }
    const long Modes[] = {2, 3, 1};
    const auto Mode = std::find_if(std::begin(Modes), std::end(Modes),
                                   [&Ranges](long M) { return Ranges[0].Allows(M); });
    const long Delivery = DirectForward ? 2 : 1;
    if (Mode == std::end(Modes) || !Ranges[1].Allows(Delivery)) {
        return std::nullopt;
    }
    std::string Routing = std::to_string(*Mode) + "," + std::to_string(Delivery);
    // No cell broadcasts; status reports as asked, else none; held reports flushed, else
    // dropped.
    const std::vector<std::vector<long>> Rest = {{0}, {StatusRouting, 0}, {0, 1}};
    for (size_t I = 0; I < Rest.size() && I + 2 < Ranges.size(); ++I) {
        const ValueRanges& Allowed = Ranges[I + 2];
        const auto Fit = std::find_if(Rest[I].begin(), Rest[I].end(),
                                      [&Allowed](long V) { return Allowed.Allows(V); });
        if (Fit == Rest[I].end()) {
            break;
        }
        Routing += "," + std::to_string(*Fit);
    }
    return Routing;
}

std::vector<std::string> ListedIndexes(const std::string& Reply, bool TextForm) {
    std::vector<std::string> Indexes;
    for (std::string_view Line : Lines(Reply)) {
        if (Line.substr(0, kListed.size()) != kListed) {
            continue;
        }
        Line.remove_prefix(kListed.size());
        const size_t Digits =
            static_cast<size_t>(std::find_if_not(Line.begin(), Line.end(), IsDigit) - Line.begin());
        if (Digits == 0 || Digits > kMaxValueDigits || Line.substr(Digits, 1) != ",") {
            continue;
        }
        if (TextForm && Line.substr(Digits + 1, kUnread.size()) != kUnread) {
            continue;
        }
        Indexes.emplace_back(Line.substr(0, Digits));
    }
    return Indexes;
}

}  // namespace vorsa::detail
