#pragma once

#include "live/StatusFrame.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

// One check of the production test. It holds over a window: from test time
// fromMs to the verdict, every valid status frame must satisfy it. The first
// frame that does not counts one error and is logged with its time and what
// was wrong; later violations of the same check are not counted again.
struct TesterCheck {
    int32_t fromMs = 0;
    std::string name; // Polish, as the production line reads the log
    // Nothing while the frame satisfies the check; otherwise what was wrong,
    // as the log shows it (for example "8.00 V").
    std::function<std::optional<std::string>(const StatusFrame&)> violation;

    // The checks of a freshly built controller on a current-limited lab supply:
    // from 200 ms system on; from 900 ms no present errors or fatal flags and
    // both pumps connected; from 1700 ms supply within kSupplyMinV..kSupplyMaxV;
    // from 3000 ms the temperature/humidity sensor answering with plausible
    // values. The outputs and the stored errors are the Tester's own checks.
    static std::vector<TesterCheck> standard();

    // "ErrorAct 0x0008 (J1ErrorOut)": the word and the names of its set bits.
    static std::string errorWordText(const char* field, uint16_t word);
    // Two decimals with a point, whatever the locale ("8.00").
    static std::string twoDecimals(double value);

    static constexpr double kSupplyMinV = 9.0;   // 12 V vehicles, lab supply sag
    static constexpr double kSupplyMaxV = 32.0;  // 24 V vehicles
    static constexpr int kHumidityMinTenths = 1;         // exactly 0 %: the sensor never answered
    static constexpr int kHumidityMaxTenths = 1000;      // 100.0 %
    static constexpr int kTemperatureMinTenths = -400;   // -40.0 degC
    static constexpr int kTemperatureMaxTenths = 850;    // 85.0 degC
    static constexpr double kPumpCurrentMinA = 0.05;     // below: open circuit
    static constexpr double kPumpCurrentMaxA = 8.0;      // above: short, supply limit near
};

} // namespace kdx
