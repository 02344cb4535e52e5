// The small framework the components stand on: the component base, the string list,
// string helpers, exceptions, the hidden window with its timers and posted messages,
// and the calling thread's message loop.
#pragma once

#include <cstdint>

namespace vorsa {

/// Root of the class hierarchy.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;
};

/// A set of component-state flags.
using TComponentState = uint32_t;
/// The component is being edited in a design environment: it must not talk to devices
/// or create windows.
constexpr TComponentState csDesigning = 1u << 4;

/// Base of every component. The owner is a non-owning link: a component never destroys
/// the components it owns, whose lifetimes the application manages. A component takes
/// over the design state of its owner when it is constructed.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner = nullptr);
    ~TComponent() override = default;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const noexcept { return FOwner; }
    TComponentState ComponentState() const noexcept { return FComponentState; }

    /// Puts the component into design state or takes it out. Components created later
    /// with this one as owner inherit the state.
    void SetDesigning(bool Value) noexcept;

private:
    TComponent* FOwner;
    TComponentState FComponentState = 0;
};

}  // namespace vorsa
