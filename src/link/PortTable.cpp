#include "link/PortTable.h"

namespace kdx {

void PortTable::build()
{
    for (int k = 0; k < kSize; ++k) {
        auto& e = m_entries[static_cast<size_t>(k)];
        e.portNumber = static_cast<uint32_t>(k + 1);
        e.deviceName = "\\\\.\\COM" + std::to_string(k + 1);
    }
    clearMarks();
}

void PortTable::clearMarks()
{
    for (auto& e : m_entries) {
        e.ftdiIndex = 0;
        e.candidate = false;
        e.ftdiPort = false;
    }
}

void PortTable::assignNames(const std::vector<std::string>& paths)
{
    for (size_t k = 0; k < paths.size() && k < m_entries.size(); ++k)
        m_entries[k].deviceName = paths[k];
}

} // namespace kdx
