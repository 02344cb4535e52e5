// Keeps the error latches out of an operation that reports its errors in its result: what
// earlier exchanges latched and have not reported yet is set aside for the operation's
// lifetime and put back after, so that the operation reads only its own codes and the old
// ones are still reported by the next exchange, as they would have been.
#pragma once

#include <cstdint>

#include "vorsa/Vorsa32.h"

namespace vorsa::detail {

class LatchesAside {
  public:
    explicit LatchesAside(TVorsa& Vorsa)
        : FVorsa(Vorsa), FSystem(Vorsa.GetError()), FCode(Vorsa.GetSMSError()) {}
    ~LatchesAside() {
        (void)FVorsa.GetError();
        (void)FVorsa.GetSMSError();
        if (FSystem != 0) {
            FVorsa.SetError(FSystem);
        }
        FVorsa.SetSMSError(FCode);
    }
    LatchesAside(const LatchesAside&) = delete;
    LatchesAside& operator=(const LatchesAside&) = delete;

  private:
    TVorsa& FVorsa;
    int32_t FSystem;
    int32_t FCode;
};

}  // namespace vorsa::detail
