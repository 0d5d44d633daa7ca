#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kdx {

// How a changed field travels to the controller.
enum class WriteKind : uint8_t {
    None,  // never sent on its own (only the all-words write of the default set)
    Word,  // the 16-bit word holding it (a byte field: its whole word)
    Byte,  // the single byte
    Dword, // both words of its 32-bit group
};

// One field of the controller's 512-byte parameter memory. Arrays have
// `count` entries laid out back to back; entry e starts at offsetOf(e).
// Multi-byte values are little-endian, as in the controller's memory.
struct Field {
    const char* name;
    uint16_t offset;  // byte offset of entry 0
    uint8_t bits;     // 8, 16 or 32
    bool isSigned;    // two's complement when shown
    double scale;     // display unit per stored count (0.1 for tenths, 1 for plain)
    uint8_t count;    // 1 for a single value
    WriteKind write;

    constexpr size_t widthBytes() const { return bits / 8u; }
    constexpr uint16_t offsetOf(size_t entry) const
    {
        return static_cast<uint16_t>(offset + entry * widthBytes());
    }
    // Word holding (the start of) the entry.
    constexpr uint16_t wordOf(size_t entry) const { return static_cast<uint16_t>(offsetOf(entry) / 2); }
    constexpr size_t endOffset() const { return offset + count * widthBytes(); }
    // Smallest and largest stored value of one entry (two's complement when signed).
    constexpr int64_t minValue() const { return isSigned ? -(int64_t{1} << (bits - 1)) : 0; }
    constexpr int64_t maxValue() const
    {
        return isSigned ? (int64_t{1} << (bits - 1)) - 1 : (int64_t{1} << bits) - 1;
    }
    // An entry can hold v without wrapping.
    constexpr bool holds(int64_t v) const { return v >= minValue() && v <= maxValue(); }
};

