#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

// Who runs the tool, for deciding whether a device can be opened.
struct UserIdentity {
    uint32_t uid = 0;
    std::vector<uint32_t> groups; // primary and supplementary
    int pid = 0;                  // this process (its own hold on a port is not a problem)
    static UserIdentity current();
};

// Something wrong and the one line that fixes it.
struct PortFinding {
    std::string problem;
    std::string fix;
};

struct PortDiagnosis {
    std::string path;              // as the system names it, e.g. /dev/ttyUSB0
    bool exists = false;
    std::vector<std::string> byId; // /dev/serial/by-id names leading to it
    std::string usbId;             // "0403:6001", empty when not a USB device
    std::string usbName;           // manufacturer and product strings
    std::string driver;            // e.g. ftdi_sio
    std::optional<int> latencyMs;  // FTDI latency timer
    std::string owner;             // "root:dialout 0660"
    std::string group;             // the device's group name
    bool accessible = false;       // this user may open it for reading and writing
    std::vector<std::string> holders; // "minicom (pid 1234)"
    std::vector<PortFinding> findings;
};

struct DoctorReport {
    std::vector<PortDiagnosis> ports;
    bool modemManagerRunning = false;
    bool brlttyRunning = false;
    std::string userGroups;            // names of this user's groups
    std::vector<PortFinding> findings; // about the system rather than one port
};

// Finds out why a serial port cannot be used: missing device, permissions
// and the group to join, another process holding it (from /proc/*/fd),
// ModemManager and brltty, the FTDI latency timer. Reads only files below
// root (empty: the real system), so tests run it on a fake tree; opens no
// device (opening a real port would toggle its modem lines).
class PortDoctor {
public:
    explicit PortDoctor(std::string root = {}, UserIdentity user = UserIdentity::current());

    // Every serial device the system lists, plus the extra paths given.
    DoctorReport examine(const std::vector<std::string>& extraPaths = {});
    PortDiagnosis examinePort(const std::string& path);
    // One line for the status line: what is wrong with the port and the fix;
    // empty when nothing is found.
    std::string explain(const std::string& path);

    static std::string reportText(const DoctorReport& report);

    static constexpr int kBestLatencyMs = 1;

private:
    std::string fs(const std::string& systemPath) const { return m_root + systemPath; }
    std::vector<std::pair<int, std::string>> processes() const; // pid, command name
    std::string groupName(uint32_t gid) const;
    bool daemonRunning(const char* name) const;

    std::string m_root;
    UserIdentity m_user;
};

} // namespace kdx
