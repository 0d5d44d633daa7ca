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

AccessVerdict judgeAccess(const DeviceAccess& d, const UserIdentity& user, const Words& words)
{
    AccessVerdict v;
    const bool inGroup = contains(user.groups, d.gid);
    v.accessible = user.uid == 0 || (d.uid == user.uid && (d.mode & kOwnerRw) == kOwnerRw)
        || (inGroup && (d.mode & kGroupRw) == kGroupRw) || (d.mode & kOtherRw) == kOtherRw
        || contains(d.aclUsers, user.uid);
    if (v.accessible)
        return v;

    // The facts every problem starts from: path, then owner:group mode.
    auto problem = [&](int key, const char* english, const std::string& extra = {}) {
        return fillIn(textOf(words, key, english),
                      {d.path, d.ownerName + ":" + d.groupName + " " + modeText(d.mode), extra});
    };
    auto fix = [&](int key, const char* english, const std::string& value = {}) {
        return fillIn(textOf(words, key, english), {value});
    };
    const std::string forNow = "sudo setfacl -m u:$USER:rw " + d.path;
    // Root's group grants nothing safe to join, and a group without both read
    // and write grants nothing at all.
    if (d.gid != 0 && (d.mode & kGroupRw) == kGroupRw) {
        v.finding = PortFinding{problem(102885, "%1: permission denied (%2, you are not in group %3)", d.groupName),
                                fix(102886, "sudo usermod -aG %1 $USER, then log out and in again", d.groupName)};
    } else if (d.pseudoTerminal) {
        v.finding = PortFinding{
            problem(102887, "%1: permission denied (%2, a terminal of user %3)", d.ownerName),
            fix(102888, "run the tool as %1 (a pseudo-terminal belongs to the user who opened it)", d.ownerName)};
    } else if (d.uaccessTagged && user.seated) {
        v.finding = PortFinding{
            problem(102889, "%1: permission denied (%2, its access list was not given to you)"),
            fix(102890, "unplug the adapter and plug it in again (access is handed out at plug-in)")};
    } else if (d.uaccessTagged) {
        v.finding = PortFinding{
            problem(102891, "%1: permission denied (%2, handed to the user at the machine's own screen only)"),
            fix(102892, "log in at the machine's own screen rather than remotely, or for now: %1", forNow)};
    } else if (d.usbAdapter) {
        v.finding = PortFinding{problem(102893, "%1: permission denied (%2, no rule gives the adapter to you)"),
                                fix(102894,
                                    "install the kdx package (its udev rule gives USB RS-485 adapters to the user "
                                    "at the screen), then plug the adapter in again; or for now: %1",
                                    forNow)};
    } else {
        v.finding = PortFinding{problem(102895, "%1: permission denied (%2, only %3 may open it)", d.ownerName),
                                fix(102896,
                                    "for now: %1; for good, a udev rule with GROUP=\"dialout\", MODE=\"0660\" "
                                    "and membership of dialout",
                                    forNow)};
    }
    return v;
}

} // namespace kdx
