// SIGTERM and SIGHUP become a readable descriptor instead of ending the
// process where it stands.
#include "link/posix/EndSignals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>

namespace kdx {
namespace {

bool readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

TEST(EndSignals, EachSignalIsKeptInTurnAndTheProcessLivesOn)
{
    EndSignals signals;
    ASSERT_GE(signals.descriptor(), 0);
    EXPECT_FALSE(readable(signals.descriptor()));
    EXPECT_EQ(signals.take(), 0);

    ASSERT_EQ(::raise(SIGTERM), 0);
    ASSERT_EQ(::raise(SIGHUP), 0);
    EXPECT_TRUE(readable(signals.descriptor()));
    EXPECT_EQ(signals.take(), SIGTERM);
    EXPECT_EQ(signals.take(), SIGHUP);
    EXPECT_EQ(signals.take(), 0);
    EXPECT_FALSE(readable(signals.descriptor()));
}

TEST(EndSignals, GivesTheSignalsBackWhenDone)
{
    {
        EndSignals signals;
    }
    struct sigaction now {};
    ASSERT_EQ(::sigaction(SIGTERM, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
    ASSERT_EQ(::sigaction(SIGHUP, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

} // namespace
} // namespace kdx
