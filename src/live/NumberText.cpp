#include "live/NumberText.h"

#include "params/NumberText.h"

#include <algorithm>
#include <cstdio>

namespace kdx {

std::string NumberText::fixed(double value, int precision, int decimals,
                              const std::string& decimalSeparator)
{
    // One formatting for the whole program: the parameter editors write and
    // read the same texts.
    return fixedText(value, precision, decimals, decimalSeparator.empty() ? '.' : decimalSeparator[0]);
}

std::string NumberText::binary(uint32_t v)
{
    if (v == 0)
        return "0";
    std::string text = "0";
    for (int bit = 15; bit >= 0; --bit)
        text.push_back(((v >> bit) & 1u) ? '1' : '0');
    return text;
}

std::string NumberText::hex(uint32_t v, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%0*X", std::clamp(digits, 1, 8), v);
    return buffer;
}

} // namespace kdx
