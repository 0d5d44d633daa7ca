// What a technician types either reaches the field exactly or is refused:
// values are never wrapped to 16 bits, and every text the editors show
// reads back to the value it was shown for.
#include "LinkFixture.h"

#include "params/EditorId.h"
#include "params/NumberText.h"
#include "params/ParameterDisplay.h"
#include "params/ParameterEditor.h"

#include <string>

namespace kdx::test {
namespace {


std::string local(std::string text, char sep)
{
    for (char& c : text)
        if (c == '.')
            c = sep;
    return text;
}

// Every editor that takes typed text: an edit box, or a grid cell.
struct Editor {
    EditorId control; // edit box or grid
    int column;          // grid cell, 0 for an edit box
    int row;
    const Field& field;
    size_t entry;
    bool integer; // integer message instead of the floating point one
};

const Editor kEditors[] = {
    {EditorId::MinLevH, 0, 0, layout::MinLevH, 0, false},
    {EditorId::MinLevL, 0, 0, layout::MinLevL, 0, false},
    {EditorId::GeneralDelay, 0, 0, layout::GeneralDelay, 0, true},
    {EditorId::RpmDivide, 0, 0, layout::RpmDziel, 0, true},
    {EditorId::MaxHumidity, 0, 0, layout::MaxHum, 0, false},
    {EditorId::AutoMinTemp, 0, 0, layout::AutoMinTemp, 0, false},
    {EditorId::AutoRpmUpTime, 0, 0, layout::AutoRpmUpT, 0, false},
    {EditorId::Auto2xShortOff, 0, 0, layout::Auto2xShortOff, 0, true},
    {EditorId::ManualOnP1, 0, 0, layout::ManualMconstOnP1, 0, false},
    {EditorId::ManualOffP1, 0, 0, layout::ManualMconstOffP1, 0, false},
    {EditorId::ManualOnP2, 0, 0, layout::ManualMconstOnP2, 0, false},
    {EditorId::ManualOffP2, 0, 0, layout::ManualMconstOffP2, 0, false},
    {EditorId::ManualTrigMap, 1, 7, layout::ManualTrigP1Ton, 6, false},
    {EditorId::ManualTrigMap, 2, 1, layout::ManualTrigP1Toff, 0, false},
    {EditorId::ManualTrigMap, 3, 24, layout::ManualTrigP2Ton, 23, false},
    {EditorId::ManualTrigMap, 4, 12, layout::ManualTrigP2Toff, 11, false},
    {EditorId::AutoPumpOnMap, 1, 5, layout::AutoPumpOnTime, 4, false},
    {EditorId::AutoPumpStopMap, 3, 2, layout::AutoPumpStopMap, 7, false},
};

bool isGrid(const Editor& e) { return e.column > 0; }

class EntryRangeTest : public LinkFixture, public ::testing::WithParamInterface<char> {
protected:
    char sep() const { return GetParam(); }
    EditResult enter(const Editor& e, const std::string& text)
    {
        return isGrid(e) ? ParameterEditor::gridCellEntered(image, e.control, e.column, e.row, text, sep())
                         : ParameterEditor::editEntered(image, e.control, text, sep());
    }
    const Editor& editor(EditorId control, int column = 0)
    {
        for (const Editor& e : kEditors)
            if (e.control == control && e.column == column)
                return e;
        throw std::logic_error("no such editor in the table");
    }
};

TEST_P(EntryRangeTest, ValuesTheFieldCannotHoldAreRefusedWithTheMessageAndNothingGoesOut)
{
    const struct {
        EditorId control;
        int column;
        const char* text; // point form
    } refused[] = {
        {EditorId::MinLevH, 0, "80"},      // 65536 counts
        {EditorId::MinLevH, 0, "-0.5"},    // would be 65127
        {EditorId::MinLevL, 0, "-0.05"},   // -40 counts
        {EditorId::GeneralDelay, 0, "-5"}, // would be 65531
        {EditorId::GeneralDelay, 0, "65536"},
        {EditorId::RpmDivide, 0, "70000"}, // would be 4464
        {EditorId::RpmDivide, 0, "-1"},
        {EditorId::Auto2xShortOff, 0, "65536"},
        {EditorId::MaxHumidity, 0, "6553.6"},
        {EditorId::MaxHumidity, 0, "-0.1"},
        {EditorId::AutoMinTemp, 0, "3276.8"},
        {EditorId::AutoMinTemp, 0, "-3276.9"},
        {EditorId::AutoRpmUpTime, 0, "25.6"}, // one byte
        {EditorId::AutoRpmUpTime, 0, "30"},
        {EditorId::ManualOnP1, 0, "6553.6"},
        {EditorId::ManualOffP2, 0, "-1"},
        {EditorId::ManualOnP2, 0, "1e300"},
        {EditorId::ManualTrigMap, 1, "3276.8"}, // would be the map-off marker
        {EditorId::ManualTrigMap, 1, "-3276.9"},
        {EditorId::ManualTrigMap, 2, "6553.6"}, // would be 0
        {EditorId::ManualTrigMap, 4, "3276.8"},
        {EditorId::AutoPumpOnMap, 1, "3276.8"},
        {EditorId::AutoPumpStopMap, 3, "-3276.9"},
        {EditorId::AutoPumpStopMap, 3, "1.5E+04"},
    };
    for (const auto& c : refused) {
        const Editor& e = editor(c.control, c.column);
        image.set(e.field, 7, e.entry);
        const ParameterImage before = image;
        const std::string text = local(c.text, sep());
        const EditResult r = enter(e, text);
        const char* kind = e.integer ? "integer" : "floating point";
        EXPECT_EQ(r.error, "'" + text + "' is not a valid " + kind + " value") << c.control << " " << c.text;
        EXPECT_TRUE(r.writes.empty()) << c.control << " " << c.text;
        EXPECT_TRUE(r.updates.empty()) << c.control << " " << c.text;
        EXPECT_EQ(image, before) << c.control << " " << c.text;
    }
    EXPECT_TRUE(line.sentFrames().empty());
}

TEST_P(EntryRangeTest, TheEndsOfEachRangeAreAccepted)
{
    const struct {
        EditorId control;
        int column;
        const char* text;
        int64_t stored;
    } accepted[] = {
        {EditorId::MinLevH, 0, "79.99", 65527},
        {EditorId::MinLevH, 0, "0", 0},
        {EditorId::GeneralDelay, 0, "65535", 65535},
        {EditorId::GeneralDelay, 0, "0", 1}, // zero seconds becomes one, as designed
        {EditorId::RpmDivide, 0, "65535", 65535},
        {EditorId::AutoMinTemp, 0, "-3276.8", -32768},
        {EditorId::AutoMinTemp, 0, "3276.7", 32767},
        {EditorId::AutoRpmUpTime, 0, "25.5", 255},
        {EditorId::ManualOffP1, 0, "6553.5", 65535},
        {EditorId::ManualTrigMap, 1, "-3276.8", -32768}, // map off stays enterable
        {EditorId::ManualTrigMap, 3, "-0.1", -1},
        {EditorId::ManualTrigMap, 4, "3276.7", 32767},
        {EditorId::ManualTrigMap, 2, "-5", 10}, // off times are at least one second
        {EditorId::AutoPumpStopMap, 3, "1.23E+03", 12300},
    };
    for (const auto& c : accepted) {
        const Editor& e = editor(c.control, c.column);
        image.set(e.field, 7, e.entry);
        const EditResult r = enter(e, local(c.text, sep()));
        EXPECT_TRUE(r.ok()) << c.control << " " << c.text << ": " << r.error;
        EXPECT_EQ(image.value(e.field, e.entry), c.stored) << c.control << " " << c.text;
        EXPECT_EQ(r.writes.size(), 1u) << c.control << " " << c.text;
    }
}

// For every value a field can hold: the shown text reads back to exactly
// that value (tenths and whole numbers), and Enter on the shown text keeps
// the value the field holds (the level volts, whose factors do not read
// back, included).
TEST_P(EntryRangeTest, EveryStoredValueSurvivesShowAndEnter)
{
    for (const Editor& e : kEditors) {
        const bool levels = e.field.scale == layout::kVoltsPerCount;
        int mismatches = 0;
        for (int64_t v = e.field.minValue(); v <= e.field.maxValue(); ++v) {
            const std::string shown = ParameterDisplay::valueText(e.field, v, sep());
            if (!levels) {
                std::optional<int64_t> back;
                if (e.integer) {
                    if (const auto i = parseInteger(shown); i.ok())
                        back = *i.value;
                } else {
                    back = parseScaled(shown, sep(), 10, 0).value;
                }
                if (back != v)
                    ++mismatches;
            }
            image.set(e.field, v, e.entry);
            const EditResult r = enter(e, shown);
            if (!r.ok() || r.writes.size() != 1 || image.value(e.field, e.entry) != v) {
                // General delay 0 is raised to one on every Enter, as designed.
                if (!(e.field.offset == layout::GeneralDelay.offset && v == 0))
                    ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0) << e.control << " " << e.column;
    }
}

INSTANTIATE_TEST_SUITE_P(Separators, EntryRangeTest, ::testing::Values('.', ','));

TEST(EntryTexts, ShownTextsAreExactAndUnambiguous)
{
    const struct {
        const Field& field;
        int64_t stored;
        const char* text;
    } cases[] = {
        {layout::AutoPumpStopMap, 12345, "1234.5"}, // was "1.23E+03", read back as 12300
        {layout::ManualTrigP1Ton, 32760, "3276.0"},
        {layout::ManualTrigP1Ton, -32768, "-3276.8"},
        {layout::ManualTrigP1Toff, 1234, "123.4"}, // was "123.0"
        {layout::ManualTrigP1Ton, -5, "-0.5"},
        {layout::MaxHum, 0, "0.0"},
        {layout::MinLevH, 410, "0.50"},
        {layout::MinLevH, 65535, "79.95"},
        {layout::MinLevH, 0, "0.00"},
        {layout::RpmDziel, 65535, "65535"},
        {layout::AutoRpmUpT, 255, "25.5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParameterDisplay::valueText(c.field, c.stored, '.'), c.text) << c.field.name << " " << c.stored;
    EXPECT_EQ(ParameterDisplay::valueText(layout::ManualTrigP1Ton, -32768, ','), "-3276,8");
}

TEST(EntryTexts, ScaledParsingIsExactOnTheDecimalDigits)
{
    const struct {
        const char* text;
        int64_t numerator;
        int denominatorPow10;
        int64_t value;
    } cases[] = {
        {"123.4", 10, 0, 1234},   {"0.9", 8192, 1, 737},      {"1.2", 8192, 1, 983},
        {"4.35", 100, 0, 435},    {"-2.5", 10, 0, -25},        {"-0.19", 10, 0, -1},
        {"1.23E+03", 10, 0, 12300}, {"1234.5e-1", 10, 0, 1234}, {"0.000000000000000000001", 10, 0, 0},
        {".5", 10, 0, 5},         {"5.", 10, 0, 50},           {"+7", 10, 0, 70},
        {"000012.30", 10, 0, 123}, {"1e300", 10, 0, 1000000000000000LL}, {"-1e30", 1, 0, -1000000000000000LL},
        // 80 / 819.2 exactly is 0.09765625: the count is reached exactly.
        {"0.09765625", 8192, 1, 80}, {"0.0976562499999999999999", 8192, 1, 79},
        // Long digit strings stay bounded and exact.
        {"99999999999999999999999999999e-20", 10, 0, 9999999999LL}, {"12345678901234567890", 1, 0, 1000000000000000LL},
        {"-0.00000000000000000000000000000000000000009", 10, 0, 0}, {"6553.5999999999999999999999", 10, 0, 65535},
    };
    for (const auto& c : cases) {
        const auto r = parseScaled(c.text, '.', c.numerator, c.denominatorPow10);
        ASSERT_TRUE(r.ok()) << c.text << ": " << r.error;
        EXPECT_EQ(*r.value, c.value) << c.text;
    }
    EXPECT_EQ(parseScaled("1,5", '.', 10, 0).error, "'1,5' is not a valid floating point value");
    EXPECT_EQ(*parseScaled("1,5", ',', 10, 0).value, 15);
    EXPECT_FALSE(parseScaled("", '.', 10, 0).ok());
    EXPECT_FALSE(parseScaled("1e", '.', 10, 0).ok());
}

} // namespace
} // namespace kdx::test
