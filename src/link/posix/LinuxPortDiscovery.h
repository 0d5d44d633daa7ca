#pragma once

#include "link/PortDiscovery.h"

#include <string>
#include <vector>

namespace kdx {

// Serial ports of a Linux system, read from sysfs:
// - USB serial devices: every tty whose device sits below a USB device (the
//   first ancestor with an idVendor file), plus adapters of the vendor id
//   kFtdiVendorId that have no tty at all (driver unbound or the device taken
//   by another program), so they are counted like a busy adapter;
// - system ports: ttyUSB*, ttyACM* and those ttyS* that stand for a real
//   UART (not the unprobed placeholders every kernel registers), as paths
//   under devRoot in natural name order;
// - the device-name list is empty.
// The roots exist for tests, which build a fake sysfs tree in a temp folder.
class LinuxPortDiscovery : public PortDiscovery {
public:
    explicit LinuxPortDiscovery(std::string sysfsRoot = "/sys", std::string devRoot = "/dev");

    std::vector<UsbSerialDevice> usbSerialDevices() override;
    std::vector<std::string> systemSerialPorts() override;
    std::vector<std::string> deviceNames() override;
    std::string canonicalPath(const std::string& path) override;

private:
    std::string m_sysfsRoot;
    std::string m_devRoot;
};

} // namespace kdx
