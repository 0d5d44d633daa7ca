#pragma once

#include <ostream>

namespace kdx {

// The parameter editors of the window, named by what they edit. The display
// and editor procedures address them by these; the window's pages map each
// to its control.
enum class EditorId {
    // The parameters page.
    Comparator,
    Pump1Active,
    Pump2Active,
    RpmInput,
    FuelType,
    AverageConsumption,
    RpmDivide,
    GeneralDelay,
    MinLevH,
    MinLevL,
    // The automatic mode.
    MaxHumidity,
    AutoMinTemp,
    AutoRpmUpTime,
    Auto2xShortOff,
    AutoPumpOnMap,
    AutoPumpStopMap,
    // Manual trigger.
    ManualTrigMap,
    // Manual const, per pump.
    ManualMaxRpmP1,
    ManualMinRpmP1,
    ManualMaxRpmP2,
    ManualMinRpmP2,
    ManualOnP1,
    ManualOffP1,
    ManualOnP2,
    ManualOffP2,
    // The service run.
    SerwisOn,
    SerwisOff,
};

// For test output and traces.
std::ostream& operator<<(std::ostream& out, EditorId id);

} // namespace kdx
