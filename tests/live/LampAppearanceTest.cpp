#include "live/LampAppearance.h"

#include "live/DashboardView.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

TEST(LampAppearance, EveryDashboardLampHasItsDesignedColourAndIsSteady)
{
    for (size_t i = 0; i < kLampCount; ++i) {
        const auto lamp = static_cast<Lamp>(i);
        const auto a = LampAppearance::of(lampObjectName(lamp));
        Rgb expected{0, 255, 0};
        if (lamp == Lamp::SystemOn)
            expected = {255, 0, 255};
        else if (lamp >= Lamp::MinRpmP1 && lamp <= Lamp::MaxRpmP2)
            expected = {0, 255, 255};
        else if (lamp >= Lamp::Serwis)
            expected = {255, 0, 0};
        EXPECT_EQ(a.onColour, expected) << lampObjectName(lamp);
        EXPECT_EQ(a.flashHz, 0) << lampObjectName(lamp);
        EXPECT_FALSE(a.offColour) << lampObjectName(lamp);
        EXPECT_EQ(a.shape, LampAppearance::Shape::Round);
    }
}

} // namespace
} // namespace kdx
