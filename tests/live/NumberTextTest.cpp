#include "live/NumberText.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

struct FixedCase {
    double value;
    int precision;
    int decimals;
    const char* point; // expected with "."
};

// The comma locale must give the same text with the separator swapped.
std::string withComma(std::string text)
{
    for (auto& c : text)
        if (c == '.')
            c = ',';
    return text;
}

TEST(NumberText, FixedRoundsToPrecisionThenDecimals)
{
    const FixedCase cases[] = {
        {-5.5, 4, 2, "-5.50"},          // negative temperature
        {0.0, 4, 2, "0.00"},
        {-0.001, 4, 2, "0.00"},         // rounds to zero: no minus sign
        {123.456, 4, 2, "123.50"},      // four significant digits win over two decimals
        {0.001234, 4, 2, "0.00"},
        {0.0049999, 4, 2, "0.01"},      // 0.005000 first, then two decimals
        {0.125, 2, 3, "0.130"},         // exact half rounds away from zero
        {-0.125, 2, 3, "-0.130"},
        {1234.5, 4, 1, "1235.0"},
        {6553.5, 5, 1, "6553.5"},
        {99.96, 3, 1, "100.0"},         // carry adds an integer digit within precision
        {1.5, 4, 0, "2"},               // no separator without decimals
        {25.5 * 0.1, 4, 1, "2.6"},
        {13.359, 4, 2, "13.36"},
        {-3276.8, 5, 1, "-3276.8"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumberText::fixed(c.value, c.precision, c.decimals, "."), c.point)
            << c.value << " (" << c.precision << ", " << c.decimals << ")";
        EXPECT_EQ(NumberText::fixed(c.value, c.precision, c.decimals, ","), withComma(c.point))
            << c.value << " (" << c.precision << ", " << c.decimals << ")";
    }
}

TEST(NumberText, FixedTurnsToExponentWhenIntegerDigitsExceedPrecision)
{
    EXPECT_EQ(NumberText::fixed(1000.0, 3, 1, "."), "1.00E+03");
    EXPECT_EQ(NumberText::fixed(999.96, 3, 1, "."), "1.00E+03"); // only after rounding
    EXPECT_EQ(NumberText::fixed(-3276.8, 3, 1, ","), "-3,28E+03");
    EXPECT_EQ(NumberText::fixed(999.4, 3, 1, "."), "999.0");
}

TEST(NumberText, BinaryShowsLowSixteenBitsOnlyWhenNonZero)
{
    EXPECT_EQ(NumberText::binary(0), "0");
    EXPECT_EQ(NumberText::binary(1), "00000000000000001");
    EXPECT_EQ(NumberText::binary(0x10000), "00000000000000000"); // nonzero, low half zero
    EXPECT_EQ(NumberText::binary(0xFFFF), "01111111111111111");
    EXPECT_EQ(NumberText::binary(0x12348001), "01000000000000001");
}

} // namespace
} // namespace kdx
