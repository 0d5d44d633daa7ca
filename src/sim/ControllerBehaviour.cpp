#include "sim/ControllerBehaviour.h"

#include "protocol/Wire.h"
#include "sim/SimConstants.h"

#include <algorithm>
#include <cmath>

namespace kdx::sim {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Supply raw counts per volt (volts = raw * 0.00122 * 7.8).
constexpr double kSupplyCountsPerVolt = 1.0 / (0.00122 * 7.8);
// Level sensor counts per volt (volts = raw * 0.00122).
constexpr double kLevelCountsPerVolt = 1.0 / 0.00122;
// Pump current raw counts per ampere (amperes = raw * 0.00122 * 0.0005 * 2190).
constexpr double kCurrentCountsPerAmp = 1.0 / (0.00122 * 0.0005 * 2190);
constexpr double kPumpAmps = 1.6;
constexpr double kIoniserAmps = 0.45;
// Share of the tank one pump moves per second.
constexpr double kTankUsePerPumpSecond = 0.0012;
// A technician refills an empty tank after this long.
constexpr uint32_t kRefillAfterMs = 60000;
constexpr double kRefillLevel = 0.9;
constexpr double kLevelFilterMs = 5000;
// Time into the drive cycle at which the ignition is switched on (the
// engine cranks at 4 s).
constexpr uint64_t kIgnitionOnAtMs = 2500;
// Longest on delay honoured, in seconds (a wiped memory reads 0xFFFF).
constexpr uint32_t kMaxOnDelayS = 600;

// Drive cycle: time into the cycle (s) and engine speed (rpm), linear between.
struct CyclePoint {
    uint32_t atS;
    uint16_t rpm;
};
constexpr CyclePoint kCycle[] = {
    {0, 0},      {4, 0},      {5, 1100},   {8, 850},    {30, 850},   {40, 2500},
    {60, 2800},  {75, 3800},  {95, 4200},  {105, 2200}, {120, 2600}, {150, 5200},
    {165, 6200}, {175, 3000}, {200, 2000}, {215, 850},  {235, 850},  {240, 0},
};

uint16_t clampU16(double v, double lo, double hi)
{
    return static_cast<uint16_t>(std::lround(std::clamp(v, lo, hi)));
}

} // namespace

uint16_t ControllerBehaviour::driveCycleRpm(uint64_t msIntoCycle)
{
    const double t = static_cast<double>(msIntoCycle % kDriveCycleMs) / 1000.0;
    for (size_t i = 1; i < sizeof kCycle / sizeof kCycle[0]; ++i) {
        const CyclePoint& a = kCycle[i - 1];
        const CyclePoint& b = kCycle[i];
        if (t <= b.atS) {
            const double f = (t - a.atS) / static_cast<double>(b.atS - a.atS);
            return static_cast<uint16_t>(std::lround(a.rpm + f * (b.rpm - a.rpm)));
        }
    }
    return 0;
}

double ControllerBehaviour::noise()
{
    // xorshift32: cheap, deterministic.
    m_rng ^= m_rng << 13;
    m_rng ^= m_rng >> 17;
    m_rng ^= m_rng << 5;
    return static_cast<double>(m_rng % 20001) / 10000.0 - 1.0;
}

void ControllerBehaviour::reset(uint64_t nowMs)
{
    *this = ControllerBehaviour();
    m_startMs = nowMs;
    m_nowMs = nowMs;
    m_waterFiltered = (0.1 + 3.6 * m_tank) * kLevelCountsPerVolt;
}

void ControllerBehaviour::advanceTo(uint64_t nowMs, const ParameterMemory& memory, uint8_t workMode,
                                    bool serviceRun)
{
    if (!m_firstStepDone) {
        m_firstStepDone = true;
        step(memory, workMode, serviceRun);
    }
    if (nowMs <= m_nowMs)
        return;
    if (nowMs - m_nowMs > kMaxCatchUpMs)
        m_nowMs = nowMs - kMaxCatchUpMs;
    while (m_nowMs + kBehaviourStepMs <= nowMs) {
        m_nowMs += kBehaviourStepMs;
        step(memory, workMode, serviceRun);
    }
}

