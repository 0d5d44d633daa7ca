// What the charts draw of a history: curves broken at every missing frame,
// the silences shaded with their cause, and the on periods of each state.
#include "live/ChartTrace.h"
#include "live/GapCause.h"
#include "live/StatusCsv.h"

#include <gtest/gtest.h>

using namespace kdx;
using State = StatusSample::State;

namespace {

StatusSample frame(int64_t t, float rpm, bool pump1 = false)
{
    StatusSample s;
    s.utcMs = t;
    s.values[static_cast<size_t>(Channel::EngineSpeed)] = rpm;
    s.switches = pump1 ? static_cast<uint8_t>(1u << static_cast<unsigned>(Switch::Pump1)) : 0;
    return s;
}

SampleHistory history(const std::vector<StatusSample>& rows)
{
    SampleHistory h(100, 1000000);
    for (const StatusSample& s : rows)
        h.push(s);
    return h;
}

std::vector<size_t> segmentSizes(const ChartTrace& t)
{
    std::vector<size_t> sizes;
    for (const auto& seg : t.curves[static_cast<size_t>(Channel::EngineSpeed)])
        sizes.push_back(seg.size());
    return sizes;
}

} // namespace

TEST(ChartTrace, EachSilenceBreaksTheCurvesAndIsShadedWithItsCause)
{
    struct Case {
        const char* what;
        std::vector<StatusSample> rows;
        std::vector<size_t> segments;
        std::vector<ChartTrace::Gap> gaps;
    };
    const Case cases[] = {
        {"frames every 100 ms: one line, no gap", {frame(0, 1), frame(100, 2), frame(200, 3)}, {3}, {}},
        {"one lost answer",
         {frame(0, 1), frame(100, 2), StatusSample::gap(State::Lost, 200), frame(300, 3)},
         {2, 1},
         {{100, 300, State::Lost}}},
        {"a dialog held the polling off for five seconds",
         {frame(0, 1), frame(100, 2), StatusSample::gap(State::Paused, 5100), frame(5100, 3), frame(5200, 4)},
         {2, 2},
         {{100, 5100, State::Paused}}},
        {"lost answers, then the adapter pulled: the lost link names the silence",
         {frame(0, 1), StatusSample::gap(State::Lost, 100), StatusSample::gap(State::NoLink, 3000), frame(3000, 2)},
         {1, 1},
         {{0, 3000, State::NoLink}}},
        {"an old recording: frames far apart with no gap row",
         {frame(0, 1), frame(100, 2), frame(4000, 3)},
         {2, 1},
         {{100, 4000, State::NoLink}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto h = history(c.rows);
        const ChartTrace t = ChartTrace::build(h, 0, 10000, 1000);
        EXPECT_EQ(segmentSizes(t), c.segments);
        ASSERT_EQ(t.gaps.size(), c.gaps.size());
        for (size_t i = 0; i < c.gaps.size(); ++i) {
            EXPECT_EQ(t.gaps[i].fromMs, c.gaps[i].fromMs);
            EXPECT_EQ(t.gaps[i].toMs, c.gaps[i].toMs);
            EXPECT_EQ(t.gaps[i].cause, c.gaps[i].cause);
        }
        EXPECT_EQ(t.link.size(), c.segments.size()) << "the link lane is on over each run of frames";
    }
}

TEST(ChartTrace, AGapStartedBeforeTheRangeAndOneStillRunningAreShadedToTheEdges)
{
    const auto h = history({frame(0, 1), frame(100, 2), StatusSample::gap(State::Paused, 9000), frame(9000, 3),
                            frame(9100, 4)});
    const ChartTrace t = ChartTrace::build(h, 5000, 12000, 1000, State::NoLink);
    ASSERT_EQ(t.gaps.size(), 2u);
    EXPECT_EQ(t.gaps[0].fromMs, 5000);
    EXPECT_EQ(t.gaps[0].toMs, 9000);
    EXPECT_EQ(t.gaps[0].cause, State::Paused);
    EXPECT_EQ(t.gaps[1].fromMs, 9100);
    EXPECT_EQ(t.gaps[1].toMs, 12000);
    EXPECT_EQ(t.gaps[1].cause, State::NoLink);
}

TEST(ChartTrace, OnPeriodsLastUntilTheFrameThatSaysOffAndEndAtAGap)
{
    const auto h = history({frame(0, 0, false), frame(100, 0, true), frame(200, 0, true), frame(300, 0, false),
                            frame(400, 0, true), StatusSample::gap(State::Lost, 500), frame(600, 0, true)});
    const ChartTrace t = ChartTrace::build(h, 0, 1000, 1000);
    const auto& on = t.on[static_cast<size_t>(Switch::Pump1)];
    ASSERT_EQ(on.size(), 3u);
    EXPECT_EQ(on[0].fromMs, 100);
    EXPECT_EQ(on[0].toMs, 300);
    EXPECT_EQ(on[1].fromMs, 400);
    EXPECT_EQ(on[1].toMs, 400); // the run ends at the lost answer
    EXPECT_EQ(on[2].fromMs, 600);
    EXPECT_TRUE(t.on[static_cast<size_t>(Switch::Ignition)].empty());
}

TEST(ChartTrace, ManyFramesKeepEachSlicesExtremesInTimeOrder)
{
    std::vector<StatusSample> rows;
    for (int i = 0; i < 100; ++i)
        rows.push_back(frame(i * 10, i == 37 ? 5000.0f : static_cast<float>(i % 7)));
    const auto h = history(rows);
    const ChartTrace t = ChartTrace::build(h, 0, 999, 20);
    const auto& segs = t.curves[static_cast<size_t>(Channel::EngineSpeed)];
    ASSERT_EQ(segs.size(), 1u);
    EXPECT_LE(segs[0].size(), 20u);
    float top = 0;
    for (size_t i = 0; i < segs[0].size(); ++i) {
        top = std::max(top, segs[0][i].y);
        if (i > 0) {
            EXPECT_GT(segs[0][i].utcMs, segs[0][i - 1].utcMs);
        }
    }
    EXPECT_EQ(top, 5000.0f) << "a spike survives the thinning";
}

TEST(GapCause, ALostLinkOutweighsAPauseAndAFrameClearsBoth)
{
    GapCause g;
    EXPECT_FALSE(g.cause().has_value());
    g.paused(GapCause::Pause::Dialog);
    EXPECT_EQ(g.cause(), State::Paused);
    EXPECT_EQ(g.pausedNow(), GapCause::Pause::Dialog);
    g.resumed();
    EXPECT_EQ(g.cause(), State::Paused) << "the gap keeps its cause until a frame closes it";
    EXPECT_EQ(g.pausedNow(), GapCause::Pause::None);
    g.linkLost();
    g.paused(GapCause::Pause::Operation); // the search that follows
    EXPECT_EQ(g.cause(), State::NoLink);
    g.frameArrived();
    EXPECT_FALSE(g.cause().has_value());
}

TEST(StatusCsv, APauseIsWrittenAndReadBackAsAPauseNotAsNoLink)
{
    const std::string row = StatusCsv::row(StatusSample::gap(State::Paused, 1765198200100));
    EXPECT_NE(row.find(",paused,"), std::string::npos) << row;
    const auto back = StatusCsv::read(StatusCsv::header() + row);
    ASSERT_TRUE(back.ok()) << back.error;
    ASSERT_EQ(back.samples.size(), 1u);
    EXPECT_EQ(back.samples[0].state, State::Paused);
}
