#pragma once

// The whole program in real time against kdx-sim on a pseudo-terminal: the
// real POSIX serial line, the window's own clock and the window offscreen.

#include "AppTestSupport.h"
#include "app/AppController.h"
#include "app/GuiClock.h"
#include "link/PosixSerialLine.h"
#include "live/Tone.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kdx::test {

// The kdx-sim program ctest names in KDX_SIM, or empty.
inline std::string simProgram()
{
    const char* p = std::getenv("KDX_SIM");
    return p && ::access(p, X_OK) == 0 ? p : "";
}

#define KDX_REQUIRE_SIM()                                                                   \
    if (::kdx::test::simProgram().empty())                                                  \
    GTEST_SKIP() << "kdx-sim not available (KDX_SIM not set)"

// One running kdx-sim, its standard output on a pipe; killed at the end.
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
        // The first line names the terminal: "... serving on /dev/pts/N".
        const std::string first = readLine(5000);
        const size_t space = first.rfind(' ');
        if (space != std::string::npos)
            m_path = first.substr(space + 1);
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

    const std::string& ptyPath() const { return m_path; }
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
    // SIGTERM and a bounded wait; the exit status, or -1.
    int stop()
    {
        if (m_pid <= 0 || m_exited)
            return -1;
        ::kill(m_pid, SIGTERM);
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
    std::string m_path;
    std::string m_buffer;
};

class CountingTone : public Tone {
public:
    void play(uint32_t hz, uint32_t ms) override { played.emplace_back(hz, ms); }
    std::vector<std::pair<uint32_t, uint32_t>> played;
};

// Runs in a fresh directory (the firmware dialog moves the current one).
struct PtyScratch {
    PtyScratch()
    {
        char dir[] = "/tmp/kdx-e2eXXXXXX";
        path = ::mkdtemp(dir) ? dir : "";
        if (!::getcwd(previous, sizeof previous))
            previous[0] = '\0';
        if (path.empty() || ::chdir(path.c_str()) != 0)
            ADD_FAILURE() << "no scratch directory";
    }
    ~PtyScratch()
    {
        if (previous[0])
            (void)::chdir(previous);
        if (!path.empty())
            (void)std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string path;
    char previous[4096];
};

// The program as main() builds it, with the port given on the command line
// being the simulator's terminal and no system ports.
struct PtyAppRig {
    explicit PtyAppRig(const std::string& port)
        : clock(busy), context(line, clock, prompts, discovery, options(port), &busy),
          controller(context, tone, {KDX_SOURCE_DIR})
    {
        appForTests();
        window = std::make_unique<MainWindow>(context, controller.hooks());
    }
    static AppOptions options(const std::string& port)
    {
        AppOptions o;
        o.ports = {port};
        return o;
    }
    template <typename T>
    T* control(const char* name) { return window->control<T>(name); }

    PtyScratch scratch;
    BusyState busy;
    GuiClock clock;
    PosixSerialLine line;
    RecordingPrompts prompts;
    NoPorts discovery;
    CountingTone tone;
    AppContext context;
    AppController controller;
    std::unique_ptr<MainWindow> window;
};

} // namespace kdx::test