void ControllerBehaviour::runCycle(PumpCycle& p, bool allowed, int16_t ton, int16_t toff, uint32_t dtMs)
{
    p.ton = ton;
    p.toff = toff;
    if (!allowed || ton <= 0) {
        p.on = false;
        p.phaseLeftMs = 0;
        return;
    }
    if (toff <= 0) {
        p.on = true;
        p.phaseLeftMs = 0;
        return;
    }
    if (p.phaseLeftMs > dtMs) {
        p.phaseLeftMs -= dtMs;
        return;
    }
    p.on = !p.on;
    p.phaseLeftMs = static_cast<uint32_t>(p.on ? ton : toff) * 100u;
}

void ControllerBehaviour::step(const ParameterMemory& m, uint8_t workMode, bool serviceRun)
{
    const uint32_t dt = kBehaviourStepMs;
    const double t = static_cast<double>(m_nowMs - m_startMs);

    // Engine.
    const uint16_t cycleRpm = driveCycleRpm(m_nowMs - m_startMs);
    const bool running = cycleRpm >= kRunningRpm;
    m_rpm = running ? clampU16(cycleRpm + 25.0 * std::sin(t / 700.0) + 8.0 * noise(), 0, 9000) : 0;
    if (running && !m_engineWasRunning)
        m_engineStartMs = m_nowMs;
    m_engineWasRunning = running;

    // Climate: slow swings with a faster ripple.
    m_humidity = clampU16(650.0 + 150.0 * std::sin(2 * kPi * t / 600000.0)
                              + 25.0 * std::sin(2 * kPi * t / 47000.0) + 3.0 * noise(),
                          0, 1000);
    m_temperature = static_cast<int16_t>(std::lround(220.0 + 80.0 * std::sin(2 * kPi * t / 900000.0 + 1.0)
                                                     + 8.0 * std::sin(2 * kPi * t / 31000.0) + noise()));

    // Water tank and level sensor (raw reading sloshes while driving).
    const int pumpsOn = (m_pumps[0].on ? 1 : 0) + (m_pumps[1].on ? 1 : 0);
    m_tank = std::max(0.0, m_tank - pumpsOn * kTankUsePerPumpSecond * dt / 1000.0);
    const double levelCounts = (0.1 + 3.6 * m_tank) * kLevelCountsPerVolt;
    m_waterRaw = clampU16(levelCounts + (running ? 25.0 : 2.0) * noise(), 0, 4095);
    m_waterFiltered += (m_waterRaw - m_waterFiltered) * dt / (kLevelFilterMs + dt);
    const uint16_t minLevL = m.wordAt(ParameterMemory::kMinLevL);
    const uint16_t minLevH = m.wordAt(ParameterMemory::kMinLevH);
    if (m_waterFiltered < minLevL)
        m_tankEmpty = true;
    else if (m_waterFiltered > minLevH)
        m_tankEmpty = false;
    m_emptyForMs = m_tankEmpty ? m_emptyForMs + dt : 0;
    if (m_emptyForMs >= kRefillAfterMs) {
        m_tank = kRefillLevel;
        m_waterFiltered = (0.1 + 3.6 * m_tank) * kLevelCountsPerVolt;
        m_tankEmpty = false;
        m_emptyForMs = 0;
    }

    // Supply: charging voltage while the engine runs; the 24 V vehicles double it.
    const bool system24V = m.byteAt(ParameterMemory::kFuelType) == 2;
    double volts = (running ? 14.2 : 12.5) - 0.15 * pumpsOn + 0.05 * noise();
    if (system24V)
        volts *= 2;
    m_supplyRaw = clampU16(volts * kSupplyCountsPerVolt, 0, 65535);

    m_opsPerSecond = clampU16(1850.0 + 12.0 * noise(), 0, 65535);

    // On delay after the engine starts (automatic and manual modes).
    const uint32_t delayMs = std::min<uint32_t>(m.wordAt(ParameterMemory::kGeneralDelay), kMaxOnDelayS) * 1000u;
    const uint64_t sinceStart = running ? m_nowMs - m_engineStartMs : 0;
    const uint32_t delayLeft = running ? static_cast<uint32_t>(sinceStart >= delayMs ? 0 : delayMs - sinceStart)
                                       : delayMs;
    m_onDelayLeftS = static_cast<uint16_t>((delayLeft + 999) / 1000);

    const uint8_t config = m.byteAt(ParameterMemory::kConfigFlags);
    const bool active[2] = {(config & kConfigPump1Active) != 0, (config & kConfigPump2Active) != 0};
    const bool base = running && !m_tankEmpty && delayLeft == 0;
    const bool driveMode = workMode == wire::kModeAuto || workMode == wire::kModeManualTrig
                           || workMode == wire::kModeManualConst;

    // The driver turns the key a moment before cranking: ignition is off
    // for the first part of the engine-off phase of each cycle.
    const bool ignition = (m_nowMs - m_startMs) % kDriveCycleMs >= kIgnitionOnAtMs;
    m_flag = kFlagSystemOn | (ignition ? kFlagIgnitionOn : 0u);
    m_aux = 0;
    m_mapFlags = m_tankEmpty ? kMapFlagTankEmpty : 0;
    m_autoFlags = 0;
    if (driveMode && running && delayLeft > 0)
        m_aux |= kAuxOnDelay;

    if (workMode == wire::kModeAuto) {
        size_t bands = 0;
        for (size_t i = 0; i < ParameterMemory::kAutoBands; ++i)
            if (m.element(ParameterMemory::kAutoPumpOnVector, i) <= m_rpm)
                bands = i + 1;
        m_pumpOnRow = static_cast<uint8_t>(bands > 0 ? bands - 1 : 0);
        const int16_t ton = bands > 0 ? m.signedElement(ParameterMemory::kAutoPumpOnTime, bands - 1) : 0;
        const uint16_t hum = m_humidity;
        const int16_t temp = m_temperature;
        const uint8_t h = hum < m.element(ParameterMemory::kAutoHumVector, 0)   ? 0
                          : hum < m.element(ParameterMemory::kAutoHumVector, 1) ? 1
                                                                                 : 2;
        const uint8_t tb = temp < m.signedElement(ParameterMemory::kAutoTempVector, 0)   ? 0
                           : temp < m.signedElement(ParameterMemory::kAutoTempVector, 1) ? 1
                                                                                          : 2;
        m_stopCol = h;
        m_stopRow = tb;
        const int16_t pause = m.signedElement(ParameterMemory::kAutoPumpStopMap, tb + 3u * h);
        bool allowed = base;
        if (hum > m.wordAt(ParameterMemory::kMaxHum)) {
            m_autoFlags |= kAutoFlagMaxHum;
            allowed = false;
        }
        if (temp < m.signedAt(ParameterMemory::kAutoMinTemp)) {
            m_autoFlags |= kAutoFlagMinTemp;
            allowed = false;
        }
        const uint16_t shortOff = m.wordAt(ParameterMemory::kAuto2xShortOff);
        if (shortOff != 0 && m_rpm > shortOff)
            m_flag |= kFlagShortOff;
        // Crossing into another band starts the dosing cycle afresh with its
        // on time, rather than finishing a long pause of the band before.
        const bool bandChanged = bands != m_autoBand;
        m_autoBand = bands;
        for (int p = 0; p < 2; ++p) {
            if (bandChanged) {
                m_pumps[p].on = false;
                m_pumps[p].phaseLeftMs = 0;
            }
            runCycle(m_pumps[p], allowed && active[p], ton, pause, dt);
        }
    } else if (workMode == wire::kModeManualTrig) {
        const bool below = m_rpm < m.element(ParameterMemory::kManualTrigVector, 0);
        size_t row = 0;
        for (size_t i = 0; i + 1 < ParameterMemory::kManualTrigRows; ++i)
            if (m.element(ParameterMemory::kManualTrigVector, i) <= m_rpm)
                row = i;
        m_trigRow = static_cast<uint8_t>(row);
        const int16_t ton1 = m.signedElement(ParameterMemory::kManualTrigP1Ton, row);
        const int16_t toff1 = m.signedElement(ParameterMemory::kManualTrigP1Toff, row);
        const int16_t ton2 = m.signedElement(ParameterMemory::kManualTrigP2Ton, row);
        const int16_t toff2 = m.signedElement(ParameterMemory::kManualTrigP2Toff, row);
        if (ton1 < 0 && ton2 < 0)
            m_mapFlags |= kMapFlagMapOff;
        runCycle(m_pumps[0], base && !below && active[0], ton1, toff1, dt);
        runCycle(m_pumps[1], base && !below && active[1], ton2, toff2, dt);
    } else if (workMode == wire::kModeManualConst) {
        const size_t minAt[2] = {ParameterMemory::kManualMinRpmP1, ParameterMemory::kManualMinRpmP2};
        const size_t maxAt[2] = {ParameterMemory::kManualMaxRpmP1, ParameterMemory::kManualMaxRpmP2};
        const size_t onAt[2] = {ParameterMemory::kManualMconstOnP1, ParameterMemory::kManualMconstOnP2};
        const size_t offAt[2] = {ParameterMemory::kManualMconstOffP1, ParameterMemory::kManualMconstOffP2};
        const uint32_t minBit[2] = {kFlagP1MinRpm, kFlagP2MinRpm};
        const uint32_t maxBit[2] = {kFlagP1MaxRpm, kFlagP2MaxRpm};
        for (int p = 0; p < 2; ++p) {
            // A condition flag is set while the rpm is outside that limit.
            const bool underMin = m_rpm < m.wordAt(minAt[p]);
            const bool overMax = m_rpm > m.wordAt(maxAt[p]);
            if (underMin)
                m_flag |= minBit[p];
            if (overMax)
                m_flag |= maxBit[p];
            runCycle(m_pumps[p], base && active[p] && !underMin && !overMax, m.signedAt(onAt[p]),
                     m.signedAt(offAt[p]), dt);
        }
    } else if (workMode == wire::kModeService) {
        // The service run drives both outputs whatever the engine does; only
        // an empty tank stops the pumps (they must not run dry).
        if (serviceRun)
            m_aux |= kAuxServiceRun;
        const int16_t ton = m.signedAt(ParameterMemory::kSerwisTon);
        const int16_t toff = m.signedAt(ParameterMemory::kSerwisToff);
        for (int p = 0; p < 2; ++p)
            runCycle(m_pumps[p], serviceRun && !m_tankEmpty, ton, toff, dt);
    } else {
        for (auto& p : m_pumps)
            runCycle(p, false, 0, 0, dt);
    }

    m_ionisers = workMode == wire::kModeService ? serviceRun : (driveMode && running && delayLeft == 0);
    if (m_pumps[0].on)
        m_flag |= kFlagPump1Running;
    if (m_pumps[1].on)
        m_flag |= kFlagPump2Running;
    if (m_ionisers)
        m_flag |= kFlagIonizer1On | kFlagIonizer2On;

    for (int p = 0; p < 2; ++p)
        m_current[p] = clampU16((m_pumps[p].on ? kPumpAmps : 0.004) * kCurrentCountsPerAmp + 4.0 * noise(), 0, 4095);
    for (int j = 2; j < 4; ++j)
        m_current[j] = clampU16((m_ionisers ? kIoniserAmps : 0.0) * kCurrentCountsPerAmp + 2.0 * noise(), 0, 4095);
}

