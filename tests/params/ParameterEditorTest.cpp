#include "LinkFixture.h"

#include "params/EditorId.h"
#include "params/ParameterEditor.h"

namespace kdx::test {
namespace {


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
    EditResult edit(EditorId control, const char* pointText)
    {
        return ParameterEditor::editEntered(image, control, local(pointText, sep()), sep());
    }
    EditResult gridEnter(EditorId grid, int c, int r, const char* pointText)
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
        EditorId control;
        const char* entry;
        const Field& field;
        uint32_t stored;
    } cases[] = {
        {EditorId::MinLevH, "1.2", layout::MinLevH, 983},
        {EditorId::MinLevL, "0.9", layout::MinLevL, 737},
        {EditorId::MaxHumidity, "95", layout::MaxHum, 950},
        {EditorId::AutoMinTemp, "-2.5", layout::AutoMinTemp, 0xFFE7},
        {EditorId::AutoRpmUpTime, "25.5", layout::AutoRpmUpT, 255}, // the largest the byte holds
        {EditorId::ManualOnP1, "12.34", layout::ManualMconstOnP1, 123},
        {EditorId::ManualOffP2, "0.19", layout::ManualMconstOffP2, 1},
        {EditorId::ManualOffP1, "-0.09", layout::ManualMconstOffP1, 0}, // truncated toward zero, fits
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
    EXPECT_EQ(sendAll(edit(EditorId::AutoRpmUpTime, "4.4")), (std::vector<Data>{{0xC1, 0x4E, 0x00, 44}}));
}

TEST_P(ParameterEditorTest, GeneralDelayZeroBecomesOne)
{
    image.set(layout::GeneralDelay, 120);
    const auto r = edit(EditorId::GeneralDelay, "0");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.updates.textOf(EditorId::GeneralDelay), "1");
    EXPECT_EQ(sendAll(r), (std::vector<Data>{{0xD1, 0xBB, 0x00, 0x01}}));

    const auto r120 = edit(EditorId::GeneralDelay, "120");
    EXPECT_FALSE(r120.updates.textOf(EditorId::GeneralDelay).has_value()); // the typed text stays
    EXPECT_EQ(sendAll(r120), (std::vector<Data>{{0xD1, 0xBB, 0x00, 0x78}}));

    // Values the register cannot hold are refused, not wrapped (-5 would be
    // 65531 s; 65536 would be zero and then one).
    for (const char* wrapping : {"-5", "65536"}) {
        const auto refused = edit(EditorId::GeneralDelay, wrapping);
        EXPECT_EQ(refused.error, "'" + std::string(wrapping) + "' is not a valid integer value");
        EXPECT_TRUE(refused.writes.empty());
        EXPECT_FALSE(refused.updates.textOf(EditorId::GeneralDelay).has_value());
        EXPECT_EQ(image.raw(layout::GeneralDelay), 120u);
    }
}

TEST_P(ParameterEditorTest, IntegerEdits)
{
    EXPECT_EQ(sendAll(edit(EditorId::RpmDivide, "10")), (std::vector<Data>{{0xD1, 186, 0x00, 10}}));
    EXPECT_EQ(sendAll(edit(EditorId::Auto2xShortOff, "5000")), (std::vector<Data>{{0xD1, 201, 0x13, 0x88}}));
}

TEST_P(ParameterEditorTest, BadTextStoresAndSendsNothing)
{
    image.set(layout::MinLevH, 410);
    image.set(layout::RpmDziel, 7);
    const ParameterImage before = image;
    const char other = sep() == '.' ? ',' : '.';
    const std::string wrongSeparator = std::string("1") + other + "2";

    auto r = ParameterEditor::editEntered(image, EditorId::MinLevH, wrongSeparator, sep());
    EXPECT_EQ(r.error, "'" + wrongSeparator + "' is not a valid floating point value");
    EXPECT_TRUE(r.writes.empty());
    r = ParameterEditor::editEntered(image, EditorId::RpmDivide, "1" + std::string(1, sep()) + "5", sep());
    EXPECT_EQ(r.error, "'1" + std::string(1, sep()) + "5' is not a valid integer value");
    EXPECT_TRUE(r.writes.empty());
    r = edit(EditorId::GeneralDelay, "");
    EXPECT_EQ(r.error, "'' is not a valid integer value");
    r = edit(EditorId::AutoMinTemp, "1e300"); // no integer value fits
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.writes.empty());
    EXPECT_EQ(image, before);
    EXPECT_TRUE(line.sentFrames().empty());
}

