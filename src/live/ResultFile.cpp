#include "live/ResultFile.h"

#include "link/SystemFiles.h"

#include <filesystem>

namespace kdx {

namespace fs = std::filesystem;

namespace {

bool present(const fs::path& p)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(p, ec));
}

// name_N.ext beside target, the lowest N not taken.
fs::path freeBackupName(const fs::path& target)
{
    const std::string stem = target.stem().string();
    const std::string ext = target.extension().string();
    for (unsigned n = 1;; ++n) {
        fs::path candidate = target.parent_path() / (stem + "_" + std::to_string(n) + ext);
        if (!present(candidate))
            return candidate;
    }
}

} // namespace

ResultFileSave saveResultFile(const std::string& directory, const std::string& fileName, const std::string& bytes)
{
    ResultFileSave out;
    std::error_code ec;
    const fs::path given = directory.empty() ? fs::path(".") : fs::path(directory);
    // A current directory that no longer exists has no absolute path: the
    // name as given then, which fails below with the reason.
    fs::path dir = fs::absolute(given, ec);
    dir = (ec ? given : dir).lexically_normal();
    const fs::path target = dir / fileName;
    out.path = target.string();

    std::string tmp;
    out.error = SystemFiles::writeFresh((dir / ("." + fileName + ".")).string(), bytes, tmp);
    if (!out.error.empty())
        return out;

    if (present(target)) {
        const fs::path backup = freeBackupName(target);
        out.error = SystemFiles::replace(target.string(), backup.string());
        if (!out.error.empty()) {
            fs::remove(tmp, ec);
            return out;
        }
        out.backup = backup.string();
    }
    out.error = SystemFiles::replace(tmp, target.string());
    if (!out.error.empty()) {
        fs::remove(tmp, ec);
        if (!out.backup.empty())
            SystemFiles::replace(out.backup, target.string()); // the earlier file keeps its name
        out.backup.clear();
    }
    return out;
}

} // namespace kdx
