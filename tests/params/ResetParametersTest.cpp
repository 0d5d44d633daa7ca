#include "LinkFixture.h"

#include "params/ParameterDefaults.h"
#include "params/ResetParameters.h"

namespace kdx::test {
namespace {

using ResetParametersTest = LinkFixture;

TEST_F(ResetParametersTest, SendsAllWordsInOrderThenSaves)
{
    // Bytes the defaults do not cover keep what the controller had.
    for (size_t i = 0; i < image.size(); ++i)
        image.setByte(i, static_cast<uint8_t>(0x5A ^ i));
    image.setByte(80, 0xFF);
    const ParameterImage before = image;
    std::vector<std::pair<int, int>> progress;
    clock.clearSleeps();

    ResetParameters::run(image, writer, clock, [&](int pos, int max) { progress.emplace_back(pos, max); });

    const auto frames = sentData();
    ASSERT_EQ(frames.size(), 257u);
    for (unsigned i = 0; i < 256; ++i) {
        EXPECT_EQ(frames[i][0], 0xD1);
        EXPECT_EQ(frames[i][1], i);
        EXPECT_EQ((frames[i][2] << 8) | frames[i][3], image.word(i)) << i;
    }
    EXPECT_EQ(frames[0], (Data{0xD1, 0x00, 0xAA, 0xAA}));
    EXPECT_EQ(frames[2], (Data{0xD1, 0x02, 0xFF, 0xFF}));
    EXPECT_EQ(frames[3], (Data{0xD1, 0x03, 0xAF, 0xFF}));
    EXPECT_EQ(frames[204], (Data{0xD1, 0xCC, 0x40, 0x00}));
    EXPECT_EQ(frames[256], (Data{0xE1, 0x00, 0x00, 0x00}));

    EXPECT_EQ(image.byte(80), 0xF1); // bits 0 and 4..7 as read
    for (size_t b : {2u, 3u, 8u, 23u, 24u, 55u, 56u, 71u, 74u, 77u, 79u, 81u, 392u, 393u, 410u, 511u})
        EXPECT_EQ(image.byte(b), before.byte(b)) << b;

    ASSERT_EQ(progress.size(), 257u);
    EXPECT_EQ(progress.front(), std::make_pair(0, 256));
    EXPECT_EQ(progress.back(), std::make_pair(255, 256));
    // 256 + 1 send pauses, then the 10 ms and 1000 ms pauses around the save.
    const auto& sleeps = clock.sleeps();
    ASSERT_GE(sleeps.size(), 3u);
    EXPECT_EQ(sleeps[sleeps.size() - 3], 10u);
    EXPECT_EQ(sleeps[sleeps.size() - 2], 10u); // the save frame's own send pause
    EXPECT_EQ(sleeps.back(), 1000u);
    EXPECT_EQ(clock.totalSlept(), 257u * 10 + 10 + 1000);
}

TEST_F(ResetParametersTest, BeforeAnyReadOnlyTheImageTakesTheDefaults)
{
    state.parametersLoaded = false;
    ResetParameters::run(image, writer, clock, nullptr);
    EXPECT_TRUE(line.sentFrames().empty());
    EXPECT_TRUE(image.isInitialised());
    EXPECT_EQ(image.serialNumber(), 0xAFFFFFFFu);
}

// The adapter is pulled part way: nothing more goes out, the save least of
// all, and the outcome says how far it came and that the EEPROM is as it was.
class ResetPull : public LinkFixture, public ::testing::WithParamInterface<std::pair<size_t, const char*>> {};

TEST_P(ResetPull, StopsAtOnceAndNothingIsSaved)
{
    const auto [framesBeforePull, says] = GetParam();
    line.onTransmit = [&](const std::vector<uint8_t>&, const std::string&) {
        if (line.sent().size() >= framesBeforePull)
            line.failWrites = true;
    };
    const ResetOutcome out = ResetParameters::run(image, writer, clock, nullptr);
    EXPECT_FALSE(out.completed);
    EXPECT_FALSE(out.saveSent);
    EXPECT_EQ(out.wordsSent, std::min<int>(int(framesBeforePull), 256));
    EXPECT_NE(out.report.find(says), std::string::npos) << out.report;
    EXPECT_NE(out.report.find("EEPROM still holds its earlier parameters"), std::string::npos) << out.report;
    const auto frames = sentData();
    EXPECT_EQ(frames.size(), framesBeforePull) << "nothing is tried after the failure";
    for (const auto& d : frames)
        EXPECT_NE(d[0], 0xE1) << "no save after a lost line";
}

INSTANTIATE_TEST_SUITE_P(AtAWordAndAtTheSave, ResetPull,
                         ::testing::Values(std::make_pair(size_t{61}, "stopped after 61 of 256 words"),
                                           std::make_pair(size_t{256}, "sent all 256 words, but the save")));

} // namespace
} // namespace kdx::test
