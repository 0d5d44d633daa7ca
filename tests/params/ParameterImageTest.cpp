#include "params/ParameterImage.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

namespace kdx {
namespace {

TEST(ParameterLayout, FieldsTileTheMemoryLeavingExactlyTheUninterpretedBytes)
{
    std::array<int, 512> owner{};
    owner.fill(-1);
    for (size_t f = 0; f < layout::kAllFields.size(); ++f) {
        const Field& field = *layout::kAllFields[f];
        ASSERT_LE(field.endOffset(), 512u) << field.name;
        for (size_t b = field.offset; b < field.endOffset(); ++b) {
            EXPECT_EQ(owner[b], -1) << field.name << " overlaps at byte " << b;
            owner[b] = static_cast<int>(f);
        }
    }
    std::set<size_t> expectedFree;
    auto range = [&](size_t a, size_t b) { for (size_t i = a; i <= b; ++i) expectedFree.insert(i); };
    range(2, 3); range(8, 23); range(74, 77); range(79, 79); range(81, 81); range(392, 393); range(410, 511);
    std::set<size_t> free;
    for (size_t b = 0; b < 512; ++b)
        if (owner[b] == -1)
            free.insert(b);
    EXPECT_EQ(free, expectedFree);
}

TEST(ParameterLayout, WordIndicesOfEditedFields)
{
    struct Case { const Field& field; size_t entry; unsigned word; };
    const Case cases[] = {
        {layout::LogIdentity, 0, 12}, {layout::LogIdentity, 7, 26}, {layout::LogDate, 7, 35},
        {layout::ConfigFlags, 0, 40}, {layout::ManualTrigVector, 0, 41}, {layout::ManualTrigP1Ton, 0, 65},
        {layout::ManualTrigP1Toff, 23, 112}, {layout::ManualTrigP2Ton, 0, 113}, {layout::ManualTrigP2Toff, 23, 160},
        {layout::AutoPumpOnVector, 4, 165}, {layout::AutoPumpOnTime, 0, 166}, {layout::AutoHumVector, 0, 171},
        {layout::AutoTempVector, 2, 176}, {layout::AutoPumpStopMap, 8, 185}, {layout::RpmDziel, 0, 186},
        {layout::GeneralDelay, 0, 187}, {layout::ManualMinRpmP2, 0, 191}, {layout::ManualMconstOffP2, 0, 195},
        {layout::MinLevH, 0, 197}, {layout::SerwisToff, 0, 203}, {layout::AnKompSett, 0, 204},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.field.wordOf(c.entry), c.word) << c.field.name << "[" << c.entry << "]";
}

TEST(ParameterImage, StartsZeroAndReadsLittleEndianWords)
{
    ParameterImage image;
    for (uint8_t b : image.bytes())
        ASSERT_EQ(b, 0);
    image.setByte(374, 0x78);
    image.setByte(375, 0x01);
    EXPECT_EQ(image.word(187), 0x0178);
    EXPECT_EQ(image.raw(layout::GeneralDelay), 0x0178u);
    image.setWord(40, 0x1234);
    EXPECT_EQ(image.byte(80), 0x34);
    EXPECT_EQ(image.byte(81), 0x12);
    EXPECT_EQ(image.raw(layout::ConfigFlags), 0x34u);
}

TEST(ParameterImage, SerialNumberIsLittleEndianAtBytes4To7)
{
    ParameterImage image;
    const uint8_t sn[] = {0x40, 0xE2, 0x01, 0x00};
    std::copy(std::begin(sn), std::end(sn), image.data() + 4);
    EXPECT_EQ(image.serialNumber(), 0x0001E240u);
    EXPECT_EQ(image.dword(4), 0x0001E240u);
}

TEST(ParameterImage, SignedFieldsSignExtendAndStoreLowBits)
{
    ParameterImage image;
    image.setWord(200, 0xFFCE);
    EXPECT_EQ(image.value(layout::AutoMinTemp), -50);
    EXPECT_DOUBLE_EQ(image.scaled(layout::AutoMinTemp), -5.0);
    image.setWord(199, 0xFFCE);
    EXPECT_EQ(image.value(layout::MaxHum), 0xFFCE); // unsigned field
    image.set(layout::AutoMinTemp, -25);
    EXPECT_EQ(image.word(200), 0xFFE7);
    image.set(layout::AutoRpmUpT, 300);
    EXPECT_EQ(image.byte(78), 44);
    EXPECT_EQ(image.byte(79), 0); // neighbour untouched
    image.set(layout::ManualTrigP2Toff, -10, 23);
    EXPECT_EQ(image.word(160), 0xFFF6);
}

TEST(ParameterImage, ByteFieldWritesKeepTheOtherHalfOfTheWord)
{
    ParameterImage image;
    image.setWord(204, 0xBEEF);
    image.set(layout::FuelType, 2);
    EXPECT_EQ(image.word(204), 0xBE02);
    image.set(layout::AnKompSett, 64);
    EXPECT_EQ(image.word(204), 0x4002);
}

TEST(ParameterImage, ConnectionLogSlots)
{
    ParameterImage image;
    image.setLogIdentity(0, 0x12345678);
    image.setLogIdentity(7, 0xCAFEF00D);
    image.setLogDate(3, 0xABCD);
    EXPECT_EQ(image.byte(24), 0x78);
    EXPECT_EQ(image.byte(27), 0x12);
    EXPECT_EQ(image.word(12), 0x5678);
    EXPECT_EQ(image.word(13), 0x1234);
    EXPECT_EQ(image.dword(52), 0xCAFEF00Du);
    EXPECT_EQ(image.word(31), 0xABCD);
    EXPECT_EQ(image.logIdentity(7), 0xCAFEF00Du);
    EXPECT_EQ(image.logDate(3), 0xABCD);
    EXPECT_THROW(image.logDate(8), std::out_of_range);
}

TEST(ParameterImage, OnlyTheExactMarkerMeansInitialised)
{
    ParameterImage image;
    for (uint16_t marker : {0x0000, 0xAAAB, 0xAA00, 0x00AA, 0xFFFF, 0x5555}) {
        image.setWord(0, marker);
        EXPECT_FALSE(image.isInitialised()) << std::hex << marker;
    }
    image.setWord(0, 0xAAAA);
    EXPECT_TRUE(image.isInitialised());
}

TEST(ParameterImage, AccessOutsideTheImageThrows)
{
    ParameterImage image;
    EXPECT_THROW(image.byte(512), std::out_of_range);
    EXPECT_THROW(image.word(256), std::out_of_range);
    EXPECT_THROW(image.setWord(256, 1), std::out_of_range);
    EXPECT_THROW(image.dword(509), std::out_of_range);
    EXPECT_NO_THROW(image.dword(508));
    EXPECT_THROW(image.raw(layout::AutoPumpOnTime, 5), std::out_of_range);
}

} // namespace
} // namespace kdx
