#pragma once

#include "link/PortDiscovery.h"
#include "link/SerialLine.h"

#include <memory>

namespace kdx {

// The serial line and the port enumerations of the system the tool runs
// on: the program entries (window and command line) call these and know no
// system class.
std::unique_ptr<SerialLine> makeSystemLine();
std::unique_ptr<PortDiscovery> makeSystemPortDiscovery();

} // namespace kdx
