// Finding and lowering a USB adapter's latency timer, in a sysfs tree built
// by the test.
#include "link/posix/AdapterLatency.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace kdx {
namespace {

namespace fs = std::filesystem;

// Counts the low-latency requests and answers them as told.
class FlagTty : public TtyAccess {
public:
    int setLowLatency(int) override
    {
        ++requests;
        if (lowers && !timerFile.empty())
            std::ofstream(timerFile) << "1\n";
        return lowers ? 0 : -1;
    }
    int requests = 0;
    bool lowers = false;
    std::string timerFile;
};

class SysfsTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/kdx-sysfsXXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        root = dir;
        fs::create_directories(root / "dev/serial/by-id");
    }
    void TearDown() override { fs::remove_all(root); }

    // A tty named name whose device sits at hardware (below root/devices);
    // with a latency_timer holding timer unless timer is empty.
    std::string addTty(const std::string& name, const std::string& hardware, const std::string& timer)
    {
        const fs::path device = root / "devices" / hardware;
        fs::create_directories(device);
        if (!timer.empty())
            std::ofstream(device / "latency_timer") << timer << "\n";
        fs::create_directories(root / "class/tty" / name);
        fs::create_directory_symlink(device, root / "class/tty" / name / "device");
        const fs::path node = root / "dev" / name;
        std::ofstream(node).put('\0');
        return node.string();
    }
    std::string timerOf(const std::string& hardware)
    {
        std::ifstream in(root / "devices" / hardware / "latency_timer");
        std::string v;
        in >> v;
        return v;
    }
    AdapterLatency settle(const std::string& node, TtyAccess& tty)
    {
        return settleAdapterLatency(node, -1, tty, root.string());
    }

    fs::path root;
};

TEST_F(SysfsTree, EachKindOfDeviceGetsItsLatency)
{
    const std::string usb = "pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0";
    const std::string ftdi = addTty("ttyUSB0", usb, "16");
    const std::string other = addTty("ttyUSB1", "pci0000:00/usb1/1-2/1-2:1.0/ttyUSB1", "");
    const std::string uart = addTty("ttyS0", "platform/serial8250/tty/ttyS0", "");
    const fs::path byId = root / "dev/serial/by-id/usb-Adapter_A1-if00-port0";
    fs::create_symlink(ftdi, byId);

    FlagTty tty;
    AdapterLatency l = settle(byId.string(), tty);
    EXPECT_EQ(l.kind, AdapterLatency::Kind::UsbTimer) << "the link is followed to ttyUSB0";
    EXPECT_EQ(l.foundMs, 16u);
    EXPECT_EQ(l.ms, 1u);
    EXPECT_TRUE(l.lowered);
    EXPECT_EQ(timerOf(usb), "1");
    EXPECT_EQ(tty.requests, 1) << "the flag first; the attribute when the flag did not do it";

    l = settle(ftdi, tty);
    EXPECT_EQ(l.ms, 1u);
    EXPECT_FALSE(l.lowered) << "already low";
    EXPECT_EQ(tty.requests, 1);

    l = settle(other, tty);
    EXPECT_EQ(l.kind, AdapterLatency::Kind::UsbUnknown);
    EXPECT_EQ(l.ms, kAssumedAdapterLatencyMs);

    l = settle(uart, tty);
    EXPECT_EQ(l.kind, AdapterLatency::Kind::NativeUart);
    EXPECT_EQ(l.ms, 0u);

    std::ofstream(root / "dev/pts-like").put('\0');
    l = settle((root / "dev/pts-like").string(), tty);
    EXPECT_EQ(l.kind, AdapterLatency::Kind::Unknown) << "not in sysfs";
    EXPECT_EQ(l.ms, kAssumedAdapterLatencyMs);
    l = settle((root / "dev/none").string(), tty);
    EXPECT_EQ(l.kind, AdapterLatency::Kind::Unknown);
}

TEST_F(SysfsTree, LowLatencyFlagIsEnoughWhenTheDriverHonoursIt)
{
    const std::string usb = "pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0";
    const std::string node = addTty("ttyUSB0", usb, "16");
    FlagTty tty;
    tty.lowers = true;
    tty.timerFile = (root / "devices" / usb / "latency_timer").string();
    fs::permissions(tty.timerFile, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const AdapterLatency l = settle(node, tty);
    EXPECT_EQ(l.ms, 1u);
    EXPECT_TRUE(l.lowered);
}

TEST_F(SysfsTree, TimerThatMayNotBeChangedIsAllowedForAsItIs)
{
    const std::string usb = "pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0";
    const std::string node = addTty("ttyUSB0", usb, "16");
    fs::permissions(root, fs::perms::all, fs::perm_options::add); // an ordinary user walks the tree
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_directory())
            fs::permissions(e.path(), fs::perms::all, fs::perm_options::add);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        FlagTty tty; // the driver refuses the flag
        const AdapterLatency l = settleAdapterLatency(node, -1, tty, root.string());
        ::_exit(l.kind == AdapterLatency::Kind::UsbTimer && l.ms == 16 && !l.lowered ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(timerOf(usb), "16");
}

} // namespace
} // namespace kdx
