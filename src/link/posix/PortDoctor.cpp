#include "link/PortDoctor.h"

#include "link/posix/AccessList.h"
#include "link/posix/LinuxPortDiscovery.h"
#include "link/posix/SysfsLine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fsys = std::filesystem;

namespace kdx {

namespace {

bool allDigits(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string fileText(const fsys::path& file)
{
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A name from /etc/group or /etc/passwd by its numeric id (third field).
std::string nameById(const fsys::path& file, uint32_t id)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name, password, number;
        if (std::getline(fields, name, ':') && std::getline(fields, password, ':')
            && std::getline(fields, number, ':') && allDigits(number) && std::stoul(number) == id)
            return name;
    }
    return std::to_string(id);
}

constexpr const char* kCh340Id = "1a86:7523";
constexpr const char* kBrlttyRule = "85-brltty.rules";
constexpr const char* kCh340Product = "1a86/7523"; // as brltty's rule matches ENV{PRODUCT}

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
    // logind's record of the user: the seats where a session of theirs is
    // the active one.
    std::ifstream record("/run/systemd/users/" + std::to_string(u.uid));
    std::string line;
    while (std::getline(record, line))
        if (line.rfind("ACTIVE_SEATS=", 0) == 0 && line.size() > 13)
            u.seated = true;
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

std::string PortDoctor::groupName(uint32_t gid) const { return nameById(fs("/etc/group"), gid); }
std::string PortDoctor::userName(uint32_t uid) const { return nameById(fs("/etc/passwd"), uid); }

std::vector<uint32_t> PortDoctor::aclUsers(const std::string& fsPath) const { return accessListUsers(fsPath); }

std::vector<int> PortDoctor::lockHolders(const std::string& ttyName, const std::string& fsPath) const
{
    std::vector<int> pids;
    struct stat st {};
    if (::stat(fsPath.c_str(), &st) == 0) {
        // flock and fcntl locks name the file by its file system's device
        // (hexadecimal major:minor) and inode.
        char id[64];
        std::snprintf(id, sizeof id, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
        std::ifstream locks(fs("/proc/locks"));
        std::string line;
        while (std::getline(locks, line)) {
            std::istringstream fields(line);
            std::string number, kind, advisory, access, pid, file;
            fields >> number >> kind;
            if (kind == "->") // a process waiting for the lock does not hold it
                continue;
            fields >> advisory >> access >> pid >> file;
            if (file == id && allDigits(pid))
                pids.push_back(std::stoi(pid));
        }
    }
    // UUCP lock files: the holder's pid as text.
    for (const char* dir : {"/var/lock/LCK..", "/run/lock/LCK.."}) {
        std::istringstream text(readSysfsLine(fs(dir + ttyName)));
        int pid = 0;
        if (text >> pid && pid > 0 && std::find(pids.begin(), pids.end(), pid) == pids.end())
            pids.push_back(pid);
    }
    return pids;
}

std::string PortDoctor::brlttyRuleClaimingCh340() const
{
    // A rule of the same name in /etc replaces the packaged one (a link to
    // /dev/null masks it).
    std::error_code ec;
    const std::string local = std::string("/etc/udev/rules.d/") + kBrlttyRule;
    if (fsys::exists(fs(local), ec) || fsys::is_symlink(fs(local), ec))
        return fileText(fs(local)).find(kCh340Product) != std::string::npos ? local : std::string();
    for (const char* dir : {"/usr/lib/udev/rules.d/", "/lib/udev/rules.d/"}) {
        const std::string rule = std::string(dir) + kBrlttyRule;
        if (fileText(fs(rule)).find(kCh340Product) != std::string::npos)
            return rule;
    }
    return {};
}

namespace {

// Takes only the CH340's line out of brltty's rule, so that braille
// displays still start by themselves.
PortFinding brlttyFinding(const std::string& subject, const std::string& rule)
{
    const std::string edit = rule.rfind("/etc/", 0) == 0
        ? "sudo sed -i '/1a86\\/7523/d' " + rule
        : "sed '/1a86\\/7523/d' " + rule + " | sudo tee /etc/udev/rules.d/85-brltty.rules >/dev/null";
    return {subject + "brltty's udev rule claims CH340 adapters (1a86:7523) as braille displays and takes them",
            edit + " && sudo udevadm control --reload-rules, then plug the adapter in again"};
}

} // namespace

PortDiagnosis PortDoctor::examinePort(const std::string& path, bool openBusy)
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

    // The device's own name, symbolic links (by-id, by-path, links of one's
    // own) followed.
    std::error_code ec;
    std::string systemPath = path;
    const fsys::path real = fsys::canonical(fs(path), ec);
    if (!ec && real.string().rfind(m_root, 0) == 0)
        systemPath = real.string().substr(m_root.size());
    const std::string ttyName = fsys::path(systemPath).filename().string();
    const bool pseudo = systemPath.rfind("/dev/pts/", 0) == 0;

    // Names under /dev/serial/by-id that lead to the same device.
    for (fsys::directory_iterator it(fs("/dev/serial/by-id"), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code ec2;
        if (fsys::canonical(it->path(), ec2) == real && !ec2)
            d.byId.push_back("/dev/serial/by-id/" + it->path().filename().string());
    }
    std::sort(d.byId.begin(), d.byId.end());

    // USB vendor, product and driver from sysfs.
    const fsys::path classTty = fs("/sys/class/tty/") + ttyName;
    d.terminal = pseudo || fsys::exists(classTty, ec);
    const fsys::path device = fsys::canonical(classTty / "device", ec);
    if (!pseudo && !ec) {
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

    // Permission, from the facts: owner, group, mode, access list, seat.
    DeviceAccess access;
    access.path = path;
    access.uid = static_cast<uint32_t>(st.st_uid);
    access.gid = static_cast<uint32_t>(st.st_gid);
    access.mode = static_cast<unsigned>(st.st_mode & 07777);
    access.ownerName = userName(access.uid);
    access.groupName = groupName(access.gid);
    access.aclUsers = aclUsers(fs(systemPath));
    access.pseudoTerminal = pseudo;
    access.usbAdapter = !d.usbId.empty();
    const std::string devNumber = readSysfsLine(classTty / "dev");
    if (!devNumber.empty()) {
        const std::string udev = fileText(fs("/run/udev/data/c" + devNumber));
        access.uaccessTagged =
            udev.find("G:uaccess") != std::string::npos || udev.find("Q:uaccess") != std::string::npos;
    }
    d.group = access.groupName;
    d.owner = access.ownerName + ":" + access.groupName + " " + modeText(access.mode);
    AccessVerdict verdict = judgeAccess(access, m_user);
    // On the real system the kernel's own answer counts too.
    if (!verdict.accessible && m_root.empty() && ::access(path.c_str(), R_OK | W_OK) == 0)
        verdict = AccessVerdict{true, std::nullopt};
    d.accessible = verdict.accessible;
    if (verdict.finding)
        d.findings.push_back(*verdict.finding);

    // Who has it open, and who holds it.
    const std::vector<int> lockers = lockHolders(ttyName, fs(systemPath));
    for (const auto& [pid, name] : processes()) {
        if (pid == m_user.pid) // this program's own hold is not in the way
            continue;
        bool opened = false;
        for (fsys::directory_iterator it(fs("/proc/" + std::to_string(pid) + "/fd"), ec), end; !ec && it != end;
             it.increment(ec)) {
            std::error_code ec2;
            const fsys::path target = fsys::read_symlink(it->path(), ec2);
            if (!ec2 && target == systemPath) {
                opened = true;
                break;
            }
        }
        const bool locks = std::find(lockers.begin(), lockers.end(), pid) != lockers.end();
        if (opened || locks)
            d.holders.push_back({pid, name, locks});
    }
    bool blocked = false;
    for (const PortHolder& h : d.holders) {
        if (h.locks) {
            d.findings.push_back({path + ": busy, locked by " + h.text(),
                                  "close " + h.name + ", or: kill " + std::to_string(h.pid)});
            blocked = true;
        }
    }
    if (openBusy && !blocked) {
        for (const PortHolder& h : d.holders) {
            d.findings.push_back({path + ": busy, open exclusively by " + h.text(),
                                  "close " + h.name + ", or: kill " + std::to_string(h.pid)});
            blocked = true;
        }
        if (!blocked)
            d.findings.push_back({path + ": busy, open exclusively by a program of another user",
                                  "sudo fuser -v " + systemPath + " names it"});
    }
    if (!blocked && d.terminal) {
        // Sharing a port is not refused, but the other reader takes answers.
        for (const PortHolder& h : d.holders)
            d.findings.push_back({path + ": also open in " + h.text() + ", which may take the controller's answers",
                                  "close " + h.name});
    }

    if (d.usbId == kCh340Id) {
        if (const std::string rule = brlttyRuleClaimingCh340(); !rule.empty())
            d.findings.push_back(brlttyFinding(path + ": ", rule));
    }
    if (d.latencyMs && *d.latencyMs > kBestLatencyMs)
        d.findings.push_back({path + ": latency timer " + std::to_string(*d.latencyMs)
                                  + " ms stretches every answer",
                              "echo 1 | sudo tee /sys/bus/usb-serial/devices/" + ttyName
                                  + "/latency_timer (the kdx package's udev rule does this at plug-in)"});
    return d;
}

std::string PortDoctor::explain(const std::string& path, bool openBusy)
{
    const PortDiagnosis d = examinePort(path, openBusy);
    for (const PortFinding& f : d.findings) {
        // Slowing a port down or sharing it does not stop it.
        if (f.problem.find("latency timer") != std::string::npos || f.problem.find("also open in") != std::string::npos)
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

    addSystemFindings(r);
    if (paths.empty())
        r.findings.push_back({"no serial device found", "plug the USB RS-485 adapter in; `sudo dmesg | tail` "
                                                        "tells whether the kernel saw it"});
    return r;
}

void PortDoctor::addSystemFindings(DoctorReport& r)
{
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
                              "ModemManager to leave USB RS-485 adapters alone)"});
    // A CH340 that brltty took has no tty any more: look for the USB device.
    bool ch340 = false;
    std::error_code ec;
    for (fsys::directory_iterator it(fs("/sys/bus/usb/devices"), ec), end; !ec && it != end; it.increment(ec))
        if (readSysfsLine(it->path() / "idVendor") + ":" + readSysfsLine(it->path() / "idProduct") == kCh340Id)
            ch340 = true;
    for (const PortDiagnosis& d : r.ports)
        ch340 = ch340 || d.usbId == kCh340Id;
    const std::string rule = ch340 ? brlttyRuleClaimingCh340() : std::string();
    if (!rule.empty())
        r.findings.push_back(brlttyFinding("", rule));
    else if (r.brlttyRunning)
        r.findings.push_back({"brltty is running: it takes USB serial adapters it mistakes for braille displays",
                              "sudo systemctl stop brltty, or when no braille display is used: sudo apt remove "
                              "brltty"});
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
        for (const PortHolder& h : d.holders)
            t += (h.locks ? "    locked by: " : "    open in:  ") + h.text() + "\n";
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
