#include "sim/ParameterMemory.h"

namespace kdx::sim {

void ParameterMemory::setByte(size_t offset, uint8_t value)
{
    if (offset < kMemorySize)
        m_bytes[offset] = value;
}

uint16_t ParameterMemory::wordAt(size_t offset) const
{
    if (offset + 1 >= kMemorySize)
        return 0;
    return static_cast<uint16_t>(m_bytes[offset] | (m_bytes[offset + 1] << 8));
}

void ParameterMemory::setWordAt(size_t offset, uint16_t value)
{
    if (offset + 1 >= kMemorySize)
        return;
    m_bytes[offset] = static_cast<uint8_t>(value & 0xFF);
    m_bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

uint32_t ParameterMemory::dwordAt(size_t offset) const
{
    return static_cast<uint32_t>(wordAt(offset)) | (static_cast<uint32_t>(wordAt(offset + 2)) << 16);
}

void ParameterMemory::setDwordAt(size_t offset, uint32_t value)
{
    setWordAt(offset, static_cast<uint16_t>(value & 0xFFFF));
    setWordAt(offset + 2, static_cast<uint16_t>(value >> 16));
}

ParameterMemory ParameterMemory::factory(uint32_t serialNumber)
{
    // Starts from erased cells, so the connection log and every byte the
    // controller does not use read 0xFF, as on a freshly programmed part.
    ParameterMemory m;
    m.setWordAt(kMarker, kImageMarkerValid);
    m.setDwordAt(kSerialNumber, serialNumber);

    // Delivered running in automatic mode with both pumps fitted and active,
    // digital rpm input; the rest is the documented default set.
    m.setByte(kWorkMode, 0);
    m.setByte(kAvFuelComs, 0);
    m.setByte(kAutoRpmUpT, 50);
    m.setByte(kConfigFlags, kConfigPump1Active | kConfigPump2Active);
    m.setByte(kConfigFlags + 1, 0);

    static const uint16_t trigVector[kManualTrigRows] = {
        600, 800, 1000, 1200, 1400, 1600, 1800, 2000, 2200, 2400, 2600, 2800,
        3000, 3500, 4000, 4500, 5000, 5500, 6000, 6500, 7000, 7500, 8000, 8500};
    for (size_t i = 0; i < kManualTrigRows; ++i) {
        m.setWordAt(kManualTrigVector + 2 * i, trigVector[i]);
        m.setWordAt(kManualTrigP1Ton + 2 * i, 0);
        m.setWordAt(kManualTrigP1Toff + 2 * i, 200);
        m.setWordAt(kManualTrigP2Ton + 2 * i, 0);
        m.setWordAt(kManualTrigP2Toff + 2 * i, 200);
    }
    static const uint16_t onVector[kAutoBands] = {2000, 3500, 5000, 6000, 7000};
    static const uint16_t onTime[kAutoBands] = {0, 10, 20, 30, 30};
    for (size_t i = 0; i < kAutoBands; ++i) {
        m.setWordAt(kAutoPumpOnVector + 2 * i, onVector[i]);
        m.setWordAt(kAutoPumpOnTime + 2 * i, onTime[i]);
    }
    static const uint16_t humVector[3] = {800, 900, 910};
    static const uint16_t tempVector[3] = {100, 200, 300};
    for (size_t i = 0; i < 3; ++i) {
        m.setWordAt(kAutoHumVector + 2 * i, humVector[i]);
        m.setWordAt(kAutoTempVector + 2 * i, tempVector[i]);
    }
    static const uint16_t stopMap[9] = {12000, 8000, 4000, 10000, 5000, 2400, 8000, 3000, 2000};
    for (size_t i = 0; i < 9; ++i)
        m.setWordAt(kAutoPumpStopMap + 2 * i, stopMap[i]);

    m.setWordAt(kRpmDziel, 0);
    m.setWordAt(kGeneralDelay, 5);
    m.setWordAt(kManualMaxRpmP1, 5000);
    m.setWordAt(kManualMinRpmP1, 1500);
    m.setWordAt(kManualMaxRpmP2, 5000);
    m.setWordAt(kManualMinRpmP2, 1500);
    m.setWordAt(kManualMconstOnP1, 10);
    m.setWordAt(kManualMconstOffP1, 0);
    m.setWordAt(kManualMconstOnP2, 10);
    m.setWordAt(kManualMconstOffP2, 0);
    m.setWordAt(392, 0);
    m.setWordAt(kMinLevH, 410);
    m.setWordAt(kMinLevL, 205);
    m.setWordAt(kMaxHum, 970);
    m.setWordAt(kAutoMinTemp, 50);
    m.setWordAt(kAuto2xShortOff, 5000);
    m.setWordAt(kSerwisTon, 30);
    m.setWordAt(kSerwisToff, 100);
    m.setByte(kFuelType, 0);
    m.setByte(kAnKompSett, 64);
    return m;
}

} // namespace kdx::sim
