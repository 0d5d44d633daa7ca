#include "link/posix/LinuxPortDiscovery.h"

#include "link/NaturalOrder.h"
#include "link/posix/SysfsLine.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace kdx {

namespace {

struct TtyEntry {
    std::string name;    // ttyUSB0
    fs::path devicePath; // canonical sysfs path of its device; empty if none
};

bool startsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// idVendor holds four hex digits; anything else is not a vendor id.
bool parseVendorId(const std::string& text, uint16_t& vendor)
{
    if (text.empty() || text.size() > 4)
        return false;
    char* end = nullptr;
    const unsigned long v = std::strtoul(text.c_str(), &end, 16);
    if (end == nullptr || *end != '\0')
        return false;
    vendor = static_cast<uint16_t>(v);
    return true;
}

std::vector<TtyEntry> listTtys(const fs::path& classTty)
{
    std::vector<TtyEntry> ttys;
    std::error_code ec;
    for (fs::directory_iterator it(classTty, ec), end; !ec && it != end; it.increment(ec)) {
        TtyEntry t;
        t.name = it->path().filename().string();
        std::error_code ec2;
        const fs::path device = fs::canonical(it->path() / "device", ec2);
        if (!ec2)
            t.devicePath = device;
        ttys.push_back(std::move(t));
    }
    return ttys;
}

// The USB device a tty belongs to: the nearest ancestor of its device that
// carries an idVendor attribute, not climbing above the sysfs root.
bool findUsbDevice(const fs::path& device, const fs::path& root, fs::path& usbDevice)
{
    fs::path p = device;
    while (!p.empty() && p != root && p != p.root_path()) {
        std::error_code ec;
        if (fs::is_regular_file(p / "idVendor", ec)) {
            usbDevice = p;
            return true;
        }
        p = p.parent_path();
    }
    return false;
}

// A ttyS that stands for hardware. The kernel registers a fixed number of
// 8250 ports whether or not a UART answers; those report uart type 0, and
// all of them hang below the serial8250 placeholder device.
bool isRealUart(const fs::path& classTty, const TtyEntry& t)
{
    if (t.devicePath.empty())
        return false;
    const std::string type = readSysfsLine(classTty / t.name / "type");
    if (!type.empty())
        return type != "0";
    return t.devicePath.filename() != "serial8250";
}

} // namespace

LinuxPortDiscovery::LinuxPortDiscovery(std::string sysfsRoot, std::string devRoot)
    : m_sysfsRoot(std::move(sysfsRoot)), m_devRoot(std::move(devRoot))
{
}

std::vector<UsbSerialDevice> LinuxPortDiscovery::usbSerialDevices()
{
    std::error_code ec;
    fs::path root = fs::canonical(m_sysfsRoot, ec);
    if (ec)
        return {};
    const fs::path classTty = root / "class" / "tty";

    std::vector<TtyEntry> ttys = listTtys(classTty);
    std::sort(ttys.begin(), ttys.end(),
              [](const TtyEntry& a, const TtyEntry& b) { return naturalLess(a.name, b.name); });

    std::vector<UsbSerialDevice> devices;
    std::set<fs::path> usbWithTty;
    for (const auto& t : ttys) {
        fs::path usb;
        if (t.devicePath.empty() || !findUsbDevice(t.devicePath, root, usb))
            continue;
        uint16_t vendor = 0;
        if (!parseVendorId(readSysfsLine(usb / "idVendor"), vendor))
            continue;
        usbWithTty.insert(usb);
        devices.push_back(UsbSerialDevice{vendor, m_devRoot + "/" + t.name});
    }

    // Adapters of the vendor that have no tty: present, but not openable.
    const fs::path busDevices = root / "bus" / "usb" / "devices";
    for (fs::directory_iterator it(busDevices, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        const fs::path usb = fs::canonical(it->path(), ec2);
        if (ec2 || !usbWithTty.insert(usb).second)
            continue;
        uint16_t vendor = 0;
        if (parseVendorId(readSysfsLine(usb / "idVendor"), vendor) && vendor == kFtdiVendorId)
            devices.push_back(UsbSerialDevice{kFtdiVendorId, {}});
    }
    return devices;
}

std::vector<std::string> LinuxPortDiscovery::systemSerialPorts()
{
    std::error_code ec;
    fs::path root = fs::canonical(m_sysfsRoot, ec);
    if (ec)
        return {};
    const fs::path classTty = root / "class" / "tty";

    std::vector<std::string> names;
    for (const auto& t : listTtys(classTty)) {
        bool take = false;
        if (startsWith(t.name, "ttyUSB") || startsWith(t.name, "ttyACM"))
            take = !t.devicePath.empty();
        else if (startsWith(t.name, "ttyS"))
            take = isRealUart(classTty, t);
        if (take)
            names.push_back(t.name);
    }
    std::sort(names.begin(), names.end(), naturalLess);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const auto& n : names)
        paths.push_back(m_devRoot + "/" + n);
    return paths;
}

std::vector<std::string> LinuxPortDiscovery::deviceNames() { return {}; }

std::string LinuxPortDiscovery::canonicalPath(const std::string& path)
{
    if (path.empty() || path.front() != '/')
        return path;
    std::error_code ec;
    const fs::path resolved = fs::canonical(path, ec);
    return ec ? path : resolved.string();
}

} // namespace kdx
