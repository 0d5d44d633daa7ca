#include "SimProcess.h"

#include <QStringList>

namespace kdx::drive {

SimProcess::~SimProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
}

void SimProcess::collect() { m_output += m_process.readAllStandardOutput().toStdString(); }

bool SimProcess::start(const std::string& program, const std::vector<std::string>& args, std::string& error)
{
    QStringList list;
    for (const auto& a : args)
        list << QString::fromStdString(a);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QString::fromStdString(program), list);
    if (!m_process.waitForStarted(5000)) {
        error = "cannot start " + program + ": " + m_process.errorString().toStdString();
        return false;
    }
    const std::string marker = " serving on ";
    for (int waited = 0; waited < 50; ++waited) {
        m_process.waitForReadyRead(100);
        collect();
        const size_t at = m_output.find(marker);
        const size_t nl = at == std::string::npos ? at : m_output.find('\n', at);
        if (nl != std::string::npos) {
            m_ptyPath = m_output.substr(at + marker.size(), nl - at - marker.size());
            return true;
        }
        if (m_process.state() == QProcess::NotRunning)
            break;
    }
    error = "kdx-sim named no terminal; it printed: " + m_output;
    return false;
}

bool SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning) {
        collect();
        return false;
    }
    m_process.terminate();
    const bool ended = m_process.waitForFinished(5000);
    collect();
    if (!ended)
        return false;
    m_exitCode = m_process.exitCode();
    return m_process.exitStatus() == QProcess::NormalExit && m_exitCode == 0;
}

} // namespace kdx::drive
