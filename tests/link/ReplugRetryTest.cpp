#include "link/ReplugRetry.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace kdx {
namespace {

SearchOutcome failedWith(int code, bool alsoASilentPort = false)
{
    SearchOutcome o;
    if (alsoASilentPort)
        o.tried.push_back({"/dev/ttyS0", ""});
    o.tried.push_back({"/dev/ttyUSB0", code ? "/dev/ttyUSB0: " + std::string(std::strerror(code)) : ""});
    return o;
}

TEST(ReplugRetry, SearchesAgainForTenSecondsWhileTheAdapterIsNotReadyYet)
{
    struct Case {
        const char* what;
        SearchOutcome outcome;
        uint64_t afterMs; // since the replug
        bool again;
    };
    SearchOutcome found;
    found.found = true;
    SearchOutcome refused;
    refused.refused = true;
    const Case cases[] = {
        {"busy (a modem manager probing)", failedWith(EBUSY), 600, true},
        {"permission denied (udev not done)", failedWith(EACCES), 600, true},
        {"no such device yet", failedWith(ENODEV), 600, true},
        {"no such file yet", failedWith(ENOENT), 600, true},
        {"busy beside a silent port", failedWith(EBUSY, true), 600, true},
        {"busy, last chance inside the ten seconds", failedWith(EBUSY), 9500, true},
        {"busy, but the ten seconds are over", failedWith(EBUSY), 9600, false},
        {"opened and nothing answered", failedWith(0), 600, false},
        {"an error that does not pass", failedWith(EIO), 600, false},
        {"found", found, 600, false},
        {"refused software", refused, 600, false},
    };
    for (const Case& c : cases) {
        ReplugRetry retry;
        retry.replugSeen(5000);
        EXPECT_EQ(retry.retryAfter(c.outcome, 5000 + c.afterMs), c.again) << c.what;
        // Once it gave up, only a further replug starts it again.
        if (!c.again) {
            EXPECT_FALSE(retry.retryAfter(failedWith(EBUSY), 5000 + c.afterMs)) << c.what;
        }
    }
    ReplugRetry never;
    EXPECT_FALSE(never.retryAfter(failedWith(EBUSY), 100)) << "a search of its own, not after a replug";
}

} // namespace
} // namespace kdx
