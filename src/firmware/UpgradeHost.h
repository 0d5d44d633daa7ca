#pragma once

#include <string>

namespace kdx {

// What the upgrade procedure needs from the firmware page of the window.
class UpgradeHost {
public:
    virtual ~UpgradeHost() = default;
    // The log view: every new line goes on top.
    virtual void clearLog() = 0;
    virtual void insertLogLine(const std::string& line) = 0;
    virtual void setBootProgress(int position, int maximum) = 0;
    virtual void setTalkToBootCaption(const std::string& caption) = 0;
    virtual void setSwitchToSaveCaption(const std::string& caption) = 0;
    // The connect procedure, as if "AutoConnect [F10]" had been chosen.
    virtual void autoConnect() = 0;
    // Called after the firmware file is fully checked and before the first
    // frame; false stops the upgrade with nothing sent.
    virtual bool beforeUpgradeStarts() { return true; }
};

} // namespace kdx
