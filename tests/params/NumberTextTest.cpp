#include "params/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kdx {
namespace {

std::string withSeparator(std::string text, char sep)
{
    for (char& c : text)
        if (c == '.')
            c = sep;
    return text;
}

struct FixedCase {
    double value;
    int precision;
    int decimals;
    const char* pointText;
};

class FixedTextTest : public ::testing::TestWithParam<char> {};

TEST_P(FixedTextTest, RoundsToPrecisionThenWritesExactlyTheDecimals)
{
    const char sep = GetParam();
    const FixedCase cases[] = {
        {0.0, 3, 1, "0.0"},
        {0.0, 3, 2, "0.00"},
        {970 * 0.1, 3, 1, "97.0"},
        {-50 * 0.1, 3, 1, "-5.0"},
        {410 * 0.00122, 3, 2, "0.50"},       // level counts as volts
        {983 * 0.00122, 3, 2, "1.20"},       // 1.19926
        {1 * 0.00122, 3, 2, "0.00"},
        {12.346, 3, 2, "12.30"},             // three significant digits, padded
        {0.123, 3, 1, "0.1"},
        {9.96, 3, 1, "10.0"},                // carry into a new digit
        {0.96, 3, 0, "1"},
        {-0.04, 3, 1, "0.0"},                // no minus on a written zero
        {-0.06, 3, 1, "-0.1"},
        {12000 * 0.1, 5, 1, "1200.0"},
        {32767 * 0.1, 5, 1, "3276.7"},
        {-32768 * 0.1, 5, 1, "-3276.8"},
        {8640 * 0.1, 3, 1, "864.0"},
        {999 * 0.1, 3, 1, "99.9"},
        {9999 * 0.1, 3, 1, "1.00E+03"},      // 999.9 rounds to four integer digits
        {10000 * 0.1, 3, 1, "1.00E+03"},
        {-12345 * 0.1, 3, 1, "-1.23E+03"},
        {65535 * 0.1, 3, 1, "6.55E+03"},
        {123456.0, 1, 0, "1E+05"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fixedText(c.value, c.precision, c.decimals, sep), withSeparator(c.pointText, sep))
            << c.value << " (" << c.precision << ", " << c.decimals << ")";
}

TEST_P(FixedTextTest, ExponentFormReadsBackToTheRoundedValue)
{
    const char sep = GetParam();
    const auto parsed = parseDecimal(fixedText(-1234.5, 3, 1, sep), sep);
    ASSERT_TRUE(parsed.ok());
    EXPECT_DOUBLE_EQ(*parsed.value, -1230.0);
}

INSTANTIATE_TEST_SUITE_P(Separators, FixedTextTest, ::testing::Values('.', ','));

TEST(FixedText, NonFiniteValues)
{
    EXPECT_EQ(fixedText(std::numeric_limits<double>::quiet_NaN(), 3, 1, '.'), "NAN");
    EXPECT_EQ(fixedText(-std::numeric_limits<double>::infinity(), 3, 1, '.'), "-INF");
}

TEST(IntegerTexts, DecimalAndHex)
{
    EXPECT_EQ(integerText(0), "0");
    EXPECT_EQ(integerText(65535), "65535");
    EXPECT_EQ(integerText(-5), "-5");
    EXPECT_EQ(hex32Text(0x0001E240), "0x0001E240");
    EXPECT_EQ(hex32Text(0xAFFFFFFF), "0xAFFFFFFF");
}

class ParseDecimalTest : public ::testing::TestWithParam<char> {};

TEST_P(ParseDecimalTest, AcceptsTheLocaleForm)
{
    const char sep = GetParam();
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"0.9", 0.9}, {"-2.5", -2.5}, {" 12.34 ", 12.34}, {"+3", 3}, {".5", 0.5}, {"5.", 5},
        {"1.23E+03", 1230}, {"1e2", 100}, {"-0", 0}, {"000120", 120},
    };
    for (const auto& c : cases) {
        const std::string text = withSeparator(c.text, sep);
        const auto r = parseDecimal(text, sep);
        ASSERT_TRUE(r.ok()) << text << ": " << r.error;
        EXPECT_DOUBLE_EQ(*r.value, c.value) << text;
        EXPECT_TRUE(r.error.empty());
    }
}

TEST_P(ParseDecimalTest, RejectsAnythingElseWithTheMessage)
{
    const char sep = GetParam();
    const char other = sep == '.' ? ',' : '.';
    const std::string rejected[] = {
        "", "   ", "abc", "1" + std::string(1, other) + "2", withSeparator("1.2.3", sep), "1e", "1e+",
        "inf", "-INF", "nan", "1e400", "-1e400", "12a", "--1", "1 2", "- 1", ".", "-", "+-1", "0x10",
        "1" + std::string(1, sep) + "5V",
    };
    for (const auto& text : rejected) {
        const auto r = parseDecimal(text, sep);
        EXPECT_FALSE(r.ok()) << "'" << text << "' parsed as " << r.value.value_or(0);
        EXPECT_EQ(r.error, "'" + text + "' is not a valid floating point value");
    }
}

INSTANTIATE_TEST_SUITE_P(Separators, ParseDecimalTest, ::testing::Values('.', ','));

TEST(ParseDecimal, VeryLongInputIsHandled)
{
    const std::string digits(5000, '7');
    EXPECT_FALSE(parseDecimal(digits, '.').ok()); // beyond the double range
    const auto small = parseDecimal("0." + digits, '.');
    ASSERT_TRUE(small.ok());
    EXPECT_NEAR(*small.value, 0.7777777, 1e-6);
}

TEST(ParseInteger, ThirtyTwoBitWholeNumbers)
{
    const struct {
        const char* text;
        int32_t value;
    } good[] = {{"120", 120}, {" -5 ", -5}, {"+7", 7}, {"0", 0}, {"007", 7},
                {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1}};
    for (const auto& c : good) {
        const auto r = parseInteger(c.text);
        ASSERT_TRUE(r.ok()) << c.text;
        EXPECT_EQ(*r.value, c.value) << c.text;
    }
    for (const std::string text : {"", " ", "2147483648", "-2147483649", "1.0", "1,0", "0x10", "12a", "+-5", "-",
                                   "1 2", "99999999999999999999"}) {
        const auto r = parseInteger(text);
        EXPECT_FALSE(r.ok()) << "'" << text << "'";
        EXPECT_EQ(r.error, "'" + text + "' is not a valid integer value");
    }
}

TEST(Conversions, TruncationTowardZeroAndRegisterWidths)
{
    EXPECT_EQ(truncateTowardZero(2.9), 2);
    EXPECT_EQ(truncateTowardZero(-2.9), -2);
    EXPECT_EQ(truncateTowardZero(12.34 * 10), 123);
    EXPECT_EQ(truncateTowardZero(0.9 * 819.2), 737);
    EXPECT_FALSE(truncateTowardZero(1e30).has_value());
    EXPECT_FALSE(truncateTowardZero(std::nan("")).has_value());
    EXPECT_EQ(low16(-5), 0xFFFB);
    EXPECT_EQ(low16(-25), 0xFFE7);
    EXPECT_EQ(low16(66355), 819); // 81 V in level counts does not fit the register
    EXPECT_EQ(low8(300), 44);
    EXPECT_EQ(low8(-1), 255);
}

} // namespace
} // namespace kdx
