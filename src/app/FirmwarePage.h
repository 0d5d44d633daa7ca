#pragma once

#include "firmware/UpgradeHost.h"
#include "session/DeviceSession.h"
#include "prompts/UserPrompts.h"

#include <functional>
#include <string>
#include <vector>

class QAbstractButton;
class QProgressBar;
class QTextEdit;

namespace kdx {

struct FirmwareControls;

// The folder the firmware dialog opens in: <start>/Firmware when it exists,
// else the first "Firmware" folder below the fallback folders (beside the
// program, the installed data folder) that exists, else <start>/Firmware.
std::string chooseFirmwareFolder(const std::string& startDirectory, const std::vector<std::string>& fallbacks);

// The "firmware upgreade" page: runs the upgrade procedure and shows its log,
// progress and bootloader replies in the page's controls.
class FirmwarePage : public UpgradeHost {
public:
    struct Procedures {
        std::function<void()> autoConnect;
        // Ports a search would try, in its order.
        std::function<std::vector<std::string>()> candidatePorts;
        // Once the file is checked, before the first frame; false stops it.
        std::function<bool()> beforeUpgradeStarts;
        // After every attempt, whatever its outcome.
        std::function<void()> afterUpgrade;
    };

    FirmwarePage(const FirmwareControls& controls, DeviceSession& session, UserPrompts& prompts, Procedures procedures,
                 std::string firmwareFolder);

    // The "upgrade" button.
    void upgrade();
    const std::string& firmwareFolder() const { return m_folder; }

    // --- UpgradeHost ----------------------------------------------------------
    void clearLog() override;
    void insertLogLine(const std::string& line) override;
    void setBootProgress(int position, int maximum) override;
    void setTalkToBootCaption(const std::string& caption) override;
    void setSwitchToSaveCaption(const std::string& caption) override;
    void autoConnect() override;
    std::vector<std::string> candidatePorts() override;
    bool beforeUpgradeStarts() override;
    void upgradeEnded() override;

private:
    DeviceSession& m_session;
    UserPrompts& m_prompts;
    Procedures m_procedures;
    std::string m_folder;
    QTextEdit* m_log;
    QProgressBar* m_progress;
    QAbstractButton* m_talkToBoot;
    QAbstractButton* m_switchToSave;
};

} // namespace kdx
