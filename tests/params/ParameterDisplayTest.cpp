#include "params/EditorId.h"
#include "params/ParameterDefaults.h"
#include "params/ParameterDisplay.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {


std::string sepText(std::string text, char sep)
{
    for (char& c : text)
        if (c == '.')
            c = sep;
    return text;
}

class ParameterDisplayTest : public ::testing::TestWithParam<char> {
protected:
    std::string text(const ParameterView& v, EditorId control) const
    {
        return v.updates.textOf(control).value_or("<unset>");
    }
    std::string cell(const ParameterView& v, EditorId grid, int c, int r) const
    {
        return v.updates.cellOf(grid, c, r).value_or("<unset>");
    }
    std::string local(const char* pointText) const { return sepText(pointText, GetParam()); }

    ParameterImage image;
};

TEST_P(ParameterDisplayTest, AllZeroImageShowsZerosInEveryFormat)
{
    const auto v = ParameterDisplay::showAllData(image, GetParam());
    EXPECT_TRUE(v.markerMessageDue);
    EXPECT_EQ(v.updates.visibleOf(EditorId::Comparator), false);
    EXPECT_EQ(v.updates.checkedOf(EditorId::Pump1Active), false);
    EXPECT_EQ(v.updates.checkedOf(EditorId::Pump2Active), false);

    for (EditorId c : {EditorId::RpmDivide, EditorId::Auto2xShortOff, EditorId::GeneralDelay})
        EXPECT_EQ(text(v, c), "0") << c;
    for (EditorId c : {EditorId::ManualOnP1, EditorId::ManualOffP1, EditorId::ManualOnP2, EditorId::ManualOffP2,
                          EditorId::MaxHumidity, EditorId::AutoMinTemp, EditorId::AutoRpmUpTime})
        EXPECT_EQ(text(v, c), local("0.0")) << c;
    EXPECT_EQ(text(v, EditorId::MinLevH), local("0.00"));
    EXPECT_EQ(text(v, EditorId::MinLevL), local("0.00"));

    for (EditorId c : {EditorId::RpmInput, EditorId::Comparator, EditorId::FuelType, EditorId::ManualMaxRpmP1,
                          EditorId::ManualMinRpmP1, EditorId::ManualMaxRpmP2, EditorId::ManualMinRpmP2, EditorId::SerwisOn,
                          EditorId::AverageConsumption})
        EXPECT_EQ(v.updates.indexOf(c), 0) << c;
    EXPECT_EQ(v.updates.indexOf(EditorId::SerwisOff), -1); // no item "0"

    EXPECT_EQ(cell(v, EditorId::AutoPumpOnMap, 0, 1), "0 -> 0");
    EXPECT_EQ(cell(v, EditorId::AutoPumpOnMap, 0, 3), "0 -> 0");
    EXPECT_EQ(cell(v, EditorId::AutoPumpOnMap, 0, 5), "0 -> max");
    EXPECT_EQ(cell(v, EditorId::AutoPumpOnMap, 1, 5), local("0.0"));
    EXPECT_EQ(cell(v, EditorId::ManualTrigMap, 0, 1), "0 -> 0");
    EXPECT_EQ(cell(v, EditorId::ManualTrigMap, 0, 24), "0 -> max");
    EXPECT_EQ(cell(v, EditorId::ManualTrigMap, 4, 24), local("0.0"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 3, 0), local("0.0 -> max [%]"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 0, 3), local("0.0 -> +max [\u00B0C]"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 2, 2), local("0.0"));
}

TEST_P(ParameterDisplayTest, DefaultSetFillsEveryControl)
{
    ParameterDefaults::apply(image);
    image.set(layout::ManualTrigVector, 12345, 23); // never shown
    image.set(layout::AutoPumpOnVector, 54321, 4);  // never shown
    image.set(layout::ManualTrigP2Ton, -10, 5);
    image.set(layout::ConfigFlags, 0x0E);
    const auto v = ParameterDisplay::showAllData(image, GetParam());

    EXPECT_FALSE(v.markerMessageDue);
    EXPECT_EQ(v.updates.visibleOf(EditorId::Comparator), true);
    EXPECT_EQ(v.updates.checkedOf(EditorId::Pump1Active), true);
    EXPECT_EQ(v.updates.checkedOf(EditorId::Pump2Active), true);
    EXPECT_EQ(v.updates.indexOf(EditorId::RpmInput), 1);
    EXPECT_EQ(v.updates.indexOf(EditorId::Comparator), 64);
    EXPECT_EQ(v.updates.indexOf(EditorId::ManualMaxRpmP1), 50);
    EXPECT_EQ(v.updates.indexOf(EditorId::ManualMinRpmP2), 15);
    EXPECT_EQ(v.updates.indexOf(EditorId::SerwisOn), 3);
    EXPECT_EQ(v.updates.indexOf(EditorId::SerwisOff), 9);

    EXPECT_EQ(text(v, EditorId::MinLevH), local("0.50"));
    EXPECT_EQ(text(v, EditorId::MinLevL), local("0.25"));
    EXPECT_EQ(text(v, EditorId::MaxHumidity), local("97.0"));
    EXPECT_EQ(text(v, EditorId::AutoMinTemp), local("5.0"));
    EXPECT_EQ(text(v, EditorId::AutoRpmUpTime), local("5.0"));
    EXPECT_EQ(text(v, EditorId::Auto2xShortOff), "5000");
    EXPECT_EQ(text(v, EditorId::GeneralDelay), "5");
    EXPECT_EQ(text(v, EditorId::ManualOnP2), local("1.0"));

    EXPECT_EQ(cell(v, EditorId::ManualTrigMap, 0, 1), "0 -> 600");
    EXPECT_EQ(cell(v, EditorId::ManualTrigMap, 0, 2), "600 -> 800");
    EXPECT_EQ(cell(v, EditorId::ManualTrigMap, 0, 23), "7500 -> 8000");
    EXPECT_EQ(cell(v, EditorId::ManualTrigMap, 0, 24), "8000 -> max");
    EXPECT_EQ(cell(v, EditorId::ManualTrigMap, 2, 1), local("20.0"));
    EXPECT_EQ(cell(v, EditorId::ManualTrigMap, 3, 6), local("-1.0"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpOnMap, 0, 4), "5000 -> 6000");
    EXPECT_EQ(cell(v, EditorId::AutoPumpOnMap, 0, 5), "6000 -> max");
    EXPECT_EQ(cell(v, EditorId::AutoPumpOnMap, 1, 4), local("3.0"));

    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 1, 0), local("0 -> 80.0 [%]"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 2, 0), local("80.0 -> 90.0 [%]"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 3, 0), local("90.0 -> max [%]"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 0, 1), local("-max -> 10.0 [\u00B0C]"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 0, 2), local("10.0 -> 20.0 [\u00B0C]"));
    // Pause cells: humidity band across, temperature band down, precision 5.
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 1, 1), local("1200.0"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 2, 1), local("1000.0"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 3, 2), local("300.0"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 1, 3), local("400.0"));

    for (const auto& c : v.updates.cells) {
        EXPECT_EQ(c.text.find("12345"), std::string::npos) << c.grid << " " << c.column << "," << c.row;
        EXPECT_EQ(c.text.find("54321"), std::string::npos) << c.grid << " " << c.column << "," << c.row;
    }
    EXPECT_FALSE(v.updates.cellOf(EditorId::AutoPumpStopMap, 0, 0).has_value()); // heading set elsewhere
}

