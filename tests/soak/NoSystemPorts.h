#pragma once

#include "link/PortDiscovery.h"

#include <string>
#include <vector>

namespace kdx::drive {

// Only the ports named on the command line: the driven tool must not try
// the machine's own serial ports.
class NoSystemPorts : public PortDiscovery {
public:
    std::vector<UsbSerialDevice> usbSerialDevices() override { return {}; }
    std::vector<std::string> systemSerialPorts() override { return {}; }
    std::vector<std::string> deviceNames() override { return {}; }
};

} // namespace kdx::drive
