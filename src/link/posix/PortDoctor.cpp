#include "link/PortDoctor.h"

#include "link/posix/LinuxPortDiscovery.h"
#include "link/posix/SysfsLine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fsys = std::filesystem;

namespace kdx {

namespace {

bool allDigits(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string modeText(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

} // namespace

UserIdentity UserIdentity::current()
{
    UserIdentity u;
    u.uid = static_cast<uint32_t>(::getuid());
    u.pid = static_cast<int>(::getpid());
    const int n = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(n > 0 ? static_cast<size_t>(n) : 0);
    if (n > 0 && ::getgroups(n, groups.data()) == n)
        for (const gid_t g : groups)
            u.groups.push_back(static_cast<uint32_t>(g));
    u.groups.push_back(static_cast<uint32_t>(::getgid()));
    return u;
}

PortDoctor::PortDoctor(std::string root, UserIdentity user) : m_root(std::move(root)), m_user(std::move(user)) {}

std::vector<std::pair<int, std::string>> PortDoctor::processes() const
{
    std::vector<std::pair<int, std::string>> list;
    std::error_code ec;
    for (fsys::directory_iterator it(fs("/proc"), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (allDigits(name))
            list.emplace_back(std::stoi(name), readSysfsLine(it->path() / "comm"));
    }
    std::sort(list.begin(), list.end());
    return list;
}

bool PortDoctor::daemonRunning(const char* name) const
{
    for (const auto& p : processes())
        if (p.second == name)
            return true;
    return false;
}

std::string PortDoctor::groupName(uint32_t gid) const
{
    // The group file of the tree examined (the fake one in tests).
    std::ifstream in(fs("/etc/group"));
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name, password, id;
        if (std::getline(fields, name, ':') && std::getline(fields, password, ':') && std::getline(fields, id, ':')
            && allDigits(id) && std::stoul(id) == gid)
            return name;
    }
    return std::to_string(gid);
}

PortDiagnosis PortDoctor::examinePort(const std::string& path)
{
    PortDiagnosis d;
    d.path = path;
    struct stat st {};
    d.exists = ::stat(fs(path).c_str(), &st) == 0;
    if (!d.exists) {
        d.findings.push_back({path + ": no such device",
                              "plug the adapter in (if it is, `sudo dmesg | tail` tells whether the kernel saw it)"});
        return d;
    }

    std::error_code ec;
    const fsys::path real = fsys::canonical(fs(path), ec);
    const std::string ttyName = ec ? fsys::path(path).filename().string() : real.filename().string();
    const std::string systemPath = "/dev/" + ttyName;

    // Names under /dev/serial/by-id that lead to the same device.
    for (fsys::directory_iterator it(fs("/dev/serial/by-id"), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (fsys::canonical(it->path(), ec2).filename() == ttyName && !ec2)
            d.byId.push_back("/dev/serial/by-id/" + it->path().filename().string());
    }
    std::sort(d.byId.begin(), d.byId.end());

    // USB vendor, product and driver from sysfs.
    const fsys::path classTty = fs("/sys/class/tty/") + ttyName;
    const fsys::path device = fsys::canonical(classTty / "device", ec);
    if (!ec) {
        std::error_code ec2;
        const fsys::path driver = fsys::canonical(classTty / "device" / "driver", ec2);
        if (!ec2)
            d.driver = driver.filename().string();
        const std::string latency = readSysfsLine(device / "latency_timer");
        if (allDigits(latency))
            d.latencyMs = std::stoi(latency);
        for (fsys::path p = device; !p.empty() && p != p.root_path() && p.string().size() > m_root.size();
             p = p.parent_path()) {
            if (fsys::exists(p / "idVendor", ec2)) {
                d.usbId = readSysfsLine(p / "idVendor") + ":" + readSysfsLine(p / "idProduct");
                d.usbName = readSysfsLine(p / "manufacturer");
                const std::string product = readSysfsLine(p / "product");
                if (!product.empty())
                    d.usbName += (d.usbName.empty() ? "" : " ") + product;
                break;
            }
        }
    }

    // Permission: the mode bits for this user (and, on the real system, the
    // kernel's own answer, which also knows the access lists a desktop
    // session gets through uaccess).
    d.group = groupName(static_cast<uint32_t>(st.st_gid));
    d.owner = std::string(st.st_uid == 0 ? "root" : std::to_string(st.st_uid)) + ":" + d.group + " "
        + modeText(st.st_mode);
    const bool inGroup =
        std::find(m_user.groups.begin(), m_user.groups.end(), static_cast<uint32_t>(st.st_gid)) != m_user.groups.end();
    const mode_t rw = S_IRUSR | S_IWUSR;
    d.accessible = m_user.uid == 0 || (st.st_uid == m_user.uid && (st.st_mode & rw) == rw)
        || (inGroup && (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP))
        || (st.st_mode & (S_IROTH | S_IWOTH)) == (S_IROTH | S_IWOTH)
        || (m_root.empty() && ::access(path.c_str(), R_OK | W_OK) == 0);
    if (!d.accessible)
        d.findings.push_back({path + ": permission denied (" + d.owner + ", you are not in group " + d.group + ")",
                              "sudo usermod -aG " + d.group + " $USER, then log out and in again"});

    // Other processes that hold it open.
    for (const auto& [pid, name] : processes()) {
        for (fsys::directory_iterator it(fs("/proc/" + std::to_string(pid) + "/fd"), ec), end; !ec && it != end;
             it.increment(ec)) {
            std::error_code ec2;
            const fsys::path target = fsys::read_symlink(it->path(), ec2);
            if (ec2 || (target != systemPath && target != path))
                continue;
            if (pid != m_user.pid) // this program's own hold is not in the way
                d.holders.push_back(name + " (pid " + std::to_string(pid) + ")");
            break;
        }
    }
    for (const std::string& h : d.holders) {
        const std::string pid = h.substr(h.rfind(' ') + 1, h.size() - h.rfind(' ') - 2);
        d.findings.push_back({path + ": busy, held by " + h, "close that program, or: kill " + pid});
    }

    if (d.driver == "ftdi_sio" && d.latencyMs && *d.latencyMs > kBestLatencyMs)
        d.findings.push_back({path + ": latency timer " + std::to_string(*d.latencyMs)
                                  + " ms stretches every answer",
                              "echo 1 | sudo tee /sys/bus/usb-serial/devices/" + ttyName
                                  + "/latency_timer (the kdx package's udev rule does this at plug-in)"});
    return d;
}

std::string PortDoctor::explain(const std::string& path)
{
    const PortDiagnosis d = examinePort(path);
    for (const PortFinding& f : d.findings) {
        // The latency timer slows a port down but does not stop it.
        if (f.problem.find("latency timer") != std::string::npos)
            continue;
        return f.problem + "; fix: " + f.fix;
    }
    if (!d.usbId.empty() && daemonRunning("ModemManager"))
        return path + ": may be probed by ModemManager; fix: sudo systemctl stop ModemManager";
    return {};
}

DoctorReport PortDoctor::examine(const std::vector<std::string>& extraPaths)
{
    DoctorReport r;
    LinuxPortDiscovery discovery(fs("/sys"), "/dev");
    std::vector<std::string> paths = extraPaths;
    for (const std::string& p : discovery.systemSerialPorts())
        if (std::find(paths.begin(), paths.end(), p) == paths.end())
            paths.push_back(p);
    for (const std::string& p : paths)
        r.ports.push_back(examinePort(p));

    r.modemManagerRunning = daemonRunning("ModemManager");
    r.brlttyRunning = daemonRunning("brltty");
    std::vector<std::string> names;
    for (const uint32_t g : m_user.groups) {
        const std::string name = groupName(g);
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(name);
            r.userGroups += (r.userGroups.empty() ? "" : " ") + name;
        }
    }
    if (r.modemManagerRunning)
        r.findings.push_back({"ModemManager is running: it probes new serial adapters and holds them for seconds",
                              "sudo systemctl stop ModemManager (or install the kdx package: its udev rule tells "
                              "ModemManager to leave FTDI adapters alone)"});
    if (r.brlttyRunning)
        r.findings.push_back({"brltty is running: it takes USB serial adapters it mistakes for braille displays",
                              "sudo apt remove brltty"});
    if (paths.empty())
        r.findings.push_back({"no serial device found", "plug the USB RS-485 adapter in; `sudo dmesg | tail` "
                                                        "tells whether the kernel saw it"});
    return r;
}

std::string PortDoctor::reportText(const DoctorReport& r)
{
    std::string t;
    for (const PortDiagnosis& d : r.ports) {
        t += d.path + "\n";
        for (const std::string& id : d.byId)
            t += "    by-id:    " + id + "\n";
        if (!d.usbId.empty())
            t += "    USB:      " + d.usbId + (d.usbName.empty() ? "" : "  " + d.usbName) + "\n";
        if (!d.driver.empty())
            t += "    driver:   " + d.driver + "\n";
        if (d.latencyMs)
            t += "    latency:  " + std::to_string(*d.latencyMs) + " ms\n";
        if (d.exists)
            t += "    access:   " + d.owner + (d.accessible ? ", you may open it" : ", you may NOT open it") + "\n";
        for (const std::string& h : d.holders)
            t += "    held by:  " + h + "\n";
        for (const PortFinding& f : d.findings)
            t += "    PROBLEM:  " + f.problem + "\n    fix:      " + f.fix + "\n";
        if (d.findings.empty())
            t += "    ok\n";
        t += "\n";
    }
    t += std::string("ModemManager: ") + (r.modemManagerRunning ? "running" : "not running") + "\n";
    t += std::string("brltty:       ") + (r.brlttyRunning ? "running" : "not running") + "\n";
    t += "your groups:  " + r.userGroups + "\n";
    for (const PortFinding& f : r.findings)
        t += "PROBLEM: " + f.problem + "\nfix:     " + f.fix + "\n";
    return t;
}

} // namespace kdx
