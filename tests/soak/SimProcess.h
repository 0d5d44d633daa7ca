#pragma once

#include <QProcess>

#include <string>
#include <vector>

namespace kdx::drive {

// kdx-sim as a child process: started with its options, its terminal path
// taken from the first line it prints, stopped with SIGTERM; everything it
// printed is kept for its report.
class SimProcess {
public:
    SimProcess() = default;
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // False with a reason when it cannot be started or names no terminal in 5 s.
    bool start(const std::string& program, const std::vector<std::string>& args, std::string& error);
    const std::string& ptyPath() const { return m_ptyPath; }
    // SIGTERM, then waits for its exit; false when it did not end cleanly.
    bool stop();
    const std::string& output() const { return m_output; }
    int exitCode() const { return m_exitCode; }

private:
    void collect();

    QProcess m_process;
    std::string m_output;
    std::string m_ptyPath;
    int m_exitCode = -1;
};

} // namespace kdx::drive
