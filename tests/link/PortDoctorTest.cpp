// The port doctor on a fake system tree: /sys, /dev, /proc and /etc/group
// built in a temp folder, one problem per device.
#include "link/PortDoctor.h"

#include "i18n/LanguageChoice.h"
#include "i18n/LanguageFile.h"
#include "i18n/LanguageTexts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "link/posix/AccessList.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kDialout = 20;
constexpr uint32_t kUser = 1000;

// The words of a shipped language file as the window has them once it is
// loaded; none for code 0 (kdx-cli's English).
Words shippedWords(uint8_t code)
{
    if (code == 0)
        return {};
    auto texts = std::make_shared<LanguageTexts>();
    const auto info = languageInfo(code);
    std::ifstream in(std::string(KDX_SOURCE_DIR) + "/" + info->file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    for (const auto& e : decodeLanguageFile(bytes, info->codePage).content.entries)
        texts->set(e.key, e.text);
    return [texts](int key, const char* english) { return texts->word(key, english); };
}

class PortDoctorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path()
            / ("kdx-doctor-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        write(root / "etc/group", "root:x:0:\ndialout:x:20:\nplugdev:x:46:tech\ntech:x:1000:\n");
        write(root / "etc/passwd", "root:x:0:0::/root:/bin/sh\ntech:x:1000:1000::/home/tech:/bin/sh\n");
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
        lock(4321, "ttyUSB0");
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
    // An flock on the node as /proc/locks shows it, plus a waiter that does
    // not hold it.
    void lock(int pid, const std::string& tty)
    {
        struct stat st {};
        ASSERT_EQ(::stat((root / "dev" / tty).c_str(), &st), 0);
        char id[64];
        std::snprintf(id, sizeof id, "%02x:%02x:%llu", major(st.st_dev), minor(st.st_dev),
                      static_cast<unsigned long long>(st.st_ino));
        std::ofstream(root / "proc/locks", std::ios::app)
            << "1: FLOCK  ADVISORY  WRITE " << pid << " " << id << " 0 EOF\n"
            << "1: -> FLOCK  ADVISORY  WRITE 9999 " << id << " 0 EOF\n";
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
        {"/dev/ttyUSB0", "busy, locked by minicom (pid 4321)", "close minicom, or: kill 4321"},
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

TEST_F(PortDoctorTest, FindingsAndTheStatusLineAreInTheWindowsLanguageWithTheirValues)
{
    // A second, slow adapter: only its latency timer is found, which stops
    // nothing; and ModemManager runs.
    write(root / "sys/devices/pci0000:00/usb1/1-2/1-2:1.0/ttyUSB1/latency_timer", "16\n");
    process(77, "ModemManager", "/dev/null");
    const std::vector<uint32_t> outsider{kUser}, member{kUser, kDialout};
    const struct {
        uint8_t language; // 0: no words
        std::vector<uint32_t> groups;
        const char* path;
        const char* problem;
        const char* fix;
        const char* statusLine;
    } cases[] = {
        {0, outsider, "/dev/ttyUSB0", "/dev/ttyUSB0: permission denied (root:dialout 0660, you are not in group dialout)",
         "sudo usermod -aG dialout $USER, then log out and in again",
         "/dev/ttyUSB0: permission denied (root:dialout 0660, you are not in group dialout); fix: sudo usermod -aG "
         "dialout $USER, then log out and in again"},
        {kLanguagePolish, outsider, "/dev/ttyUSB0",
         "/dev/ttyUSB0: brak uprawnień (root:dialout 0660, nie należysz do grupy dialout)",
         "sudo usermod -aG dialout $USER, potem wyloguj się i zaloguj ponownie",
         "/dev/ttyUSB0: brak uprawnień (root:dialout 0660, nie należysz do grupy dialout); "
         "rozwiązanie: sudo usermod -aG dialout $USER, potem wyloguj się i zaloguj ponownie"},
        {kLanguagePolish, member, "/dev/ttyACM5", "/dev/ttyACM5: nie ma takiego urządzenia",
         "podłącz adapter (jeśli jest podłączony, `sudo dmesg | tail` pokaże, czy jądro go zauważyło)",
         nullptr},
        {kLanguageGerman, member, "/dev/ttyUSB0", "/dev/ttyUSB0: belegt, gesperrt von minicom (pid 4321)",
         "minicom beenden oder: kill 4321",
         "/dev/ttyUSB0: belegt, gesperrt von minicom (pid 4321); Abhilfe: minicom beenden oder: kill 4321"},
        {kLanguageGerman, member, "/dev/ttyUSB1", "/dev/ttyUSB1: Latenz-Timer 16 ms verzögert jede Antwort",
         "echo 1 | sudo tee /sys/bus/usb-serial/devices/ttyUSB1/latency_timer (die udev-Regel des kdx-Pakets tut "
         "das beim Einstecken)",
         "/dev/ttyUSB1: wird womöglich von ModemManager abgefragt; Abhilfe: sudo systemctl stop ModemManager"},
        {kLanguageRussian, outsider, "/dev/ttyUSB0",
         "/dev/ttyUSB0: доступ запрещён (root:dialout 0660, вы не в группе dialout)",
         "sudo usermod -aG dialout $USER, затем выйдите из системы и войдите снова",
         nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.language) + " " + c.path);
        PortDoctor doctor(root.string(), user(c.groups));
        doctor.setWords(shippedWords(c.language));
        const PortDiagnosis d = doctor.examinePort(c.path);
        const bool found = std::any_of(d.findings.begin(), d.findings.end(),
                                       [&](const PortFinding& f) { return f.problem == c.problem && f.fix == c.fix; });
        EXPECT_TRUE(found) << c.problem << "\n" << (d.findings.empty() ? "" : d.findings.front().problem);
        if (c.statusLine) {
            EXPECT_EQ(doctor.explain(c.path), c.statusLine);
        }
    }
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
    EXPECT_EQ(d.holders, (std::vector<PortHolder>{{4321, "minicom", true}}));
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
                             "locked by: minicom (pid 4321)", "you may NOT open it", "ModemManager: running",
                             "brltty:       running", "your groups:  tech"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

TEST_F(PortDoctorTest, KillIsAdvisedOnlyForTheLockHolderOrAnExclusiveOpener)
{
    // Two programs have the port open; only the one holding the lock is in
    // the way, whichever comes first in /proc.
    process(300, "cat", "/dev/ttyUSB0");
    process(400, "bash", "/dev/null");
    PortDoctor doctor(root.string(), user({kUser, kDialout}));
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K-if00-port0";
    for (const std::string& path : {std::string("/dev/ttyUSB0"), byId}) {
        const PortDiagnosis d = doctor.examinePort(path);
        ASSERT_EQ(d.holders.size(), 2u) << path;
        EXPECT_EQ(d.holders[0], (PortHolder{300, "cat", false}));
        EXPECT_EQ(d.holders[1], (PortHolder{4321, "minicom", true}));
        EXPECT_EQ(doctor.explain(path), path + ": busy, locked by minicom (pid 4321); fix: close minicom, or: kill 4321");
        for (const auto& f : d.findings)
            EXPECT_EQ(f.fix.find("kill 300"), std::string::npos) << f.fix;
    }
    // Without a lock nobody is "busy"; an exclusive refusal names the openers.
    fs::remove(root / "proc/locks");
    PortDiagnosis d = doctor.examinePort("/dev/ttyUSB0");
    EXPECT_FALSE(has(d, "busy", ""));
    EXPECT_TRUE(has(d, "also open in cat (pid 300)", "close cat"));
    EXPECT_EQ(doctor.explain("/dev/ttyUSB0"), "");
    d = doctor.examinePort(byId, true);
    EXPECT_TRUE(has(d, "busy, open exclusively by cat (pid 300)", "kill 300"));
    EXPECT_TRUE(has(d, "busy, open exclusively by minicom (pid 4321)", "kill 4321"));
    // A lock file names its holder too.
    write(root / "var/lock/LCK..ttyUSB0", "      4321\n");
    EXPECT_TRUE(has(doctor.examinePort(byId), "busy, locked by minicom (pid 4321)", "kill 4321"));

    // Something that is no terminal at all is not busy however many have it.
    device("null", 0666, 0);
    d = doctor.examinePort("/dev/null");
    EXPECT_EQ(d.holders.size(), 1u);
    EXPECT_FALSE(d.terminal);
    EXPECT_TRUE(d.findings.empty()) << d.findings.front().problem;
}

TEST_F(PortDoctorTest, BrlttysClaimOnTheCh340IsNamedWithItsPreciseFix)
{
    const fs::path usb = root / "sys/devices/pci0000:00/usb1/1-4";
    write(usb / "idVendor", "1a86\n");
    write(usb / "idProduct", "7523\n");
    fs::create_directories(root / "sys/bus/usb/devices");
    fs::create_directory_symlink(usb, root / "sys/bus/usb/devices/1-4");
    PortDoctor doctor(root.string(), user({kUser}));
    DoctorReport r = doctor.examine();
    EXPECT_TRUE(r.findings.empty()) << "no brltty rule, nothing to say";

    write(root / "usr/lib/udev/rules.d/85-brltty.rules",
          "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\", GOTO=\"brltty_usb_run\"\n");
    r = doctor.examine();
    ASSERT_EQ(r.findings.size(), 1u);
    EXPECT_NE(r.findings[0].problem.find("CH340 adapters (1a86:7523)"), std::string::npos);
    EXPECT_EQ(r.findings[0].fix, "sed '/1a86\\/7523/d' /usr/lib/udev/rules.d/85-brltty.rules | sudo tee "
                                 "/etc/udev/rules.d/85-brltty.rules >/dev/null && sudo udevadm control "
                                 "--reload-rules, then plug the adapter in again");

    // Replaced by a rule of the same name in /etc: the one that counts.
    write(root / "etc/udev/rules.d/85-brltty.rules", "# braille displays only\n");
    EXPECT_TRUE(doctor.examine().findings.empty());
    write(root / "etc/udev/rules.d/85-brltty.rules", "ENV{PRODUCT}==\"1a86/7523/*\", GOTO=\"brltty_usb_run\"\n");
    r = doctor.examine();
    ASSERT_EQ(r.findings.size(), 1u);
    EXPECT_EQ(r.findings[0].fix.rfind("sudo sed -i '/1a86\\/7523/d' /etc/udev/rules.d/85-brltty.rules && ", 0), 0u);
}

// Who may open a device, and the fix that really grants access, over the
// facts: owner, group, mode, access list, udev's uaccess tag, the user's
// groups and seat.
TEST(DeviceAccessAdvice, FixFollowsTheFacts)
{
    constexpr uint32_t me = 1000, other = 1001, dialout = 20, tty = 5;
    struct Case {
        const char* what;
        uint32_t uid, gid;
        unsigned mode;
        std::vector<uint32_t> myGroups;
        bool seated;
        std::vector<uint32_t> acl;
        bool uaccess, pseudo, usb;
        bool accessible;
        const char* problem; // after "PATH: permission denied (OWNER:GROUP MODE"
        const char* fix;
    } cases[] = {
        {"group member", 0, dialout, 0660, {me, dialout}, false, {}, false, false, true, true, "", ""},
        {"not in dialout", 0, dialout, 0660, {me}, false, {}, false, false, true, false,
         ", you are not in group dialout)", "sudo usermod -aG dialout $USER, then log out and in again"},
        {"group may only read", 0, dialout, 0640, {me}, false, {}, false, false, false, false,
         ", only root may open it)", "for now: sudo setfacl -m u:$USER:rw /dev/x; for good, a udev rule"},
        {"root's own 0600", 0, 0, 0600, {me}, false, {}, false, false, false, false, ", only root may open it)",
         "for now: sudo setfacl -m u:$USER:rw /dev/x"},
        {"root's group with rw", 0, 0, 0660, {me}, false, {}, false, false, false, false,
         ", only root may open it)", "for now: sudo setfacl"},
        {"owner", me, dialout, 0600, {me}, false, {}, false, false, false, true, "", ""},
        {"everyone", 0, 0, 0666, {me}, false, {}, false, false, false, true, "", ""},
        {"access list", 0, 0, 0600, {me}, true, {other, me}, true, false, true, true, "", ""},
        {"another's pty", other, tty, 0620, {me, tty}, true, {}, false, true, false, false,
         ", a terminal of user 1001)", "run the tool as 1001"},
        {"seated, list not given", 0, 0, 0600, {me}, true, {other}, true, false, true, false,
         ", its access list was not given to you)", "unplug the adapter and plug it in again"},
        {"remote login", 0, 0, 0600, {me}, false, {}, true, false, true, false,
         ", handed to the user at the machine's own screen only)", "log in at the machine's own screen"},
        {"adapter without the rule", 0, 0, 0600, {me}, true, {}, false, false, true, false,
         ", no rule gives the adapter to you)", "install the kdx package"},
    };
    for (const Case& c : cases) {
        DeviceAccess d;
        d.path = "/dev/x";
        d.uid = c.uid;
        d.gid = c.gid;
        d.mode = c.mode;
        d.ownerName = c.uid == 0 ? "root" : std::to_string(c.uid);
        d.groupName = c.gid == 0 ? "root" : c.gid == dialout ? "dialout" : "tty";
        d.aclUsers = c.acl;
        d.uaccessTagged = c.uaccess;
        d.pseudoTerminal = c.pseudo;
        d.usbAdapter = c.usb;
        UserIdentity u;
        u.uid = me;
        u.groups = c.myGroups;
        u.seated = c.seated;
        const AccessVerdict v = judgeAccess(d, u);
        EXPECT_EQ(v.accessible, c.accessible) << c.what;
        if (c.accessible) {
            EXPECT_FALSE(v.finding) << c.what;
            continue;
        }
        ASSERT_TRUE(v.finding) << c.what;
        EXPECT_EQ(v.finding->problem, "/dev/x: permission denied (" + d.ownerName + ":" + d.groupName + " "
                                          + modeText(c.mode) + c.problem)
            << c.what;
        EXPECT_EQ(v.finding->fix.rfind(c.fix, 0), 0u) << c.what << ": " << v.finding->fix;
        EXPECT_EQ(v.finding->fix.find("-aG root"), std::string::npos) << c.what;
    }
    UserIdentity superuser;
    EXPECT_TRUE(judgeAccess(DeviceAccess{}, superuser).accessible);
}

TEST(DeviceAccessList, UsersWithReadAndWriteUnderTheMask)
{
    // version 2; user::rw-, user:1000:rw-, user:1001:r--, user:1002:rw-, group::---, mask::rw-, other::---
    auto entry = [](uint16_t tag, uint16_t perm, uint32_t id) {
        std::string e;
        for (int i = 0; i < 2; ++i) e += static_cast<char>((tag >> (8 * i)) & 0xFF);
        for (int i = 0; i < 2; ++i) e += static_cast<char>((perm >> (8 * i)) & 0xFF);
        for (int i = 0; i < 4; ++i) e += static_cast<char>((id >> (8 * i)) & 0xFF);
        return e;
    };
    const std::string head("\x02\0\0\0", 4);
    std::string acl = head + entry(0x01, 6, 0xFFFFFFFF) + entry(0x02, 6, 1000) + entry(0x02, 4, 1001)
        + entry(0x02, 6, 1002) + entry(0x04, 0, 0xFFFFFFFF);
    EXPECT_EQ(accessListUsersFromAttribute(acl + entry(0x10, 6, 0xFFFFFFFF) + entry(0x20, 0, 0xFFFFFFFF)),
              (std::vector<uint32_t>{1000, 1002}));
    // A mask without write takes it from every named user.
    EXPECT_TRUE(accessListUsersFromAttribute(acl + entry(0x10, 4, 0xFFFFFFFF)).empty());
    EXPECT_TRUE(accessListUsersFromAttribute(std::string("\x01\0\0\0", 4) + entry(0x02, 6, 1000)).empty());
    EXPECT_TRUE(accessListUsersFromAttribute("").empty());
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

// The report's headings follow the language and its values stay in one
// column, counted in characters (Cyrillic takes two bytes each); without
// words it is the English it always was.
TEST(PortDoctorReport, HeadingsInTheLanguageValuesInOneColumn)
{
    PortDiagnosis busy;
    busy.path = "/dev/ttyUSB0";
    busy.exists = true;
    busy.byId = {"/dev/serial/by-id/usb-FTDI-if00"};
    busy.usbId = "0403:6001";
    busy.usbName = "FTDI FT232R";
    busy.driver = "ftdi_sio";
    busy.latencyMs = 16;
    busy.owner = "root:dialout 0660";
    busy.holders = {{4321, "minicom", true}, {4400, "cat", false}};
    busy.findings = {{"P1", "F1"}};
    PortDiagnosis fine;
    fine.path = "/dev/ttyUSB1";
    fine.exists = true;
    fine.owner = "root:dialout 0666";
    fine.accessible = true;
    DoctorReport r;
    r.ports = {busy, fine};
    r.modemManagerRunning = true;
    r.userGroups = "tech dialout";
    r.findings = {{"P2", "F2"}};

    EXPECT_EQ(PortDoctor::reportText(r), "/dev/ttyUSB0\n"
                                         "    by-id:    /dev/serial/by-id/usb-FTDI-if00\n"
                                         "    USB:      0403:6001  FTDI FT232R\n"
                                         "    driver:   ftdi_sio\n"
                                         "    latency:  16 ms\n"
                                         "    access:   root:dialout 0660, you may NOT open it\n"
                                         "    locked by: minicom (pid 4321)\n"
                                         "    open in:  cat (pid 4400)\n"
                                         "    PROBLEM:  P1\n"
                                         "    fix:      F1\n"
                                         "\n"
                                         "/dev/ttyUSB1\n"
                                         "    access:   root:dialout 0666, you may open it\n"
                                         "    ok\n"
                                         "\n"
                                         "ModemManager: running\n"
                                         "brltty:       not running\n"
                                         "your groups:  tech dialout\n"
                                         "PROBLEM: P2\n"
                                         "fix:     F2\n");

    EXPECT_EQ(PortDoctor::reportText(r, shippedWords(kLanguageRussian)),
              "/dev/ttyUSB0\n"
              "    by-id:     /dev/serial/by-id/usb-FTDI-if00\n"
              "    USB:       0403:6001  FTDI FT232R\n"
              "    драйвер:   ftdi_sio\n"
              "    задержка:  16 мс\n"
              "    доступ:    root:dialout 0660, вы НЕ можете его открыть\n"
              "    заблокирован: minicom (pid 4321)\n"
              "    открыт в:  cat (pid 4400)\n"
              "    ПРОБЛЕМА:  P1\n"
              "    решение:   F1\n"
              "\n"
              "/dev/ttyUSB1\n"
              "    доступ:    root:dialout 0666, вы можете его открыть\n"
              "    в порядке\n"
              "\n"
              "ModemManager: запущен\n"
              "brltty:       не запущен\n"
              "ваши группы:  tech dialout\n"
              "ПРОБЛЕМА: P2\n"
              "решение:  F2\n");
}

} // namespace
} // namespace kdx
