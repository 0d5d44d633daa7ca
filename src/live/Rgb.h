#pragma once

#include <cstdint>

namespace kdx {

// A colour as the window paints it, 8 bits per channel.
struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

} // namespace kdx
