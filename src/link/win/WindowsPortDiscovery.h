#pragma once

#include "link/PortDiscovery.h"

namespace kdx {

// The serial ports of a Windows system, as COM names:
// - USB serial devices: the adapter driver library's device list when the
//   library is installed (loaded at run time; its COM number per device,
//   empty for a device it cannot open); otherwise the present ports of the
//   vendor id kFtdiVendorId the device manager lists, with their COM names;
// - system ports: the values of the registry's serial-port map
//   (HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, read only);
// - device names: the MS-DOS device names that begin with "COM".
class WindowsPortDiscovery : public PortDiscovery {
public:
    std::vector<UsbSerialDevice> usbSerialDevices() override;
    std::vector<std::string> systemSerialPorts() override;
    std::vector<std::string> deviceNames() override;
};

} // namespace kdx
