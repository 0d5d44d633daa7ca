#include "PauseLedger.h"

#include "RunStats.h"

namespace kdx::drive {

void PauseLedger::sleepMs(uint32_t ms)
{
    const double t0 = drive::nowMs();
    m_inner.sleepMs(ms);
    m_totals.tookMs += drive::nowMs() - t0;
    m_totals.askedMs += ms;
    ++m_totals.pauses;
}

PauseLedger::Totals operator-(const PauseLedger::Totals& b, const PauseLedger::Totals& a)
{
    return {b.pauses - a.pauses, b.askedMs - a.askedMs, b.tookMs - a.tookMs};
}

} // namespace kdx::drive
