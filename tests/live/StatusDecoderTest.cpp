#include "live/StatusDecoder.h"

#include "LiveFakes.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

using test::frameWith;
using test::frameWithWord;

class StatusDecoderTest : public ::testing::Test {
protected:
    DashboardView decode(const StatusFrame& f, uint8_t hw = 1, const std::string& sep = ".")
    {
        return decoder.decode(f, hw, sep);
    }
    StatusDecoder decoder{LiveTexts::defaults()};
};

TEST_F(StatusDecoderTest, WorkModeChoosesTextPageAndBoldButton)
{
    struct Case {
        uint8_t code;
        const char* text;
        int page; // index of the one visible page, -1 for none
        ModeButton bold;
    };
    const Case cases[] = {
        {0, "ModAuto", 0, ModeButton::Auto},
        {1, "ModManTrig", 1, ModeButton::ManualTrig},
        {2, "ModManConst", 2, ModeButton::ManualConst},
        {3, "ModeSerwis", 3, ModeButton::Serwis},
        {0x80, "ModeError", -1, ModeButton::Off},
        {0xFF, "ModeOFF", -1, ModeButton::Off},
        {4, "Unknown ERROR !!!", -1, ModeButton::Off},
        {0x7F, "Unknown ERROR !!!", -1, ModeButton::Off},
    };
    for (const auto& c : cases) {
        const auto v = decode(frameWith({{76, c.code}}));
        EXPECT_EQ(v.modeText, c.text) << int(c.code);
        EXPECT_EQ(decoder.modeText(), c.text) << int(c.code);
        for (size_t p = 0; p < kModePageCount; ++p)
            EXPECT_EQ(v.modePageVisible[p], static_cast<int>(p) == c.page) << int(c.code) << " page " << p;
        EXPECT_EQ(v.boldButton, c.bold) << int(c.code);
        ASSERT_TRUE(v.viz[8]);
        EXPECT_EQ(v.viz[8]->label, "007: work mode: ");
        EXPECT_EQ(v.viz[8]->value, c.text);
        EXPECT_EQ(v.systemOnCaption, std::string("KDX ON, ") + c.text);
    }
}

TEST_F(StatusDecoderTest, MemoryLampWatchesAllSixteenBitsButBoxesOnlyTheNamedNine)
{
    const auto v = decode(frameWithWord(74, 0x0200));
    EXPECT_TRUE(v.errMem);
    for (bool box : v.memoryErrors)
        EXPECT_FALSE(box);
    EXPECT_FALSE(decode(StatusFrame()).errMem);

    const auto both = decode(frameWith({{72, 0x01}, {73, 0x01}, {74, 0x04}}));
    EXPECT_TRUE(both.actualErrors[0]);  // VdcErrorLow -> CheckBox1
    EXPECT_TRUE(both.actualErrors[8]);  // P2ErrorOverload -> CheckBox9
    EXPECT_FALSE(both.actualErrors[1]);
    EXPECT_TRUE(both.memoryErrors[2]);  // OneWireSensorComErr -> CheckBox12
    EXPECT_TRUE(both.errMem);
}

TEST_F(StatusDecoderTest, NegativeTemperatureWithEitherSeparator)
{
    const auto f = frameWithWord(28, static_cast<uint16_t>(-55));
    EXPECT_EQ(decode(f, 1, ".").temperatureText, "temperature: -5.50[C]");
    EXPECT_EQ(decode(f, 1, ",").temperatureText, "temperature: -5,50[C]");
}

TEST_F(StatusDecoderTest, FlagRowsShowTheirOwnHalves)
{
    const auto only16 = decode(frameWith({{2, 0x01}}));
    EXPECT_EQ(only16.viz[0]->label, "000: Flag: ");
    EXPECT_EQ(only16.viz[0]->value, "Bin, MSB:" + std::string(17, '0'));
    EXPECT_EQ(only16.viz[1]->value, "Bin, LSB:" + std::string(16, '0') + "1");

    const auto zero = decode(StatusFrame());
    EXPECT_EQ(zero.viz[0]->value, "Bin, MSB:0");
    EXPECT_EQ(zero.viz[1]->value, "Bin, LSB:0");

    // Row 1 takes bits 16..47: AuxFlags alone keeps its digits zero but makes
    // the value non-zero.
    EXPECT_EQ(decode(frameWith({{4, 0x01}})).viz[1]->value, "Bin, LSB:" + std::string(17, '0'));
}

