#pragma once

#include "live/SampleHistory.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kdx {

// What a strip chart draws of the history between two times. Qt-free: the
// window only copies the points into its series.
struct ChartPoint {
    int64_t utcMs = 0;
    float y = 0;
};

class ChartPoints {
public:
    // One point per valid sample from t0 to t1 (both included). Above
    // maxPoints the range is cut into maxPoints / 2 equal time slices and
    // each slice gives its lowest and highest value, in time order, so a
    // spike never disappears between two pixels.
    static std::vector<ChartPoint> channel(const SampleHistory& h, Channel c, int64_t t0, int64_t t1,
                                           size_t maxPoints);
    // A step line at `low` while off and `high` while on: one point per valid
    // sample, with a corner point added where the state changes. Above
    // maxPoints only the corners, the first and the last point remain.
    static std::vector<ChartPoint> steps(const SampleHistory& h, Switch s, int64_t t0, int64_t t1, float low,
                                         float high, size_t maxPoints);
    // The same for the link itself: high while frames arrive, low over gaps.
    static std::vector<ChartPoint> link(const SampleHistory& h, int64_t t0, int64_t t1, float low, float high,
                                        size_t maxPoints);
};

} // namespace kdx
