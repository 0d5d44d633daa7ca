#pragma once

#include "link/PortDiscovery.h"
#include "link/PortTable.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kdx {

// The three enumerations a search runs to mark its candidate ports. Each
// returns how many ports it found (its count decides how many attempts the
// search makes) and marks the entries of the numbers 1..256 it found.
class PortMarking {
public:
    virtual ~PortMarking() = default;
    // Gives the table's entries the device names of this search; runs after
    // PortTable::clearMarks() and before the three enumerations.
    virtual void numberPorts(PortTable& table) = 0;
    // Vendor adapter list: counts every adapter, marks those with a port.
    virtual uint32_t markFtdiPorts(PortTable& table) = 0;
    // The serial ports the system lists.
    virtual uint32_t markRegistryPorts(PortTable& table) = 0;
    // Device-name list.
    virtual uint32_t markDosDevicePorts(PortTable& table) = 0;

protected:
    // The vendor list's marking, whatever the system: every adapter of the
    // vendor is counted in the list's order; the one whose port numberOf
    // knows (1..256) is marked with its place in the list.
    static uint32_t markVendorAdapters(PortTable& table, const std::vector<UsbSerialDevice>& devices,
                                       const std::function<uint32_t(const std::string&)>& numberOf);
};

} // namespace kdx
