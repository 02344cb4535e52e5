#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vorsa
