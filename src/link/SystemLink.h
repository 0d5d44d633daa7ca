#pragma once

#include "link/PortDiscovery.h"
#include "link/PortMarking.h"
#include "link/SerialLine.h"

#include <memory>
#include <string>
#include <vector>

namespace kdx {

// The serial line and the port enumerations of the system the tool runs
// on: the program entries (window and command line) call these and know no
// system class.
std::unique_ptr<SerialLine> makeSystemLine();
std::unique_ptr<PortDiscovery> makeSystemPortDiscovery();
// The enumerations of a search over discovery's lists; extraPorts are the
// ports named on the command line and the demo port, tried first. On Linux
// the search numbers its ports itself; on Windows the COM numbers stand
// unless ports are named.
std::unique_ptr<PortMarking> makeSystemPortMarking(PortDiscovery& discovery, std::vector<std::string> extraPorts);

} // namespace kdx
