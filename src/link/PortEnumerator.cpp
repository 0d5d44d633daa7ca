#include "link/PortEnumerator.h"

#include "link/NaturalOrder.h"

#include <algorithm>

namespace kdx {

namespace {

constexpr uint32_t kFirstPortNumber = 1;
constexpr uint32_t kLastPortNumber = static_cast<uint32_t>(PortTable::kSize);

bool inRange(uint32_t n) { return n >= kFirstPortNumber && n <= kLastPortNumber; }

} // namespace

PortEnumerator::PortEnumerator(PortDiscovery& discovery, std::vector<std::string> extraPorts)
    : m_discovery(discovery), m_extraPorts(std::move(extraPorts))
{
}

void PortEnumerator::numberPorts(PortTable& table)
{
    m_numbering.clear();
    m_keys.clear();
    auto add = [this](const std::string& path) {
        if (path.empty())
            return;
        std::string key = m_discovery.canonicalPath(path);
        if (std::find(m_keys.begin(), m_keys.end(), key) != m_keys.end())
            return;
        m_keys.push_back(std::move(key));
        m_numbering.push_back(path);
    };
    for (const auto& p : m_extraPorts)
        add(p);
    std::vector<std::string> system = m_discovery.systemSerialPorts();
    std::stable_sort(system.begin(), system.end(), naturalLess);
    for (const auto& p : system)
        add(p);
    table.assignNames(m_numbering);
}

uint32_t PortEnumerator::numberOf(const std::string& path)
{
    if (path.empty())
        return 0;
    const std::string key = m_discovery.canonicalPath(path);
    const auto it = std::find(m_keys.begin(), m_keys.end(), key);
    if (it == m_keys.end())
        return 0;
    return static_cast<uint32_t>(it - m_keys.begin()) + 1;
}

uint32_t PortEnumerator::markFtdiPorts(PortTable& table)
{
    return markVendorAdapters(table, m_discovery.usbSerialDevices(),
                              [this](const std::string& path) { return numberOf(path); });
}

uint32_t PortEnumerator::markRegistryPorts(PortTable& table)
{
    uint32_t count = 0;
    for (size_t k = 0; k < m_numbering.size(); ++k) {
        const uint32_t n = static_cast<uint32_t>(k) + 1;
        if (!inRange(n))
            break;
        table[static_cast<int>(n - 1)].candidate = true;
        ++count;
    }
    return count;
}

uint32_t PortEnumerator::markDosDevicePorts(PortTable& table)
{
    // Empty on Linux; a name counts only when it is one of this search's ports.
    uint32_t count = 0;
    for (const auto& name : m_discovery.deviceNames()) {
        const uint32_t n = numberOf(name);
        if (!inRange(n))
            continue;
        table[static_cast<int>(n - 1)].candidate = true;
        ++count;
    }
    return count;
}

} // namespace kdx
