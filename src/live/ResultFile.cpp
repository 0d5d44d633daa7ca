#include "live/ResultFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kdx {

namespace fs = std::filesystem;

namespace {

std::string reason(int error) { return std::strerror(error); }

bool present(const fs::path& p)
{
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
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

// Writes all bytes and forces them to the disk; errno tells why not.
bool writeAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return ::fsync(fd) == 0;
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

    std::string tmpl = (dir / ("." + fileName + ".XXXXXX")).string();
    std::vector<char> tmpName(tmpl.begin(), tmpl.end());
    tmpName.push_back('\0');
    const int fd = ::mkstemp(tmpName.data());
    if (fd < 0) {
        out.error = reason(errno);
        return out;
    }
    const std::string tmp(tmpName.data());
    ::fchmod(fd, 0644);
    const bool written = writeAll(fd, bytes);
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        out.error = reason(written ? errno : writeErrno);
        ::unlink(tmp.c_str());
        return out;
    }

    if (present(target)) {
        const fs::path backup = freeBackupName(target);
        if (::rename(target.c_str(), backup.c_str()) != 0) {
            out.error = reason(errno);
            ::unlink(tmp.c_str());
            return out;
        }
        out.backup = backup.string();
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        out.error = reason(errno);
        ::unlink(tmp.c_str());
        if (!out.backup.empty())
            ::rename(out.backup.c_str(), target.c_str()); // the earlier file keeps its name
        out.backup.clear();
        return out;
    }
    return out;
}

} // namespace kdx
