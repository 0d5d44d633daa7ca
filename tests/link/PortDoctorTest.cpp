// The port doctor on a fake system tree: /sys, /dev, /proc and /etc/group
// built in a temp folder, one problem per device.
#include "link/PortDoctor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace kdx {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kDialout = 20;
constexpr uint32_t kUser = 1000;

class PortDoctorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path()
            / ("kdx-doctor-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        write(root / "etc/group", "root:x:0:\ndialout:x:20:\nplugdev:x:46:tech\ntech:x:1000:\n");
        const fs::path usb = root / "sys/devices/pci0000:00/usb1";
        adapter(usb / "1-1", "ttyUSB0", "6001", "16");
        adapter(usb / "1-2", "ttyUSB1", "6015", "1");
        adapter(usb / "1-3", "ttyACM5", "6001", "");
        device("ttyUSB0", 0660, kDialout);
        device("ttyUSB1", 0666, kDialout);
        // ttyACM5 is listed by sysfs but has no node: gone while listing.
        fs::create_directories(root / "dev/serial/by-id");
        fs::create_symlink("../../ttyUSB0", root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0");
        process(4321, "minicom", "/dev/ttyUSB0");
        process(4400, "bash", "/dev/pts/1");
        process(55, "kdx", "/dev/ttyUSB1"); // this program
    }
    void TearDown() override { fs::remove_all(root); }

    static void write(const fs::path& file, const std::string& text)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text;
    }
    void adapter(const fs::path& usbDevice, const std::string& tty, const std::string& product,
                 const std::string& latency)
    {
        write(usbDevice / "idVendor", "0403\n");
        write(usbDevice / "idProduct", product + "\n");
        write(usbDevice / "manufacturer", "FTDI\n");
        write(usbDevice / "product", "FT232R USB UART\n");
        const fs::path port = usbDevice / (usbDevice.filename().string() + ":1.0") / tty;
        fs::create_directories(port);
        if (!latency.empty())
            write(port / "latency_timer", latency + "\n");
        fs::create_directories(root / "sys/bus/usb-serial/drivers/ftdi_sio");
        fs::create_directory_symlink(root / "sys/bus/usb-serial/drivers/ftdi_sio", port / "driver");
        fs::create_directories(root / "sys/class/tty" / tty);
        fs::create_directory_symlink(port, root / "sys/class/tty" / tty / "device");
    }
    void device(const std::string& tty, unsigned mode, uint32_t gid)
    {
        const fs::path node = root / "dev" / tty;
        write(node, "");
        ASSERT_EQ(::chown(node.c_str(), 0, gid), 0);
        ASSERT_EQ(::chmod(node.c_str(), mode), 0);
    }
    void process(int pid, const std::string& name, const std::string& fdTarget)
    {
        const fs::path dir = root / "proc" / std::to_string(pid);
        write(dir / "comm", name + "\n");
        fs::create_directories(dir / "fd");
        fs::create_symlink(fdTarget, dir / "fd" / "3");
    }
    static UserIdentity user(std::vector<uint32_t> groups)
    {
        UserIdentity u;
        u.uid = kUser;
        u.groups = std::move(groups);
        u.pid = 55;
        return u;
    }
    static bool has(const PortDiagnosis& d, const std::string& problem, const std::string& fix)
    {
        for (const auto& f : d.findings)
            if (f.problem.find(problem) != std::string::npos && f.fix.find(fix) != std::string::npos)
                return true;
        return false;
    }

    fs::path root;
};

TEST_F(PortDoctorTest, EachProblemGivesItsMessageAndFix)
{
    PortDoctor doctor(root.string(), user({kUser}));
    const struct {
        const char* path;
        const char* problem;
        const char* fix;
    } cases[] = {
        {"/dev/ttyUSB0", "permission denied (root:dialout 0660, you are not in group dialout)",
         "sudo usermod -aG dialout $USER"},
        {"/dev/ttyUSB0", "busy, held by minicom (pid 4321)", "kill 4321"},
        {"/dev/ttyUSB0", "latency timer 16 ms", "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB0/latency_timer"},
        {"/dev/ttyACM5", "/dev/ttyACM5: no such device", "plug the adapter in"},
    };
    for (const auto& c : cases) {
        const PortDiagnosis d = doctor.examinePort(c.path);
        EXPECT_TRUE(has(d, c.problem, c.fix)) << c.path << ": " << c.problem;
    }
    const PortDiagnosis fine = doctor.examinePort("/dev/ttyUSB1");
    EXPECT_TRUE(fine.findings.empty()) << fine.findings.front().problem;
    EXPECT_TRUE(fine.accessible);
    EXPECT_TRUE(fine.holders.empty()) << "this program's own hold is not a problem";
}

