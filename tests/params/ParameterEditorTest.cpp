#include "LinkFixture.h"

#include "params/ControlNames.h"
#include "params/ParameterEditor.h"

namespace kdx::test {
namespace {

using namespace controls;

std::string local(std::string text, char sep)
{
    for (char& c : text)
        if (c == '.')
            c = sep;
    return text;
}

class ParameterEditorTest : public LinkFixture, public ::testing::WithParamInterface<char> {
protected:
    char sep() const { return GetParam(); }
    EditResult edit(const char* control, const char* pointText)
    {
        return ParameterEditor::editEntered(image, control, local(pointText, sep()), sep());
    }
    EditResult gridEnter(const char* grid, int c, int r, const char* pointText)
    {
        return ParameterEditor::gridCellEntered(image, grid, c, r, local(pointText, sep()), sep());
    }
    // Sends the result's writes and returns the frames' data bytes.
    std::vector<Data> sendAll(const EditResult& r)
    {
        const size_t before = line.sentFrames().size();
        writer.send(r.writes);
        auto all = sentData();
        return std::vector<Data>(all.begin() + static_cast<long>(before), all.end());
    }
};

TEST_P(ParameterEditorTest, DecimalEditsMultiplyAndTruncate)
{
    const struct {
        const char* control;
        const char* entry;
        const Field& field;
        uint32_t stored;
    } cases[] = {
        {kEditMinLevH, "1.2", layout::MinLevH, 983},
        {kEditMinLevL, "0.9", layout::MinLevL, 737},
        {kEditMaxHum, "95", layout::MaxHum, 950},
        {kEditAutoMinTemp, "-2.5", layout::AutoMinTemp, 0xFFE7},
        {kEditAutoRpmUpT, "25.5", layout::AutoRpmUpT, 255}, // the largest the byte holds
        {kEditManualMconstOnP1, "12.34", layout::ManualMconstOnP1, 123},
        {kEditManualMconstOffP2, "0.19", layout::ManualMconstOffP2, 1},
        {kEditManualMconstOffP1, "-0.09", layout::ManualMconstOffP1, 0}, // truncated toward zero, fits
    };
    for (const auto& c : cases) {
        const auto r = edit(c.control, c.entry);
        ASSERT_TRUE(r.ok()) << c.control << ": " << r.error;
        EXPECT_EQ(image.raw(c.field), c.stored) << c.control;
        ASSERT_EQ(r.writes.size(), 1u);
        EXPECT_EQ(r.writes[0], RegisterWrite::forField(c.field)) << c.control;
    }
}

TEST_P(ParameterEditorTest, RpmUpTimeGoesAsAByteWrite)
{
    EXPECT_EQ(sendAll(edit(kEditAutoRpmUpT, "4.4")), (std::vector<Data>{{0xC1, 0x4E, 0x00, 44}}));
}

TEST_P(ParameterEditorTest, GeneralDelayZeroBecomesOne)
{
    image.set(layout::GeneralDelay, 120);
    const auto r = edit(kEditGeneralDelay, "0");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.updates.textOf(kEditGeneralDelay), "1");
    EXPECT_EQ(sendAll(r), (std::vector<Data>{{0xD1, 0xBB, 0x00, 0x01}}));

    const auto r120 = edit(kEditGeneralDelay, "120");
    EXPECT_FALSE(r120.updates.textOf(kEditGeneralDelay).has_value()); // the typed text stays
    EXPECT_EQ(sendAll(r120), (std::vector<Data>{{0xD1, 0xBB, 0x00, 0x78}}));

    // Values the register cannot hold are refused, not wrapped (-5 would be
    // 65531 s; 65536 would be zero and then one).
    for (const char* wrapping : {"-5", "65536"}) {
        const auto refused = edit(kEditGeneralDelay, wrapping);
        EXPECT_EQ(refused.error, "'" + std::string(wrapping) + "' is not a valid integer value");
        EXPECT_TRUE(refused.writes.empty());
        EXPECT_FALSE(refused.updates.textOf(kEditGeneralDelay).has_value());
        EXPECT_EQ(image.raw(layout::GeneralDelay), 120u);
    }
}

TEST_P(ParameterEditorTest, IntegerEdits)
{
    EXPECT_EQ(sendAll(edit(kEditRpmDziel, "10")), (std::vector<Data>{{0xD1, 186, 0x00, 10}}));
    EXPECT_EQ(sendAll(edit(kEditAuto2xShortOff, "5000")), (std::vector<Data>{{0xD1, 201, 0x13, 0x88}}));
}

TEST_P(ParameterEditorTest, BadTextStoresAndSendsNothing)
{
    image.set(layout::MinLevH, 410);
    image.set(layout::RpmDziel, 7);
    const ParameterImage before = image;
    const char other = sep() == '.' ? ',' : '.';
    const std::string wrongSeparator = std::string("1") + other + "2";

    auto r = ParameterEditor::editEntered(image, kEditMinLevH, wrongSeparator, sep());
    EXPECT_EQ(r.error, "'" + wrongSeparator + "' is not a valid floating point value");
    EXPECT_TRUE(r.writes.empty());
    r = ParameterEditor::editEntered(image, kEditRpmDziel, "1" + std::string(1, sep()) + "5", sep());
    EXPECT_EQ(r.error, "'1" + std::string(1, sep()) + "5' is not a valid integer value");
    EXPECT_TRUE(r.writes.empty());
    r = edit(kEditGeneralDelay, "");
    EXPECT_EQ(r.error, "'' is not a valid integer value");
    r = edit(kEditAutoMinTemp, "1e300"); // no integer value fits
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.writes.empty());
    EXPECT_EQ(image, before);
    EXPECT_TRUE(line.sentFrames().empty());
}

