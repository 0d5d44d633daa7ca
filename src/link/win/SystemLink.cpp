#include "link/SystemLink.h"

#include "link/ComPortMarking.h"
#include "link/PortEnumerator.h"
#include "link/win/Win32SerialLine.h"
#include "link/win/WindowsPortDiscovery.h"

namespace kdx {

std::unique_ptr<SerialLine> makeSystemLine() { return std::make_unique<Win32SerialLine>(); }

std::unique_ptr<PortDiscovery> makeSystemPortDiscovery() { return std::make_unique<WindowsPortDiscovery>(); }

std::unique_ptr<PortMarking> makeSystemPortMarking(PortDiscovery& discovery, std::vector<std::string> extraPorts)
{
    // Ports named on the command line (or the demo port) are searched in the
    // order given, as on Linux; otherwise the COM numbers stand.
    if (!extraPorts.empty())
        return std::make_unique<PortEnumerator>(discovery, std::move(extraPorts));
    return std::make_unique<ComPortMarking>(discovery);
}

} // namespace kdx
