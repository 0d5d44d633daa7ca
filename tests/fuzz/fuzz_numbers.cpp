// Typed numbers: whatever the technician types must either convert or give
// the conversion message, never crash; and what fixedText writes must read
// back through parseDecimal.
#include "params/NumberText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const char separator = (data[0] & 1) ? ',' : '.';
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto d = kdx::parseDecimal(text, separator);
    const auto i = kdx::parseInteger(text);
    (void)i;
    if (d.ok() && std::isfinite(*d.value) && std::fabs(*d.value) < 1e15) {
        for (int precision : {3, 4, 5}) {
            const std::string shown = kdx::fixedText(*d.value, precision, 2, separator);
            if (!kdx::parseDecimal(shown, separator).ok())
                __builtin_trap();
        }
    }
    return 0;
}
