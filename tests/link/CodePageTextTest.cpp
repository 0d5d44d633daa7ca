#include "link/CodePageText.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

// The same expectations hold for every system's conversion.
TEST(CodePageText, DecodesTheControllersCodePagesAndMarksUndefinedBytes)
{
    const struct {
        const char* bytes;
        const char* page;
        const char* utf8;
    } cases[] = {
        {"\xA3\xF3\x64\x9F", "CP1250", "\xC5\x81\xC3\xB3\x64\xC5\xBA"}, // Łódź
        {"\xC4\xE0", "CP1251", "\xD0\x94\xD0\xB0"},                     // Да
        {"\xE4\x80", "CP1252", "\xC3\xA4\xE2\x82\xAC"},                 // ä€
        {"a\x98z", "CP1251", "a\xEF\xBF\xBDz"},                         // 0x98 is not defined in 1251
        {"plain", "CP1250", "plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodePageText::decode(c.bytes, c.page), c.utf8) << c.page << " " << c.bytes;
}

TEST(CodePageText, EncodesWithOneQuestionMarkPerCharacterTheCodePageLacks)
{
    const struct {
        const char* utf8;
        const char* page;
        const char* bytes;
    } cases[] = {
        {"\xC5\x81\xC3\xB3\x64\xC5\xBA", "CP1250", "\xA3\xF3\x64\x9F"}, // Łódź
        {"B\xC5\x81\xC4\x84" "D", "CP1250", "B\xA3\xA5" "D"},           // BŁĄD
        {"x\xD0\xB6y", "CP1250", "x?y"},                                // ж is not in 1250
        {"x\xF0\x9F\x99\x82y", "CP1250", "x?y"},                        // nor is an emoji (4 bytes)
        {"x\xC5y", "CP1250", "x?"}, // a broken sequence: one ? for the length its lead byte claims
        {"CR\r\nLF", "CP1250", "CR\r\nLF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CodePageText::encode(c.utf8, c.page), c.bytes) << c.page << " " << c.utf8;
}

} // namespace
} // namespace kdx