// The layout of the parameter memory. Bytes not covered by any field
// (2-3, 8-23, 74-77, 79, 81, 392-393, 410-511) are kept exactly as read.
namespace layout {

constexpr double kTenth = 0.1;
constexpr double kVoltsPerCount = 0.00122;

constexpr Field ImageMarker{"ImageMarker", 0, 16, false, 1.0, 1, WriteKind::None};
constexpr Field SerialNumber{"SerialNumber", 4, 32, false, 1.0, 1, WriteKind::None};
// Connection log: PC identity and packed date of slots 0..7.
constexpr Field LogIdentity{"LogIdentity", 24, 32, false, 1.0, 8, WriteKind::Dword};
constexpr Field LogDate{"LogDate", 56, 16, false, 1.0, 8, WriteKind::Word};
// 0 auto, 1 manual trigger, 2 manual const, 3 service, 0xFF off; sent by the mode command.
constexpr Field WorkModeSetting{"WorkModeSetting", 72, 8, false, 1.0, 1, WriteKind::None};
// Average consumption class: item index 0..30 of "0".."29", "30+" l/100 km.
constexpr Field AvFuelComs{"AvFuelComs", 73, 8, false, 1.0, 1, WriteKind::Byte};
constexpr Field AutoRpmUpT{"AutoRpmUpT", 78, 8, false, kTenth, 1, WriteKind::Byte};
// Bit 1 analogue rpm input, bit 2 pump 1 active, bit 3 pump 2 active; sent as word 40.
constexpr Field ConfigFlags{"ConfigFlags", 80, 8, false, 1.0, 1, WriteKind::Word};
constexpr Field ManualTrigVector{"ManualTrigVector", 82, 16, false, 1.0, 24, WriteKind::None};
// Manual trigger map times, 0.1 s; a negative on time switches the map off.
constexpr Field ManualTrigP1Ton{"ManualTrigP1Ton", 130, 16, true, kTenth, 24, WriteKind::Word};
constexpr Field ManualTrigP1Toff{"ManualTrigP1Toff", 178, 16, true, kTenth, 24, WriteKind::Word};
constexpr Field ManualTrigP2Ton{"ManualTrigP2Ton", 226, 16, true, kTenth, 24, WriteKind::Word};
constexpr Field ManualTrigP2Toff{"ManualTrigP2Toff", 274, 16, true, kTenth, 24, WriteKind::Word};
constexpr Field AutoPumpOnVector{"AutoPumpOnVector", 322, 16, false, 1.0, 5, WriteKind::Word};
constexpr Field AutoPumpOnTime{"AutoPumpOnTime", 332, 16, true, kTenth, 5, WriteKind::Word};
constexpr Field AutoHumVector{"AutoHumVector", 342, 16, false, kTenth, 3, WriteKind::None};
constexpr Field AutoTempVector{"AutoTempVector", 348, 16, true, kTenth, 3, WriteKind::None};
// Pause time for humidity band H and temperature band T at element T + 3*H, 0.1 s.
constexpr Field AutoPumpStopMap{"AutoPumpStopMap", 354, 16, true, kTenth, 9, WriteKind::Word};
constexpr Field RpmDziel{"RpmDziel", 372, 16, false, 1.0, 1, WriteKind::Word};
constexpr Field GeneralDelay{"GeneralDelay", 374, 16, false, 1.0, 1, WriteKind::Word};  // whole seconds
constexpr Field ManualMaxRpmP1{"ManualMaxRpmP1", 376, 16, false, 1.0, 1, WriteKind::Word};
constexpr Field ManualMinRpmP1{"ManualMinRpmP1", 378, 16, false, 1.0, 1, WriteKind::Word};
constexpr Field ManualMaxRpmP2{"ManualMaxRpmP2", 380, 16, false, 1.0, 1, WriteKind::Word};
constexpr Field ManualMinRpmP2{"ManualMinRpmP2", 382, 16, false, 1.0, 1, WriteKind::Word};
constexpr Field ManualMconstOnP1{"ManualMconstOnP1", 384, 16, false, kTenth, 1, WriteKind::Word};
constexpr Field ManualMconstOffP1{"ManualMconstOffP1", 386, 16, false, kTenth, 1, WriteKind::Word};
constexpr Field ManualMconstOnP2{"ManualMconstOnP2", 388, 16, false, kTenth, 1, WriteKind::Word};
constexpr Field ManualMconstOffP2{"ManualMconstOffP2", 390, 16, false, kTenth, 1, WriteKind::Word};
// Water level thresholds in converter counts (volts = counts * 0.00122).
constexpr Field MinLevH{"MinLevH", 394, 16, false, kVoltsPerCount, 1, WriteKind::Word};
constexpr Field MinLevL{"MinLevL", 396, 16, false, kVoltsPerCount, 1, WriteKind::Word};
constexpr Field MaxHum{"MaxHum", 398, 16, false, kTenth, 1, WriteKind::Word};         // 0.1 %
constexpr Field AutoMinTemp{"AutoMinTemp", 400, 16, true, kTenth, 1, WriteKind::Word}; // 0.1 degC
constexpr Field Auto2xShortOff{"Auto2xShortOff", 402, 16, false, 1.0, 1, WriteKind::Word}; // rpm, 0 = off
constexpr Field SerwisTon{"SerwisTon", 404, 16, false, kTenth, 1, WriteKind::Word};
constexpr Field SerwisToff{"SerwisToff", 406, 16, false, kTenth, 1, WriteKind::Word};
// 0 "gasoline 12V", 1 "diesel 12V", 2 "diesel 24V".
constexpr Field FuelType{"FuelType", 408, 8, false, 1.0, 1, WriteKind::Byte};
// Comparator threshold item k = 1.00 V + k * 10/127 V.
constexpr Field AnKompSett{"AnKompSett", 409, 8, false, 1.0, 1, WriteKind::Byte};

constexpr std::array<const Field*, 37> kAllFields{
    &ImageMarker, &SerialNumber, &LogIdentity, &LogDate, &WorkModeSetting, &AvFuelComs,
    &AutoRpmUpT, &ConfigFlags, &ManualTrigVector, &ManualTrigP1Ton, &ManualTrigP1Toff,
    &ManualTrigP2Ton, &ManualTrigP2Toff, &AutoPumpOnVector, &AutoPumpOnTime, &AutoHumVector,
    &AutoTempVector, &AutoPumpStopMap, &RpmDziel, &GeneralDelay, &ManualMaxRpmP1,
    &ManualMinRpmP1, &ManualMaxRpmP2, &ManualMinRpmP2, &ManualMconstOnP1, &ManualMconstOffP1,
    &ManualMconstOnP2, &ManualMconstOffP2, &MinLevH, &MinLevL, &MaxHum, &AutoMinTemp,
    &Auto2xShortOff, &SerwisTon, &SerwisToff, &FuelType, &AnKompSett};

} // namespace layout
} // namespace kdx
