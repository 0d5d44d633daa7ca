#include "link/SystemFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kdx {

std::string SystemFiles::replace(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return std::strerror(errno);
    return {};
}

namespace {

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

std::string SystemFiles::writeFresh(const std::string& prefix, const std::string& bytes, std::string& path)
{
    std::string pattern = prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return std::strerror(errno);
    const std::string made(name.data());
    ::fchmod(fd, 0644);
    const bool written = writeAll(fd, bytes);
    const int writeErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed) {
        const std::string why = std::strerror(written ? errno : writeErrno);
        ::unlink(made.c_str());
        return why;
    }
    path = made;
    return {};
}

} // namespace kdx
