#include "vorsa/Framework.h"

namespace vorsa {

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner) {
    if (FOwner != nullptr) {
        FComponentState = FOwner->FComponentState & csDesigning;
    }
}

void TComponent::SetDesigning(bool Value) noexcept {
    if (Value) {
        FComponentState |= csDesigning;
    } else {
        FComponentState &= ~csDesigning;
    }
}

}  // namespace vorsa
