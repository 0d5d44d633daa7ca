#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kdx {

// USB vendor id of the adapters the vendor device list looks for.
constexpr uint16_t kFtdiVendorId = 0x0403;

struct UsbSerialDevice {
    uint16_t vendorId = 0;
    std::string ttyPath; // empty when the device has no tty (cannot be opened)
};

// What the system reports about its serial ports; faked in tests.
class PortDiscovery {
public:
    virtual ~PortDiscovery() = default;
    // USB serial devices with their vendor ids, one per serial interface.
    virtual std::vector<UsbSerialDevice> usbSerialDevices() = 0;
    // Serial ports the system lists (device paths).
    virtual std::vector<std::string> systemSerialPorts() = 0;
    // Device-name list (empty on Linux).
    virtual std::vector<std::string> deviceNames() = 0;
    // The name under which two spellings of one device compare equal
    // (/dev/serial/by-id/... and /dev/ttyUSB0). Names that are not paths
    // are returned unchanged.
    virtual std::string canonicalPath(const std::string& path) { return path; }
};

} // namespace kdx
