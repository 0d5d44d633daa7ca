#include "live/ConnectionLog.h"

#include "LiveFakes.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

constexpr uint32_t kThisPc = 0x1A2B3C4D;

class ConnectionLogTest : public ::testing::Test {
protected:
    ConnectionLogTest() { image.fill(0xFF); }

    void setSlot(unsigned slot, uint32_t id, uint16_t date)
    {
        for (unsigned i = 0; i < 4; ++i)
            image[24 + 4 * slot + i] = static_cast<uint8_t>(id >> (8 * i));
        image[56 + 2 * slot] = static_cast<uint8_t>(date);
        image[57 + 2 * slot] = static_cast<uint8_t>(date >> 8);
    }

    ImageBytes image{};
    test::RecordingWriter writer;
    ConnectionLog log{image, writer};
    const UtcDate day1{2026, 12, 8};
    const UtcDate day2{2026, 12, 9};
};

TEST_F(ConnectionLogTest, PacksTheDateAroundTheForeignLowBit)
{
    EXPECT_EQ(ConnectionLog::packDate(0x0001, {2018, 3, 21}), 0x48EB);
    EXPECT_EQ(ConnectionLog::packDate(0xFFFE, {2018, 3, 21}), 0x48EA);
    EXPECT_EQ(ConnectionLog::dateText(0x48EB), "Y:2018 M:3 D:21");
    // Before 2000 the year field is 0; after 2063 it wraps.
    EXPECT_EQ(ConnectionLog::packDate(0, {1999, 12, 31}) >> 10, 0);
    EXPECT_EQ(ConnectionLog::packDate(0, {2064, 1, 1}) >> 10, 0);
    EXPECT_EQ(ConnectionLog::packDate(0, {2063, 1, 1}) >> 10, 63);
}

TEST_F(ConnectionLogTest, WritingASlotKeepsItsLowBitAndSendsDateThenIdentity)
{
    setSlot(3, 0, 0x0001);
    log.writeLogSlot(3, kThisPc, {2018, 3, 21});
    EXPECT_EQ(log.date(3), 0x48EB);
    EXPECT_EQ(log.identity(3), kThisPc);
    EXPECT_EQ(writer.calls, (std::vector<std::string>{"W31", "D36"}));

    writer.calls.clear();
    log.writeLogSlot(9, kThisPc, day1); // out of range counts as slot 0
    EXPECT_EQ(writer.calls, (std::vector<std::string>{"W28", "D24"}));
    EXPECT_EQ(log.identity(0), kThisPc);
}

TEST_F(ConnectionLogTest, FreshControllerFirstSecondAndLaterConnections)
{
    log.update(kThisPc, day1); // first ever: only slot 7
    EXPECT_EQ(writer.calls, (std::vector<std::string>{"W35", "D52"}));
    EXPECT_EQ(log.identity(7), kThisPc);
    for (unsigned i = 0; i < 7; ++i)
        EXPECT_EQ(log.identity(i), 0xFFFFFFFFu) << i;

    writer.calls.clear();
    log.update(kThisPc, day2); // slot 7 is not searched: shift, then slot 0
    const std::vector<std::string> shifted = {"W29", "D28", "W30", "D32", "W31", "D36", "W32", "D40",
                                              "W33", "D44", "W34", "D48", "W28", "D24"};
    EXPECT_EQ(writer.calls, shifted);
    EXPECT_EQ(log.identity(0), kThisPc);
    EXPECT_EQ(log.date(0) & 0xFFFE, ConnectionLog::packDate(0, day2));
    EXPECT_EQ(log.date(7) & 0xFFFE, ConnectionLog::packDate(0, day1)); // first PC kept

    writer.calls.clear();
    log.update(kThisPc, {2027, 1, 1}); // from now on found in slot 0
    EXPECT_EQ(writer.calls, (std::vector<std::string>{"W28", "D24"}));
    EXPECT_EQ(ConnectionLog::dateText(log.date(0)), "Y:2027 M:1 D:1");
}

