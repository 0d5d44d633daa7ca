#pragma once

#include "link/PortDiscovery.h"
#include "link/PortMarking.h"

#include <string>
#include <vector>

namespace kdx {

// The enumerations on Linux. Each search numbers the union of its ports
// COM1, COM2, ...: first the extra ports (the ones named on the command line
// in the order given, then the demo port), then the system's ports in natural
// name order, each device once; entry k then carries the k-th path.
// - vendor list: USB serial devices of kFtdiVendorId, counted as devices;
//   one with a tty marks that tty's number (ftdiIndex = its index + 1);
// - system ports: every numbered port, marked and counted;
// - device names: none.
class PortEnumerator : public PortMarking {
public:
    PortEnumerator(PortDiscovery& discovery, std::vector<std::string> extraPorts);

    void numberPorts(PortTable& table) override;
    uint32_t markFtdiPorts(PortTable& table) override;
    uint32_t markRegistryPorts(PortTable& table) override;
    uint32_t markDosDevicePorts(PortTable& table) override;

    // The numbering of the last search: element k is COM(k + 1). It may hold
    // more than 256 paths; those beyond have no entry and are never tried.
    const std::vector<std::string>& numbering() const { return m_numbering; }

private:
    // 1-based number of a path in this search's numbering; 0 when absent.
    uint32_t numberOf(const std::string& path);

    PortDiscovery& m_discovery;
    std::vector<std::string> m_extraPorts;
    std::vector<std::string> m_numbering;
    std::vector<std::string> m_keys; // canonical spellings, parallel to m_numbering
};

} // namespace kdx
