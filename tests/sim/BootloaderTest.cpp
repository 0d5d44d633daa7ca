#include "SimTestRig.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kdx;
using namespace kdx::sim;
using kdx::sim::test::command;
using kdx::sim::test::Rig;

namespace {

std::vector<uint8_t> sealed(std::vector<uint8_t> frame)
{
    frame.resize(212);
    uint8_t sum = 0;
    for (size_t i = 0; i < 210; ++i)
        sum = static_cast<uint8_t>(sum + frame[i]);
    frame[210] = sum;
    frame[211] = 0xE0;
    return frame;
}

std::vector<uint8_t> bootFrame(uint8_t kind)
{
    std::vector<uint8_t> f = {0x42, 0x69, kind};
    for (int i = 3; i < 210; ++i)
        f.push_back(static_cast<uint8_t>((i * 37 + kind) % 255));
    return sealed(f);
}

// Block j of a made-up firmware; block 0 carries the version text.
std::vector<uint8_t> block(int j, const char* version = "002.003.001")
{
    std::vector<uint8_t> f(210);
    for (size_t i = 0; i < f.size(); ++i)
        f[i] = static_cast<uint8_t>(j * 13 + i);
    if (j == 0)
        std::memcpy(f.data() + 43, version, 11);
    return sealed(f);
}

struct BootRig : Rig {
    std::vector<uint8_t> send(const std::vector<uint8_t>& frame) { return exchange(frame, 150); }
    void enter()
    {
        EXPECT_TRUE(send(command(0xAA, 0xAA)).empty());
        ASSERT_TRUE(model.inBootloader());
        const auto q = send(bootFrame(1));
        ASSERT_EQ(q.size(), 8u);
        EXPECT_EQ(q[0], 0x42);
        EXPECT_EQ(q[1], 0x69);
        const auto w = send(bootFrame(2));
        ASSERT_EQ(w.size(), 5u);
        EXPECT_EQ(w[0], 0x42);
        EXPECT_EQ(w[1], 0x69);
    }
    uint8_t code(const std::vector<uint8_t>& reply)
    {
        EXPECT_EQ(reply.size(), 5u);
        return reply.size() >= 5 ? reply[2] : 0xFF;
    }
};

} // namespace

TEST(SimBootloader, FullUpgradeReportsNewVersionAndWipesParameters)
{
    BootRig rig;
    int saves = 0;
    rig.model.setSaveCallback([&](const ParameterMemory::Bytes&) { ++saves; });
    rig.enter();
    const uint8_t expected[] = {0, 0, 0, 0, 4, 0, 0};
    for (int j = 0; j < 7; ++j) {
        const auto reply = rig.send(block(j));
        EXPECT_EQ(rig.code(reply), expected[j]) << "block " << j;
        EXPECT_EQ(reply[3], j);
        EXPECT_EQ(reply[4], 0xE0);
    }
    EXPECT_TRUE(rig.send(bootFrame(3)).empty()); // leave: no reply
    EXPECT_FALSE(rig.model.inBootloader());
    EXPECT_EQ(rig.model.upgradesDone(), 1u);
    EXPECT_EQ(saves, 1);

    EXPECT_EQ(rig.exchange(command(0x03)), (std::vector<uint8_t>{0x41, 1, 2, 3, 0, 0, 0, 0xE0}));
    const auto page0 = rig.page(0);
    ASSERT_EQ(page0.size(), 132u);
    EXPECT_FALSE(page0[2] == 0xAA && page0[3] == 0xAA);
    EXPECT_FALSE(rig.model.eeprom().markerValid());
    EXPECT_EQ(rig.model.workMode(), 0xFF);
}

TEST(SimBootloader, CorruptBlockIsRejectedWithCodeOneAndTakenWhenRepaired)
{
    BootRig rig;
    rig.enter();
    auto bad = block(0);
    bad[100] ^= 0xFF;
    EXPECT_EQ(rig.code(rig.send(bad)), 1);
    EXPECT_EQ(rig.model.bootloader().blocksAccepted(), 0u);
    EXPECT_EQ(rig.code(rig.send(block(0))), 0);
    EXPECT_EQ(rig.model.bootloader().blocksAccepted(), 1u);
}

TEST(SimBootloader, ASwitchToWritingStartsTheBlocksOverFromTheFirst)
{
    // A transfer cut off after block 5, sent again whole after the query and
    // the write switch: numbered from 0 again, the second block 0's version
    // is the one the controller then runs.
    BootRig rig;
    rig.enter();
    for (int j = 0; j < 6; ++j)
        rig.send(block(j, "001.011.001"));
    ASSERT_EQ(rig.model.bootloader().blocksAccepted(), 6u);
    EXPECT_EQ(rig.send(bootFrame(1)).size(), 8u);
    EXPECT_EQ(rig.send(bootFrame(2)).size(), 5u);
    EXPECT_EQ(rig.model.bootloader().blocksAccepted(), 0u);
    const auto first = rig.send(block(0, "002.003.001"));
    EXPECT_EQ(rig.code(first), 0);
    EXPECT_EQ(first[3], 0);
    for (int j = 1; j < 5; ++j)
        EXPECT_EQ(rig.code(rig.send(block(j))), j == 4 ? 4 : 0) << j;
    rig.send(bootFrame(3));
    EXPECT_EQ(rig.model.upgradesDone(), 1u);
    EXPECT_EQ(rig.exchange(command(0x03))[3], 3);
}

