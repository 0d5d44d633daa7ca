#include "link/ComPortMarking.h"

#include <cctype>

namespace kdx {

namespace {

constexpr uint32_t kLastPortNumber = static_cast<uint32_t>(PortTable::kSize);

bool inRange(uint32_t n) { return n >= 1 && n <= kLastPortNumber; }

// Marks the entries the names stand for and counts them.
uint32_t markNames(PortTable& table, const std::vector<std::string>& names)
{
    uint32_t count = 0;
    for (const auto& name : names) {
        const uint32_t n = ComPortMarking::comNumber(name);
        if (!inRange(n))
            continue;
        table[static_cast<int>(n - 1)].candidate = true;
        ++count;
    }
    return count;
}

} // namespace

uint32_t ComPortMarking::comNumber(const std::string& name)
{
    if (name.size() < 4)
        return 0;
    for (size_t i = 0; i < 3; ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != "com"[i])
            return 0;
    uint32_t n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        const char c = name[i];
        if (c < '0' || c > '9' || n > kLastPortNumber)
            return 0;
        n = n * 10 + static_cast<uint32_t>(c - '0');
    }
    return n;
}

void ComPortMarking::numberPorts(PortTable& table) { table.assignNames({}); }

uint32_t ComPortMarking::markFtdiPorts(PortTable& table)
{
    return markVendorAdapters(table, m_discovery.usbSerialDevices(), comNumber);
}

uint32_t ComPortMarking::markRegistryPorts(PortTable& table)
{
    return markNames(table, m_discovery.systemSerialPorts());
}

uint32_t ComPortMarking::markDosDevicePorts(PortTable& table) { return markNames(table, m_discovery.deviceNames()); }

} // namespace kdx
