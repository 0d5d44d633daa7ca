#include "live/ChartPoints.h"

#include <functional>

namespace kdx {

namespace {

using Level = std::function<bool(const StatusSample&, bool& on)>;

std::vector<ChartPoint> stepLine(const SampleHistory& h, int64_t t0, int64_t t1, float low, float high,
                                 size_t maxPoints, const Level& level)
{
    std::vector<ChartPoint> all;
    size_t i = h.lowerBound(t0);
    const size_t end = h.lowerBound(t1 + 1);
    bool have = false, last = false;
    for (; i < end; ++i) {
        bool on = false;
        if (!level(h.at(i), on))
            continue;
        const int64_t t = h.at(i).utcMs;
        if (have && on != last)
            all.push_back({t, last ? high : low}); // the corner
        all.push_back({t, on ? high : low});
        have = true;
        last = on;
    }
    if (all.size() <= maxPoints)
        return all;
    // Keep the corners: each point whose neighbour at the same time differs.
    std::vector<ChartPoint> kept;
    kept.push_back(all.front());
    for (size_t k = 1; k + 1 < all.size(); ++k) {
        if (all[k].utcMs == all[k - 1].utcMs || all[k].utcMs == all[k + 1].utcMs)
            kept.push_back(all[k]);
    }
    kept.push_back(all.back());
    return kept;
}

} // namespace

std::vector<ChartPoint> ChartPoints::channel(const SampleHistory& h, Channel c, int64_t t0, int64_t t1,
                                             size_t maxPoints)
{
    std::vector<ChartPoint> out;
    const size_t begin = h.lowerBound(t0);
    const size_t end = h.lowerBound(t1 + 1);
    size_t valid = 0;
    for (size_t i = begin; i < end; ++i)
        valid += h.at(i).ok() ? 1 : 0;
    if (valid <= maxPoints || maxPoints < 2) {
        out.reserve(valid);
        for (size_t i = begin; i < end; ++i)
            if (h.at(i).ok())
                out.push_back({h.at(i).utcMs, h.at(i).value(c)});
        return out;
    }
    const size_t slices = maxPoints / 2;
    const int64_t span = t1 - t0 + 1;
    out.reserve(maxPoints);
    size_t i = begin;
    for (size_t s = 0; s < slices && i < end; ++s) {
        const int64_t sliceEnd = t0 + static_cast<int64_t>((static_cast<double>(span) * (s + 1)) / slices);
        const StatusSample* lo = nullptr;
        const StatusSample* hi = nullptr;
        for (; i < end && h.at(i).utcMs < sliceEnd; ++i) {
            const StatusSample& x = h.at(i);
            if (!x.ok())
                continue;
            if (!lo || x.value(c) < lo->value(c))
                lo = &x;
            if (!hi || x.value(c) > hi->value(c))
                hi = &x;
        }
        if (!lo)
            continue;
        const StatusSample* first = lo->utcMs <= hi->utcMs ? lo : hi;
        const StatusSample* second = first == lo ? hi : lo;
        out.push_back({first->utcMs, first->value(c)});
        if (second != first)
            out.push_back({second->utcMs, second->value(c)});
    }
    return out;
}

std::vector<ChartPoint> ChartPoints::steps(const SampleHistory& h, Switch s, int64_t t0, int64_t t1, float low,
                                           float high, size_t maxPoints)
{
    return stepLine(h, t0, t1, low, high, maxPoints, [s](const StatusSample& x, bool& on) {
        on = x.on(s);
        return x.ok();
    });
}

std::vector<ChartPoint> ChartPoints::link(const SampleHistory& h, int64_t t0, int64_t t1, float low, float high,
                                          size_t maxPoints)
{
    return stepLine(h, t0, t1, low, high, maxPoints, [](const StatusSample& x, bool& on) {
        on = x.ok();
        return true;
    });
}

} // namespace kdx
