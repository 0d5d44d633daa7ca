#include "app/TimerSlack.h"

#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace kdx {

void tightenTimerSlack()
{
#if defined(__linux__)
    // 1 ns instead of the default 50 µs per wait.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

} // namespace kdx
