// The classes made available on the palettes of the design environment.
#include <algorithm>
#include <mutex>

#include "vorsa/Framework.h"

namespace vorsa {

namespace {

struct ComponentRegistry {
    std::mutex Lock;
    std::vector<TRegisteredComponent> Entries;
};

ComponentRegistry& TheComponentRegistry() {
    static ComponentRegistry Instance;
    return Instance;
}

}  // namespace

void RegisterComponents(const std::string& Page, const std::vector<std::string>& ClassNames) {
    ComponentRegistry& Registry = TheComponentRegistry();
    std::lock_guard<std::mutex> Guard(Registry.Lock);
    for (const std::string& ClassName : ClassNames) {
        const bool Known =
            std::any_of(Registry.Entries.begin(), Registry.Entries.end(),
                        [&](const TRegisteredComponent& E) { return E.ClassName == ClassName; });
        if (!Known) {
            Registry.Entries.push_back(TRegisteredComponent{Page, ClassName});
        }
    }
}

std::vector<TRegisteredComponent> RegisteredComponents() {
    ComponentRegistry& Registry = TheComponentRegistry();
    std::lock_guard<std::mutex> Guard(Registry.Lock);
    return Registry.Entries;
}

}  // namespace vorsa
