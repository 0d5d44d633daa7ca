#pragma once

#include "live/StatusFrame.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kdx {

// One check of the production test: at test time atMs the status frame of
// that step must satisfy `passes`, otherwise the test counts one error.
struct TesterCheck {
    int32_t atMs = 0;
    std::string name; // Polish, as the production line reads the log
    std::function<bool(const StatusFrame&)> passes;

    // The checks of a freshly built controller on a current-limited lab supply:
    // 200 ms system on; 900 ms no present or fatal errors; 1700 ms supply
    // within kSupplyMinV..kSupplyMaxV; 3000 ms temperature/humidity sensor
    // answering with plausible values; 4500 ms both pumps connected and, for
    // a running pump, its current within kPumpCurrentMinA..kPumpCurrentMaxA.
    static std::vector<TesterCheck> standard();

    static constexpr double kSupplyMinV = 9.0;   // 12 V vehicles, lab supply sag
    static constexpr double kSupplyMaxV = 32.0;  // 24 V vehicles
    static constexpr int kHumidityMaxTenths = 1000;      // 100.0 %
    static constexpr int kTemperatureMinTenths = -400;   // -40.0 degC
    static constexpr int kTemperatureMaxTenths = 850;    // 85.0 degC
    static constexpr double kPumpCurrentMinA = 0.05;     // below: open circuit
    static constexpr double kPumpCurrentMaxA = 8.0;      // above: short, supply limit near
};

} // namespace kdx
