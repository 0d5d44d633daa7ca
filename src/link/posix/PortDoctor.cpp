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
PortFinding brlttyFinding(const std::string& subject, const std::string& rule, const Words& words)
{
    const std::string edit = rule.rfind("/etc/", 0) == 0
        ? "sudo sed -i '/1a86\\/7523/d' " + rule
        : "sed '/1a86\\/7523/d' " + rule + " | sudo tee /etc/udev/rules.d/85-brltty.rules >/dev/null";
    return {subject
                + textOf(words, 102852,
                         "brltty's udev rule claims CH340 adapters (1a86:7523) as braille displays and takes them"),
            fillIn(textOf(words, 102853, "%1 && sudo udevadm control --reload-rules, then plug the adapter in again"),
                   {edit})};
}

} // namespace

PortDiagnosis PortDoctor::examinePort(const std::string& path, bool openBusy)
{
    PortDiagnosis d;
    d.path = path;
    struct stat st {};
    d.exists = ::stat(fs(path).c_str(), &st) == 0;
    if (!d.exists) {
        d.findings.push_back(
            {say(102850, "%1: no such device", {path}),
             say(102851, "plug the adapter in (if it is, `sudo dmesg | tail` tells whether the kernel saw it)")});
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
    AccessVerdict verdict = judgeAccess(access, m_user, m_words);
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
            d.findings.push_back({say(102854, "%1: busy, locked by %2", {path, h.text()}),
                                  say(102855, "close %1, or: kill %2", {h.name, std::to_string(h.pid)})});
            blocked = true;
        }
    }
    if (openBusy && !blocked) {
        for (const PortHolder& h : d.holders) {
            d.findings.push_back({say(102856, "%1: busy, open exclusively by %2", {path, h.text()}),
                                  say(102855, "close %1, or: kill %2", {h.name, std::to_string(h.pid)})});
            blocked = true;
        }
        if (!blocked)
            d.findings.push_back({say(102857, "%1: busy, open exclusively by a program of another user", {path}),
                                  say(102858, "sudo fuser -v %1 names it", {systemPath})});
    }
    if (!blocked && d.terminal) {
        // Sharing a port is not refused, but the other reader takes answers.
        for (const PortHolder& h : d.holders)
            d.findings.push_back(
                {say(102859, "%1: also open in %2, which may take the controller's answers", {path, h.text()}),
                 say(102860, "close %1", {h.name}), false});
    }

    if (d.usbId == kCh340Id) {
        if (const std::string rule = brlttyRuleClaimingCh340(); !rule.empty())
            d.findings.push_back(brlttyFinding(path + ": ", rule, m_words));
    }
    if (d.latencyMs && *d.latencyMs > kBestLatencyMs)
        d.findings.push_back({say(102861, "%1: latency timer %2 ms stretches every answer",
                                  {path, std::to_string(*d.latencyMs)}),
                              say(102862,
                                  "echo 1 | sudo tee /sys/bus/usb-serial/devices/%1/latency_timer (the kdx "
                                  "package's udev rule does this at plug-in)",
                                  {ttyName}),
                              false});
    return d;
}

std::string PortDoctor::explain(const std::string& path, bool openBusy)
{
    const PortDiagnosis d = examinePort(path, openBusy);
    for (const PortFinding& f : d.findings)
        if (f.blocking)
            return say(102863, "%1; fix: %2", {f.problem, f.fix});
    if (!d.usbId.empty() && daemonRunning("ModemManager"))
        return say(102863, "%1; fix: %2",
                   {say(102864, "%1: may be probed by ModemManager", {path}), "sudo systemctl stop ModemManager"});
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
        r.findings.push_back({say(102865, "no serial device found"),
                              say(102866, "plug the USB RS-485 adapter in; `sudo dmesg | tail` tells whether the "
                                          "kernel saw it")});
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
        r.findings.push_back(
            {say(102867, "ModemManager is running: it probes new serial adapters and holds them for seconds"),
             say(102868, "sudo systemctl stop ModemManager (or install the kdx package: its udev rule tells "
                         "ModemManager to leave USB RS-485 adapters alone)")});
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
        r.findings.push_back(brlttyFinding("", rule, m_words));
    else if (r.brlttyRunning)
        r.findings.push_back(
            {say(102869, "brltty is running: it takes USB serial adapters it mistakes for braille displays"),
             say(102870, "sudo systemctl stop brltty, or when no braille display is used: sudo apt remove brltty")});
}

