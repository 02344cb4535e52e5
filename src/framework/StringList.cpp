// The ordered string list, also used as a first-in, first-out queue.
#include "vorsa/Framework.h"

namespace vorsa {

namespace {

[[noreturn]] void RaiseIndexError(int Index) {
    throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

}  // namespace

int TStringList::Add(const std::string& S) {
    FItems.push_back(S);
    return Count() - 1;
}

const std::string& TStringList::Strings(int Index) const {
    if (Index < 0 || Index >= Count()) {
        RaiseIndexError(Index);
    }
    return FItems[static_cast<std::size_t>(Index)];
}

void TStringList::Delete(int Index) {
    if (Index < 0 || Index >= Count()) {
        RaiseIndexError(Index);
    }
    FItems.erase(FItems.begin() + Index);
}

void TStringList::SetText(const std::string& Value) {
    FItems.clear();
    const char* P = Value.c_str();  // NUL-terminated: a NUL inside the text ends it too
    while (*P != '\0') {
        const char* Start = P;
        while (*P != '\0' && *P != '\r' && *P != '\n') {
            ++P;
        }
        FItems.emplace_back(Start, P);
        if (*P == '\r') {
            ++P;
        }
        if (*P == '\n') {
            ++P;
        }
    }
}

std::string TStringList::Text() const {
    std::string Result;
    for (const std::string& Item : FItems) {
        Result += Item;
        Result += "\r\n";
    }
    return Result;
}

}  // namespace vorsa
