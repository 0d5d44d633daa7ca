#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kdx {

struct UsbSerialDevice {
    uint16_t vendorId = 0;
    std::string ttyPath; // empty when the device has no tty (cannot be opened)
};

// What the system reports about its serial ports; faked in tests.
class PortDiscovery {
public:
    virtual ~PortDiscovery() = default;
    // USB serial devices with their vendor ids.
    virtual std::vector<UsbSerialDevice> usbSerialDevices() = 0;
    // Serial ports the system lists (device paths).
    virtual std::vector<std::string> systemSerialPorts() = 0;
    // Device-name list (empty on Linux).
    virtual std::vector<std::string> deviceNames() = 0;
};

} // namespace kdx
