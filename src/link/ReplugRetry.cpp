#include "link/ReplugRetry.h"

#include <cerrno>
#include <cstring>

namespace kdx {

bool ReplugRetry::passing(const std::string& openError)
{
    for (const int code : {EBUSY, EACCES, ENODEV, ENOENT, ENXIO})
        if (openError.find(std::strerror(code)) != std::string::npos)
            return true;
    return false;
}

bool ReplugRetry::retryAfter(const SearchOutcome& outcome, uint64_t nowMs)
{
    if (!m_active || outcome.found || outcome.refused)
        return m_active = false;
    if (nowMs - m_seenMs + kRetryEveryMs > kRetryForMs)
        return m_active = false;
    // Some port could not be opened for a passing reason (other ports of
    // the search may well open and stay silent: they are not the adapter).
    bool anyPassing = false;
    for (const auto& attempt : outcome.tried)
        anyPassing = anyPassing || passing(attempt.openError);
    return m_active = anyPassing;
}

} // namespace kdx
