#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kdx {

// Time stamps of the status recordings: milliseconds since 1970-01-01 00:00
// UTC, written without the system's time zone or locale.
class UtcTime {
public:
    // Now, from the system's real-time clock.
    static int64_t nowMs();
    // "2026-12-08T12:50:00.125Z"
    static std::string iso(int64_t utcMs);
    // "20261208T125000Z", for file names.
    static std::string compact(int64_t utcMs);
    // Reads exactly the form iso() writes; nothing for anything else
    // (including impossible dates and times).
    static std::optional<int64_t> parseIso(std::string_view text);
};

} // namespace kdx
