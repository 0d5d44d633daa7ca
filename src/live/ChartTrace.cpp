#include "live/ChartTrace.h"

#include <algorithm>

namespace kdx {

namespace {

// A gap's cause: a link lost or a pause names the whole silence; bad
// answers only when nothing longer happened.
bool outweighs(StatusSample::State a, StatusSample::State b)
{
    auto rank = [](StatusSample::State s) {
        return s == StatusSample::State::NoLink || s == StatusSample::State::Paused ? 2 : 1;
    };
    return rank(a) > rank(b);
}

class Builder {
public:
    Builder(ChartTrace& out, const SampleHistory& h, int64_t t0, int64_t t1, size_t slices)
        : m_out(out), m_h(h), m_t0(t0), m_t1(t1), m_slices(slices)
    {
    }

    void addGap(int64_t from, int64_t to, StatusSample::State cause)
    {
        from = std::max(from, m_t0);
        to = std::min(to, m_t1);
        if (to < from)
            return;
        m_out.gaps.push_back({from, to, cause});
    }

    // One run of valid frames, consecutive indices [first, last].
    void run(size_t first, size_t last)
    {
        for (size_t c = 0; c < kChannelCount; ++c)
            m_out.curves[c].push_back(segment(first, last, static_cast<Channel>(c)));
        for (size_t s = 0; s < kSwitchCount; ++s) {
            const auto sw = static_cast<Switch>(s);
            std::optional<int64_t> since;
            for (size_t i = first; i <= last; ++i) {
                const StatusSample& x = m_h.at(i);
                if (x.on(sw) && !since)
                    since = x.utcMs;
                else if (!x.on(sw) && since) {
                    m_out.on[s].push_back({*since, x.utcMs});
                    since.reset();
                }
            }
            if (since)
                m_out.on[s].push_back({*since, m_h.at(last).utcMs});
        }
        m_out.link.push_back({m_h.at(first).utcMs, m_h.at(last).utcMs});
    }

private:
    ChartTrace::Segment segment(size_t first, size_t last, Channel c) const
    {
        ChartTrace::Segment seg;
        if (m_slices == 0) {
            seg.reserve(last - first + 1);
            for (size_t i = first; i <= last; ++i)
                seg.push_back({m_h.at(i).utcMs, m_h.at(i).value(c)});
            return seg;
        }
        const double span = static_cast<double>(m_t1 - m_t0 + 1);
        auto sliceOf = [&](int64_t t) {
            return static_cast<size_t>(static_cast<double>(t - m_t0) * static_cast<double>(m_slices) / span);
        };
        size_t i = first;
        while (i <= last) {
            const size_t slice = sliceOf(m_h.at(i).utcMs);
            const StatusSample* lo = &m_h.at(i);
            const StatusSample* hi = lo;
            for (++i; i <= last && sliceOf(m_h.at(i).utcMs) == slice; ++i) {
                const StatusSample& x = m_h.at(i);
                if (x.value(c) < lo->value(c))
                    lo = &x;
                if (x.value(c) > hi->value(c))
                    hi = &x;
            }
            const StatusSample* a = lo->utcMs <= hi->utcMs ? lo : hi;
            const StatusSample* b = a == lo ? hi : lo;
            seg.push_back({a->utcMs, a->value(c)});
            if (b != a)
                seg.push_back({b->utcMs, b->value(c)});
        }
        return seg;
    }

    ChartTrace& m_out;
    const SampleHistory& m_h;
    int64_t m_t0, m_t1;
    size_t m_slices;
};

} // namespace

ChartTrace ChartTrace::build(const SampleHistory& h, int64_t t0, int64_t t1, size_t maxPoints,
                             std::optional<StatusSample::State> ongoing)
{
    ChartTrace out;
    const size_t begin = h.lowerBound(t0);
    const size_t end = h.lowerBound(t1 + 1);
    size_t valid = 0;
    for (size_t i = begin; i < end; ++i)
        valid += h.at(i).ok() ? 1 : 0;
    Builder b(out, h, t0, t1, valid > maxPoints && maxPoints >= 2 ? maxPoints / 2 : 0);

    // The frame before the range starts a gap that reaches into it.
    bool haveOk = begin > 0 && h.at(begin - 1).ok();
    int64_t lastOk = haveOk ? h.at(begin - 1).utcMs : 0;
    bool inGap = false;
    Gap pending;
    bool inRun = false;
    size_t runStart = 0;
    auto closeRun = [&](size_t lastIndex) {
        if (inRun)
            b.run(runStart, lastIndex);
        inRun = false;
    };
    for (size_t i = begin; i < end; ++i) {
        const StatusSample& x = h.at(i);
        if (!x.ok()) {
            if (i > begin)
                closeRun(i - 1);
            if (!inGap)
                pending = Gap{haveOk ? lastOk : x.utcMs, x.utcMs, x.state};
            inGap = true;
            pending.toMs = x.utcMs;
            if (outweighs(x.state, pending.cause))
                pending.cause = x.state;
            continue;
        }
        if (inGap) {
            b.addGap(pending.fromMs, x.utcMs, pending.cause);
            inGap = false;
        } else if (haveOk && x.utcMs - lastOk > kBreakAfterMs) {
            if (i > begin)
                closeRun(i - 1);
            b.addGap(lastOk, x.utcMs, StatusSample::State::NoLink);
        }
        if (!inRun) {
            runStart = i;
            inRun = true;
        }
        haveOk = true;
        lastOk = x.utcMs;
    }
    if (end > begin)
        closeRun(end - 1);
    if (ongoing)
        b.addGap(inGap ? pending.fromMs : haveOk ? lastOk : t0, t1, *ongoing);
    else if (inGap)
        b.addGap(pending.fromMs, pending.toMs, pending.cause);
    return out;
}

} // namespace kdx
