#include "component/FinalResults.h"

#include <string>

#include "vorsa/Framework.h"
#include "vorsa/SMScnst.h"

namespace vorsa::detail {

std::optional<FinalResult> MatchFinalResult(std::string_view Line) noexcept {
    for (const FinalResult& Row : FinalResults) {
        const bool Matches = Row.Match == FinalMatch::Whole
                                 ? Line == Row.Text
                                 : Line.substr(0, Row.Text.size()) == Row.Text;
        if (Matches) {
            return Row;
        }
    }
    return std::nullopt;
}

int32_t FinalResultCode(std::string_view Line) {
    const std::optional<FinalResult> Row = MatchFinalResult(Line);
    if (!Row) {
        return 0;
    }
    switch (Row->Latch) {
        case FinalLatch::Nothing:
            return 0;
        case FinalLatch::ModemError:
            return ErrModemError;
        case FinalLatch::CmsCode:
            break;
    }
    // A code that is not a whole number (or none at all) still marks a failed command.
    try {
        return StrToInt(Trim(std::string(Line.substr(Row->Text.size()))));
    } catch (const EConvertError&) {
        return ErrModemError;
    }
}

bool IsFailure(std::string_view Line) noexcept {
    const std::optional<FinalResult> Row = MatchFinalResult(Line);
    return Row && Row->Latch != FinalLatch::Nothing;
}

}  // namespace vorsa::detail
