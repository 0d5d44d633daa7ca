#pragma once

#include "link/DeviceNotices.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kdx {

// Watches, after the adapter went away, for it to come back under the same
// name: its /dev/serial/by-id name when it has one (the kernel may give the
// replugged adapter another ttyUSB number), else the path it was opened by.
// "Back" means the name leads to a device again that is not the one that went
// away: it was missing at some poll since, or it is another device node (a
// new pseudo-terminal, a new USB device number). One stat() per poll. Where
// the system tells of changes in the name's folder (DeviceNotices), it looks
// only when told; else its owner polls it on a slow timer.
class ReplugWatch {
public:
    // What a name leads to: st_rdev and st_ino of the device; nullopt when missing.
    struct Identity {
        uint64_t rdev = 0;
        uint64_t inode = 0;
        bool operator==(const Identity& o) const { return rdev == o.rdev && inode == o.inode; }
    };
    using Probe = std::function<std::optional<Identity>(const std::string& path)>;

    explicit ReplugWatch(Probe probe = statProbe, std::unique_ptr<DeviceNotices> notices = DeviceNotices::system());
    ~ReplugWatch();

    void arm(const std::string& name);
    void disarm();
    bool armed() const { return m_armed; }
    const std::string& name() const { return m_name; }
    // True once the device is back (the watch then disarms itself).
    bool poll();

    // While armed: true when the system's notices follow the name, so
    // noticed() on the descriptor's readiness replaces the timer's polls.
    bool notified() const { return m_armed && m_notified; }
    // Readable when a change waits; -1 when not notified.
    int descriptor() const;
    // Reads the changes waiting and looks when there were any: true once the
    // device is back, as poll().
    bool noticed();

    // The name to watch for a port: the by-id link in byIdFolder that leads
    // to the same device, else the port itself.
    static std::string stableName(const std::string& port, const std::string& byIdFolder = "/dev/serial/by-id");
    static std::optional<Identity> statProbe(const std::string& path);

private:
    Probe m_probe;
    std::unique_ptr<DeviceNotices> m_notices;
    bool m_notified = false;
    std::string m_name;
    std::optional<Identity> m_gone; // what the name led to when the device went away
    bool m_sawMissing = false;
    bool m_armed = false;
};

} // namespace kdx
