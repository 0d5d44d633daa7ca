#include "sim/SimStatus.h"

namespace kdx::sim {

namespace {

void put16(SimStatus::Frame& f, size_t at, uint16_t v)
{
    f[at] = static_cast<uint8_t>(v & 0xFF);
    f[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(SimStatus::Frame& f, size_t at, uint32_t v)
{
    put16(f, at, static_cast<uint16_t>(v & 0xFFFF));
    put16(f, at + 2, static_cast<uint16_t>(v >> 16));
}

} // namespace

SimStatus::Frame SimStatus::encode() const
{
    Frame f = base;
    put32(f, 0, flag);
    put32(f, 4, auxFlags);
    f[20] = mapFlags;
    f[21] = autoFlags;
    put16(f, 22, operationsPerSecond);
    put16(f, 24, engineRpm);
    put16(f, 26, humidity);
    put16(f, 28, static_cast<uint16_t>(temperature));
    put16(f, 30, current1);
    put16(f, 32, current2);
    put16(f, 34, current3);
    put16(f, 36, current4);
    put16(f, 38, supplyVoltage);
    put16(f, 40, waterLev);
    put16(f, 42, filtrowanyWaterLev);
    f[46] = trigMapRow;
    f[48] = pumpOnRow;
    f[49] = pumpStopCol;
    f[50] = pumpStopRow;
    put16(f, 52, static_cast<uint16_t>(pump1Ton));
    put16(f, 54, static_cast<uint16_t>(pump1Toff));
    put16(f, 56, static_cast<uint16_t>(pump2Ton));
    put16(f, 58, static_cast<uint16_t>(pump2Toff));
    put16(f, 72, errorAct);
    put16(f, 74, errorMemo);
    f[76] = workMode;
    f[78] = frameErrorCount;
    put16(f, 80, autoOnDelay);
    f[82] = protOpenTimeP1;
    f[83] = protOpenTimeP2;
    put16(f, 84, static_cast<uint16_t>(protDelayTimeP1Off));
    put16(f, 86, static_cast<uint16_t>(protDelayTimeP2Off));
    return f;
}

} // namespace kdx::sim
