#pragma once

#include "live/StatusFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kdx {

struct TickResult;

// The measured values of the live status that are charted and recorded.
enum class Channel : uint8_t {
    EngineSpeed,        // rpm
    Humidity,           // %
    Temperature,        // degC
    SupplyVoltage,      // V
    WaterLevel,         // V, the sensor's raw reading
    WaterLevelFiltered, // V
    Pump1Current,       // A
    Pump2Current,       // A
};
constexpr size_t kChannelCount = 8;

// The on/off states that are charted as step lines and recorded.
enum class Switch : uint8_t {
    Ignition,
    Pump1,
    Pump2,
    Ioniser1,
    Ioniser2,
    SystemOn,
};
constexpr size_t kSwitchCount = 6;

// One row of the status history: the decoded values of one valid status
// frame, or a gap where a frame was expected and none came.
struct StatusSample {
    enum class State : uint8_t {
        Ok,       // a valid frame
        Lost,     // the answer did not arrive complete
        Bad,      // wrong header or end byte
        Checksum, // wrong checksum
        NoLink,   // no polling at all for a while (link down, reconnecting)
        Paused,   // the tool held the polling off (a dialog open, an upgrade, a restore)
    };

    int64_t utcMs = 0; // milliseconds since 1970-01-01 00:00 UTC
    State state = State::Ok;
    // Meaningful only for State::Ok.
    std::array<float, kChannelCount> values{};
    uint8_t switches = 0; // bit i: Switch i on
    uint8_t workMode = 0;
    uint16_t errorAct = 0;
    uint16_t errorMemo = 0;

    bool ok() const { return state == State::Ok; }
    float value(Channel c) const { return values[static_cast<size_t>(c)]; }
    bool on(Switch s) const { return (switches >> static_cast<unsigned>(s)) & 1u; }

    static StatusSample fromFrame(const StatusFrame& frame, int64_t utcMs);
    static StatusSample gap(State state, int64_t utcMs);
    // The row a receive tick of the status poll gives: the frame's values, a
    // gap for an answer counted lost, bad or with a wrong checksum; nothing
    // for any other tick.
    static std::optional<StatusSample> fromTick(const TickResult& tick, int64_t utcMs);
};

} // namespace kdx
