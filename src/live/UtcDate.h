#pragma once

namespace kdx {

// A calendar date in UTC (the connection log records UTC, not local time).
struct UtcDate {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31

    // Today from the system clock.
    static UtcDate today();
};

} // namespace kdx
