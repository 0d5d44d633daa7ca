#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kdx {

// The controller's 96-byte live status. The answer carries it in reverse byte
// order (frame byte k is answer byte 97 - k), so each multi-byte field arrives
// most significant byte first and reads little-endian here.
class StatusFrame {
public:
    static constexpr size_t kSize = 96;
    static constexpr size_t kRawWords = kSize / 2;

    StatusFrame() = default; // all zero
    explicit StatusFrame(const std::array<uint8_t, kSize>& bytes) : m_bytes(bytes) {}

    // Takes the payload out of a status answer of at least 98 bytes (header,
    // 96 payload bytes); nothing for a shorter one. Header, checksum and end
    // byte are the poller's business, not checked here.
    static std::optional<StatusFrame> fromResponse(const uint8_t* response, size_t length);

    const std::array<uint8_t, kSize>& bytes() const { return m_bytes; }

    // Raw access by frame offset; offsets past the frame read as 0.
    uint8_t u8(size_t offset) const;
    uint16_t u16(size_t offset) const;
    int16_t s16(size_t offset) const;
    uint32_t u32(size_t offset) const;
    uint64_t u64(size_t offset) const;
    bool bit(size_t offset, unsigned bitIndex) const;
    // 16-bit word r of the raw-word view (offsets 2r, 2r + 1), r < 48.
    uint16_t word(size_t r) const { return u16(2 * r); }

    // --- named fields (raw) --------------------------------------------------
    uint32_t flag() const { return u32(0); }
    uint32_t auxFlags() const { return u32(4); }
    uint8_t mapFlags() const { return u8(20); }
    uint8_t autoFlags() const { return u8(21); }
    uint16_t operationsPerSecond() const { return u16(22); }
    uint16_t engineRpm() const { return u16(24); }
    uint16_t humidity() const { return u16(26); }         // 0.1 %
    int16_t temperature() const { return s16(28); }       // 0.1 degC
    uint16_t currentRaw(int channel) const;               // channel 1..4
    uint16_t supplyVoltage() const { return u16(38); }
    uint16_t waterLev() const { return u16(40); }
    uint16_t filtrowanyWaterLev() const { return u16(42); }
    uint8_t trigMapRow() const { return u8(46); }
    uint8_t pumpOnRow() const { return u8(48); }
    uint8_t pumpStopCol() const { return u8(49); }
    uint8_t pumpStopRow() const { return u8(50); }
    int16_t pump1Ton() const { return s16(52); }          // 0.1 s
    int16_t pump1Toff() const { return s16(54); }
    int16_t pump2Ton() const { return s16(56); }
    int16_t pump2Toff() const { return s16(58); }
    uint16_t errorAct() const { return u16(72); }
    uint16_t errorMemo() const { return u16(74); }
    uint8_t workMode() const { return u8(76); }
    uint8_t frameErrorCount() const { return u8(78); }
    uint16_t autoOnDelay() const { return u16(80); }
    uint8_t protOpenTimeP1() const { return u8(82); }     // 0.1 s
    uint8_t protOpenTimeP2() const { return u8(83); }
    int16_t protDelayTimeP1Off() const { return s16(84); } // 0.1 s
    int16_t protDelayTimeP2Off() const { return s16(86); }

    // --- flags ---------------------------------------------------------------
    bool systemOn() const { return bit(0, 1); }
    bool ignitionOn() const { return bit(0, 2); }
    bool pump1Running() const { return bit(1, 4); }
    bool pump2Running() const { return bit(1, 5); }
    bool ionizer1On() const { return bit(1, 6); }
    bool ionizer2On() const { return bit(1, 7); }
    bool minRpmP1() const { return bit(2, 1); }
    bool maxRpmP1() const { return bit(2, 3); }
    bool minRpmP2() const { return bit(2, 5); }
    bool maxRpmP2() const { return bit(2, 7); }
    bool shortOff() const { return bit(3, 6); }
    bool serviceRunOn() const { return (auxFlags() >> 0) & 1u; }
    bool onDelayRunning() const { return (auxFlags() >> 1) & 1u; }
    bool pump1NotConnected() const { return (auxFlags() >> 9) & 1u; }
    bool pump2NotConnected() const { return (auxFlags() >> 10) & 1u; }
    bool outFlag() const { return (auxFlags() >> 11) & 1u; }
    bool eventFlag() const { return (auxFlags() >> 12) & 1u; }
    bool mapOff() const { return bit(20, 5); }
    bool waterTankEmpty() const { return bit(20, 6); }
    bool autoMaxHumidity() const { return bit(21, 0); }
    bool autoMinTemperature() const { return bit(21, 1); }
    bool fatalError1() const { return bit(21, 2); }
    bool fatalError2() const { return bit(21, 3); }

    // --- scaled values -------------------------------------------------------
    // Amperes; the product is held as a 32-bit float, as the controller's
    // tools always showed it.
    float currentAmps(int channel) const;
    double supplyVolts() const { return supplyVoltage() * 0.00122 * 7.8; }
    double waterLevVolts() const { return waterLev() * 0.00122; }
    double filtrowanyWaterLevVolts() const { return filtrowanyWaterLev() * 0.00122; }
    double humidityPercent() const { return humidity() * 0.1; }
    double temperatureCelsius() const { return temperature() * 0.1; }
    // Engine speed in thousands of rpm, as the meter takes it.
    float engineRpmThousands() const { return static_cast<float>(engineRpm() * 0.001); }

private:
    std::array<uint8_t, kSize> m_bytes{};
};

// Error bits of errorAct() and errorMemo().
enum class ErrorBit : unsigned {
    VdcErrorLow = 0,
    VdcErrorHigh = 1,
    OneWireSensorComErr = 2,
    J1ErrorOut = 3,
    J2ErrorOut = 4,
    P1ErrorOut = 5,
    P2ErrorOut = 6,
    P1ErrorOverload = 7,
    P2ErrorOverload = 8,
};
constexpr unsigned kNamedErrorBits = 9;

} // namespace kdx
