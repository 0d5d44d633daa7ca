#include "link/ReplugWatch.h"

#include <windows.h>

namespace kdx {

std::optional<ReplugWatch::Identity> ReplugWatch::statProbe(const std::string& path)
{
    // A COM port is there while the system lists its device name; the
    // kernel device behind the name tells a replugged adapter apart.
    std::string name = path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path;
    char target[1024] = {};
    if (::QueryDosDeviceA(name.c_str(), target, sizeof target) == 0)
        return std::nullopt;
    uint64_t hash = 1469598103934665603ull;
    for (const char* c = target; *c; ++c)
        hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
    return Identity{hash, 0};
}

} // namespace kdx
