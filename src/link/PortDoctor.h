#pragma once

#include "link/AccessAdvice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

// A process that has the port open; only one that holds its lock (or has
// it open exclusively) keeps the tool out.
struct PortHolder {
    int pid = 0;
    std::string name; // command name
    bool locks = false; // holds the advisory lock or a lock file naming it
    std::string text() const { return name + " (pid " + std::to_string(pid) + ")"; }
    bool operator==(const PortHolder& o) const { return pid == o.pid && name == o.name && locks == o.locks; }
};

struct PortDiagnosis {
    std::string path;              // as the system names it, e.g. /dev/ttyUSB0
    bool exists = false;
    std::vector<std::string> byId; // /dev/serial/by-id names leading to it
    std::string usbId;             // "0403:6001", empty when not a USB device
    std::string usbName;           // manufacturer and product strings
    std::string driver;            // e.g. ftdi_sio
    std::optional<int> latencyMs;  // latency timer, where the driver shows one
    std::string owner;             // "root:dialout 0660"
    std::string group;             // the device's group name
    bool accessible = false;       // this user may open it for reading and writing
    bool terminal = false;         // a serial device or a pseudo-terminal, not /dev/null
    std::vector<PortHolder> holders;
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
// and the fix that grants access, the process holding its lock (from
// /proc/locks, lock files and /proc/*/fd), ModemManager and brltty, the
// adapter's latency timer. kdx-cli ports and the window's doctor both show
// what examine() finds. Reads only files below
// root (empty: the real system), so tests run it on a fake tree; opens no
// device (opening a real port would toggle its modem lines).
class PortDoctor {
public:
    explicit PortDoctor(std::string root = {}, UserIdentity user = UserIdentity::current());

    // The language of the findings and of explain(); English without words.
    // Commands, paths and names in them stay as they are.
    void setWords(Words words) { m_words = std::move(words); }

    // Every serial device the system lists, plus the extra paths given.
    DoctorReport examine(const std::vector<std::string>& extraPaths = {});
    // openBusy: the caller's own open was refused with EBUSY, i.e. someone
    // has the port open exclusively; its openers are then named for it.
    PortDiagnosis examinePort(const std::string& path, bool openBusy = false);
    // One line for the status line: what is wrong with the port and the fix;
    // empty when nothing is found.
    std::string explain(const std::string& path, bool openBusy = false);

    // What is in the way of every port (ModemManager, brltty), with the
    // daemons' state, from the ports already examined in r.
    void addSystemFindings(DoctorReport& r);

    // The report as the window shows it: a block per port, then the daemons
    // and the system's findings; headings in words' language, aligned in a
    // fixed-width font.
    static std::string reportText(const DoctorReport& report, const Words& words = {});

    static constexpr int kBestLatencyMs = 1;

private:
    std::string fs(const std::string& systemPath) const { return m_root + systemPath; }
    std::vector<std::pair<int, std::string>> processes() const; // pid, command name
    std::string groupName(uint32_t gid) const;
    std::string userName(uint32_t uid) const;
    std::vector<int> lockHolders(const std::string& ttyName, const std::string& fsPath) const;
    std::string brlttyRuleClaimingCh340() const; // the rule file, empty when none does
    std::vector<uint32_t> aclUsers(const std::string& fsPath) const;
    bool daemonRunning(const char* name) const;

    std::string say(int key, const char* english, std::initializer_list<std::string> args = {}) const
    {
        return fillIn(textOf(m_words, key, english), args);
    }

    std::string m_root;
    UserIdentity m_user;
    Words m_words;
};

} // namespace kdx
