#include "SimTestRig.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kdx;
using namespace kdx::sim;
using kdx::sim::test::command;
using kdx::sim::test::Rig;

namespace {

// Samples the firmware's status every stepMs for durationMs.
template <typename F>
void sample(Rig& rig, uint64_t durationMs, uint64_t stepMs, F onStatus)
{
    for (uint64_t t = 0; t <= durationMs; t += stepMs) {
        onStatus(rig.model.status(rig.clock.nowMs()));
        rig.clock.advance(stepMs);
    }
}

void setWord(Rig& rig, size_t offset, uint16_t value)
{
    rig.exchange(command(0xD1, static_cast<uint8_t>(offset / 2), static_cast<uint8_t>(value >> 8),
                         static_cast<uint8_t>(value & 0xFF)),
                 1);
}

} // namespace

TEST(SimBehaviour, DriveCycleAndSensorsStayPlausible)
{
    Rig rig;
    uint16_t minRpm = 0xFFFF, maxRpm = 0, minHum = 0xFFFF, maxHum = 0;
    int16_t minTemp = 32767, maxTemp = -32768;
    double minVolts = 1e9, maxVolts = 0;
    int ignitionOff = 0;
    sample(rig, ControllerBehaviour::kDriveCycleMs, 500, [&](const SimStatus& s) {
        minRpm = std::min(minRpm, s.engineRpm);
        maxRpm = std::max(maxRpm, s.engineRpm);
        minHum = std::min(minHum, s.humidity);
        maxHum = std::max(maxHum, s.humidity);
        minTemp = std::min(minTemp, s.temperature);
        maxTemp = std::max(maxTemp, s.temperature);
        const double volts = s.supplyVoltage * 0.00122 * 7.8;
        minVolts = std::min(minVolts, volts);
        maxVolts = std::max(maxVolts, volts);
        // The ignition is on whenever the engine runs, and off for a while
        // with the engine stopped.
        if (s.engineRpm > 0) {
            EXPECT_TRUE(s.flag & kFlagIgnitionOn);
        }
        ignitionOff += (s.flag & kFlagIgnitionOn) ? 0 : 1;
    });
    EXPECT_GT(ignitionOff, 0);
    EXPECT_EQ(minRpm, 0);              // engine off at the start of a cycle
    EXPECT_GT(maxRpm, 5500);           // motorway part
    EXPECT_LT(maxRpm, 7000);
    EXPECT_GE(minHum, 300);            // 30 % .. 90 %
    EXPECT_LE(maxHum, 900);
    EXPECT_GT(maxHum - minHum, 20);    // and it moves
    EXPECT_GE(minTemp, 100);           // 10 .. 35 degC
    EXPECT_LE(maxTemp, 350);
    EXPECT_GT(minVolts, 12.0);         // 12 V system, charging while the engine runs
    EXPECT_LT(maxVolts, 14.6);
    EXPECT_GT(maxVolts - minVolts, 1.0);
}

TEST(SimBehaviour, TwentyFourVoltVehicleReportsDoubleSupply)
{
    Rig rig;
    rig.exchange(command(0xC2, 0x98, 0x00, 0x02)); // FuelType: diesel 24V
    const double volts = rig.model.status(rig.clock.nowMs() + 1000).supplyVoltage * 0.00122 * 7.8;
    EXPECT_GT(volts, 24.0);
    EXPECT_LT(volts, 30.0);
}

TEST(SimBehaviour, ServiceRunCyclesBothPumpsByServiceTimes)
{
    Rig rig;
    rig.exchange(command(0x10, 0, 3, 0), 1);
    rig.exchange(command(0x81), 1); // SerwisTon 3.0 s, SerwisToff 10.0 s
    rig.clock.advance(kBehaviourStepMs); // the status shows the firmware's last pass
    std::vector<bool> on;
    sample(rig, 26000, 500, [&](const SimStatus& s) {
        EXPECT_EQ(s.auxFlags & kAuxServiceRun, kAuxServiceRun);
        EXPECT_EQ(bool(s.flag & kFlagPump1Running), bool(s.flag & kFlagPump2Running));
        on.push_back(s.flag & kFlagPump1Running);
    });
    // 3 s on (samples 0..5), 10 s off, 3 s on again.
    EXPECT_TRUE(on[1] && on[5]);
    EXPECT_FALSE(on[7] || on[20] || on[25]);
    EXPECT_TRUE(on[27] && on[31]);
    EXPECT_FALSE(on[33]);

    rig.exchange(command(0x80), 1);
    EXPECT_FALSE(rig.model.status(rig.clock.nowMs() + 500).flag & kFlagPump1Running);
}

TEST(SimBehaviour, ManualTriggerFollowsTheMapRowOfTheRpm)
{
    Rig rig;
    rig.exchange(command(0x10, 0, 1, 0), 1);
    setWord(rig, ParameterMemory::kGeneralDelay, 0); // pumps may start with the engine
    for (size_t r = 0; r < 24; ++r) {
        setWord(rig, ParameterMemory::kManualTrigP1Ton + 2 * r, 20);
        setWord(rig, ParameterMemory::kManualTrigP1Toff + 2 * r, 0);                   // P1 on
        setWord(rig, ParameterMemory::kManualTrigP2Ton + 2 * r, static_cast<uint16_t>(-1)); // P2 off marker
    }
    const ParameterMemory& m = rig.model.memory();
    int running = 0;
    sample(rig, 60000, 250, [&](const SimStatus& s) {
        if (s.engineRpm < m.element(ParameterMemory::kManualTrigVector, 0) || s.engineRpm < 300)
            return;
        ++running;
        EXPECT_LE(m.element(ParameterMemory::kManualTrigVector, s.trigMapRow), s.engineRpm);
        if (s.trigMapRow < 22) {
            EXPECT_GT(m.element(ParameterMemory::kManualTrigVector, s.trigMapRow + 1u), s.engineRpm);
        }
        EXPECT_TRUE(s.flag & kFlagPump1Running) << s.engineRpm;
        EXPECT_FALSE(s.flag & kFlagPump2Running);
        EXPECT_EQ(s.pump1Ton, 20);
        EXPECT_EQ(s.pump2Ton, -1);
    });
    EXPECT_GT(running, 100);
}

