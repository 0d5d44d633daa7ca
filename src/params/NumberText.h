#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Number texts of the parameter editors. All texts are UTF-8. The decimal
// separator is passed in (the window takes it from the system locale), so
// the same code serves point and comma locales.
namespace kdx {

// Value rounded to `precision` significant digits, written with exactly
// `decimals` decimals (fewer significant digits are padded with zeros, more
// decimals than the precision allows are rounded away, half away from zero).
// A minus sign only when the written value is not zero.
// When the rounded integer part needs more digits than `precision`, the text
// is the exponent form: mantissa with precision-1 decimals, "E", sign and at
// least two exponent digits, e.g. 1234.5 with precision 3 -> "1.23E+03"
// (with the given separator). parseDecimal() reads that form back.
// Non-finite values give "NAN", "INF" or "-INF".
std::string fixedText(double value, int precision, int decimals, char separator);

// The exact value of a stored integer counted in units of 10^-decimals,
// written with exactly `decimals` decimals: 1234 with 1 decimal -> "123.4",
// -5 -> "-0.5", 32767 -> "3276.7". No exponent form and no rounding, so the
// text reads back to the same integer.
std::string scaledIntegerText(int64_t value, int decimals, char separator);

// Decimal digits without leading zeros.
std::string integerText(int64_t value);

// "0x" and eight upper-case hexadecimal digits.
std::string hex32Text(uint32_t value);

// A parse outcome: the value, or the message to show with the text in it.
template <typename T>
struct Parsed {
    std::optional<T> value;
    std::string error; // empty when value is set
    bool ok() const { return value.has_value(); }
};

// Decimal number: optional blanks, optional sign, digits with at most one
// `separator`, optional exponent (E or e, optional sign, digits), optional
// blanks. Nothing else: no group separators, no other decimal separator,
// no inf/nan, no magnitudes the double type cannot hold (above about 1e308,
// or non-zero below about 1e-308). Error text:
// "'<text>' is not a valid floating point value".
Parsed<double> parseDecimal(const std::string& text, char separator);

// Whole number in 32-bit signed range: optional blanks, optional sign, decimal
// digits, optional blanks. Error text: "'<text>' is not a valid integer value".
Parsed<int32_t> parseInteger(const std::string& text);

// The number a decimal text (grammar of parseDecimal) stands for, multiplied
// by numerator / 10^denominatorPow10 and truncated toward zero, computed
// exactly on the decimal digits (no binary rounding: "123.4" times 10 is
// 1234, "0.9" times 819.2 is 737). For factors whose inverse has at most 13
// decimals (10, 819.2, 1). Magnitudes beyond 10^15 come out as +-10^15,
// which no field can hold. Error as parseDecimal.
Parsed<int64_t> parseScaled(const std::string& text, char separator, int64_t numerator, int denominatorPow10);

// x truncated toward zero; empty when x is not finite or outside the 64-bit range.
std::optional<int64_t> truncateTowardZero(double x);

// The low 16 bits (two's complement for negatives), as a 16-bit register holds it.
uint16_t low16(int64_t value);
uint8_t low8(int64_t value);

// "'%s' ..." message with the text in place of %s.
std::string formatMessage(const char* pattern, const std::string& text);

} // namespace kdx
