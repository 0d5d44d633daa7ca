#include "link/ReplugWatch.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace kdx {

ReplugWatch::ReplugWatch(Probe probe) : m_probe(std::move(probe)) {}

void ReplugWatch::arm(const std::string& name)
{
    m_name = name;
    m_gone = m_probe(name);
    m_sawMissing = !m_gone;
    m_armed = true;
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
    m_armed = false;
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