TEST(SimBehaviour, AutomaticModeReportsBandAndCellOfTheMaps)
{
    Rig rig; // the factory set runs in automatic mode
    const ParameterMemory& m = rig.model.memory();
    int checked = 0;
    sample(rig, ControllerBehaviour::kDriveCycleMs, 1000, [&](const SimStatus& s) {
        EXPECT_EQ(s.workMode, 0);
        const uint8_t h = s.humidity < m.element(ParameterMemory::kAutoHumVector, 0) ? 0
                          : s.humidity < m.element(ParameterMemory::kAutoHumVector, 1) ? 1 : 2;
        EXPECT_EQ(s.pumpStopCol, h);
        if (s.engineRpm >= m.element(ParameterMemory::kAutoPumpOnVector, 0)) {
            EXPECT_LE(m.element(ParameterMemory::kAutoPumpOnVector, s.pumpOnRow), s.engineRpm);
            EXPECT_EQ(s.pump1Ton, m.signedElement(ParameterMemory::kAutoPumpOnTime, s.pumpOnRow));
            EXPECT_EQ(s.pump1Toff, m.signedElement(ParameterMemory::kAutoPumpStopMap,
                                                   s.pumpStopRow + 3u * s.pumpStopCol));
            ++checked;
        }
    });
    EXPECT_GT(checked, 50);
}

TEST(SimBehaviour, AutomaticModeDosesAgainAtEachNewBandOfTheDriveCycle)
{
    Rig rig; // factory set: 1 s to 3 s on, then pauses of minutes
    int starts = 0;
    bool was = false;
    sample(rig, ControllerBehaviour::kDriveCycleMs, 100, [&](const SimStatus& s) {
        const bool on = s.flag & kFlagPump1Running;
        starts += on && !was ? 1 : 0;
        was = on;
    });
    EXPECT_GE(starts, 3);
}

TEST(SimBehaviour, NothingRunsWhenOffOrPumpsInactive)
{
    Rig off;
    off.exchange(command(0x10, 0, 0xFF, 0), 1);
    sample(off, ControllerBehaviour::kDriveCycleMs, 500, [&](const SimStatus& s) {
        EXPECT_FALSE(s.flag & (kFlagPump1Running | kFlagPump2Running | kFlagIonizer1On | kFlagIonizer2On));
    });

    Rig inactive;
    inactive.exchange(command(0x10, 0, 2, 0), 1); // manual const: would run whenever rpm is in range
    inactive.exchange(command(0xD1, 40, 0x00, 0x08), 1); // only pump 2 active
    int p2 = 0;
    sample(inactive, ControllerBehaviour::kDriveCycleMs, 500, [&](const SimStatus& s) {
        EXPECT_FALSE(s.flag & kFlagPump1Running);
        p2 += (s.flag & kFlagPump2Running) ? 1 : 0;
    });
    EXPECT_GT(p2, 50);
}

TEST(SimBehaviour, ManualConstReportsRpmLimitConditions)
{
    Rig rig;
    rig.exchange(command(0x10, 0, 2, 0), 1); // min 1500, max 5000 rpm
    rig.clock.advance(kBehaviourStepMs);
    bool sawUnder = false, sawOver = false;
    sample(rig, ControllerBehaviour::kDriveCycleMs, 500, [&](const SimStatus& s) {
        EXPECT_EQ(bool(s.flag & kFlagP1MinRpm), s.engineRpm < 1500);
        EXPECT_EQ(bool(s.flag & kFlagP1MaxRpm), s.engineRpm > 5000);
        if (s.engineRpm < 1500 || s.engineRpm > 5000) {
            EXPECT_FALSE(s.flag & kFlagPump1Running);
        }
        sawUnder |= s.engineRpm < 1500 && s.engineRpm > 0;
        sawOver |= s.engineRpm > 5000;
    });
    EXPECT_TRUE(sawUnder && sawOver);
}

TEST(SimBehaviour, PumpingEmptiesTheTankAndStopsThePumps)
{
    Rig rig;
    rig.model.behaviour().setTankLevel(0.08);
    rig.exchange(command(0x10, 0, 3, 0), 1);
    setWord(rig, ParameterMemory::kSerwisToff, 0); // service run: pumps on continuously
    rig.exchange(command(0x81), 1);
    const uint16_t startLevel = rig.model.status(rig.clock.nowMs()).filtrowanyWaterLev;
    bool empty = false;
    sample(rig, 50000, 500, [&](const SimStatus& s) {
        if (s.mapFlags & kMapFlagTankEmpty) {
            empty = true;
            EXPECT_FALSE(s.flag & kFlagPump1Running);
        }
    });
    EXPECT_TRUE(empty);
    EXPECT_LT(rig.model.behaviour().tankLevel(), 0.08);
    EXPECT_GT(startLevel, 0);
}

TEST(SimBehaviour, SameTimesGiveTheSameStatus)
{
    Rig a, b;
    a.clock.advance(12345);
    b.clock.advance(12345);
    EXPECT_EQ(a.model.status(a.clock.nowMs()).encode(), b.model.status(b.clock.nowMs()).encode());
}
