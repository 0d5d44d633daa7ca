#include "live/UtcDate.h"

#include <ctime>

namespace kdx {

UtcDate UtcDate::today()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    if (gmtime_r(&now, &parts) == nullptr)
        return UtcDate{};
    return UtcDate{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
}

} // namespace kdx
