#include "live/GapCause.h"

namespace kdx {

void GapCause::frameArrived()
{
    m_lost = false;
    m_noted = false;
    m_pausedNow = Pause::None;
}

void GapCause::linkLost()
{
    m_lost = true;
    m_pausedNow = Pause::None;
}

void GapCause::paused(Pause why)
{
    m_pausedNow = why;
    m_noted = true;
}

std::optional<StatusSample::State> GapCause::cause() const
{
    if (m_lost)
        return StatusSample::State::NoLink;
    if (m_noted)
        return StatusSample::State::Paused;
    return std::nullopt;
}

} // namespace kdx
