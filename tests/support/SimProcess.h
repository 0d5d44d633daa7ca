#pragma once

// One running kdx-sim (the program ctest names in KDX_SIM) with its standard
// output on a pipe, for end-to-end tests through a real pseudo-terminal.

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kdx::test {

// The kdx-sim program, or empty when the tests run without it.
inline std::string simProgram()
{
    const char* p = std::getenv("KDX_SIM");
    return p && ::access(p, X_OK) == 0 ? p : "";
}

#define KDX_REQUIRE_SIM()                                                                   \
    if (::kdx::test::simProgram().empty())                                                  \
    GTEST_SKIP() << "kdx-sim not available (KDX_SIM not set)"

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        const std::string program = simProgram();
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        m_out = out[0];
    }
    ~SimProcess()
    {
        if (m_pid > 0 && !m_exited) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The terminal's path: the last word of the first line (read once).
    const std::string& ptyPath()
    {
        if (!m_pathRead) {
            m_pathRead = true;
            const std::string first = readLine(5000);
            const size_t space = first.rfind(' ');
            m_path = space == std::string::npos ? first : first.substr(space + 1);
        }
        return m_path;
    }
    pid_t pid() const { return m_pid; }

    // The next line of output, or empty after timeoutMs.
    std::string readLine(int timeoutMs = 3000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const size_t nl = m_buffer.find('\n');
            if (nl != std::string::npos) {
                std::string line = m_buffer.substr(0, nl);
                m_buffer.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0 || m_out < 0)
                return {};
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0)
                return {};
            char buf[4096];
            const ssize_t n = ::read(m_out, buf, sizeof buf);
            if (n <= 0)
                return {};
            m_buffer.append(buf, static_cast<size_t>(n));
        }
    }
    // Every line printed so far (waits up to timeoutMs for the first).
    std::vector<std::string> linesSoFar(int timeoutMs = 200)
    {
        std::vector<std::string> lines;
        for (std::string l = readLine(timeoutMs); !l.empty(); l = readLine(50))
            lines.push_back(l);
        return lines;
    }
    // The rest of the output as one text.
    std::string restOfOutput()
    {
        std::string all;
        for (const auto& l : linesSoFar(500))
            all += l + "\n";
        return all;
    }
    // Sends a signal and waits (bounded) for the exit: its status, or -1.
    int stop(int signal = SIGTERM)
    {
        if (m_pid <= 0 || m_exited)
            return -1;
        ::kill(m_pid, signal);
        for (int i = 0; i < 300; ++i) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_exited = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            ::usleep(10000);
        }
        return -1;
    }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    bool m_exited = false;
    bool m_pathRead = false;
    std::string m_path;
    std::string m_buffer;
};

} // namespace kdx::test
