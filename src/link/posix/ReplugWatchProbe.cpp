#include "link/ReplugWatch.h"

#include <sys/stat.h>

namespace kdx {

std::optional<ReplugWatch::Identity> ReplugWatch::statProbe(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return Identity{static_cast<uint64_t>(st.st_rdev), static_cast<uint64_t>(st.st_ino)};
}

} // namespace kdx
