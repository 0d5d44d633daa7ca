#include "link/SystemLink.h"

#include "link/PortEnumerator.h"
#include "link/posix/LinuxPortDiscovery.h"
#include "link/posix/PosixSerialLine.h"

namespace kdx {

std::unique_ptr<SerialLine> makeSystemLine() { return std::make_unique<PosixSerialLine>(); }

std::unique_ptr<PortDiscovery> makeSystemPortDiscovery() { return std::make_unique<LinuxPortDiscovery>(); }

std::unique_ptr<PortMarking> makeSystemPortMarking(PortDiscovery& discovery, std::vector<std::string> extraPorts)
{
    return std::make_unique<PortEnumerator>(discovery, std::move(extraPorts));
}

} // namespace kdx