TEST_P(ParameterEditorTest, RpmInputKindSetsOnlyItsBitAndTheComparatorVisibility)
{
    image.setByte(80, 0xF1);
    image.setByte(81, 0x5C);
    auto r = ParameterEditor::comboChosen(image, EditorId::RpmInput, 1, sep());
    EXPECT_EQ(image.byte(80), 0xF3);
    EXPECT_EQ(r.updates.visibleOf(EditorId::Comparator), true);
    EXPECT_EQ(sendAll(r), (std::vector<Data>{{0xD1, 0x28, 0x5C, 0xF3}}));
    r = ParameterEditor::comboChosen(image, EditorId::RpmInput, 0, sep());
    EXPECT_EQ(image.byte(80), 0xF1);
    EXPECT_EQ(r.updates.visibleOf(EditorId::Comparator), false);
}

TEST_P(ParameterEditorTest, PumpCheckBoxesChangeOnlyTheirBit)
{
    image.setByte(80, 0xFF);
    auto r = ParameterEditor::checkClicked(image, EditorId::Pump1Active, false);
    EXPECT_EQ(image.byte(80), 0xFB);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(40)}));
    ParameterEditor::checkClicked(image, EditorId::Pump2Active, false);
    EXPECT_EQ(image.byte(80), 0xF3);
    ParameterEditor::checkClicked(image, EditorId::Pump1Active, true);
    EXPECT_EQ(image.byte(80), 0xF7);
    EXPECT_EQ(image.byte(81), 0x00);
}

TEST_P(ParameterEditorTest, ListCombosStoreFromTheItemIndex)
{
    const struct {
        EditorId combo;
        int index;
        const Field& field;
        uint32_t stored;
        unsigned word;
    } cases[] = {
        {EditorId::SerwisOff, 0, layout::SerwisToff, 10, 203},    // item "1"
        {EditorId::SerwisOff, 998, layout::SerwisToff, 9990, 203}, // item "999"
        {EditorId::SerwisOn, 15, layout::SerwisTon, 150, 202},
        {EditorId::SerwisOn, -1, layout::SerwisTon, 0xFFF6, 202},  // typed text matching no item
        {EditorId::ManualMinRpmP1, 15, layout::ManualMinRpmP1, 1500, 189},
        {EditorId::ManualMaxRpmP1, 100, layout::ManualMaxRpmP1, 10000, 188},
        {EditorId::ManualMinRpmP2, 0, layout::ManualMinRpmP2, 0, 191},
        {EditorId::ManualMaxRpmP2, 50, layout::ManualMaxRpmP2, 5000, 190},
    };
    for (const auto& c : cases) {
        const auto r = ParameterEditor::comboChosen(image, c.combo, c.index, sep());
        EXPECT_EQ(image.raw(c.field), c.stored) << c.combo << " " << c.index;
        EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(static_cast<uint16_t>(c.word))}));
    }
    EXPECT_EQ(sendAll(ParameterEditor::comboChosen(image, EditorId::Comparator, 64, sep())),
              (std::vector<Data>{{0xC2, 0x99, 0x00, 0x40}}));
}

TEST_P(ParameterEditorTest, ManualTriggerOnTimes)
{
    auto r = gridEnter(EditorId::ManualTrigMap, 1, 3, "0.5");
    EXPECT_EQ(r.updates.cellOf(EditorId::ManualTrigMap, 1, 3), "1");
    EXPECT_EQ(image.raw(layout::ManualTrigP1Ton, 2), 10u);
    EXPECT_EQ(sendAll(r), (std::vector<Data>{{0xD1, 67, 0x00, 10}}));

    r = gridEnter(EditorId::ManualTrigMap, 3, 1, "0");
    EXPECT_TRUE(r.updates.cells.empty());
    EXPECT_EQ(image.raw(layout::ManualTrigP2Ton, 0), 0u);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(113)}));

    r = gridEnter(EditorId::ManualTrigMap, 3, 24, "-1");
    EXPECT_TRUE(r.updates.cells.empty());
    EXPECT_EQ(image.raw(layout::ManualTrigP2Ton, 23), 0xFFF6u);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(136)}));

    r = gridEnter(EditorId::ManualTrigMap, 1, 1, "1.05");
    EXPECT_EQ(image.raw(layout::ManualTrigP1Ton, 0), 10u);
}

TEST_P(ParameterEditorTest, ManualTriggerOffTimesAreAtLeastOneSecond)
{
    for (const char* entry : {"0", "-3", "0.99"}) {
        const auto r = gridEnter(EditorId::ManualTrigMap, 2, 24, entry);
        EXPECT_EQ(r.updates.cellOf(EditorId::ManualTrigMap, 2, 24), "1") << entry;
        EXPECT_EQ(image.raw(layout::ManualTrigP1Toff, 23), 10u) << entry;
        EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(112)}));
    }
    const auto r = gridEnter(EditorId::ManualTrigMap, 4, 1, "2.55");
    EXPECT_TRUE(r.updates.cells.empty());
    EXPECT_EQ(image.raw(layout::ManualTrigP2Toff, 0), 25u);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(137)}));

    const ParameterImage before = image;
    const auto bad = gridEnter(EditorId::ManualTrigMap, 2, 1, "x");
    EXPECT_EQ(bad.error, "'x' is not a valid floating point value");
    EXPECT_TRUE(bad.writes.empty());
    EXPECT_TRUE(bad.updates.empty());
    EXPECT_EQ(image, before);
}

