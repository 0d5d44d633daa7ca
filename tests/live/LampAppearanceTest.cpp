#include "live/LampAppearance.h"

#include "live/DashboardView.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

TEST(LampAppearance, EveryDashboardLampHasItsDesignedColourAndIsSteady)
{
    for (size_t i = 0; i < kLampCount; ++i) {
        const auto lamp = static_cast<Lamp>(i);
        const auto a = LampAppearance::of(lamp);
        Rgb expected{0, 255, 0};
        if (lamp == Lamp::SystemOn)
            expected = {255, 0, 255};
        else if (lamp >= Lamp::MinRpmP1 && lamp <= Lamp::MaxRpmP2)
            expected = {0, 255, 255};
        else if (lamp >= Lamp::Serwis)
            expected = {255, 0, 0};
        EXPECT_EQ(a.onColour, expected) << "lamp " << i;
        EXPECT_EQ(a.flashHz, 0) << "lamp " << i;
        EXPECT_FALSE(a.offColour) << "lamp " << i;
        EXPECT_EQ(a.shape, LampAppearance::Shape::Round);
    }
}

TEST(LampAppearance, AlarmAndSaveLampsFlashInTheirDesignedShapes)
{
    struct Case {
        const char* what;
        LampAppearance look;
        Rgb on;
        std::optional<Rgb> off;
        LampAppearance::Shape shape;
        int width, height;
    };
    const Rgb lime{0, 255, 0};
    const Case cases[] = {
        {"memory error", LampAppearance::memoryError(), {255, 0, 0}, std::nullopt, LampAppearance::Shape::Round, 20, 20},
        {"saving", LampAppearance::saving(), lime, std::nullopt, LampAppearance::Shape::Rectangle, 16, 14},
        {"pump warning", LampAppearance::pumpWarning(), {255, 255, 0}, std::nullopt, LampAppearance::Shape::Round, 20, 20},
        {"test result", LampAppearance::testResult(), {0, 0, 255}, lime, LampAppearance::Shape::Rectangle, 80, 80},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.look.onColour, c.on) << c.what;
        EXPECT_EQ(c.look.offColour, c.off) << c.what;
        EXPECT_EQ(c.look.flashHz, 4) << c.what;
        EXPECT_EQ(c.look.shape, c.shape) << c.what;
        EXPECT_EQ(c.look.width, c.width) << c.what;
        EXPECT_EQ(c.look.height, c.height) << c.what;
    }
}

} // namespace
} // namespace kdx