TEST(SimBootloader, BlockBeforeWriteModeIsRefused)
{
    BootRig rig;
    rig.send(command(0xAA, 0xAA));
    EXPECT_EQ(rig.code(rig.send(block(0))), 2);
    EXPECT_EQ(rig.model.bootloader().blocksAccepted(), 0u);
}

// The tool's answer to a rejection: the same frame twice, then one read.
TEST(SimBootloader, RejectionsFollowTheToolsRepeatPattern)
{
    BootRig rig;
    FaultSet faults;
    std::string error;
    ASSERT_TRUE(faults.add("reject=4:3:3", error));
    rig.model.setFaults(faults);
    rig.enter();
    for (int j = 0; j < 4; ++j)
        ASSERT_EQ(rig.code(rig.send(block(j))), 0);

    EXPECT_EQ(rig.code(rig.send(block(4))), 3); // rejection 1
    auto twice = block(4);
    const auto again = block(4);
    twice.insert(twice.end(), again.begin(), again.end());
    auto replies = rig.send(twice); // rejections 2 and 3
    ASSERT_EQ(replies.size(), 10u);
    EXPECT_EQ(replies[2], 3);
    EXPECT_EQ(replies[7], 3);
    replies = rig.send(twice); // taken (flash erased), then the same block again
    ASSERT_EQ(replies.size(), 10u);
    EXPECT_EQ(replies[2], 4);
    EXPECT_EQ(replies[7], 4);
    EXPECT_EQ(replies[8], 4); // still block 4
    EXPECT_EQ(rig.model.bootloader().blocksAccepted(), 5u);

    const auto next = rig.send(block(5));
    EXPECT_EQ(rig.code(next), 0);
    EXPECT_EQ(next[3], 5);
    EXPECT_EQ(rig.model.bootloader().rejectionsSent(), 3u);
}

TEST(SimBootloader, IdenticalBlocksWithoutRejectionCountSeparately)
{
    BootRig rig;
    rig.enter();
    for (int j = 0; j < 3; ++j)
        rig.send(block(j));
    const auto filler = sealed(std::vector<uint8_t>(210, 0xFF));
    EXPECT_EQ(rig.send(filler)[3], 3);
    const auto second = rig.send(filler);
    EXPECT_EQ(second[2], 4); // block 4: flash erased
    EXPECT_EQ(second[3], 4);
}

TEST(SimBootloader, LeavingWithoutWritingKeepsFirmwareAndParameters)
{
    BootRig rig;
    rig.exchange(command(0xD1, 0xBB, 0x00, 0x78));
    rig.exchange(command(0xE1));
    rig.send(command(0xAA, 0xAA));
    rig.send(bootFrame(1));
    rig.send(bootFrame(3));
    EXPECT_FALSE(rig.model.inBootloader());
    EXPECT_EQ(rig.model.upgradesDone(), 0u);
    EXPECT_EQ(rig.exchange(command(0x03))[2], 1);
    EXPECT_TRUE(rig.model.memory().markerValid());
    EXPECT_EQ(rig.model.memory().wordAt(ParameterMemory::kGeneralDelay), 120);
}

TEST(SimBootloader, CommandFramesAreNotAnsweredInTheBootloader)
{
    BootRig rig;
    rig.send(command(0xAA, 0xAA));
    EXPECT_TRUE(rig.send(command(0x03)).empty());
    EXPECT_TRUE(rig.send(command(0xAA, 0x05)).empty());
    // The partial frame those left is dropped after the pause, so the query is understood.
    EXPECT_EQ(rig.send(bootFrame(1)).size(), 8u);
}

TEST(SimBootloader, UpgradeWithoutVersionTextKeepsTheVersion)
{
    BootRig rig;
    rig.enter();
    rig.send(block(0, "VERSION-X.Y"));
    rig.send(bootFrame(3));
    EXPECT_EQ(rig.model.upgradesDone(), 1u);
    EXPECT_EQ(rig.exchange(command(0x03))[2], 1);
}

TEST(SimBootloader, VersionTextParsing)
{
    std::vector<uint8_t> payload(210, 0);
    std::memcpy(payload.data() + 43, "004.257.001", 11);
    const auto v = Bootloader::parseVersionText(payload.data(), payload.size());
    ASSERT_TRUE(v);
    EXPECT_EQ(v->software, 4);
    EXPECT_EQ(v->revision, 1); // 257 modulo 256
    EXPECT_FALSE(Bootloader::parseVersionText(payload.data(), 50)); // too short: never read past the end

    std::vector<uint8_t> other(210, 0x20);
    std::memcpy(other.data() + 199, "003.009.001", 11); // ends at the last payload byte
    EXPECT_FALSE(Bootloader::parseVersionText(other.data(), other.size()));
    const auto found = Bootloader::findVersionText(other.data(), other.size());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->software, 3);
    EXPECT_EQ(found->revision, 9);
    std::memcpy(other.data() + 199, "0030090011", 10); // no separators: not a version text
    EXPECT_FALSE(Bootloader::findVersionText(other.data(), other.size()));
}

TEST(SimBootloader, VersionTextElsewhereInTheImageIsFound)
{
    BootRig rig;
    rig.enter();
    rig.send(block(0, "-----------"));
    auto b1 = block(1);
    std::vector<uint8_t> payload(b1.begin(), b1.begin() + 210);
    std::memcpy(payload.data() + 120, "005.042.001", 11);
    rig.send(sealed(payload));
    rig.send(bootFrame(3));
    const auto id = rig.exchange(command(0x03));
    EXPECT_EQ(id[2], 5);
    EXPECT_EQ(id[3], 42);
}
