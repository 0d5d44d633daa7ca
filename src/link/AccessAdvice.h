#pragma once

#include "link/TextFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

// Something wrong and the one line that fixes it.
struct PortFinding {
    std::string problem;
    std::string fix;
    // Keeps the tool off the port; a slow latency timer or a second reader
    // does not, and is no reason the status line gives for a failed search.
    bool blocking = true;
};

// Who runs the tool, for deciding whether a device can be opened.
struct UserIdentity {
    uint32_t uid = 0;
    std::vector<uint32_t> groups; // primary and supplementary
    int pid = 0;                  // this process (its own hold on a port is not a problem)
    // Logged in at the machine's own screen and keyboard (an active seat),
    // which is who a uaccess rule hands devices to; not over ssh.
    bool seated = false;
    static UserIdentity current();
};

// What the system says about who may open a device node.
struct DeviceAccess {
    std::string path;
    uint32_t uid = 0;
    uint32_t gid = 0;
    unsigned mode = 0;             // permission bits
    std::string ownerName;         // "root"
    std::string groupName;         // "dialout"
    std::vector<uint32_t> aclUsers; // users the access list lets read and write
    bool uaccessTagged = false;    // a udev rule hands it to the seated user
    bool pseudoTerminal = false;   // /dev/pts/N: belongs to whoever opened it
    bool usbAdapter = false;
};

struct AccessVerdict {
    bool accessible = false;
    std::optional<PortFinding> finding; // why not, and the fix that works
};

// Decides from the owner, group, mode bits, access list and the user's groups
// and seat whether the user may read and write the device, and when not,
// the fix that actually grants access: joining a group only where the group
// has read and write and is not root's own. The finding is in words'
// language (English without them); commands stay as typed.
AccessVerdict judgeAccess(const DeviceAccess& device, const UserIdentity& user, const Words& words = {});

// "0660".
std::string modeText(unsigned mode);

} // namespace kdx