TEST_F(ConnectionLogTest, NewPcPushesTheOldestOutAndLeavesTheFirstPc)
{
    for (unsigned i = 0; i < 8; ++i)
        setSlot(i, 0x100 + i, static_cast<uint16_t>(0x4000 + 2 * (i + 1)));
    log.update(kThisPc, day1);
    EXPECT_EQ(log.identity(0), kThisPc);
    for (unsigned i = 1; i < 7; ++i) {
        EXPECT_EQ(log.identity(i), 0x100 + i - 1) << i;
        EXPECT_EQ(log.date(i), 0x4000 + 2 * i) << i;
    }
    EXPECT_EQ(log.identity(7), 0x107u);
    EXPECT_EQ(log.date(7), 0x4010);
    // Slot 0's low bit came from the entry now in slot 1.
    EXPECT_EQ(log.date(0) & 1, log.date(1) & 1);
}

TEST_F(ConnectionLogTest, EveryMatchingSlotIsRefreshed)
{
    setSlot(7, 0x99, 0x4002);
    setSlot(2, kThisPc, 0x3003);
    setSlot(5, kThisPc, 0x3004);
    setSlot(0, 0x55, 0x3005);
    log.update(kThisPc, {2018, 3, 21});
    EXPECT_EQ(log.date(2), 0x48EB);
    EXPECT_EQ(log.date(5), 0x48EA);
    EXPECT_EQ(log.identity(0), 0x55u); // no shift
    EXPECT_EQ(writer.calls, (std::vector<std::string>{"W30", "D32", "W33", "D44"}));
}

TEST_F(ConnectionLogTest, ShowGivesTextsAndClassesForEveryKindOfSlot)
{
    setSlot(0, kThisPc, 0x48EB);
    setSlot(1, 0xFFFFFFFF, 0x48EA); // dated but no identity: shown, empty colour
    setSlot(2, 0x0BADF00D, 0x3FFE); // month 12+ shown as 12, day 31
    setSlot(3, 0, 0);
    setSlot(4, 0x12345678, 0x4800); // day field 0
    const auto rows = log.show(kThisPc);
    EXPECT_EQ(rows[0].date, "Y:2018 M:3 D:21");
    EXPECT_EQ(rows[0].identity, "0x1A2B3C4D");
    EXPECT_EQ(rows[1].date, "Y:2018 M:3 D:21");
    EXPECT_EQ(rows[1].identity, "0xFFFFFFFF");
    EXPECT_EQ(rows[2].date, "Y:2015 M:12 D:31");
    EXPECT_EQ(rows[3].date, "Y: - M: - D: - ");
    EXPECT_EQ(rows[3].identity, "0x00000000");
    EXPECT_EQ(rows[4].date, "Y:2018 M:0 D:0");
    EXPECT_EQ(rows[7].date, "Y: - M: - D: - ");

    EXPECT_EQ(log.rowClass(0), ConnectionLog::kClassThisPc);
    EXPECT_EQ(log.rowClass(1), ConnectionLog::kClassEmpty);
    EXPECT_EQ(log.rowClass(2), ConnectionLog::kClassOther);
    EXPECT_EQ(log.rowClass(3), ConnectionLog::kClassEmpty);
    EXPECT_EQ(log.cellColour(1), (Rgb{0, 128, 0}));
    EXPECT_EQ(log.cellColour(2), (Rgb{255, 255, 0}));
    EXPECT_EQ(log.cellColour(3), (Rgb{255, 128, 192}));
}

TEST_F(ConnectionLogTest, PaintColoursByRowAndClass)
{
    struct Case {
        int row;
        uint8_t rowClass;
        Rgb colour;
    };
    const Case cases[] = {
        {1, 1, {0, 128, 0}},     {7, 1, {0, 128, 0}},     {8, 1, {192, 220, 192}},
        {1, 0, {255, 128, 192}}, {7, 0, {255, 128, 192}}, {8, 0, {78, 68, 249}},
        {1, 128, {255, 255, 0}}, {8, 128, {255, 255, 0}}, {4, 7, {255, 255, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConnectionLog::cellColour(c.row, c.rowClass), c.colour) << c.row << "/" << int(c.rowClass);
    EXPECT_FALSE(ConnectionLog::cellColour(0, 1)); // heading row is not filled
    EXPECT_FALSE(ConnectionLog::cellColour(9, 1));
}

TEST_F(ConnectionLogTest, BeforeTheFirstShowEveryRowPaintsAsAnotherPc)
{
    for (int row = 1; row <= 7; ++row)
        EXPECT_EQ(log.cellColour(row), (Rgb{255, 128, 192})) << row;
    EXPECT_EQ(log.cellColour(8), (Rgb{78, 68, 249}));
}

} // namespace
} // namespace kdx
