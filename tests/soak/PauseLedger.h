#pragma once

#include "link/Clock.h"

#include <cstdint>

namespace kdx::drive {

// The program's clock with a ledger: how much pause the protocol asked for
// and how long the pauses really took, so that a step's time splits into
// its pauses, their wake-up slack and the rest (the tool's own work, system
// calls, waits on the line).
class PauseLedger : public Clock {
public:
    struct Totals {
        uint64_t pauses = 0;
        double askedMs = 0;
        double tookMs = 0;
    };

    explicit PauseLedger(Clock& inner) : m_inner(inner) {}

    void sleepMs(uint32_t ms) override;
    uint64_t nowMs() const override { return m_inner.nowMs(); }

    const Totals& totals() const { return m_totals; }

private:
    Clock& m_inner;
    Totals m_totals;
};

// Totals of b less those of a.
PauseLedger::Totals operator-(const PauseLedger::Totals& b, const PauseLedger::Totals& a);

} // namespace kdx::drive
