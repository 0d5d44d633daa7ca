#include "app/FirmwarePage.h"

#include "app/pages/FirmwareControls.h"

#include "firmware/FirmwareUpgrade.h"

#include <QPushButton>
#include <QProgressBar>
#include <QTextCursor>
#include <QTextEdit>

#include <filesystem>
#include <system_error>

namespace kdx {

namespace {

bool isDirectory(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

std::string chooseFirmwareFolder(const std::string& startDirectory, const std::vector<std::string>& fallbacks)
{
    const std::string own = startDirectory + "/Firmware";
    if (isDirectory(own))
        return own;
    for (const auto& dir : fallbacks)
        if (isDirectory(dir + "/Firmware"))
            return dir + "/Firmware";
    return own;
}

FirmwarePage::FirmwarePage(const FirmwareControls& controls, DeviceSession& session, UserPrompts& prompts,
                           Procedures procedures, std::string firmwareFolder)
    : m_session(session), m_prompts(prompts), m_procedures(std::move(procedures)), m_folder(std::move(firmwareFolder)),
      m_log(controls.log), m_progress(controls.progress), m_talkToBoot(controls.talkToBoot),
      m_switchToSave(controls.switchToSave)
{
}

void FirmwarePage::upgrade()
{
    // Through the session: one cut off in the bootloader goes on by itself
    // when the adapter comes back.
    m_session.upgradeFirmware(*this, m_folder);
}

void FirmwarePage::upgradeEnded()
{
    if (m_procedures.afterUpgrade)
        m_procedures.afterUpgrade();
}

bool FirmwarePage::beforeUpgradeStarts()
{
    return !m_procedures.beforeUpgradeStarts || m_procedures.beforeUpgradeStarts();
}

void FirmwarePage::clearLog() { m_log->clear(); }

void FirmwarePage::insertLogLine(const std::string& line)
{
    QTextCursor cursor(m_log->document());
    cursor.movePosition(QTextCursor::Start);
    cursor.insertText(QString::fromStdString(line) + (m_log->document()->isEmpty() ? QString() : QStringLiteral("\n")));
}

void FirmwarePage::setBootProgress(int position, int maximum)
{
    m_progress->setMaximum(maximum);
    m_progress->setValue(position);
}

void FirmwarePage::setTalkToBootCaption(const std::string& caption)
{
    m_talkToBoot->setText(QString::fromStdString(caption));
}

void FirmwarePage::setSwitchToSaveCaption(const std::string& caption)
{
    m_switchToSave->setText(QString::fromStdString(caption));
}

void FirmwarePage::autoConnect()
{
    if (m_procedures.autoConnect)
        m_procedures.autoConnect();
}

std::vector<std::string> FirmwarePage::candidatePorts()
{
    return m_procedures.candidatePorts ? m_procedures.candidatePorts() : std::vector<std::string>{};
}

} // namespace kdx
