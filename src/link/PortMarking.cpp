#include "link/PortMarking.h"

namespace kdx {

uint32_t PortMarking::markVendorAdapters(PortTable& table, const std::vector<UsbSerialDevice>& devices,
                                         const std::function<uint32_t(const std::string&)>& numberOf)
{
    uint32_t count = 0;
    for (const auto& device : devices) {
        if (device.vendorId != kFtdiVendorId)
            continue;
        const uint32_t index = count++;
        // An adapter without a port, or whose port has no number (another
        // program holds it), is counted but marks nothing.
        const uint32_t n = numberOf(device.ttyPath);
        if (n < 1 || n > static_cast<uint32_t>(PortTable::kSize))
            continue;
        auto& e = table[static_cast<int>(n - 1)];
        e.candidate = true;
        e.ftdiPort = true;
        e.ftdiIndex = index + 1;
        e.portNumber = n;
    }
    return count;
}

} // namespace kdx
