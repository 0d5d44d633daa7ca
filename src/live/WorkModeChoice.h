#pragma once

#include "protocol/Wire.h"
#include "live/DashboardView.h"

#include <array>
#include <cstdint>
#include <optional>

namespace kdx {

// A work mode the technician picks with a dashboard button: the value
// stored and sent, and the page it brings up (none for off). The status
// display marks the same button and shows the same page when the controller
// reports the mode.
struct WorkModeChoice {
    ModeButton button;
    uint8_t mode;
    std::optional<ModePage> page;
};

inline constexpr std::array<WorkModeChoice, kModeButtonCount> kWorkModeChoices{{
    {ModeButton::Auto, wire::kModeAuto, ModePage::Auto},
    {ModeButton::ManualTrig, wire::kModeManualTrig, ModePage::ManualTrig},
    {ModeButton::ManualConst, wire::kModeManualConst, ModePage::ManualConst},
    {ModeButton::Serwis, wire::kModeService, ModePage::Serwis},
    {ModeButton::Off, wire::kModeOff, std::nullopt},
}};

// The choice with that mode value, or null for a mode no button sets.
inline const WorkModeChoice* workModeChoice(uint8_t mode)
{
    for (const WorkModeChoice& c : kWorkModeChoices)
        if (c.mode == mode)
            return &c;
    return nullptr;
}

} // namespace kdx