TEST_P(ParameterEditorTest, RpmInputKindSetsOnlyItsBitAndTheComparatorVisibility)
{
    image.setByte(80, 0xF1);
    image.setByte(81, 0x5C);
    auto r = ParameterEditor::comboChosen(image, kComboBoxRpmIn, 1, sep());
    EXPECT_EQ(image.byte(80), 0xF3);
    EXPECT_EQ(r.updates.visibleOf(kComboBoxAnKompSett), true);
    EXPECT_EQ(sendAll(r), (std::vector<Data>{{0xD1, 0x28, 0x5C, 0xF3}}));
    r = ParameterEditor::comboChosen(image, kComboBoxRpmIn, 0, sep());
    EXPECT_EQ(image.byte(80), 0xF1);
    EXPECT_EQ(r.updates.visibleOf(kComboBoxAnKompSett), false);
}

TEST_P(ParameterEditorTest, PumpCheckBoxesChangeOnlyTheirBit)
{
    image.setByte(80, 0xFF);
    auto r = ParameterEditor::checkClicked(image, kCheckBoxPump1Active, false);
    EXPECT_EQ(image.byte(80), 0xFB);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(40)}));
    ParameterEditor::checkClicked(image, kCheckBoxPump2Active, false);
    EXPECT_EQ(image.byte(80), 0xF3);
    ParameterEditor::checkClicked(image, kCheckBoxPump1Active, true);
    EXPECT_EQ(image.byte(80), 0xF7);
    EXPECT_EQ(image.byte(81), 0x00);
}

TEST_P(ParameterEditorTest, ListCombosStoreFromTheItemIndex)
{
    const struct {
        const char* combo;
        int index;
        const Field& field;
        uint32_t stored;
        unsigned word;
    } cases[] = {
        {kComboBoxSerwisToff, 0, layout::SerwisToff, 10, 203},    // item "1"
        {kComboBoxSerwisToff, 998, layout::SerwisToff, 9990, 203}, // item "999"
        {kComboBoxSerwisTon, 15, layout::SerwisTon, 150, 202},
        {kComboBoxSerwisTon, -1, layout::SerwisTon, 0xFFF6, 202},  // typed text matching no item
        {kComboBoxManualMinRpmP1, 15, layout::ManualMinRpmP1, 1500, 189},
        {kComboBoxManualMaxRpmP1, 100, layout::ManualMaxRpmP1, 10000, 188},
        {kComboBoxManualMinRpmP2, 0, layout::ManualMinRpmP2, 0, 191},
        {kComboBoxManualMaxRpmP2, 50, layout::ManualMaxRpmP2, 5000, 190},
    };
    for (const auto& c : cases) {
        const auto r = ParameterEditor::comboChosen(image, c.combo, c.index, sep());
        EXPECT_EQ(image.raw(c.field), c.stored) << c.combo << " " << c.index;
        EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(static_cast<uint16_t>(c.word))}));
    }
    EXPECT_EQ(sendAll(ParameterEditor::comboChosen(image, kComboBoxAnKompSett, 64, sep())),
              (std::vector<Data>{{0xC2, 0x99, 0x00, 0x40}}));
}

TEST_P(ParameterEditorTest, ManualTriggerOnTimes)
{
    auto r = gridEnter(kStringGridManualTrigMap, 1, 3, "0.5");
    EXPECT_EQ(r.updates.cellOf(kStringGridManualTrigMap, 1, 3), "1");
    EXPECT_EQ(image.raw(layout::ManualTrigP1Ton, 2), 10u);
    EXPECT_EQ(sendAll(r), (std::vector<Data>{{0xD1, 67, 0x00, 10}}));

    r = gridEnter(kStringGridManualTrigMap, 3, 1, "0");
    EXPECT_TRUE(r.updates.cells.empty());
    EXPECT_EQ(image.raw(layout::ManualTrigP2Ton, 0), 0u);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(113)}));

    r = gridEnter(kStringGridManualTrigMap, 3, 24, "-1");
    EXPECT_TRUE(r.updates.cells.empty());
    EXPECT_EQ(image.raw(layout::ManualTrigP2Ton, 23), 0xFFF6u);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(136)}));

    r = gridEnter(kStringGridManualTrigMap, 1, 1, "1.05");
    EXPECT_EQ(image.raw(layout::ManualTrigP1Ton, 0), 10u);
}

