#include "live/StatusFrame.h"

#include "LiveFakes.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

TEST(StatusFrame, TakesPayloadInReverseSoFieldsArriveMostSignificantFirst)
{
    std::vector<uint8_t> answer(100, 0);
    answer[97] = 0x06;                    // frame byte 0: system on, ignition on
    answer[72] = 0x0B; answer[73] = 0xB8; // EngineRpm 3000, high byte first on the line
    answer[68] = 0xFF; answer[69] = 0xC9; // Temperature -55
    answer[21] = 0x80;                    // WorkMode
    answer[2] = 0x5A;                     // frame byte 95
    const auto frame = StatusFrame::fromResponse(answer.data(), answer.size());
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->systemOn());
    EXPECT_TRUE(frame->ignitionOn());
    EXPECT_EQ(frame->engineRpm(), 3000);
    EXPECT_EQ(frame->temperature(), -55);
    EXPECT_DOUBLE_EQ(frame->temperatureCelsius(), -55 * 0.1);
    EXPECT_EQ(frame->workMode(), 0x80);
    EXPECT_EQ(frame->u8(95), 0x5A);
}

TEST(StatusFrame, RefusesAnAnswerTooShortToHoldThePayload)
{
    std::vector<uint8_t> answer(97, 0);
    EXPECT_FALSE(StatusFrame::fromResponse(answer.data(), answer.size()));
    EXPECT_FALSE(StatusFrame::fromResponse(nullptr, 100));
}

TEST(StatusFrame, SignednessFollowsTheField)
{
    // The same raw 0xFFFF: unsigned for rpm, humidity and AutoOnDelay, signed
    // for temperature, pump times and protection delays.
    std::array<uint8_t, StatusFrame::kSize> b{};
    b.fill(0xFF);
    const StatusFrame f(b);
    EXPECT_EQ(f.engineRpm(), 65535);
    EXPECT_EQ(f.humidity(), 65535);
    EXPECT_EQ(f.autoOnDelay(), 65535);
    EXPECT_EQ(f.supplyVoltage(), 65535);
    EXPECT_EQ(f.temperature(), -1);
    EXPECT_EQ(f.pump1Ton(), -1);
    EXPECT_EQ(f.pump2Toff(), -1);
    EXPECT_EQ(f.protDelayTimeP1Off(), -1);
    EXPECT_EQ(f.protDelayTimeP2Off(), -1);
    EXPECT_EQ(f.protOpenTimeP1(), 255);
    EXPECT_EQ(f.auxFlags(), 0xFFFFFFFFu);
}

TEST(StatusFrame, ScalesCurrentsVoltagesAndLevel)
{
    const auto f = test::frameWithWord(30, 1000);
    EXPECT_FLOAT_EQ(f.currentAmps(1), 1.3359f);
    EXPECT_FLOAT_EQ(test::frameWithWord(36, 1000).currentAmps(4), 1.3359f);
    EXPECT_EQ(f.currentAmps(5), 0.0f); // no such channel
    EXPECT_NEAR(test::frameWithWord(38, 1300).supplyVolts(), 12.3708, 1e-9);
    EXPECT_NEAR(test::frameWithWord(40, 2000).waterLevVolts(), 2.44, 1e-9);
    EXPECT_NEAR(test::frameWithWord(42, 1000).filtrowanyWaterLevVolts(), 1.22, 1e-9);
    EXPECT_FLOAT_EQ(test::frameWithWord(24, 2500).engineRpmThousands(), 2.5f);
}

} // namespace
} // namespace kdx
