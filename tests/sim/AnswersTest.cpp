#include "SimTestRig.h"

#include "sim/ParameterMemory.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace kdx;
using namespace kdx::sim;
using kdx::sim::test::command;
using kdx::sim::test::Rig;

namespace {

uint8_t sumFrom(const std::vector<uint8_t>& v, size_t from, size_t to)
{
    return static_cast<uint8_t>(std::accumulate(v.begin() + static_cast<long>(from),
                                                v.begin() + static_cast<long>(to), 0xAA));
}

} // namespace

TEST(SimAnswers, IdentifyReportsConfiguredVersions)
{
    Rig defaults;
    EXPECT_EQ(defaults.exchange(command(0x03)), (std::vector<uint8_t>{0x41, 1, 1, 0, 0, 0, 0, 0xE0}));

    ControllerConfig config;
    config.hardwareVersion = 3;
    config.softwareVersion = 4;
    config.softwareRevision = 17;
    Rig custom(config);
    const auto answer = custom.exchange(command(0x03));
    ASSERT_EQ(answer.size(), 8u);
    EXPECT_EQ(answer[1], 3);
    EXPECT_EQ(answer[2], 4);
    EXPECT_EQ(answer[3], 17);
}

TEST(SimAnswers, FreshControllerPagesCarryFactoryImageWithValidChecksums)
{
    Rig rig;
    std::vector<uint8_t> image;
    for (uint16_t address : {0, 128, 256, 384}) {
        const auto answer = rig.page(address);
        ASSERT_EQ(answer.size(), 132u) << address;
        EXPECT_EQ(answer[0], 0x48);
        EXPECT_EQ(answer[1], 0x01);
        EXPECT_EQ(answer[130], sumFrom(answer, 2, 130)) << address;
        EXPECT_EQ(answer[131], 0xE0);
        image.insert(image.end(), answer.begin() + 2, answer.begin() + 130);
    }
    const ParameterMemory& m = rig.model.memory();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), m.bytes().begin()));
    ParameterMemory read;
    std::copy(image.begin(), image.end(), read.bytes().begin());
    EXPECT_EQ(read.wordAt(ParameterMemory::kMarker), 0xAAAA);
    EXPECT_EQ(read.dwordAt(ParameterMemory::kSerialNumber), kDefaultSerialNumber);
    for (size_t w = 12; w <= 35; ++w) // connection log: never written
        EXPECT_EQ(read.wordAt(2 * w), 0xFFFF) << w;
    EXPECT_EQ(read.wordAt(ParameterMemory::kGeneralDelay), 5);
    EXPECT_EQ(read.element(ParameterMemory::kManualTrigVector, 23), 8500);
    EXPECT_EQ(read.element(ParameterMemory::kAutoPumpStopMap, 8), 2000);
    EXPECT_EQ(read.byteAt(ParameterMemory::kAnKompSett), 64);
}

TEST(SimAnswers, PageOfZerosCarriesChecksumAA)
{
    ParameterMemory::Bytes zeros{};
    ControllerModel model({}, zeros);
    model.receive(command(0xAA, 0x01, 0x01, 0x80).data(), 6, 0);
    std::vector<uint8_t> out(200);
    out.resize(model.take(out.data(), out.size(), 500));
    ASSERT_EQ(out.size(), 132u);
    EXPECT_EQ(out[130], 0xAA);
}

