#include "app/win/BeepTone.h"

#include <windows.h>

namespace kdx {

void BeepTone::play(uint32_t frequencyHz, uint32_t durationMs)
{
    // Without a sound device the call fails at once: the wait keeps the
    // tester's timing the same.
    if (!::Beep(frequencyHz, durationMs))
        ::Sleep(durationMs);
}

} // namespace kdx
