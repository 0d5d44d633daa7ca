#pragma once

#include "sim/ParameterMemory.h"
#include "sim/SimStatus.h"

#include <cstdint>

namespace kdx::sim {

// What the controller's firmware does between frames, in steps of
// kBehaviourStepMs: the engine follows a repeating drive cycle, the sensors
// drift within plausible ranges, and pumps and ionisers switch by the work
// mode and the maps and settings in parameter memory. Deterministic: the
// same inputs at the same times give the same status.
class ControllerBehaviour {
public:
    // Length of one drive cycle (engine off, idle, town, motorway, idle).
    static constexpr uint32_t kDriveCycleMs = 240000;
    // Below this the engine counts as stopped.
    static constexpr uint16_t kRunningRpm = 300;

    // Power-up at nowMs: drive cycle restarts, tank refilled, pumps off.
    void reset(uint64_t nowMs);
    // Runs the firmware up to nowMs with the memory and mode as they stand.
    void advanceTo(uint64_t nowMs, const ParameterMemory& memory, uint8_t workMode, bool serviceRun);
    // Fills every field this model owns (not the errors, mode or frame count).
    void fill(SimStatus& status) const;

    uint64_t nowMs() const { return m_nowMs; }
    uint16_t rpm() const { return m_rpm; }
    bool pumpOn(int pump) const { return m_pumps[pump & 1].on; }
    bool ionisersOn() const { return m_ionisers; }
    // Both pumps start their on/off cycle afresh (with the on-phase) at the next step.
    void restartPumpCycles()
    {
        for (auto& p : m_pumps) {
            p.on = false;
            p.phaseLeftMs = 0;
        }
    }
    // Level of the water tank, 0 (empty) to 1 (full).
    double tankLevel() const { return m_tank; }
    void setTankLevel(double level) { m_tank = level; }

    // Engine speed of the drive cycle at a time into it (without ripple).
    static uint16_t driveCycleRpm(uint64_t msIntoCycle);

private:
    struct PumpCycle {
        bool on = false;
        uint32_t phaseLeftMs = 0;
        int16_t ton = 0;  // 0.1 s, as reported in the status
        int16_t toff = 0;
    };
    void step(const ParameterMemory& m, uint8_t workMode, bool serviceRun);
    // One pump follows on/off times in 0.1 s: on time <= 0 keeps it off, off
    // time <= 0 keeps it on, otherwise it alternates.
    static void runCycle(PumpCycle& p, bool allowed, int16_t ton, int16_t toff, uint32_t dtMs);
    double noise(); // -1 .. 1

    uint64_t m_startMs = 0;
    uint64_t m_nowMs = 0;
    uint64_t m_engineStartMs = 0;
    bool m_engineWasRunning = false;
    uint32_t m_rng = 0x1234567u;

    uint16_t m_rpm = 0;
    uint16_t m_humidity = 600;
    int16_t m_temperature = 200;
    uint16_t m_supplyRaw = 0;
    uint16_t m_waterRaw = 0;
    double m_waterFiltered = 0;
    double m_tank = 0.85;
    bool m_tankEmpty = false;
    uint32_t m_emptyForMs = 0;
    uint16_t m_opsPerSecond = 0;

    PumpCycle m_pumps[2];
    bool m_ionisers = false;
    uint32_t m_flag = 0;
    uint32_t m_aux = 0;
    uint8_t m_mapFlags = 0;
    uint8_t m_autoFlags = 0;
    uint8_t m_trigRow = 0;
    uint8_t m_pumpOnRow = 0;
    size_t m_autoBand = 0; // bands of the pump-on vector at or below the rpm
    uint8_t m_stopCol = 0;
    uint8_t m_stopRow = 0;
    uint16_t m_onDelayLeftS = 0;
    uint16_t m_current[4] = {0, 0, 0, 0};
    bool m_firstStepDone = false;
};

} // namespace kdx::sim
