#pragma once

#include "sim/SimConstants.h"

#include <array>
#include <cstdint>

namespace kdx::sim {

// The controller's 512-byte parameter memory (or its EEPROM copy): 256
// little-endian 16-bit words with a few byte fields. Offsets are bytes.
class ParameterMemory {
public:
    using Bytes = std::array<uint8_t, kMemorySize>;

    // Byte offsets of the fields the controller itself acts on.
    static constexpr size_t kMarker = 0;
    static constexpr size_t kSerialNumber = 4;
    static constexpr size_t kLogIdentity = 24;
    static constexpr size_t kLogDate = 56;
    static constexpr size_t kWorkMode = 72;
    static constexpr size_t kAvFuelComs = 73;
    static constexpr size_t kAutoRpmUpT = 78;
    static constexpr size_t kConfigFlags = 80;
    static constexpr size_t kManualTrigVector = 82;
    static constexpr size_t kManualTrigP1Ton = 130;
    static constexpr size_t kManualTrigP1Toff = 178;
    static constexpr size_t kManualTrigP2Ton = 226;
    static constexpr size_t kManualTrigP2Toff = 274;
    static constexpr size_t kAutoPumpOnVector = 322;
    static constexpr size_t kAutoPumpOnTime = 332;
    static constexpr size_t kAutoHumVector = 342;
    static constexpr size_t kAutoTempVector = 348;
    static constexpr size_t kAutoPumpStopMap = 354;
    static constexpr size_t kRpmDziel = 372;
    static constexpr size_t kGeneralDelay = 374;
    static constexpr size_t kManualMaxRpmP1 = 376;
    static constexpr size_t kManualMinRpmP1 = 378;
    static constexpr size_t kManualMaxRpmP2 = 380;
    static constexpr size_t kManualMinRpmP2 = 382;
    static constexpr size_t kManualMconstOnP1 = 384;
    static constexpr size_t kManualMconstOffP1 = 386;
    static constexpr size_t kManualMconstOnP2 = 388;
    static constexpr size_t kManualMconstOffP2 = 390;
    static constexpr size_t kMinLevH = 394;
    static constexpr size_t kMinLevL = 396;
    static constexpr size_t kMaxHum = 398;
    static constexpr size_t kAutoMinTemp = 400;
    static constexpr size_t kAuto2xShortOff = 402;
    static constexpr size_t kSerwisTon = 404;
    static constexpr size_t kSerwisToff = 406;
    static constexpr size_t kFuelType = 408;
    static constexpr size_t kAnKompSett = 409;

    static constexpr size_t kManualTrigRows = 24;
    static constexpr size_t kAutoBands = 5;

    ParameterMemory() { m_bytes.fill(kErasedByte); }
    explicit ParameterMemory(const Bytes& bytes) : m_bytes(bytes) {}

    // A fresh controller's EEPROM: the factory parameter set with this serial
    // number and an empty connection log.
    static ParameterMemory factory(uint32_t serialNumber);

    const Bytes& bytes() const { return m_bytes; }
    Bytes& bytes() { return m_bytes; }

    uint8_t byteAt(size_t offset) const { return offset < kMemorySize ? m_bytes[offset] : 0; }
    void setByte(size_t offset, uint8_t value);
    // Word at a byte offset (low byte first); out-of-range reads give 0.
    uint16_t wordAt(size_t offset) const;
    int16_t signedAt(size_t offset) const { return static_cast<int16_t>(wordAt(offset)); }
    void setWordAt(size_t offset, uint16_t value);
    uint32_t dwordAt(size_t offset) const;
    void setDwordAt(size_t offset, uint32_t value);

    // Element i of a 16-bit array starting at byte offset base.
    uint16_t element(size_t base, size_t i) const { return wordAt(base + 2 * i); }
    int16_t signedElement(size_t base, size_t i) const { return signedAt(base + 2 * i); }

    bool markerValid() const { return wordAt(kMarker) == kImageMarkerValid; }

private:
    Bytes m_bytes;
};

} // namespace kdx::sim
