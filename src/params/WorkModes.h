#pragma once

#include "protocol/Wire.h"

#include <array>
#include <cstdint>

namespace kdx {

// The dashboard's mode buttons: the mode value each stores and sends, and the
// page it brings up.
struct WorkModeButton {
    const char* button;  // object name
    const char* caption;
    uint8_t mode;        // WorkModeSetting and the mode command's value
    const char* page;    // object name of the page made active
};

constexpr std::array<WorkModeButton, 5> kWorkModeButtons{{
    {"ButtonAuto", "Mode: auto", wire::kModeAuto, "TabSheetAuto"},
    {"ButtonManualTrig", "Mode: manual trigger", wire::kModeManualTrig, "TabSheetManualTrig"},
    {"ButtonManualConst", "Mode: manual const", wire::kModeManualConst, "TabSheetManualConst"},
    {"ButtonSerwis", "Mode: serwis", wire::kModeService, "TabSheetSerwis"},
    {"ButtonOff", "Mode: off", wire::kModeOff, "TabSheetPar"},
}};

} // namespace kdx
