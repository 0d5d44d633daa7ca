#include "live/DashboardView.h"

namespace kdx {

const char* lampObjectName(Lamp lamp)
{
    static const char* const names[kLampCount] = {
        "AbLEDSystemOn", "AbLEDStacOn",      "AbLEDPump1",      "AbLEDPump2",       "AbLEDJon1",
        "AbLEDJon2",     "AbLEDMinRpmP1",    "AbLEDMaxRpmP1",   "AbLEDMinRpmP2",    "AbLEDMaxRpmP2",
        "AbLEDSerwis",   "AbLEDOnDelayAuto", "AbLEDMaskMapOn",  "AbLEDempty",       "AbLEDAutoMaxHum",
        "AbLEDAutoMinTemp", "AbLEDFatalErr1", "AbLEDFatalErr2",
    };
    const auto i = static_cast<size_t>(lamp);
    return i < kLampCount ? names[i] : "";
}

const char* modePageObjectName(ModePage page)
{
    static const char* const names[kModePageCount] = {
        "TabSheetAuto", "TabSheetManualTrig", "TabSheetManualConst", "TabSheetSerwis"};
    const auto i = static_cast<size_t>(page);
    return i < kModePageCount ? names[i] : "";
}

const char* modeButtonObjectName(ModeButton button)
{
    static const char* const names[kModeButtonCount] = {
        "ButtonAuto", "ButtonManualTrig", "ButtonManualConst", "ButtonSerwis", "ButtonOff"};
    const auto i = static_cast<size_t>(button);
    return i < kModeButtonCount ? names[i] : "";
}

} // namespace kdx