TEST_P(ParameterEditorTest, ManualTriggerOffTimesAreAtLeastOneSecond)
{
    for (const char* entry : {"0", "-3", "0.99"}) {
        const auto r = gridEnter(kStringGridManualTrigMap, 2, 24, entry);
        EXPECT_EQ(r.updates.cellOf(kStringGridManualTrigMap, 2, 24), "1") << entry;
        EXPECT_EQ(image.raw(layout::ManualTrigP1Toff, 23), 10u) << entry;
        EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(112)}));
    }
    const auto r = gridEnter(kStringGridManualTrigMap, 4, 1, "2.55");
    EXPECT_TRUE(r.updates.cells.empty());
    EXPECT_EQ(image.raw(layout::ManualTrigP2Toff, 0), 25u);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(137)}));

    const ParameterImage before = image;
    const auto bad = gridEnter(kStringGridManualTrigMap, 2, 1, "x");
    EXPECT_EQ(bad.error, "'x' is not a valid floating point value");
    EXPECT_TRUE(bad.writes.empty());
    EXPECT_TRUE(bad.updates.empty());
    EXPECT_EQ(image, before);
}

TEST_P(ParameterEditorTest, AutomaticGridsMapCellsToWords)
{
    auto r = gridEnter(kStringGridAutoPumpOn, 1, 5, "2.5");
    EXPECT_EQ(image.raw(layout::AutoPumpOnTime, 4), 25u);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(170)}));

    r = gridEnter(kStringGridAutoPumpOn, 0, 5, "9");
    EXPECT_TRUE(r.writes.empty());

    r = gridEnter(kStringGridAutoPumpStop, 3, 2, "-0.5"); // no validation in the automatic grids
    EXPECT_EQ(image.raw(layout::AutoPumpStopMap, 7), 0xFFFBu);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(184)}));
    r = gridEnter(kStringGridAutoPumpStop, 1, 1, "100");
    EXPECT_EQ(image.raw(layout::AutoPumpStopMap, 0), 1000u);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(177)}));
    r = gridEnter(kStringGridAutoPumpStop, 2, 1, "1");
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(180)})); // humidity band 1, temperature 0
}

INSTANTIATE_TEST_SUITE_P(Separators, ParameterEditorTest, ::testing::Values('.', ','));

TEST(ParameterEditorCells, OnlyDataCellsAreEditable)
{
    EXPECT_TRUE(ParameterEditor::isEditableCell(kStringGridManualTrigMap, 4, 24));
    EXPECT_FALSE(ParameterEditor::isEditableCell(kStringGridManualTrigMap, 0, 5));
    EXPECT_FALSE(ParameterEditor::isEditableCell(kStringGridManualTrigMap, 2, 0));
    EXPECT_FALSE(ParameterEditor::isEditableCell(kStringGridManualTrigMap, 5, 1));
    EXPECT_FALSE(ParameterEditor::isEditableCell(kStringGridManualTrigMap, 1, 25));
    EXPECT_TRUE(ParameterEditor::isEditableCell(kStringGridAutoPumpOn, 1, 1));
    EXPECT_FALSE(ParameterEditor::isEditableCell(kStringGridAutoPumpOn, 1, 6));
    EXPECT_TRUE(ParameterEditor::isEditableCell(kStringGridAutoPumpStop, 3, 3));
    EXPECT_FALSE(ParameterEditor::isEditableCell(kStringGridAutoPumpStop, 0, 0));
    EXPECT_FALSE(ParameterEditor::isEditableCell("StringGridPC_ID", 1, 1));
}

TEST(ParameterEditorGating, BeforeTheFirstReadTheImageChangesButNothingIsSent)
{
    TestClock clock;
    ScriptedLine line(clock);
    ConnectionState state;
    DeviceLink link(line, clock, state);
    link.selectPort("/dev/ttyUSB0");
    link.openPort();
    ParameterImage image;
    RegisterWriter writer(link, image);
    const auto r = ParameterEditor::editEntered(image, kEditGeneralDelay, "42", '.');
    EXPECT_FALSE(writer.send(r.writes));
    EXPECT_EQ(image.raw(layout::GeneralDelay), 42u);
    EXPECT_TRUE(line.sentFrames().empty());
}

} // namespace
} // namespace kdx::test
