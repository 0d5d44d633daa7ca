#pragma once

#include "live/SampleHistory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kdx {

// What the charts draw of the history between two times, Qt-free: curves
// broken wherever frames are missing, the periods without frames with their
// cause, and the periods each on/off state was on.
struct ChartTrace {
    struct Point {
        int64_t utcMs = 0;
        float y = 0;
    };
    using Segment = std::vector<Point>;
    struct Span {
        int64_t fromMs = 0;
        int64_t toMs = 0;
    };
    // A period without valid frames. cause: NoLink (link lost), Paused (the
    // tool held the polling off), or Lost/Bad/Checksum (answers came bad).
    struct Gap {
        int64_t fromMs = 0;
        int64_t toMs = 0;
        StatusSample::State cause = StatusSample::State::NoLink;
    };

    // Two valid frames further apart than this are not joined by a line.
    static constexpr int64_t kBreakAfterMs = 1000;

    std::array<std::vector<Segment>, kChannelCount> curves;
    std::array<std::vector<Span>, kSwitchCount> on;
    std::vector<Span> link; // periods with valid frames
    std::vector<Gap> gaps;

    // t0..t1 inclusive. maxPoints: above this many valid frames in range a
    // curve keeps each time slice's lowest and highest value (maxPoints / 2
    // slices), so a spike never falls between two pixels. ongoing: the cause
    // of a silence still running at t1, shaded from the last frame to t1.
    static ChartTrace build(const SampleHistory& h, int64_t t0, int64_t t1, size_t maxPoints,
                            std::optional<StatusSample::State> ongoing = std::nullopt);
};

} // namespace kdx