TEST_P(ParameterDisplayTest, SignedAndScaledValues)
{
    image.setWord(200, 0xFFCE);
    image.set(layout::MaxHum, 970);
    image.set(layout::MinLevH, 410);
    image.set(layout::MinLevL, 983);
    image.set(layout::AutoPumpStopMap, -1, 8);
    image.set(layout::ManualMconstOffP1, 0xFFFF); // unsigned: 6553.5 s, every digit shown
    const auto v = ParameterDisplay::showAllData(image, GetParam());
    EXPECT_EQ(text(v, EditorId::AutoMinTemp), local("-5.0"));
    EXPECT_EQ(text(v, EditorId::MaxHumidity), local("97.0"));
    EXPECT_EQ(text(v, EditorId::MinLevH), local("0.50"));
    EXPECT_EQ(text(v, EditorId::MinLevL), local("1.20"));
    EXPECT_EQ(cell(v, EditorId::AutoPumpStopMap, 3, 3), local("-0.1"));
    EXPECT_EQ(text(v, EditorId::ManualOffP1), local("6553.5"));
}

INSTANTIATE_TEST_SUITE_P(Separators, ParameterDisplayTest, ::testing::Values('.', ','));

TEST(ParameterDisplay, ItemIndicesOutsideTheListsMeanNoSelection)
{
    struct Case {
        const Field& field;
        int64_t stored;
        EditorId combo;
        int index;
    };
    const Case cases[] = {
        {layout::SerwisToff, 30, EditorId::SerwisOff, 2},     // item "3"
        {layout::SerwisToff, 10, EditorId::SerwisOff, 0},
        {layout::SerwisToff, 9990, EditorId::SerwisOff, 998},
        {layout::SerwisToff, 10000, EditorId::SerwisOff, -1},
        {layout::SerwisTon, 150, EditorId::SerwisOn, 15},
        {layout::SerwisTon, 160, EditorId::SerwisOn, -1},
        {layout::ManualMaxRpmP1, 10000, EditorId::ManualMaxRpmP1, 100},
        {layout::ManualMaxRpmP1, 10099, EditorId::ManualMaxRpmP1, 100},
        {layout::ManualMinRpmP1, 10100, EditorId::ManualMinRpmP1, -1},
        {layout::AnKompSett, 127, EditorId::Comparator, 127},
        {layout::AnKompSett, 128, EditorId::Comparator, -1},
        {layout::FuelType, 2, EditorId::FuelType, 2},
        {layout::FuelType, 3, EditorId::FuelType, -1},
        {layout::AvFuelComs, 30, EditorId::AverageConsumption, 30},
        {layout::AvFuelComs, 255, EditorId::AverageConsumption, -1},
    };
    for (const auto& c : cases) {
        ParameterImage image;
        image.set(c.field, c.stored);
        EXPECT_EQ(ParameterDisplay::showAllData(image, '.').updates.indexOf(c.combo), c.index)
            << c.field.name << " = " << c.stored;
    }
}

TEST(ParameterDisplay, ConfigFlagBitsAreReadSeparately)
{
    ParameterImage image;
    image.set(layout::ConfigFlags, 0xF1 | 0x08); // only pump 2 of the editor bits
    const auto v = ParameterDisplay::showAllData(image, '.');
    EXPECT_EQ(v.updates.visibleOf(EditorId::Comparator), false);
    EXPECT_EQ(v.updates.indexOf(EditorId::RpmInput), 0);
    EXPECT_EQ(v.updates.checkedOf(EditorId::Pump1Active), false);
    EXPECT_EQ(v.updates.checkedOf(EditorId::Pump2Active), true);
}

} // namespace
} // namespace kdx
