#pragma once

namespace kdx {

// Asks the system to wake the program's timed waits as close to their time as
// it can. The protocol's pauses are a few milliseconds each; the default
// slack on every one of them would add up over the hundreds of pauses of a
// transfer. Where the system has no such setting this does nothing.
void tightenTimerSlack();

} // namespace kdx
