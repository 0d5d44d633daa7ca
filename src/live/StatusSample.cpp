#include "live/StatusSample.h"

#include "live/StatusPoller.h"

namespace kdx {

StatusSample StatusSample::fromFrame(const StatusFrame& f, int64_t utcMs)
{
    StatusSample s;
    s.utcMs = utcMs;
    s.state = State::Ok;
    auto set = [&](Channel c, double v) { s.values[static_cast<size_t>(c)] = static_cast<float>(v); };
    set(Channel::EngineSpeed, f.engineRpm());
    set(Channel::Humidity, f.humidityPercent());
    set(Channel::Temperature, f.temperatureCelsius());
    set(Channel::SupplyVoltage, f.supplyVolts());
    set(Channel::WaterLevel, f.waterLevVolts());
    set(Channel::WaterLevelFiltered, f.filtrowanyWaterLevVolts());
    set(Channel::Pump1Current, f.currentAmps(1));
    set(Channel::Pump2Current, f.currentAmps(2));
    const bool on[kSwitchCount] = {f.ignitionOn(), f.pump1Running(), f.pump2Running(),
                                   f.ionizer1On(),  f.ionizer2On(),   f.systemOn()};
    for (size_t i = 0; i < kSwitchCount; ++i)
        if (on[i])
            s.switches |= static_cast<uint8_t>(1u << i);
    s.workMode = f.workMode();
    s.errorAct = f.errorAct();
    s.errorMemo = f.errorMemo();
    return s;
}

StatusSample StatusSample::gap(State state, int64_t utcMs)
{
    StatusSample s;
    s.utcMs = utcMs;
    s.state = state;
    return s;
}

std::optional<StatusSample> StatusSample::fromTick(const TickResult& r, int64_t utcMs)
{
    if (r.kind != TickResult::Kind::Received)
        return std::nullopt;
    if (r.frame)
        return fromFrame(*r.frame, utcMs);
    if (!r.counter)
        return std::nullopt;
    const State state = r.counter->label == CounterLabel::Lost  ? State::Lost
                        : r.counter->label == CounterLabel::Bad ? State::Bad
                                                                : State::Checksum;
    return gap(state, utcMs);
}

} // namespace kdx
