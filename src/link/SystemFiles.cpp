#include "link/SystemFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kdx {

std::string SystemFiles::writeReplacing(const std::string& path, const std::string& bytes, bool makeFolder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target(path);
    // The folder's own failure is the cause to name (permission denied on a
    // read-only start folder), not the missing folder it leaves behind.
    if (makeFolder && target.has_parent_path() && !fs::create_directories(target.parent_path(), ec) && ec)
        return ec.message();
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return std::strerror(errno);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            fs::remove(temporary, ec);
            return "writing failed";
        }
    }
    if (std::string why = replace(temporary, path); !why.empty()) {
        fs::remove(temporary, ec);
        return why;
    }
    return {};
}

} // namespace kdx
