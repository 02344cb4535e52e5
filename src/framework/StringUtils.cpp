// String helpers on byte strings with 1-based positions. Copy and Delete clamp at the
// string's ends in 64-bit arithmetic, so no index or count a caller computes can make them
// read or write outside the string.
#include <limits>

#include "vorsa/Framework.h"

namespace vorsa {

namespace {

bool IsBlank(char C) {
    return static_cast<unsigned char>(C) <= 32;
}

int64_t Length(const std::string& S) {
    return static_cast<int64_t>(S.size());
}

}  // namespace

std::string Trim(const std::string& S) {
    std::size_t First = 0;
    std::size_t Last = S.size();
    while (First < Last && IsBlank(S[First])) {
        ++First;
    }
    while (Last > First && IsBlank(S[Last - 1])) {
        --Last;
    }
    return S.substr(First, Last - First);
}

int32_t StrToInt(const std::string& S) {
    std::size_t I = 0;
    bool Negative = false;
    if (I < S.size() && (S[I] == '+' || S[I] == '-')) {
        Negative = S[I] == '-';
        ++I;
    }
    // The magnitude may reach 2^31 for a negative number; stop as soon as it passes that.
    const int64_t Limit = Negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : std::numeric_limits<int32_t>::max();
    int64_t Magnitude = 0;
    const std::size_t FirstDigit = I;
    for (; I < S.size(); ++I) {
        const char C = S[I];
        if (C < '0' || C > '9') {
            break;
        }
        Magnitude = Magnitude * 10 + (C - '0');
        if (Magnitude > Limit) {
            break;
        }
    }
    if (I == FirstDigit || I != S.size()) {
        throw EConvertError("'" + S + "' is not a valid integer value");
    }
    return static_cast<int32_t>(Negative ? -Magnitude : Magnitude);
}

namespace detail {

std::string UpperHex(uint64_t Value, int Digits) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string Result;
    do {
        Result.insert(Result.begin(), kHexDigits[Value & 0xF]);
        Value >>= 4;
    } while (Value != 0);
    if (Digits > 0 && Result.size() < static_cast<std::size_t>(Digits)) {
        Result.insert(0, static_cast<std::size_t>(Digits) - Result.size(), '0');
    }
    return Result;
}

}  // namespace detail

std::string StringReplace(const std::string& S, const std::string& OldPattern,
                          const std::string& NewPattern) {
    if (OldPattern.empty()) {
        return S;
    }
    const std::size_t At = S.find(OldPattern);
    if (At == std::string::npos) {
        return S;
    }
    std::string Result = S;
    Result.replace(At, OldPattern.size(), NewPattern);
    return Result;
}

int64_t Pos(const std::string& Sub, const std::string& S) {
    if (Sub.empty()) {
        return 0;
    }
    const std::size_t At = S.find(Sub);
    return At == std::string::npos ? 0 : static_cast<int64_t>(At) + 1;
}

std::string Copy(const std::string& S, int64_t Index, int64_t Count) {
    if (Index < 1) {
        Index = 1;
    }
    if (Count < 1 || Index > Length(S)) {
        return {};
    }
    const int64_t Available = Length(S) - Index + 1;
    return S.substr(static_cast<std::size_t>(Index - 1),
                    static_cast<std::size_t>(Count < Available ? Count : Available));
}

void Delete(std::string& S, int64_t Index, int64_t Count) {
    if (Index < 1 || Index > Length(S) || Count < 1) {
        return;
    }
    const int64_t Available = Length(S) - Index + 1;
    S.erase(static_cast<std::size_t>(Index - 1),
            static_cast<std::size_t>(Count < Available ? Count : Available));
}

}  // namespace vorsa
