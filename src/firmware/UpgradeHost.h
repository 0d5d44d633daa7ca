#pragma once

#include <string>
#include <vector>

namespace kdx {

// What the upgrade procedure needs from whoever drives it: the firmware page
// of the window, or a command-line front end. Everything is called on the
// caller's thread while the procedure runs.
class UpgradeHost {
public:
    virtual ~UpgradeHost() = default;
    // The log: every new line goes on top.
    virtual void clearLog() = 0;
    virtual void insertLogLine(const std::string& line) = 0;
    virtual void setBootProgress(int position, int maximum) = 0;
    virtual void setTalkToBootCaption(const std::string& caption) = 0;
    virtual void setSwitchToSaveCaption(const std::string& caption) = 0;
    // The connect procedure, as if "AutoConnect [F10]" had been chosen.
    virtual void autoConnect() = 0;
    // Called once, after the file has been read and fully checked and before
    // the first frame goes to the controller. False stops the upgrade with
    // nothing sent (logged as "cancelled").
    virtual bool beforeUpgradeStarts() { return true; }
    // Device names to try, in order, when the upgrade finds no port open
    // (a controller left in its bootloader after a restart of the tool or
    // a search that found nothing). The last selected port is tried first.
    virtual std::vector<std::string> candidatePorts() { return {}; }
    // An attempt has ended, whatever its outcome, including one that went on
    // by itself after the adapter came back.
    virtual void upgradeEnded() {}
};

} // namespace kdx
