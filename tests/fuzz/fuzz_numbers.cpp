// Typed numbers: whatever the technician types must either convert or give
// the conversion message, never crash; and what fixedText writes must read
// back through parseDecimal.
#include "params/NumberText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const char separator = (data[0] & 1) ? ',' : '.';
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto d = kdx::parseDecimal(text, separator);
    const auto i = kdx::parseInteger(text);
    (void)i;
    // The exact scaled conversion accepts exactly what parseDecimal accepts,
    // stays within its bound, and agrees with the binary one where that is exact.
    for (const auto& [numerator, pow10] : {std::pair<int64_t, int>{10, 0}, {8192, 1}, {1, 0}}) {
        const auto s = kdx::parseScaled(text, separator, numerator, pow10);
        if (s.ok() != d.ok() || (s.ok() && (*s.value > 1000000000000000LL || *s.value < -1000000000000000LL)))
            __builtin_trap();
        if (s.ok() && std::fabs(*d.value) < 1e6) {
            const double binary = *d.value * static_cast<double>(numerator) / (pow10 ? 10.0 : 1.0);
            if (std::fabs(static_cast<double>(*s.value) - std::trunc(binary)) > 1.0)
                __builtin_trap();
        }
    }
    if (d.ok() && std::isfinite(*d.value) && std::fabs(*d.value) < 1e15) {
        for (int precision : {3, 4, 5}) {
            const std::string shown = kdx::fixedText(*d.value, precision, 2, separator);
            if (!kdx::parseDecimal(shown, separator).ok())
                __builtin_trap();
        }
    }
    return 0;
}