TEST_P(ParameterEditorTest, AutomaticGridsMapCellsToWords)
{
    auto r = gridEnter(EditorId::AutoPumpOnMap, 1, 5, "2.5");
    EXPECT_EQ(image.raw(layout::AutoPumpOnTime, 4), 25u);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(170)}));

    r = gridEnter(EditorId::AutoPumpOnMap, 0, 5, "9");
    EXPECT_TRUE(r.writes.empty());

    r = gridEnter(EditorId::AutoPumpStopMap, 3, 2, "-0.5"); // no validation in the automatic grids
    EXPECT_EQ(image.raw(layout::AutoPumpStopMap, 7), 0xFFFBu);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(184)}));
    r = gridEnter(EditorId::AutoPumpStopMap, 1, 1, "100");
    EXPECT_EQ(image.raw(layout::AutoPumpStopMap, 0), 1000u);
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(177)}));
    r = gridEnter(EditorId::AutoPumpStopMap, 2, 1, "1");
    EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(180)})); // humidity band 1, temperature 0
}

TEST_P(ParameterEditorTest, EnterByNameReachesTheLastCellOfEveryMapAndNoFurther)
{
    struct Case {
        const Field* field;
        const char* name;
        size_t entry;
    };
    const Case last[] = {{&layout::ManualTrigP2Toff, "ManualTrigP2Toff[23]", 23},
                         {&layout::AutoPumpOnTime, "AutoPumpOnTime[4]", 4},
                         {&layout::AutoPumpStopMap, "AutoPumpStopMap[8]", 8},
                         {&layout::AutoPumpStopMap, "AutoPumpStopMap[6]", 6}};
    for (const Case& c : last) {
        const EditResult r = ParameterEditor::enterByName(image, c.name, local("1.5", sep()), sep());
        EXPECT_TRUE(r.ok()) << c.name << ": " << r.error;
        EXPECT_EQ(image.raw(*c.field, c.entry), 15u) << c.name;
        EXPECT_EQ(r.writes, (std::vector<RegisterWrite>{RegisterWrite::word(c.field->wordOf(c.entry))})) << c.name;
    }
    for (const char* beyond : {"ManualTrigP1Ton[24]", "AutoPumpOnTime[5]", "AutoPumpStopMap[9]", "ManualTrigVector[0]"}) {
        const EditResult r = ParameterEditor::enterByName(image, beyond, "1", sep());
        EXPECT_FALSE(r.ok()) << beyond;
        EXPECT_TRUE(r.writes.empty()) << beyond;
    }
}

INSTANTIATE_TEST_SUITE_P(Separators, ParameterEditorTest, ::testing::Values('.', ','));

TEST(ParameterEditorCells, OnlyDataCellsAreEditable)
{
    EXPECT_TRUE(ParameterEditor::isEditableCell(EditorId::ManualTrigMap, 4, 24));
    EXPECT_FALSE(ParameterEditor::isEditableCell(EditorId::ManualTrigMap, 0, 5));
    EXPECT_FALSE(ParameterEditor::isEditableCell(EditorId::ManualTrigMap, 2, 0));
    EXPECT_FALSE(ParameterEditor::isEditableCell(EditorId::ManualTrigMap, 5, 1));
    EXPECT_FALSE(ParameterEditor::isEditableCell(EditorId::ManualTrigMap, 1, 25));
    EXPECT_TRUE(ParameterEditor::isEditableCell(EditorId::AutoPumpOnMap, 1, 1));
    EXPECT_FALSE(ParameterEditor::isEditableCell(EditorId::AutoPumpOnMap, 1, 6));
    EXPECT_TRUE(ParameterEditor::isEditableCell(EditorId::AutoPumpStopMap, 3, 3));
    EXPECT_FALSE(ParameterEditor::isEditableCell(EditorId::AutoPumpStopMap, 0, 0));
    // An editor that is not a map has no cells.
    EXPECT_FALSE(ParameterEditor::isEditableCell(EditorId::MinLevH, 1, 1));
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
    const auto r = ParameterEditor::editEntered(image, EditorId::GeneralDelay, "42", '.');
    EXPECT_FALSE(writer.send(r.writes));
    EXPECT_EQ(image.raw(layout::GeneralDelay), 42u);
    EXPECT_TRUE(line.sentFrames().empty());
}

} // namespace
} // namespace kdx::test
