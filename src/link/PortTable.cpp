#include "link/PortTable.h"

namespace kdx {

std::string PortTable::defaultName(int k)
{
    return "\\\\.\\COM" + std::to_string(k + 1);
}

void PortTable::build()
{
    for (int k = 0; k < kSize; ++k) {
        auto& e = m_entries[static_cast<size_t>(k)];
        e.portNumber = static_cast<uint32_t>(k + 1);
        e.deviceName = defaultName(k);
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
    // Entries beyond this search's ports take their own names back, so no
    // path of an earlier search lingers in the table.
    for (size_t k = 0; k < m_entries.size(); ++k)
        m_entries[k].deviceName = k < paths.size() ? paths[k] : defaultName(static_cast<int>(k));
}

} // namespace kdx
