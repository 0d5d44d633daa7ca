#pragma once

#include "protocol/Wire.h"

#include <array>
#include <cstdint>

namespace kdx::sim {

// The controller's live status as the firmware keeps it: the 96-byte status
// frame (multi-byte fields little-endian). On the wire the frame travels in
// reverse byte order, so each field arrives most significant byte first.
struct SimStatus {
    using Frame = std::array<uint8_t, wire::kStatusPayloadLen>;

    // Bytes without a named field (and the start for every named one); lets
    // a test put known values into the unnamed frame bytes.
    Frame base{};

    uint32_t flag = 0;            // frame 0..3, bits kFlag*
    uint32_t auxFlags = 0;        // frame 4..7, bits kAux*
    uint8_t mapFlags = 0;         // frame 20
    uint8_t autoFlags = 0;        // frame 21
    uint16_t operationsPerSecond = 0; // frame 22
    uint16_t engineRpm = 0;       // frame 24, rpm
    uint16_t humidity = 0;        // frame 26, 0.1 %
    int16_t temperature = 0;      // frame 28, 0.1 degC
    uint16_t current1 = 0;        // frame 30, raw; A = raw * 0.0013359
    uint16_t current2 = 0;        // frame 32
    uint16_t current3 = 0;        // frame 34
    uint16_t current4 = 0;        // frame 36
    uint16_t supplyVoltage = 0;   // frame 38, raw; V = raw * 0.00122 * 7.8
    uint16_t waterLev = 0;        // frame 40, raw; V = raw * 0.00122
    uint16_t filtrowanyWaterLev = 0; // frame 42
    uint8_t trigMapRow = 0;       // frame 46
    uint8_t pumpOnRow = 0;        // frame 48
    uint8_t pumpStopCol = 0;      // frame 49
    uint8_t pumpStopRow = 0;      // frame 50
    int16_t pump1Ton = 0;         // frame 52, 0.1 s
    int16_t pump1Toff = 0;        // frame 54
    int16_t pump2Ton = 0;         // frame 56
    int16_t pump2Toff = 0;        // frame 58
    uint16_t errorAct = 0;        // frame 72
    uint16_t errorMemo = 0;       // frame 74
    uint8_t workMode = 0;         // frame 76
    uint8_t frameErrorCount = 0;  // frame 78
    uint16_t autoOnDelay = 0;     // frame 80
    uint8_t protOpenTimeP1 = 0;   // frame 82, 0.1 s
    uint8_t protOpenTimeP2 = 0;   // frame 83
    int16_t protDelayTimeP1Off = 0; // frame 84, 0.1 s
    int16_t protDelayTimeP2Off = 0; // frame 86

    // The 96-byte frame in the controller's own byte order.
    Frame encode() const;
};

} // namespace kdx::sim
