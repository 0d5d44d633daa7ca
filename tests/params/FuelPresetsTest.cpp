#include "LinkFixture.h"

#include "params/EditorId.h"
#include "params/FuelPresets.h"
#include "params/ParameterEditor.h"

namespace kdx::test {
namespace {

using FuelPresetsTest = LinkFixture;

TEST(ConsumptionClasses, PickTheirPauseRow)
{
    // First element of each row of the pause table.
    const struct {
        int index;
        int16_t first;
    } cases[] = {{0, 2880}, {6, 2880}, {7, 1920}, {9, 1920}, {10, 1440}, {12, 1440}, {13, 1160}, {14, 1160},
                 {15, 960}, {17, 960}, {18, 840}, {19, 840}, {20, 720}, {24, 720}, {25, 580}, {30, 580},
                 {-1, 580} /* no item: read as 255 */};
    for (const auto& c : cases) {
        ParameterImage image;
        FuelPresets::consumptionChosen(image, c.index, '.');
        EXPECT_EQ(image.value(layout::AutoPumpStopMap, 0), c.first) << c.index;
    }
}

TEST(ConsumptionClasses, RowsAreTakenAsListed)
{
    EXPECT_EQ(FuelPresets::pauseRow(18), (std::array<int16_t, 9>{840, 420, 280, 1240, 620, 400, 2480, 1240, 840}));
    EXPECT_EQ(FuelPresets::pauseRow(255), (std::array<int16_t, 9>{580, 290, 200, 860, 430, 280, 1700, 850, 580}));
    EXPECT_EQ(FuelPresets::pauseRow(13), (std::array<int16_t, 9>{1160, 580, 400, 1720, 860, 580, 3440, 1720, 1160}));
}

TEST_F(FuelPresetsTest, ConsumptionSendsTheClassThenNineWordsTemperatureOuter)
{
    image.setWord(36, 0x1100); // WorkModeSetting 0, AvFuelComs 0x11 before
    const auto r = ParameterEditor::comboChosen(image, EditorId::AverageConsumption, 7, ',');
    EXPECT_EQ(image.byte(73), 7);
    EXPECT_EQ(image.byte(72), 0); // the mode byte of the same word is untouched
    const auto frames = [&] { writer.send(r.writes); return sentData(); }();
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_EQ(frames[0], (Data{0xC1, 0x49, 0x00, 7}));
    const unsigned words[] = {177, 180, 183, 178, 181, 184, 179, 182, 185};
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(frames[i + 1][0], 0xD1);
        EXPECT_EQ(frames[i + 1][1], words[i]);
        EXPECT_EQ((frames[i + 1][2] << 8) | frames[i + 1][3], image.word(words[i]));
    }
    // Cells: humidity band across, temperature band down, precision 3.
    EXPECT_EQ(r.updates.cells.size(), 9u);
    EXPECT_EQ(r.updates.cellOf(EditorId::AutoPumpStopMap, 1, 1), "192,0");
    EXPECT_EQ(r.updates.cellOf(EditorId::AutoPumpStopMap, 3, 1), "576,0");
    EXPECT_EQ(r.updates.cellOf(EditorId::AutoPumpStopMap, 1, 3), "64,0");
}

TEST_F(FuelPresetsTest, FuelTypeSendsThirteenFramesInOrder)
{
    const auto r = ParameterEditor::comboChosen(image, EditorId::FuelType, 2, '.');
    writer.send(r.writes);
    const auto frames = sentData();
    const std::vector<Data> expected{
        {0xD1, 201, 0x03, 0xE8},            // Auto2xShortOff 1000
        {0xC1, 78, 0x00, 200},              // AutoRpmUpT 20.0 s
        {0xC2, 0x98, 0x00, 2},              // FuelType
        {0xD1, 166, 0, 0},   {0xD1, 161, 0x02, 0xBB}, // on time 0, boundary 699
        {0xD1, 167, 0, 30},  {0xD1, 162, 0x02, 0xBC}, // 700
        {0xD1, 168, 0, 30},  {0xD1, 163, 0x03, 0x20}, // 800
        {0xD1, 169, 0, 30},  {0xD1, 164, 0x03, 0x84}, // 900
        {0xD1, 170, 0, 30},  {0xD1, 165, 0x03, 0xE8}, // 1000
    };
    EXPECT_EQ(frames, expected);
}

TEST_F(FuelPresetsTest, Diesel24RowLabels)
{
    const auto r = FuelPresets::fuelTypeChosen(image, 2, '.');
    const char* labels[] = {"0 -> 699", "699 -> 700", "700 -> 800", "800 -> 900", "900 -> max"};
    for (int row = 1; row <= 5; ++row)
        EXPECT_EQ(r.updates.cellOf(EditorId::AutoPumpOnMap, 0, row), labels[row - 1]);
    EXPECT_EQ(r.updates.cellOf(EditorId::AutoPumpOnMap, 1, 2), "3.0");
    EXPECT_EQ(r.updates.textOf(EditorId::AutoRpmUpTime), "20.0");
}

TEST_F(FuelPresetsTest, GasolineRefreshesTheAutomaticEdits)
{
    for (char sep : {'.', ','}) {
        const auto r = FuelPresets::fuelTypeChosen(image, 0, sep);
        EXPECT_EQ(r.updates.textOf(EditorId::AutoRpmUpTime), std::string("5") + sep + "0");
        EXPECT_EQ(r.updates.textOf(EditorId::Auto2xShortOff), "5000");
        EXPECT_EQ(r.updates.cellOf(EditorId::AutoPumpOnMap, 0, 5), "6000 -> max");
    }
    const auto diesel = FuelPresets::fuelTypeChosen(image, 1, '.');
    EXPECT_EQ(diesel.updates.textOf(EditorId::Auto2xShortOff), "3000");
    EXPECT_EQ(diesel.updates.cellOf(EditorId::AutoPumpOnMap, 0, 1), "0 -> 1300");
}

TEST_F(FuelPresetsTest, UnknownFuelTypeStoresOnlyTheTypeButStillSendsAll)
{
    FuelPresets::fuelTypeChosen(image, 1, '.');
    const ParameterImage before = image;
    const auto r = FuelPresets::fuelTypeChosen(image, -1, '.');
    EXPECT_EQ(image.byte(408), 0xFF);
    ParameterImage expected = before;
    expected.setByte(408, 0xFF);
    EXPECT_EQ(image, expected);
    EXPECT_EQ(r.writes.size(), 13u);
}

} // namespace
} // namespace kdx::test
