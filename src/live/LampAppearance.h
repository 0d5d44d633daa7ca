#pragma once

#include "live/Rgb.h"

#include <optional>
#include <string_view>

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

    // The design of the lamp with that object name; unknown names get the
    // common round lime lamp.
    static LampAppearance of(std::string_view objectName);
};

} // namespace kdx