// Each named field set in the firmware's status lands in the response bytes
// of the status table, most significant byte first.
TEST(SimAnswers, StatusFieldsLandInTheirResponseBytes)
{
    Rig rig;
    rig.model.setStatusHook([](SimStatus& s) {
        s.base[10] = 0x5A; // an unnamed frame byte: response byte 87
        s.flag = 0x44332211;
        s.auxFlags = 0x00001801;
        s.mapFlags = 0x40;
        s.autoFlags = 0x03;
        s.operationsPerSecond = 0x0708;
        s.engineRpm = 0x1234;
        s.humidity = 0x0356;
        s.temperature = -125; // 0xFF83
        s.current1 = 0x0A0B;
        s.supplyVoltage = 0x05DC;
        s.waterLev = 0x0CDE;
        s.filtrowanyWaterLev = 0x0CDF;
        s.trigMapRow = 22;
        s.pumpOnRow = 3;
        s.pumpStopCol = 2;
        s.pumpStopRow = 1;
        s.pump1Ton = 30;
        s.pump2Toff = -1;
        s.errorAct = 0x0201;
        s.errorMemo = 0x0180;
        s.workMode = 0x80;
        s.frameErrorCount = 9;
        s.autoOnDelay = 0x0102;
        s.protOpenTimeP1 = 0x21;
        s.protOpenTimeP2 = 0x22;
        s.protDelayTimeP1Off = 0x0304;
        s.protDelayTimeP2Off = 0x0506;
    });
    const auto r = rig.status();
    ASSERT_EQ(r.size(), 100u);
    EXPECT_EQ(r[0], 0x56);
    EXPECT_EQ(r[1], 0x05);
    EXPECT_EQ(r[98], sumFrom(r, 2, 98));
    EXPECT_EQ(r[99], 0xE0);

    const struct {
        size_t byte;
        uint8_t value;
        const char* field;
    } expected[] = {
        {97, 0x11, "Flag low"},        {96, 0x22, "Flag 2"},          {95, 0x33, "Flag 3"},
        {94, 0x44, "Flag high"},       {93, 0x01, "AuxFlags low"},    {92, 0x18, "AuxFlags 2"},
        {90, 0x00, "AuxFlags high"},   {87, 0x5A, "unnamed byte 10"}, {77, 0x40, "MapFlags"},
        {76, 0x03, "AutoFlags"},       {74, 0x07, "OpsPerSec MSB"},   {75, 0x08, "OpsPerSec LSB"},
        {72, 0x12, "EngineRpm MSB"},   {73, 0x34, "EngineRpm LSB"},   {70, 0x03, "Humidity MSB"},
        {71, 0x56, "Humidity LSB"},    {68, 0xFF, "Temperature MSB"}, {69, 0x83, "Temperature LSB"},
        {66, 0x0A, "Current1 MSB"},    {67, 0x0B, "Current1 LSB"},    {58, 0x05, "Supply MSB"},
        {59, 0xDC, "Supply LSB"},      {56, 0x0C, "WaterLev MSB"},    {57, 0xDE, "WaterLev LSB"},
        {55, 0xDF, "Filtered LSB"},    {51, 22, "TrigMapRow"},        {49, 3, "PumpOnRow"},
        {48, 2, "PumpStopCol"},        {47, 1, "PumpStopRow"},        {45, 30, "Pump1Ton LSB"},
        {38, 0xFF, "Pump2Toff MSB"},   {39, 0xFF, "Pump2Toff LSB"},   {24, 0x02, "ErrorAct MSB"},
        {25, 0x01, "ErrorAct LSB"},    {22, 0x01, "ErrorMemo MSB"},   {23, 0x80, "ErrorMemo LSB"},
        {21, 0x80, "WorkMode"},        {19, 9, "FrameErrorCount"},    {16, 0x01, "AutoOnDelay MSB"},
        {17, 0x02, "AutoOnDelay LSB"}, {15, 0x21, "ProtOpenTimeP1"},  {14, 0x22, "ProtOpenTimeP2"},
        {12, 0x03, "ProtDelayP1 MSB"}, {13, 0x04, "ProtDelayP1 LSB"}, {10, 0x05, "ProtDelayP2 MSB"},
        {11, 0x06, "ProtDelayP2 LSB"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(r[e.byte], e.value) << e.field << " at response byte " << e.byte;
}

TEST(SimAnswers, WordAndByteWritesReadBack)
{
    Rig rig;
    EXPECT_TRUE(rig.exchange(command(0xD1, 0xBB, 0x00, 0x78)).empty()); // GeneralDelay := 120, no answer
    EXPECT_TRUE(rig.exchange(command(0xC2, 0x98, 0x00, 0x02)).empty()); // FuelType := 2
    EXPECT_TRUE(rig.exchange(command(0xC1, 0x49, 0x00, 0x07)).empty()); // AvFuelComs := 7
    rig.exchange(command(0xD1, 0x28, 0x12, 0x0C));                      // word 40: byte 81 = 0x12, byte 80 = 0x0C

    const auto p2 = rig.page(256);
    ASSERT_EQ(p2.size(), 132u);
    EXPECT_EQ(p2[2 + 374 - 256], 0x78); // low byte first in memory
    EXPECT_EQ(p2[2 + 375 - 256], 0x00);
    const auto p3 = rig.page(384);
    EXPECT_EQ(p3[2 + 408 - 384], 0x02);
    const auto p0 = rig.page(0);
    EXPECT_EQ(p0[2 + 73], 0x07);
    EXPECT_EQ(p0[2 + 80], 0x0C);
    EXPECT_EQ(p0[2 + 81], 0x12);
}

TEST(SimAnswers, WritesBeyondTheMemoryAreIgnored)
{
    Rig rig;
    const auto before = rig.model.memory().bytes();
    rig.exchange(command(0xC3, 0x00, 0x00, 0x55)); // byte offset 512
    rig.exchange(command(0xD2, 0x00, 0x55, 0x55)); // word 256
    rig.exchange(command(0xCF, 0xFF, 0x00, 0x55)); // byte offset 0xEFF
    EXPECT_EQ(rig.model.memory().bytes(), before);
}

TEST(SimAnswers, SaveToEepromSurvivesPowerCycleAndUnsavedWritesDoNot)
{
    Rig rig;
    int saves = 0;
    ParameterMemory::Bytes saved{};
    rig.model.setSaveCallback([&](const ParameterMemory::Bytes& b) {
        ++saves;
        saved = b;
    });
    rig.exchange(command(0xD1, 0xBB, 0x00, 0x78));
    rig.exchange(command(0xE1));
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(ParameterMemory(saved).wordAt(ParameterMemory::kGeneralDelay), 120);
    rig.exchange(command(0xD1, 0xBC, 0x00, 0x42)); // word 188, not saved

    rig.model.powerOn(rig.clock.nowMs());
    EXPECT_EQ(rig.model.memory().wordAt(ParameterMemory::kGeneralDelay), 120);
    EXPECT_EQ(rig.model.memory().wordAt(ParameterMemory::kManualMaxRpmP1), 5000);
}

TEST(SimAnswers, EraseErrorsClearsStoredButPresentErrorsReturn)
{
    Rig rig;
    FaultSet faults;
    std::string error;
    ASSERT_TRUE(faults.add("errors=0x0001:0x0180", error));
    rig.model.setFaults(faults);
    auto r = rig.status();
    EXPECT_EQ(r[24], 0x00);
    EXPECT_EQ(r[25], 0x01);
    EXPECT_EQ(r[22], 0x01); // stored: 0x0180 plus the present 0x0001
    EXPECT_EQ(r[23], 0x81);

    EXPECT_TRUE(rig.exchange(command(0x61)).empty());
    r = rig.status();
    EXPECT_EQ(r[22], 0x00);
    EXPECT_EQ(r[23], 0x01); // still present, so stored again
}

TEST(SimAnswers, WorkModeAndServiceRun)
{
    Rig rig;
    rig.exchange(command(0x10, 0, 2, 0));
    EXPECT_EQ(rig.model.workMode(), 2);
    EXPECT_EQ(rig.model.memory().byteAt(ParameterMemory::kWorkMode), 2);
    EXPECT_EQ(rig.status()[21], 2);

    rig.exchange(command(0x81)); // not in service mode: refused
    EXPECT_FALSE(rig.model.serviceRunning());
    rig.exchange(command(0x10, 0, 3, 0));
    rig.exchange(command(0x81));
    EXPECT_TRUE(rig.model.serviceRunning());
    EXPECT_EQ(rig.status()[93] & 0x01, 0x01); // AuxFlags bit 0
    rig.exchange(command(0x80));
    EXPECT_FALSE(rig.model.serviceRunning());
    rig.exchange(command(0x81));
    rig.exchange(command(0x10, 0, 0xFF, 0)); // leaving service mode ends the run
    EXPECT_FALSE(rig.model.serviceRunning());
    EXPECT_EQ(rig.status()[21], 0xFF);
}

TEST(SimAnswers, BrokenFramesAreSkippedAndCounted)
{
    Rig rig;
    std::vector<uint8_t> stream = {0x00, 0x13, 0xE0};   // line noise
    auto badSum = command(0x03);
    badSum[4] ^= 0x01;                                   // checksum wrong
    auto badEnd = command(0xAA, 0x05);
    badEnd[5] = 0xE1;                                    // end byte wrong
    const auto good = command(0x03);
    for (const std::vector<uint8_t>* part : std::initializer_list<const std::vector<uint8_t>*>{&badSum, &badEnd, &good})
        stream.insert(stream.end(), part->begin(), part->end());

    const auto answer = rig.exchange(stream);
    EXPECT_EQ(answer, (std::vector<uint8_t>{0x41, 1, 1, 0, 0, 0, 0, 0xE0}));
    EXPECT_EQ(rig.model.commandsHandled(), 1u);
    EXPECT_GE(rig.model.frameErrors(), 1u);
    EXPECT_EQ(rig.status()[19], rig.model.frameErrors());
}

TEST(SimAnswers, FrameSplitAcrossWritesIsAssembled)
{
    Rig rig;
    const auto frame = command(0x03);
    rig.line.transmit(frame.data(), 2);
    rig.clock.advance(3);
    rig.line.transmit(frame.data() + 2, 4);
    rig.clock.advance(20);
    EXPECT_EQ(rig.takeAll().size(), 8u);
    EXPECT_EQ(rig.model.frameErrors(), 0u);
}
