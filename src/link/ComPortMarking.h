#pragma once

#include "link/PortDiscovery.h"
#include "link/PortMarking.h"

#include <cstdint>
#include <string>

namespace kdx {

// The enumerations on Windows, where every port has its COM number and the
// table's entries keep their "\\.\COMn" names. Each list is read from the
// discovery and marks the entries of the COM numbers 1..256 it names:
// - vendor list: adapters of kFtdiVendorId in the driver's order, each
//   counted; one whose port is known (its ttyPath "COMn") marks entry n - 1
//   with ftdiIndex = its index + 1;
// - system ports: the registry's serial-port map, values "COMn";
// - device names: the MS-DOS device names "COMn".
// Upper and lower case are alike; a number that is not 1..256 (or no number)
// marks nothing and is not counted.
class ComPortMarking : public PortMarking {
public:
    explicit ComPortMarking(PortDiscovery& discovery) : m_discovery(discovery) {}

    void numberPorts(PortTable& table) override;
    uint32_t markFtdiPorts(PortTable& table) override;
    uint32_t markRegistryPorts(PortTable& table) override;
    uint32_t markDosDevicePorts(PortTable& table) override;

    // n for "COMn" (any case), else 0: "COM", "COMx" and "COM3x" give 0,
    // and so does a number far beyond the table.
    static uint32_t comNumber(const std::string& name);

private:
    PortDiscovery& m_discovery;
};

} // namespace kdx