namespace {

// Characters rather than bytes: the report is read in a fixed-width font.
size_t widthOf(const std::string& utf8)
{
    return static_cast<size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

size_t widestOf(std::initializer_list<std::string> headings)
{
    size_t widest = 0;
    for (const std::string& h : headings)
        widest = std::max(widest, widthOf(h));
    return widest;
}

// A heading padded to where its column's values start; one that is longer
// keeps a space.
std::string padded(const std::string& heading, size_t column)
{
    const size_t width = widthOf(heading);
    return heading + std::string(width < column ? column - width : 1, ' ');
}

} // namespace

std::string PortDoctor::reportText(const DoctorReport& r, const Words& words)
{
    auto heading = [&](int key, const char* english) { return textOf(words, key, english) + ":"; };
    const std::string byId = "by-id:", usb = "USB:", driver = heading(102871, "driver"),
                      latency = heading(102872, "latency"), access = heading(102873, "access"),
                      lockedBy = heading(102874, "locked by"), openIn = heading(102875, "open in"),
                      problem = heading(102876, "PROBLEM"), fix = heading(102877, "fix");
    // A port's values start two places after its widest heading; a holder's
    // heading may reach further.
    const size_t portColumn = widestOf({byId, usb, driver, latency, access, problem, fix}) + 2;
    const std::string indent = "    ";
    std::string t;
    for (const PortDiagnosis& d : r.ports) {
        t += d.path + "\n";
        for (const std::string& id : d.byId)
            t += indent + padded(byId, portColumn) + id + "\n";
        if (!d.usbId.empty())
            t += indent + padded(usb, portColumn) + d.usbId + (d.usbName.empty() ? "" : "  " + d.usbName) + "\n";
        if (!d.driver.empty())
            t += indent + padded(driver, portColumn) + d.driver + "\n";
        if (d.latencyMs)
            t += indent + padded(latency, portColumn)
                + fillIn(textOf(words, 102878, "%1 ms"), {std::to_string(*d.latencyMs)}) + "\n";
        if (d.exists)
            t += indent + padded(access, portColumn)
                + fillIn(d.accessible ? textOf(words, 102879, "%1, you may open it")
                                      : textOf(words, 102880, "%1, you may NOT open it"),
                         {d.owner})
                + "\n";
        for (const PortHolder& h : d.holders)
            t += indent + padded(h.locks ? lockedBy : openIn, portColumn) + h.text() + "\n";
        for (const PortFinding& f : d.findings)
            t += indent + padded(problem, portColumn) + f.problem + "\n" + indent + padded(fix, portColumn) + f.fix
                + "\n";
        if (d.findings.empty())
            t += indent + textOf(words, 102881, "ok") + "\n";
        t += "\n";
    }
    const std::string modemManager = "ModemManager:", brltty = "brltty:", groups = heading(102884, "your groups");
    const size_t systemColumn = widestOf({modemManager, brltty, groups}) + 1;
    const std::string running = textOf(words, 102882, "running"), notRunning = textOf(words, 102883, "not running");
    t += padded(modemManager, systemColumn) + (r.modemManagerRunning ? running : notRunning) + "\n";
    t += padded(brltty, systemColumn) + (r.brlttyRunning ? running : notRunning) + "\n";
    t += padded(groups, systemColumn) + r.userGroups + "\n";
    const size_t findingColumn = widestOf({problem, fix}) + 1;
    for (const PortFinding& f : r.findings)
        t += padded(problem, findingColumn) + f.problem + "\n" + padded(fix, findingColumn) + f.fix + "\n";
    return t;
}

} // namespace kdx
