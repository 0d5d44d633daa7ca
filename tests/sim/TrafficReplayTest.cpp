// A recorded session played back: each request gets the answers it got then.
#include "link/TrafficLog.h"
#include "sim/ControllerModel.h"
#include "sim/TrafficReplay.h"

#include <gtest/gtest.h>

namespace kdx::sim {
namespace {

TEST(TrafficReplay, EachRequestGetsItsRecordedAnswersInTurnAndSilenceStaysSilence)
{
    const std::string exported = "# kdx traffic\n"
                                 "# port: /dev/ttyUSB0\n"
                                 "10:00:00.000 PC  status AA 05 00 00 59 E0\n"
                                 "10:00:00.040 ECU status 56 05\n"
                                 "10:00:00.042 ECU status 01 E0\n"
                                 "10:00:00.100 PC  status AA 05 00 00 59 E0\n"
                                 "10:00:00.140 ECU status 56 05 02 E0\n"
                                 "10:00:00.200 PC  status AA 05 00 00 59 E0\n"
                                 "10:00:00.300 --  lost -  # link lost: /dev/ttyUSB0 went away\n"
                                 "10:00:03.000 PC  identify 03 00 00 00 AD E0\n"
                                 "10:00:03.040 ECU identify 41 01 04 00 00 00 00 E0\n";
    TrafficReplay replay(readTrafficExport(exported));
    EXPECT_EQ(replay.requestsKnown(), 2u);
    const uint8_t status[] = {0xAA, 0x05, 0, 0, 0x59, 0xE0};
    const uint8_t identify[] = {0x03, 0, 0, 0, 0xAD, 0xE0};
    const uint8_t unknown[] = {0x10, 0x02, 0, 0, 0xBC, 0xE0};
    using Bytes = std::vector<uint8_t>;
    EXPECT_EQ(replay.answerTo(status, 6), (Bytes{0x56, 0x05, 0x01, 0xE0})) << "pieces joined into one answer";
    EXPECT_EQ(replay.answerTo(status, 6), (Bytes{0x56, 0x05, 0x02, 0xE0}));
    EXPECT_FALSE(replay.answerTo(status, 6)) << "unanswered then, unanswered now";
    EXPECT_FALSE(replay.answerTo(status, 6)) << "the last stays once they run out";
    EXPECT_EQ(replay.answerTo(identify, 6), (Bytes{0x41, 1, 4, 0, 0, 0, 0, 0xE0}));
    EXPECT_EQ(replay.answerTo(identify, 6), (Bytes{0x41, 1, 4, 0, 0, 0, 0, 0xE0}));
    EXPECT_FALSE(replay.answerTo(unknown, 6));
}

TEST(TrafficReplay, TheModelSendsTheReplayedBytesInsteadOfItsOwn)
{
    ControllerModel model{ControllerConfig{}};
    model.powerOn(0);
    TrafficReplay replay(readTrafficExport("10:00:00.000 PC  identify 03 00 00 00 AD E0\n"
                                           "10:00:00.040 ECU identify 41 09 09 09 00 00 00 E0\n"));
    model.setAnswerSource([&](const uint8_t* f, size_t n) { return replay.answerTo(f, n); });
    const uint8_t identify[] = {0x03, 0, 0, 0, 0xAD, 0xE0};
    model.receive(identify, sizeof identify, 10);
    std::vector<uint8_t> out(64);
    out.resize(model.take(out.data(), out.size(), 1000));
    EXPECT_EQ(out, (std::vector<uint8_t>{0x41, 9, 9, 9, 0, 0, 0, 0xE0}));
}

} // namespace
} // namespace kdx::sim
