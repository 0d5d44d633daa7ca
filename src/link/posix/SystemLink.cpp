#include "link/SystemLink.h"

#include "link/posix/LinuxPortDiscovery.h"
#include "link/posix/PosixSerialLine.h"

namespace kdx {

std::unique_ptr<SerialLine> makeSystemLine() { return std::make_unique<PosixSerialLine>(); }

std::unique_ptr<PortDiscovery> makeSystemPortDiscovery() { return std::make_unique<LinuxPortDiscovery>(); }

} // namespace kdx
