#include "live/NumberText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kdx {

namespace {

// Rounds the decimal digit string to its first `keep` digits, halves up
// (pads with zeros when shorter). Returns true when the carry ran off the
// front; the string is then a 1 followed by `keep` zeros.
bool roundDigits(std::string& digits, size_t keep)
{
    if (digits.size() <= keep) {
        digits.append(keep - digits.size(), '0');
        return false;
    }
    const bool up = digits[keep] >= '5';
    digits.resize(keep);
    if (!up)
        return false;
    for (size_t i = keep; i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return false;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
    return true;
}

} // namespace

std::string NumberText::fixed(double value, int precision, int decimals,
                              const std::string& decimalSeparator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    precision = std::clamp(precision, 1, 18);
    decimals = std::clamp(decimals, 0, 18);

    // The exact decimal expansion, far enough for the roundings below.
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%.40e", std::fabs(value));
    std::string digits;
    const char* p = buffer;
    for (; *p != 'e' && *p != '\0'; ++p)
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    int exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
    const bool negative = std::signbit(value);

    if (roundDigits(digits, static_cast<size_t>(precision))) {
        digits.resize(static_cast<size_t>(precision));
        ++exponent;
    }
    const bool zero = digits.find_first_not_of('0') == std::string::npos;
    if (zero)
        exponent = 0;

    std::string text;
    const int integerDigits = exponent + 1;
    if (integerDigits > precision) {
        text = digits.substr(0, 1);
        if (precision > 1)
            text += decimalSeparator + digits.substr(1);
        text += "E+" + std::to_string(exponent);
    } else {
        // Place the point: pad with leading zeros for values below one.
        std::string all = integerDigits <= 0 ? std::string(static_cast<size_t>(1 - integerDigits), '0') + digits
                                             : digits;
        size_t point = static_cast<size_t>(std::max(integerDigits, 1));
        if (roundDigits(all, point + static_cast<size_t>(decimals)))
            ++point;
        std::string whole = all.substr(0, point);
        const size_t firstNonZero = whole.find_first_not_of('0');
        whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
        text = whole;
        if (decimals > 0)
            text += decimalSeparator + all.substr(point);
        if (all.find_first_not_of('0') == std::string::npos)
            return text;
    }
    return negative && !zero ? "-" + text : text;
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
