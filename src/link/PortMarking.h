#pragma once

#include "link/PortTable.h"

#include <cstdint>

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
};

} // namespace kdx
