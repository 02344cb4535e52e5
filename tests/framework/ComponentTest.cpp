#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "vorsa/Framework.h"

namespace vorsa {
namespace {

TEST(Component, TakesOverTheDesignStateOfItsOwnerAtConstruction) {
    TComponent designer;
    designer.SetDesigning(true);
    TComponent child(&designer);
    EXPECT_EQ(child.Owner(), &designer);
    EXPECT_NE(child.ComponentState() & csDesigning, 0u);

    designer.SetDesigning(false);
    EXPECT_NE(child.ComponentState() & csDesigning, 0u) << "only construction copies the state";
    TComponent later(&designer);
    EXPECT_EQ(later.ComponentState() & csDesigning, 0u);
}

TEST(Component, WithoutOwnerIsNotInDesignState) {
    TComponent alone;
    EXPECT_EQ(alone.Owner(), nullptr);
    EXPECT_EQ(alone.ComponentState(), 0u);
}

int CountOf(const std::string& ClassName) {
    const auto All = RegisteredComponents();
    return static_cast<int>(std::count_if(All.begin(), All.end(),
                                          [&](const auto& E) { return E.ClassName == ClassName; }));
}

TEST(RegisterComponents, RecordsEachClassOnItsPageOnce) {
    RegisterComponents("System", {"TRegistryTestA", "TRegistryTestB"});
    RegisterComponents("Other", {"TRegistryTestA", "TRegistryTestC"});

    const auto All = RegisteredComponents();
    auto Find = [&](const std::string& ClassName) {
        return std::find_if(All.begin(), All.end(),
                            [&](const auto& E) { return E.ClassName == ClassName; });
    };
    ASSERT_NE(Find("TRegistryTestA"), All.end());
    EXPECT_EQ(Find("TRegistryTestA")->Page, "System") << "the first registration stays";
    EXPECT_EQ(Find("TRegistryTestB")->Page, "System");
    EXPECT_EQ(Find("TRegistryTestC")->Page, "Other");
    EXPECT_EQ(CountOf("TRegistryTestA"), 1);
    EXPECT_LT(Find("TRegistryTestB"), Find("TRegistryTestC")) << "registration order kept";
    EXPECT_EQ(CountOf("TRegistryTestNever"), 0);
}

TEST(RegisterComponents, ConcurrentRegistrationsKeepOneEntryPerClass) {
    std::vector<std::thread> Threads;
    for (int T = 0; T < 4; ++T) {
        Threads.emplace_back([] {
            for (int I = 0; I < 50; ++I) {
                RegisterComponents("Race", {"TRegistryRace" + std::to_string(I)});
            }
        });
    }
    for (auto& Thread : Threads) {
        Thread.join();
    }
    for (int I = 0; I < 50; ++I) {
        EXPECT_EQ(CountOf("TRegistryRace" + std::to_string(I)), 1);
    }
}

}  // namespace
}  // namespace vorsa
