#pragma once

#include "live/StatusFrame.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace kdx {

// Indicator lamps driven straight from status bits (the warning lamps and the
// memory-error lamp are separate fields of DashboardView).
enum class Lamp : size_t {
    SystemOn,    // AbLEDSystemOn
    StacOn,      // AbLEDStacOn
    Pump1,       // AbLEDPump1
    Pump2,       // AbLEDPump2
    Jon1,        // AbLEDJon1
    Jon2,        // AbLEDJon2
    MinRpmP1,    // AbLEDMinRpmP1
    MaxRpmP1,    // AbLEDMaxRpmP1
    MinRpmP2,    // AbLEDMinRpmP2
    MaxRpmP2,    // AbLEDMaxRpmP2
    Serwis,      // AbLEDSerwis
    OnDelayAuto, // AbLEDOnDelayAuto
    MaskMapOn,   // AbLEDMaskMapOn
    Empty,       // AbLEDempty
    AutoMaxHum,  // AbLEDAutoMaxHum
    AutoMinTemp, // AbLEDAutoMinTemp
    FatalErr1,   // AbLEDFatalErr1
    FatalErr2,   // AbLEDFatalErr2
    Count
};
constexpr size_t kLampCount = static_cast<size_t>(Lamp::Count);

// The four mode pages whose tabs follow the work mode, and the five mode buttons.
enum class ModePage : size_t { Auto, ManualTrig, ManualConst, Serwis, Count };
constexpr size_t kModePageCount = static_cast<size_t>(ModePage::Count);
enum class ModeButton : size_t { Auto, ManualTrig, ManualConst, Serwis, Off, Count };
constexpr size_t kModeButtonCount = static_cast<size_t>(ModeButton::Count);

// Everything one valid status frame writes to the window. Texts are final
// (language texts and decimal separator applied).
struct DashboardView {
    // CheckBox1..CheckBox9 (errors now) and CheckBox10..CheckBox18 (in memory),
    // index = error bit.
    std::array<bool, kNamedErrorBits> actualErrors{};
    std::array<bool, kNamedErrorBits> memoryErrors{};
    bool errMem = false;  // the memory error lamp: any of the 16 memory bits
    bool warP1 = false;   // AbLEDWarP1: pump 1 not connected
    bool warP2 = false;   // AbLEDWarP2
    bool cmpOut = false;  // CheckBoxCMPout (hidden)
    bool cmpEv = false;   // CheckBoxCMPev (hidden)

    // StringGridViz, 16 rows; a row left empty here is not written (rows 14
    // and 15 never, rows 4 and 5 only for hardware versions 1 and 2).
    struct VizRow {
        std::string label; // column 0
        std::string value; // column 1
    };
    std::array<std::optional<VizRow>, 16> viz;

    // StringGridWizD: row r holds r in column 0 and this text in column 1.
    std::array<std::string, StatusFrame::kRawWords> rawWords;

    std::string opPerSecond; // LabelOpPers

    std::array<bool, kLampCount> lamps{};
    std::string pump1Caption;    // AbLEDPump1
    std::string pump2Caption;    // AbLEDPump2
    std::string systemOnCaption; // AbLEDSystemOn

    float meterValue = 0.0f; // Ab270MeterLGPres, thousands of rpm

    std::string vdcText;         // LabelVDC
    std::string humidityText;    // LabelWilgotnosc
    std::string temperatureText; // LabelTempPow

    std::string modeText;
    std::array<bool, kModePageCount> modePageVisible{};
    ModeButton boldButton = ModeButton::Off;

    bool lamp(Lamp which) const { return lamps[static_cast<size_t>(which)]; }
};

} // namespace kdx