void ControllerBehaviour::fill(SimStatus& s) const
{
    s.flag = m_flag;
    s.auxFlags = m_aux;
    s.mapFlags = m_mapFlags;
    s.autoFlags = m_autoFlags;
    s.operationsPerSecond = m_opsPerSecond;
    s.engineRpm = m_rpm;
    s.humidity = m_humidity;
    s.temperature = m_temperature;
    s.current1 = m_current[0];
    s.current2 = m_current[1];
    s.current3 = m_current[2];
    s.current4 = m_current[3];
    s.supplyVoltage = m_supplyRaw;
    s.waterLev = m_waterRaw;
    s.filtrowanyWaterLev = static_cast<uint16_t>(std::lround(std::clamp(m_waterFiltered, 0.0, 4095.0)));
    s.trigMapRow = m_trigRow;
    s.pumpOnRow = m_pumpOnRow;
    s.pumpStopCol = m_stopCol;
    s.pumpStopRow = m_stopRow;
    s.pump1Ton = m_pumps[0].ton;
    s.pump1Toff = m_pumps[0].toff;
    s.pump2Ton = m_pumps[1].ton;
    s.pump2Toff = m_pumps[1].toff;
    s.autoOnDelay = m_onDelayLeftS;
    s.protOpenTimeP1 = 20;
    s.protOpenTimeP2 = 20;
    s.protDelayTimeP1Off = 30;
    s.protDelayTimeP2Off = 30;
}

} // namespace kdx::sim
