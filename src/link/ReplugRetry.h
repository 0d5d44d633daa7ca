#pragma once

#include "link/ConnectionHost.h"

#include <cstdint>
#include <string>

namespace kdx {

// After the adapter came back, the first search often meets it not ready
// yet: udev still applying its access rights, a modem manager probing it,
// its device node not there yet. For ten seconds from the replug a search
// that failed only for such a reason is tried again; after that, or for any
// other outcome, the watch for a further replug takes over.
class ReplugRetry {
public:
    static constexpr uint64_t kRetryForMs = 10000;
    // Pause between two searches of the retry.
    static constexpr uint64_t kRetryEveryMs = 500;

    // The watch saw the adapter come back at nowMs (clock ms).
    void replugSeen(uint64_t nowMs)
    {
        m_seenMs = nowMs;
        m_active = true;
    }
    // A search after the replug found nothing: true when another is due.
    bool retryAfter(const SearchOutcome& outcome, uint64_t nowMs);
    // The open failed for a reason that passes by itself: busy, access
    // denied, no such device (or file).
    static bool passing(const std::string& openError);

private:
    uint64_t m_seenMs = 0;
    bool m_active = false;
};

} // namespace kdx
