#include "params/NumberText.h"

#include "params/ParamConstants.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace kdx {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    return std::string_view(text).substr(b, e - b);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Adds one unit in the last place of a digit string; returns true on carry out.
bool incrementDigits(std::string& digits)
{
    for (size_t i = digits.size(); i-- > 0;) {
        if (digits[i] == '9') {
            digits[i] = '0';
        } else {
            ++digits[i];
            return false;
        }
    }
    return true;
}

} // namespace

std::string formatMessage(const char* pattern, const std::string& text)
{
    std::string out(pattern);
    const size_t at = out.find("%s");
    if (at != std::string::npos)
        out.replace(at, 2, text);
    return out;
}

namespace {

// Keeps the first `keep` digits, rounding the rest half away from zero.
// True when the carry ran off the front (the digits are then 1 0 0 ...).
bool roundHalfAway(std::string& digits, size_t keep)
{
    if (digits.size() <= keep) {
        digits.append(keep - digits.size(), '0');
        return false;
    }
    const bool up = digits[keep] >= '5';
    digits.resize(keep);
    if (!up)
        return false;
    if (incrementDigits(digits)) {
        digits.insert(digits.begin(), '1');
        digits.resize(keep);
        return true;
    }
    return false;
}

} // namespace

std::string fixedText(double value, int precision, int decimals, char separator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (precision < 1)
        precision = 1;
    if (precision > 17)
        precision = 17;
    if (decimals < 0)
        decimals = 0;
    if (decimals > 18)
        decimals = 18;
    const bool negative = std::signbit(value);

    // P significant digits and the decimal exponent after rounding. The
    // value's exact decimal expansion is rounded here, halves away from zero
    // (printf would round an exact half to even: 0.125 to 0.12).
    // std::to_chars gives the same exact digits as printf's %.40e, without
    // the locale and format parsing (this runs for every figure of every
    // status frame).
    char buf[80];
    const auto [end, error] = std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value), std::chars_format::scientific, 40);
    *(error == std::errc() ? end : buf) = '\0';
    std::string digits;
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (isDigit(*p))
            digits += *p;
    int exponent = (*p == 'e') ? std::atoi(p + 1) : 0;
    if (roundHalfAway(digits, static_cast<size_t>(precision)))
        ++exponent;

    if (exponent >= precision) {
        std::string out = negative ? "-" : "";
        out += digits[0];
        if (digits.size() > 1) {
            out += separator;
            out += digits.substr(1);
        }
        char exp[16];
        std::snprintf(exp, sizeof exp, "E+%02d", exponent);
        return out + exp;
    }

    // Split into integer and fraction digits: the value is digits * 10^(exponent-P+1).
    const int fractionDigits = precision - 1 - exponent; // >= 0 here
    std::string intPart, fracPart;
    if (fractionDigits >= precision) {
        intPart = "0";
        fracPart = std::string(static_cast<size_t>(fractionDigits - precision), '0') + digits;
    } else {
        intPart = digits.substr(0, static_cast<size_t>(precision - fractionDigits));
        fracPart = digits.substr(static_cast<size_t>(precision - fractionDigits));
    }
    if (static_cast<int>(fracPart.size()) > decimals) {
        const bool roundUp = fracPart[static_cast<size_t>(decimals)] >= '5';
        fracPart.resize(static_cast<size_t>(decimals));
        if (roundUp) {
            std::string all = intPart + fracPart;
            if (incrementDigits(all))
                all.insert(all.begin(), '1');
            intPart = all.substr(0, all.size() - fracPart.size());
            fracPart = all.substr(all.size() - fracPart.size());
        }
    } else {
        fracPart.append(static_cast<size_t>(decimals) - fracPart.size(), '0');
    }
    const bool zero = intPart.find_first_not_of('0') == std::string::npos
        && fracPart.find_first_not_of('0') == std::string::npos;
    std::string out = (negative && !zero) ? "-" : "";
    out += intPart;
    if (decimals > 0) {
        out += separator;
        out += fracPart;
    }
    return out;
}

std::string integerText(int64_t value) { return std::to_string(value); }

std::string scaledIntegerText(int64_t value, int decimals, char separator)
{
    const bool negative = value < 0;
    // Magnitude without overflow at the 64-bit minimum.
    std::string digits = std::to_string(negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
    if (decimals <= 0)
        return (negative ? "-" : "") + digits;
    const auto d = static_cast<size_t>(decimals);
    if (digits.size() <= d)
        digits.insert(0, d + 1 - digits.size(), '0');
    std::string out = negative ? "-" : "";
    out += digits.substr(0, digits.size() - d);
    out += separator;
    out += digits.substr(digits.size() - d);
    return out;
}

std::string hex32Text(uint32_t value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(value));
    return buf;
}

