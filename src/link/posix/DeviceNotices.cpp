#include "link/DeviceNotices.h"

#include <cerrno>
#include <filesystem>

#include <sys/inotify.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kdx {

namespace {

// A link or node made, removed or renamed in the folder, and the folder
// itself going away.
constexpr uint32_t kChanges = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE_SELF | IN_MOVE_SELF
    | IN_ONLYDIR;

class InotifyNotices : public DeviceNotices {
public:
    ~InotifyNotices() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool follow(const std::string& name) override
    {
        stop();
        std::error_code ec;
        m_folder = fs::absolute(fs::path(name), ec).parent_path();
        if (ec || m_folder.empty())
            return false;
        if (m_fd < 0)
            m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd < 0)
            return false;
        m_following = watchNearest();
        return m_following;
    }

    void stop() override
    {
        if (m_wd >= 0)
            ::inotify_rm_watch(m_fd, m_wd); // fails harmlessly for a folder already gone
        m_wd = -1;
        m_following = false;
        drain();
    }

    int descriptor() const override { return m_following ? m_fd : -1; }

    bool take() override
    {
        if (!m_following)
            return false;
        bool any = false;
        // A folder on the way may have come or gone: follow the nearest
        // again, and read what came meanwhile (the old watch's drop too).
        for (bool changed = drain(); changed; changed = drain()) {
            any = true;
            if (!watchNearest()) {
                m_following = false;
                break;
            }
        }
        return any;
    }

private:
    // Reads every event waiting; true when one was a change. A watch
    // dropped (ours moved down, or its folder went, which is told apart
    // anyway) is not one.
    bool drain()
    {
        if (m_fd < 0)
            return false;
        bool any = false;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
                    const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
                    if (!(e->mask & IN_IGNORED))
                        any = true;
                    at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
                }
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            return any;
        }
    }

    // Follows the name's folder, or the nearest one above it that exists.
    bool watchNearest()
    {
        for (fs::path dir = m_folder;; dir = dir.parent_path()) {
            const int wd = ::inotify_add_watch(m_fd, dir.c_str(), kChanges);
            if (wd >= 0) {
                if (m_wd >= 0 && m_wd != wd)
                    ::inotify_rm_watch(m_fd, m_wd);
                m_wd = wd;
                return true;
            }
            if ((errno != ENOENT && errno != ENOTDIR) || dir == dir.root_path() || !dir.has_parent_path())
                return false;
        }
    }

    int m_fd = -1;
    int m_wd = -1;
    bool m_following = false;
    fs::path m_folder;
};

} // namespace

std::unique_ptr<DeviceNotices> DeviceNotices::system() { return std::make_unique<InotifyNotices>(); }

} // namespace kdx
