#include "link/posix/AdapterLatency.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>

namespace kdx {

namespace {

std::string realPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// The attribute's number, or -1 when it cannot be read as one.
long readNumber(const std::string& path)
{
    std::ifstream in(path);
    long value = -1;
    if (!(in >> value) || value < 0 || value > 255)
        return -1;
    return value;
}

bool writeNumber(const std::string& path, unsigned value)
{
    std::ofstream out(path);
    if (!out)
        return false;
    out << value << '\n';
    out.flush();
    return static_cast<bool>(out);
}

} // namespace

AdapterLatency settleAdapterLatency(const std::string& devicePath, int fd, TtyAccess& tty,
                                    const std::string& sysfsRoot)
{
    AdapterLatency result;
    result.kind = AdapterLatency::Kind::Unknown;
    result.ms = kAssumedAdapterLatencyMs;

    const std::string device = realPath(devicePath);
    const size_t slash = device.rfind('/');
    if (device.empty() || slash == std::string::npos)
        return result;
    const std::string ttyDir = sysfsRoot + "/class/tty/" + device.substr(slash + 1);
    const std::string hardware = realPath(ttyDir + "/device");
    if (hardware.empty())
        return result; // a pseudo-terminal or a virtual console: nothing known

    const std::string timer = ttyDir + "/device/latency_timer";
    const long found = readNumber(timer);
    if (found < 0) {
        if (hardware.find("/usb") != std::string::npos) {
            result.kind = AdapterLatency::Kind::UsbUnknown;
            result.ms = kAssumedAdapterLatencyMs;
        } else {
            result.kind = AdapterLatency::Kind::NativeUart;
            result.ms = 0;
        }
        return result;
    }

    result.kind = AdapterLatency::Kind::UsbTimer;
    result.foundMs = static_cast<uint32_t>(found);
    long now = found;
    if (now > static_cast<long>(kWantedAdapterLatencyMs) && tty.setLowLatency(fd) == 0)
        now = readNumber(timer);
    if (now > static_cast<long>(kWantedAdapterLatencyMs) && writeNumber(timer, kWantedAdapterLatencyMs))
        now = readNumber(timer);
    // An attribute that stopped reading back is taken at its old value.
    if (now < 0)
        now = found;
    result.ms = static_cast<uint32_t>(now);
    result.lowered = now < found;
    return result;
}

} // namespace kdx
