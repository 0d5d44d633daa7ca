#include "app/TimerSlack.h"

namespace kdx {

// Windows coalesces no timed waits of a program that does not ask for it.
void tightenTimerSlack() {}

} // namespace kdx
