// A controller left in its bootloader by a tool that died mid-upgrade, and a
// new start of the tool that upgrades it again: through the real serial
// line against kdx-sim on a pseudo-terminal.
#include "PtyRig.h"

#include "firmware/FirmwareUpgrade.h"
#include "link/posix/PosixSerialLine.h"

#include <QProgressBar>
#include <QTextEdit>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kdx;
using namespace kdx::test;

namespace {

const std::string kSample = std::string(KDX_SOURCE_DIR) + "/Firmware/demo.hex";

// Runs the upgrade of the sample file in a child process that is killed
// (SIGKILL) once block `killAfter` has been accepted: the controller is left
// in its bootloader, switched to writing, part of the flash written.
bool upgradeKilledMidway(const std::string& port, int killAfter)
{
    int pipeFd[2];
    if (::pipe(pipeFd) != 0)
        return false;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFd[0]);
        // Only the window-free procedure runs here: the tool as it would be
        // driven, reporting each log line to the parent.
        struct PipeHost : UpgradeHost {
            int fd;
            explicit PipeHost(int f) : fd(f) {}
            void clearLog() override {}
            void insertLogLine(const std::string& line) override
            {
                const std::string l = line + "\n";
                (void)!::write(fd, l.data(), l.size());
            }
            void setBootProgress(int, int) override {}
            void setTalkToBootCaption(const std::string&) override {}
            void setSwitchToSaveCaption(const std::string&) override {}
            void autoConnect() override {}
        } host(pipeFd[1]);
        struct FilePrompts : UserPrompts {
            void message(const std::string&) override {}
            bool okCancel(const std::string&, const std::string&) override { return true; }
            std::optional<std::string> openFirmwareFile(const std::string&) override { return kSample; }
        } prompts;
        PosixSerialLine line;
        SystemClock clock;
        ConnectionState state;
        DeviceLink link(line, clock, state);
        link.selectPort(port);
        if (!link.openPort())
            ::_exit(2);
        FirmwareUpgrade(link, prompts, host, "").run();
        ::_exit(0);
    }
    ::close(pipeFd[1]);
    const std::string mark = std::to_string(killAfter) + " jest: ";
    std::string seen;
    bool killed = false;
    for (int waited = 0; waited < 30000 && !killed;) {
        pollfd p{pipeFd[0], POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) {
            waited += 100;
            continue;
        }
        char buf[512];
        const ssize_t n = ::read(pipeFd[0], buf, sizeof buf);
        if (n <= 0)
            break;
        seen.append(buf, static_cast<size_t>(n));
        if (seen.find(mark) != std::string::npos) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
    }
    if (!killed)
        ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::close(pipeFd[0]);
    return killed;
}

void expectUpgradedAgain(PtyAppRig& rig)
{
    rig.prompts.fileAnswers.push_back(kSample);
    rig.window->ButtonFirmwareClick();
    const QString log = rig.control<QTextEdit>("RichEdit1")->toPlainText();
    EXPECT_TRUE(log.startsWith("Upgrade done: the controller runs software 1.98.")) << log.left(300).toStdString();
    EXPECT_TRUE(rig.context.state.connected);
    EXPECT_EQ(rig.context.state.softwareRevision, 98);
    auto* bar = rig.control<QProgressBar>("ProgressBarBoot");
    EXPECT_EQ(bar->value(), bar->maximum());
}

} // namespace

TEST(FirmwareRecovery, RestartedToolUpgradesAControllerLeftInItsBootloader)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({});
    const std::string port = sim.ptyPath();
    ASSERT_FALSE(port.empty());

    // 1. Killed mid-upgrade; the new start presses "upgrade" straight away:
    //    no port is open, the upgrade finds the controller's port itself.
    ASSERT_TRUE(upgradeKilledMidway(port, 5));
    {
        PtyAppRig rig(port);
        EXPECT_FALSE(rig.context.state.portOpen);
        expectUpgradedAgain(rig);
    }

    // 2. Killed again; this time the technician first tries CONNECT, which
    //    finds nothing (the bootloader does not identify) and closes the port.
    ASSERT_TRUE(upgradeKilledMidway(port, 7));
    {
        PtyAppRig rig(port);
        rig.window->AutoConnect1Click();
        EXPECT_FALSE(rig.context.state.connected);
        EXPECT_FALSE(rig.context.state.portOpen);
        expectUpgradedAgain(rig);
    }
}

TEST(FirmwareRecovery, LateBootloaderRepliesNeverEndInSuccess)
{
    KDX_REQUIRE_SIM();
    // Replies 70 ms after each frame (after the tool's read gave up), and the
    // last of the 40 blocks is always rejected.
    SimProcess sim({"--fault", "bootslow=70", "--fault", "reject=39:1000:2"});
    PtyAppRig rig(sim.ptyPath());
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    rig.prompts.fileAnswers.push_back(kSample);
    rig.window->ButtonFirmwareClick();
    const QString log = rig.control<QTextEdit>("RichEdit1")->toPlainText();
    EXPECT_FALSE(log.contains("Upgrade done")) << log.left(300).toStdString();
    EXPECT_TRUE(log.startsWith("Upgrade failed: ")) << log.left(300).toStdString();
    EXPECT_FALSE(rig.context.state.connected);
    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_NE(rig.prompts.messages[0].find("waits in its bootloader"), std::string::npos);
}