Parsed<double> parseDecimal(const std::string& text, char separator)
{
    Parsed<double> result;
    const std::string_view s = trimmed(text);
    // Rebuild the number in the form std::from_chars reads (point, no plus),
    // accepting only the grammar documented in the header.
    std::string normal;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-')
            normal += '-';
        ++i;
    }
    size_t mantissaDigits = 0;
    bool seenSeparator = false;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            normal += s[i];
            ++mantissaDigits;
        } else if (s[i] == separator && !seenSeparator) {
            normal += '.';
            seenSeparator = true;
        } else {
            break;
        }
    }
    bool valid = mantissaDigits > 0;
    if (valid && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            normal += s[i++];
        size_t exponentDigits = 0;
        for (; i < s.size() && isDigit(s[i]); ++i, ++exponentDigits)
            normal += s[i];
        valid = exponentDigits > 0;
    }
    if (valid && i == s.size()) {
        // from_chars reads ".5" and "5." as strtod does; it is locale-independent.
        double v = 0;
        const char* first = normal.data();
        const char* last = first + normal.size();
        const auto r = std::from_chars(first, last, v, std::chars_format::general);
        if (r.ec == std::errc() && r.ptr == last && std::isfinite(v)) {
            result.value = v;
            return result;
        }
    }
    result.error = formatMessage(params::kNotFloatMessage, text);
    return result;
}

Parsed<int32_t> parseInteger(const std::string& text)
{
    Parsed<int32_t> result;
    std::string_view s = trimmed(text);
    bool plus = false;
    if (!s.empty() && s[0] == '+') {
        s.remove_prefix(1);
        plus = true;
    }
    int32_t v = 0;
    if (!s.empty() && !(plus && s[0] == '-')) {
        const auto r = std::from_chars(s.data(), s.data() + s.size(), v, 10);
        if (r.ec == std::errc() && r.ptr == s.data() + s.size()) {
            result.value = v;
            return result;
        }
    }
    result.error = formatMessage(params::kNotIntegerMessage, text);
    return result;
}

Parsed<int64_t> parseScaled(const std::string& text, char separator, int64_t numerator, int denominatorPow10)
{
    Parsed<int64_t> result;
    // The grammar check and the error text are parseDecimal's.
    const auto checked = parseDecimal(text, separator);
    if (!checked.ok()) {
        result.error = checked.error;
        return result;
    }
    const std::string_view s = trimmed(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    std::string digits; // mantissa digits, leading zeros dropped
    int pointShift = 0; // digits after the separator
    bool afterSeparator = false;
    for (; i < s.size() && (isDigit(s[i]) || s[i] == separator); ++i) {
        if (s[i] == separator) {
            afterSeparator = true;
            continue;
        }
        if (afterSeparator)
            ++pointShift;
        if (!digits.empty() || s[i] != '0')
            digits += s[i];
        else if (afterSeparator)
            continue; // a leading zero after the separator only shifts
    }
    long long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            expNegative = s[i++] == '-';
        for (; i < s.size() && isDigit(s[i]); ++i)
            exponent = std::min(exponent * 10 + (s[i] - '0'), 100000LL);
        if (expNegative)
            exponent = -exponent;
    }
    result.value = 0;
    if (digits.empty())
        return result;
    constexpr int64_t kLimit = 1000000000000000LL; // 10^15: no field comes near it
    // The typed value is digits x 10^e.
    long long e = exponent - pointShift;
    // 10^16 or more, times a factor of at least 0.1, cannot fit any field.
    if (static_cast<long long>(digits.size()) + e > 16) {
        result.value = negative ? -kLimit : kLimit;
        return result;
    }
    // Fraction digits past the 13th cannot change the truncated result for
    // the factors used (10, and 819.2 = 8192 / 10: every whole count divided
    // by 819.2 has at most 12 decimals), so they are dropped. What remains
    // has at most 29 digits, so no step below overflows.
    constexpr long long kKeepFraction = 13;
    if (e < -kKeepFraction) {
        const long long drop = -kKeepFraction - e;
        if (static_cast<long long>(digits.size()) <= drop)
            return result; // far below one count: truncates to zero
        digits.resize(digits.size() - static_cast<size_t>(drop));
        e = -kKeepFraction;
    }
    __int128 m = 0;
    for (char c : digits)
        m = m * 10 + (c - '0');
    m *= numerator;
    for (long long p = e - denominatorPow10; p > 0; --p)
        m *= 10;
    for (long long p = e - denominatorPow10; p < 0; ++p)
        m /= 10; // truncation toward zero, digit by digit, is exact
    if (m > static_cast<__int128>(kLimit))
        m = kLimit;
    result.value = static_cast<int64_t>(negative ? -m : m);
    return result;
}

std::optional<int64_t> truncateTowardZero(double x)
{
    // The largest double below 2^63 and the smallest at -2^63 both convert exactly.
    if (!std::isfinite(x) || x >= 9223372036854775808.0 || x < -9223372036854775808.0)
        return std::nullopt;
    return static_cast<int64_t>(std::trunc(x));
}

uint16_t low16(int64_t value) { return static_cast<uint16_t>(static_cast<uint64_t>(value) & 0xFFFFu); }
uint8_t low8(int64_t value) { return static_cast<uint8_t>(static_cast<uint64_t>(value) & 0xFFu); }

} // namespace kdx
