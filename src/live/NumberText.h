#pragma once

#include <cstdint>
#include <string>

namespace kdx {

// Number texts of the live displays.
class NumberText {
public:
    // value rounded to `precision` significant digits, then written with
    // exactly `decimals` digits after decimalSeparator (halves round away from
    // zero at both steps). When the rounded value needs more integer digits
    // than `precision`, it is written as d<sep>ddE+n with precision digits.
    // A result that rounds to zero carries no minus sign.
    static std::string fixed(double value, int precision, int decimals,
                             const std::string& decimalSeparator);

    // "0" for zero; otherwise "0" followed by bits 15..0 of v (17 characters).
    // Bits above 15 only decide whether v counts as zero.
    static std::string binary(uint32_t v);

    // "0x" and the value in upper-case hexadecimal, `digits` wide.
    static std::string hex(uint32_t v, int digits);
};

} // namespace kdx
