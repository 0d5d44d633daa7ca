#include "live/TesterCheck.h"

namespace kdx {

namespace {

bool errorBit(uint16_t word, ErrorBit b)
{
    return ((word >> static_cast<unsigned>(b)) & 1u) != 0;
}

bool pumpCurrentPlausible(const StatusFrame& f, int pump)
{
    const bool running = pump == 1 ? f.pump1Running() : f.pump2Running();
    if (!running)
        return true;
    const double amps = f.currentAmps(pump);
    return amps >= TesterCheck::kPumpCurrentMinA && amps <= TesterCheck::kPumpCurrentMaxA;
}

} // namespace

std::vector<TesterCheck> TesterCheck::standard()
{
    return {
        {200, "system włączony", [](const StatusFrame& f) { return f.systemOn(); }},
        {900, "brak bieżących błędów",
         [](const StatusFrame& f) { return f.errorAct() == 0 && !f.fatalError1() && !f.fatalError2(); }},
        {1700, "napięcie zasilania 9-32 V",
         [](const StatusFrame& f) { return f.supplyVolts() >= kSupplyMinV && f.supplyVolts() <= kSupplyMaxV; }},
        {3000, "czujnik temperatury i wilgotności",
         [](const StatusFrame& f) {
             return !errorBit(f.errorAct(), ErrorBit::OneWireSensorComErr)
                    && f.humidity() <= kHumidityMaxTenths && f.temperature() >= kTemperatureMinTenths
                    && f.temperature() <= kTemperatureMaxTenths;
         }},
        {4500, "pompa 1 podłączona", [](const StatusFrame& f) { return !f.pump1NotConnected(); }},
        {4500, "pompa 2 podłączona", [](const StatusFrame& f) { return !f.pump2NotConnected(); }},
        {4500, "prąd pompy 1", [](const StatusFrame& f) { return pumpCurrentPlausible(f, 1); }},
        {4500, "prąd pompy 2", [](const StatusFrame& f) { return pumpCurrentPlausible(f, 2); }},
    };
}

} // namespace kdx
