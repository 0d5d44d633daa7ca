#include "LinkFixture.h"

#include "params/ComboItems.h"
#include "params/EditorId.h"
#include "params/ControllerCommands.h"
#include "params/GridPaint.h"
#include "protocol/Wire.h"

namespace kdx::test {
namespace {

using ControllerCommandsTest = LinkFixture;

TEST_F(ControllerCommandsTest, ModeAndServiceCommandsIgnoreTheLoadedFlag)
{
    state.parametersLoaded = false;
    ControllerCommands commands(link);
    EXPECT_TRUE(commands.setWorkMode(image, wire::kModeOff));
    EXPECT_EQ(image.byte(72), 0xFF);
    EXPECT_TRUE(commands.serviceOn());
    EXPECT_TRUE(commands.serviceOff());
    EXPECT_TRUE(commands.eraseErrors());
    EXPECT_EQ(sentData(), (std::vector<Data>{{0x10, 0x00, 0xFF, 0x00}, {0x81, 0, 0, 0}, {0x80, 0, 0, 0},
                                             {0x61, 0, 0, 0}}));
}

TEST(GridPaint, LayersCoverEachOtherInOrder)
{
    ParameterImage image;
    image.set(layout::ManualTrigP1Toff, -1, 4); // row 5, column 2
    LiveMarkers markers;
    markers.trigMapRow = 4;

    // Odd columns white, even ones keep the grid's background.
    EXPECT_EQ(GridPaint::cell(image, EditorId::ManualTrigMap, 1, 1, markers).fill, 0xFFFFFFu);
    EXPECT_FALSE(GridPaint::cell(image, EditorId::ManualTrigMap, 2, 1, markers).fill.has_value());
    // The live row: yellow with the red outline, even in the heading column.
    for (int c : {0, 1, 3, 4}) {
        const auto p = GridPaint::cell(image, EditorId::ManualTrigMap, c, 5, markers);
        EXPECT_EQ(p.fill, 0xFFFF00u) << c;
        EXPECT_TRUE(p.markerOutline) << c;
    }
    // A negative value paints red over everything.
    const auto neg = GridPaint::cell(image, EditorId::ManualTrigMap, 2, 5, markers);
    EXPECT_EQ(neg.fill, 0xFF0000u);
    EXPECT_FALSE(neg.markerOutline);
    EXPECT_EQ(neg.textColour, 0x000000u);
}

TEST(GridPaint, MarkersOutsideTheGridMarkNothing)
{
    ParameterImage image;
    LiveMarkers markers{0xFF, 0xFF, 0xFF, 0xFF};
    for (int r = 0; r < 25; ++r)
        EXPECT_FALSE(GridPaint::isLiveMarker(EditorId::ManualTrigMap, 1, r, markers));
    markers.pumpOnRow = 5; // one past the last band
    EXPECT_FALSE(GridPaint::isLiveMarker(EditorId::AutoPumpOnMap, 1, 6, markers));
    markers.pumpOnRow = 4;
    EXPECT_TRUE(GridPaint::isLiveMarker(EditorId::AutoPumpOnMap, 0, 5, markers));
    markers.pumpStopCol = 2;
    markers.pumpStopRow = 0;
    EXPECT_TRUE(GridPaint::isLiveMarker(EditorId::AutoPumpStopMap, 3, 1, markers));
    EXPECT_FALSE(GridPaint::isLiveMarker(EditorId::AutoPumpStopMap, 1, 3, markers));
    markers.pumpStopCol = 3;
    EXPECT_FALSE(GridPaint::isLiveMarker(EditorId::AutoPumpStopMap, 4, 1, markers));
    // The pause grid has no negative-value colouring.
    image.set(layout::AutoPumpStopMap, -5, 0);
    EXPECT_FALSE(GridPaint::cell(image, EditorId::AutoPumpStopMap, 2, 1, LiveMarkers{}).fill.has_value());
}

TEST(ComboItems, Lists)
{
    const auto volts = ComboItems::anKompSett();
    ASSERT_EQ(volts.size(), 128u);
    EXPECT_EQ(volts[0], "1,00V");
    EXPECT_EQ(volts[1], "1,08V");
    EXPECT_EQ(volts[2], "1,16V");
    EXPECT_EQ(volts[64], "6,04V");
    EXPECT_EQ(volts[126], "10,92V");
    EXPECT_EQ(volts[127], "11,00V");
    EXPECT_EQ(ComboItems::manualRpm().front(), "000");
    EXPECT_EQ(ComboItems::manualRpm().back(), "10000");
    EXPECT_EQ(ComboItems::serwisToff()[10], "11");
    EXPECT_EQ(ComboItems::avFuelComs().back(), "30+");
}

} // namespace
} // namespace kdx::test