TEST_F(PortDoctorTest, InTheDevicesGroupThePermissionIsFine)
{
    PortDoctor doctor(root.string(), user({kUser, kDialout}));
    const PortDiagnosis d = doctor.examinePort("/dev/ttyUSB0");
    EXPECT_TRUE(d.accessible);
    EXPECT_FALSE(has(d, "permission", ""));
    EXPECT_TRUE(has(d, "busy", "kill 4321"));
}

TEST_F(PortDoctorTest, DescribesTheAdapter)
{
    PortDoctor doctor(root.string(), user({kUser}));
    const PortDiagnosis d = doctor.examinePort("/dev/ttyUSB0");
    ASSERT_TRUE(d.exists);
    EXPECT_EQ(d.byId, std::vector<std::string>{"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0"});
    EXPECT_EQ(d.usbId, "0403:6001");
    EXPECT_EQ(d.usbName, "FTDI FT232R USB UART");
    EXPECT_EQ(d.driver, "ftdi_sio");
    ASSERT_TRUE(d.latencyMs);
    EXPECT_EQ(*d.latencyMs, 16);
    EXPECT_EQ(d.group, "dialout");
    EXPECT_EQ(d.holders, std::vector<std::string>{"minicom (pid 4321)"});
    // Asked by its by-id name, the same device.
    const PortDiagnosis byId = doctor.examinePort(d.byId.front());
    EXPECT_EQ(byId.usbId, "0403:6001");
    EXPECT_EQ(byId.holders, d.holders);
}

TEST_F(PortDoctorTest, StatusLineExplanationPutsTheBlockingProblemFirst)
{
    PortDoctor doctor(root.string(), user({kUser}));
    EXPECT_EQ(doctor.explain("/dev/ttyUSB0"),
              "/dev/ttyUSB0: permission denied (root:dialout 0660, you are not in group dialout); fix: sudo usermod "
              "-aG dialout $USER, then log out and in again");
    EXPECT_EQ(doctor.explain("/dev/ttyACM5").rfind("/dev/ttyACM5: no such device; fix: ", 0), 0u);
    EXPECT_EQ(doctor.explain("/dev/ttyUSB1"), "");
}

TEST_F(PortDoctorTest, ReportListsEveryDeviceAndTheDaemonsInTheWay)
{
    PortDoctor quiet(root.string(), user({kUser}));
    DoctorReport r = quiet.examine({"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0"});
    ASSERT_EQ(r.ports.size(), 4u);
    EXPECT_EQ(r.ports[0].path, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0");
    EXPECT_EQ(r.ports[1].path, "/dev/ttyACM5");
    EXPECT_EQ(r.ports[2].path, "/dev/ttyUSB0");
    EXPECT_FALSE(r.modemManagerRunning);
    EXPECT_FALSE(r.brlttyRunning);
    EXPECT_EQ(r.userGroups, "tech");
    EXPECT_TRUE(r.findings.empty());

    process(77, "ModemManager", "/dev/null");
    process(88, "brltty", "/dev/null");
    r = quiet.examine();
    EXPECT_TRUE(r.modemManagerRunning);
    EXPECT_TRUE(r.brlttyRunning);
    ASSERT_EQ(r.findings.size(), 2u);
    EXPECT_NE(r.findings[0].fix.find("sudo systemctl stop ModemManager"), std::string::npos);
    EXPECT_NE(r.findings[1].fix.find("sudo apt remove brltty"), std::string::npos);
    // A USB port nothing visible holds may still be ModemManager's.
    EXPECT_EQ(quiet.explain("/dev/ttyUSB1"), "/dev/ttyUSB1: may be probed by ModemManager; fix: sudo systemctl stop "
                                             "ModemManager");

    const std::string text = PortDoctor::reportText(r);
    for (const char* part : {"/dev/ttyUSB0\n", "by-id:    /dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0",
                             "USB:      0403:6001  FTDI FT232R USB UART", "driver:   ftdi_sio", "latency:  16 ms",
                             "held by:  minicom (pid 4321)", "you may NOT open it", "ModemManager: running",
                             "brltty:       running", "your groups:  tech"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

TEST(PortDoctor, NoDeviceAtAllSaysSo)
{
    const fs::path root = fs::temp_directory_path() / ("kdx-doctor-empty-" + std::to_string(::getpid()));
    fs::create_directories(root);
    PortDoctor doctor(root.string(), UserIdentity{});
    const DoctorReport r = doctor.examine();
    EXPECT_TRUE(r.ports.empty());
    ASSERT_EQ(r.findings.size(), 1u);
    EXPECT_EQ(r.findings[0].problem, "no serial device found");
    fs::remove_all(root);
}

} // namespace
} // namespace kdx