TEST_F(StatusDecoderTest, RowsFourAndFiveDependOnHardwareVersion)
{
    auto f = frameWith({{34, 0xE8}, {35, 0x03}, {72, 0x05}, {74, 0x80}, {75, 0x01}});
    const auto v1 = decode(f, 1);
    EXPECT_EQ(v1.viz[4]->label, "003: CURRENT3: ");
    EXPECT_EQ(v1.viz[4]->value, "1.34 [A]");
    EXPECT_EQ(v1.viz[5]->label, "004: CURRENT4: ");
    EXPECT_EQ(v1.viz[5]->value, "0.00 [A]");

    const auto v2 = decode(f, 2);
    EXPECT_EQ(v2.viz[4]->label, "003: ErrorAct: ");
    EXPECT_EQ(v2.viz[4]->value, "Bin, LSB:00000000000000101");
    EXPECT_EQ(v2.viz[5]->label, "004: ErrorMemo: ");
    EXPECT_EQ(v2.viz[5]->value, "Bin, LSB:00000000110000000");

    for (uint8_t hw : {0, 3, 255}) {
        const auto v = decode(f, hw);
        EXPECT_FALSE(v.viz[4]) << int(hw);
        EXPECT_FALSE(v.viz[5]) << int(hw);
        EXPECT_TRUE(v.viz[3]) << int(hw);
        EXPECT_TRUE(v.viz[6]) << int(hw);
    }
    const auto v = decode(f, 1);
    EXPECT_FALSE(v.viz[14]);
    EXPECT_FALSE(v.viz[15]);
}

TEST_F(StatusDecoderTest, DiagnosticValuesAndUnits)
{
    auto f = frameWith({
        {30, 0xE8}, {31, 0x03},  // Current1 1000 -> 1.3359 A
        {40, 0xD0}, {41, 0x07},  // WaterLev 2000 -> 2.44 V
        {42, 0xE8}, {43, 0x03},  // filtered 1000 -> 1.22 V
        {80, 0x10}, {81, 0x27},  // AutoOnDelay 10000
        {82, 255},               // ProtOpenTimeP1 25.5 s
        {83, 7},                 // ProtOpenTimeP2 0.7 s
        {84, 0x39}, {85, 0x30},  // ProtDelayTimeP1Off 12345 -> 1234.5 s
        {86, 0xF6}, {87, 0xFF},  // ProtDelayTimeP2Off -10 -> -1.0 s
    });
    const auto v = decode(f, 1, ",");
    EXPECT_EQ(v.viz[2]->label, "001: P1 CURRENT1: ");
    EXPECT_EQ(v.viz[2]->value, "1,34 [A]");
    EXPECT_EQ(v.viz[3]->value, "0,00 [A]");
    EXPECT_EQ(v.viz[6]->value, "2,44 [V]");
    EXPECT_EQ(v.viz[7]->value, "1,22 [V]");
    EXPECT_EQ(v.viz[9]->value, "10000");
    EXPECT_EQ(v.viz[10]->value, "25,5 [s]");
    EXPECT_EQ(v.viz[11]->value, "0,7 [s]");
    EXPECT_EQ(v.viz[12]->value, "1,23E+03 [s]");
    EXPECT_EQ(v.viz[13]->label, "012: ProtDelayTimeP2Off: ");
    EXPECT_EQ(v.viz[13]->value, "-1,0 [s]");
}

TEST_F(StatusDecoderTest, RawWordGridShowsEveryWordLittleEndian)
{
    auto f = frameWith({{0, 0x34}, {1, 0x12}, {94, 0xCD}, {95, 0xAB}, {47, 0x0F}});
    const auto v = decode(f);
    EXPECT_EQ(v.rawWords[0], "0x1234");
    EXPECT_EQ(v.rawWords[23], "0x0F00");
    EXPECT_EQ(v.rawWords[47], "0xABCD");
    EXPECT_EQ(v.rawWords[1], "0x0000");
}

