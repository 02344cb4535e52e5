#include "comdrv/LineControl.h"

namespace vorsa::detail {

uint32_t LineControlFlags(tFlowControl Flow, bool FixedWords, uint32_t CurrentFlags) noexcept {
    if (FixedWords) {
        switch (Flow) {
            case tFlowControl::XON_XOFF:
                return FlagsXonXoff;
            case tFlowControl::Hardware:
                return FlagsHardware;
            case tFlowControl::No:
                return FlagsNoFlowControl;
        }
        return FlagsNoFlowControl;  // not reached for a valid enumerator
    }
    switch (Flow) {
        case tFlowControl::XON_XOFF:
            return CurrentFlags | FlagsLegacyMask;
        case tFlowControl::Hardware:
            return CurrentFlags & ~FlagsLegacyMask;
        case tFlowControl::No:
            return CurrentFlags;
    }
    return CurrentFlags;
}

}  // namespace vorsa::detail
