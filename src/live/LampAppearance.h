#pragma once

#include "live/DashboardView.h"
#include "live/Rgb.h"

#include <optional>

namespace kdx {

// How an indicator lamp of the window looks: a light with its caption 5 px to
// the right, on colour while on, off colour while off; a flashing lamp blinks
// between the two at flashHz while on and is steady off colour while off.
struct LampAppearance {
    enum class Shape { Round, Rectangle };

    Rgb onColour{0, 255, 0};        // lime
    std::optional<Rgb> offColour;   // empty: the system's button-face colour
    int flashHz = 0;                // 0: steady
    Shape shape = Shape::Round;
    int width = 13;
    int height = 13;
    int captionGap = 5;

    // A lamp driven straight from a status bit.
    static LampAppearance of(Lamp lamp);
    // Any error in the controller's memory (flashing red).
    static LampAppearance memoryError();
    // The deferred save to the controller's memory (a flashing bar).
    static LampAppearance saving();
    // A pump not connected (flashing yellow).
    static LampAppearance pumpWarning();
    // The tester's result (a large bar, blue while on, lime while off).
    static LampAppearance testResult();
};

} // namespace kdx