TEST_F(StatusDecoderTest, LampsFollowTheirBits)
{
    struct Case {
        size_t byte;
        uint8_t mask;
        Lamp lamp;
    };
    const Case cases[] = {
        {0, 0x02, Lamp::SystemOn},    {0, 0x04, Lamp::StacOn},       {1, 0x10, Lamp::Pump1},
        {1, 0x20, Lamp::Pump2},       {1, 0x40, Lamp::Jon1},         {1, 0x80, Lamp::Jon2},
        {2, 0x02, Lamp::MinRpmP1},    {2, 0x08, Lamp::MaxRpmP1},     {2, 0x20, Lamp::MinRpmP2},
        {2, 0x80, Lamp::MaxRpmP2},    {4, 0x01, Lamp::Serwis},       {4, 0x02, Lamp::OnDelayAuto},
        {20, 0x20, Lamp::MaskMapOn},  {20, 0x40, Lamp::Empty},       {21, 0x01, Lamp::AutoMaxHum},
        {21, 0x02, Lamp::AutoMinTemp}, {21, 0x04, Lamp::FatalErr1},  {21, 0x08, Lamp::FatalErr2},
    };
    for (const auto& c : cases) {
        const auto v = decode(frameWith({{c.byte, c.mask}}));
        for (size_t l = 0; l < kLampCount; ++l)
            EXPECT_EQ(v.lamps[l], l == static_cast<size_t>(c.lamp))
                << "lamp " << static_cast<size_t>(c.lamp) << " vs " << l;
    }
    const auto warn = decode(frameWith({{5, 0x1E}}));
    EXPECT_TRUE(warn.warP1);
    EXPECT_TRUE(warn.warP2);
    EXPECT_TRUE(warn.cmpOut);
    EXPECT_TRUE(warn.cmpEv);
    const auto none = decode(frameWith({{5, 0x01}}));
    EXPECT_FALSE(none.warP1 || none.warP2 || none.cmpOut || none.cmpEv);
}

TEST_F(StatusDecoderTest, DashboardCaptionsAndMeter)
{
    auto f = frameWith({
        {3, 0x40},                 // short off
        {22, 0x41}, {23, 0x01},    // 321 operations per second
        {24, 0xC4}, {25, 0x09},    // 2500 rpm
        {26, 0xC7}, {27, 0x01},    // humidity 455 -> 45.5 %
        {38, 0x14}, {39, 0x05},    // supply 1300 -> 12.3708 V
        {52, 25},                  // Pump1Ton 2.5 s
        {54, 0xD2}, {55, 0x04},    // Pump1Toff 1234 -> 123.4 s
        {56, 0xFF}, {57, 0xFF},    // Pump2Ton -0.1 s
        {78, 7},                   // FrameErrorCount
    });
    const auto v = decode(f);
    EXPECT_EQ(v.opPerSecond, "oper. / s: 321");
    EXPECT_FLOAT_EQ(v.meterValue, 2.5f);
    EXPECT_EQ(v.vdcText, "power supply: 12.37[V]");
    EXPECT_EQ(v.humidityText, "humidity: 45.50[%], FrameError: 7");
    EXPECT_EQ(v.pump1Caption, "Pump 1 Ton:2.5 Toff: 123.4 shortOff: 1");
    EXPECT_EQ(v.pump2Caption, "Pump 2 Ton:-0.1 Toff: 0.0 shortOff: 1");
}

TEST_F(StatusDecoderTest, TextsAreLookedUpAtEachDecode)
{
    std::string prefix = "temperature: ";
    StatusDecoder localised([&prefix](int key) {
        return key == 100232 ? prefix : LiveTexts::defaultText(key);
    });
    const auto f = frameWithWord(28, 215);
    EXPECT_EQ(localised.decode(f, 1, ".").temperatureText, "temperature: 21.50[C]");
    prefix = "Temperatur: ";
    EXPECT_EQ(localised.decode(f, 1, ",").temperatureText, "Temperatur: 21,50[C]");
}

} // namespace
} // namespace kdx
