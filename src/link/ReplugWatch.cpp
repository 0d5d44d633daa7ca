#include "link/ReplugWatch.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace kdx {

ReplugWatch::ReplugWatch(Probe probe, std::unique_ptr<DeviceNotices> notices)
    : m_probe(std::move(probe)), m_notices(std::move(notices))
{
}

ReplugWatch::~ReplugWatch() = default;

void ReplugWatch::arm(const std::string& name)
{
    m_name = name;
    // Followed before the first look, so that no change falls between them.
    m_notified = m_notices && m_notices->follow(name);
    m_gone = m_probe(name);
    m_sawMissing = !m_gone;
    m_armed = true;
}

void ReplugWatch::disarm()
{
    m_armed = false;
    if (m_notified)
        m_notices->stop();
    m_notified = false;
}

int ReplugWatch::descriptor() const { return notified() ? m_notices->descriptor() : -1; }

bool ReplugWatch::noticed()
{
    if (!notified() || !m_notices->take())
        return false;
    if (poll())
        return true;
    // The watch lost its folder (no folder above it is left): look on a timer.
    if (m_notices->descriptor() < 0)
        m_notified = false;
    return false;
}

bool ReplugWatch::poll()
{
    if (!m_armed)
        return false;
    const std::optional<Identity> now = m_probe(m_name);
    if (!now) {
        m_sawMissing = true;
        return false;
    }
    if (!m_sawMissing && m_gone && *now == *m_gone)
        return false; // still the node that hung up
    disarm();
    return true;
}

std::string ReplugWatch::stableName(const std::string& port, const std::string& byIdFolder)
{
    std::error_code ec;
    const fs::path target = fs::canonical(port, ec);
    if (ec)
        return port;
    for (fs::directory_iterator it(byIdFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (fs::canonical(it->path(), ec2) == target && !ec2)
            return it->path().string();
    }
    return port;
}

} // namespace kdx
