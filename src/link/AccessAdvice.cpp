#include "link/AccessAdvice.h"

#include <algorithm>
#include <cstdio>

namespace kdx {

namespace {

constexpr unsigned kOwnerRw = 0600;
constexpr unsigned kGroupRw = 0060;
constexpr unsigned kOtherRw = 0006;

bool contains(const std::vector<uint32_t>& list, uint32_t id)
{
    return std::find(list.begin(), list.end(), id) != list.end();
}

} // namespace

std::string modeText(unsigned mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777);
    return text;
}

AccessVerdict judgeAccess(const DeviceAccess& d, const UserIdentity& user)
{
    AccessVerdict v;
    const bool inGroup = contains(user.groups, d.gid);
    v.accessible = user.uid == 0 || (d.uid == user.uid && (d.mode & kOwnerRw) == kOwnerRw)
        || (inGroup && (d.mode & kGroupRw) == kGroupRw) || (d.mode & kOtherRw) == kOtherRw
        || contains(d.aclUsers, user.uid);
    if (v.accessible)
        return v;

    const std::string facts = d.path + ": permission denied (" + d.ownerName + ":" + d.groupName + " "
        + modeText(d.mode);
    const std::string forNow = "sudo setfacl -m u:$USER:rw " + d.path;
    // Root's group grants nothing safe to join, and a group without both read
    // and write grants nothing at all.
    if (d.gid != 0 && (d.mode & kGroupRw) == kGroupRw) {
        v.finding = PortFinding{facts + ", you are not in group " + d.groupName + ")",
                                "sudo usermod -aG " + d.groupName + " $USER, then log out and in again"};
    } else if (d.pseudoTerminal) {
        v.finding = PortFinding{facts + ", a terminal of user " + d.ownerName + ")",
                                "run the tool as " + d.ownerName
                                    + " (a pseudo-terminal belongs to the user who opened it)"};
    } else if (d.uaccessTagged && user.seated) {
        v.finding = PortFinding{facts + ", its access list was not given to you)",
                                "unplug the adapter and plug it in again (access is handed out at plug-in)"};
    } else if (d.uaccessTagged) {
        v.finding = PortFinding{facts + ", handed to the user at the machine's own screen only)",
                                "log in at the machine's own screen rather than remotely, or for now: " + forNow};
    } else if (d.usbAdapter) {
        v.finding = PortFinding{facts + ", no rule gives the adapter to you)",
                                "install the kdx package (its udev rule gives USB RS-485 adapters to the user at "
                                "the screen), then plug the adapter in again; or for now: " + forNow};
    } else {
        v.finding = PortFinding{facts + ", only " + d.ownerName + " may open it)",
                                "for now: " + forNow + "; for good, a udev rule with GROUP=\"dialout\", "
                                "MODE=\"0660\" and membership of dialout"};
    }
    return v;
}

} // namespace kdx
