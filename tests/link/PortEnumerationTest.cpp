// The port table, the Linux numbering and the three enumerations, with fake
// system data and a fake sysfs tree.
#include "link/posix/LinuxPortDiscovery.h"
#include "link/NaturalOrder.h"
#include "link/PortEnumerator.h"
#include "link/PortTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>

namespace kdx {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

class FakeDiscovery : public PortDiscovery {
public:
    std::vector<UsbSerialDevice> usb;
    Paths system;
    Paths names;
    std::map<std::string, std::string> aliases; // path -> canonical path

    std::vector<UsbSerialDevice> usbSerialDevices() override { return usb; }
    Paths systemSerialPorts() override { return system; }
    Paths deviceNames() override { return names; }
    std::string canonicalPath(const std::string& path) override
    {
        const auto it = aliases.find(path);
        return it == aliases.end() ? path : it->second;
    }
};

int candidateCount(const PortTable& t)
{
    int n = 0;
    for (int k = 0; k < PortTable::kSize; ++k)
        n += t[k].candidate ? 1 : 0;
    return n;
}

TEST(PortTable, BuildNamesEveryEntryAfterItsNumber)
{
    PortTable t;
    t.build();
    EXPECT_EQ(t[0].deviceName, "\\\\.\\COM1");
    EXPECT_EQ(t[9].deviceName, "\\\\.\\COM10");
    EXPECT_EQ(t[9].portNumber, 10u);
    EXPECT_EQ(t[255].deviceName, "\\\\.\\COM256");
    EXPECT_EQ(t[255].portNumber, 256u);
    EXPECT_EQ(candidateCount(t), 0);

    t[3].candidate = t[3].ftdiPort = true;
    t[3].ftdiIndex = 2;
    t.clearMarks();
    EXPECT_FALSE(t[3].candidate || t[3].ftdiPort);
    EXPECT_EQ(t[3].ftdiIndex, 0u);
    EXPECT_EQ(t[3].deviceName, "\\\\.\\COM4") << "names survive clearing the marks";
}

TEST(NaturalOrder, DigitRunsCompareByValue)
{
    Paths p{"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyS0", "/dev/ttyACM1", "/dev/ttyUSB02", "/dev/ttyUSB1"};
    std::sort(p.begin(), p.end(), naturalLess);
    EXPECT_EQ(p, (Paths{"/dev/ttyACM1", "/dev/ttyS0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB02",
                        "/dev/ttyUSB10"}));
    EXPECT_FALSE(naturalLess("/dev/ttyUSB2", "/dev/ttyUSB2"));
    EXPECT_TRUE(naturalLess("/dev/ttyUSB", "/dev/ttyUSB0"));
}

class EnumeratorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table.build();
        discovery.system = {"/dev/ttyUSB10", "/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyUSB7"};
    }
    void search()
    {
        if (!enumerator)
            enumerator = std::make_unique<PortEnumerator>(discovery, extras);
        table.clearMarks();
        enumerator->numberPorts(table);
        a = enumerator->markFtdiPorts(table);
        b = enumerator->markRegistryPorts(table);
        c = enumerator->markDosDevicePorts(table);
    }

    FakeDiscovery discovery;
    Paths extras{"/dev/ttyUSB7", "kdx-demo"}; // command line, then demo
    std::unique_ptr<PortEnumerator> enumerator;
    PortTable table;
    uint32_t a = 0, b = 0, c = 0;
};

TEST_F(EnumeratorTest, NumbersCommandLineThenDemoThenSystemPortsOnce)
{
    search();
    const Paths expected{"/dev/ttyUSB7", "kdx-demo", "/dev/ttyS0", "/dev/ttyUSB2", "/dev/ttyUSB10"};
    EXPECT_EQ(enumerator->numbering(), expected);
    for (size_t k = 0; k < expected.size(); ++k)
        EXPECT_EQ(table[static_cast<int>(k)].deviceName, expected[k]);
    EXPECT_EQ(table[5].deviceName, "\\\\.\\COM6");

    // A later search with fewer ports leaves no path of the earlier one behind.
    discovery.system = {"/dev/ttyS0"};
    search();
    EXPECT_EQ(table[2].deviceName, "/dev/ttyS0");
    EXPECT_EQ(table[3].deviceName, "\\\\.\\COM4");
    EXPECT_EQ(table[4].deviceName, "\\\\.\\COM5");
}

TEST_F(EnumeratorTest, EachEnumerationCountsWhatItFindsAndMarksOnce)
{
    discovery.usb = {
        {0x0403, "/dev/ttyUSB2"},  // vendor adapter #1: COM4
        {0x067B, "/dev/ttyUSB10"}, // another vendor: not in this list
        {0x0403, ""},              // vendor adapter #2, no tty: counted only
        {0x0403, "/dev/ttyUSB7"},  // vendor adapter #3: COM1
    };
    discovery.names = {"/dev/ttyUSB2", "/dev/ttyUSB99", "kdx-demo"};
    search();
    EXPECT_EQ(a, 3u);
    EXPECT_EQ(b, 5u);
    EXPECT_EQ(c, 2u) << "a name that is not one of this search's ports is ignored";
    EXPECT_EQ(candidateCount(table), 5) << "found by several, marked once";

    EXPECT_TRUE(table[3].ftdiPort);
    EXPECT_EQ(table[3].ftdiIndex, 1u);
    EXPECT_TRUE(table[0].ftdiPort);
    EXPECT_EQ(table[0].ftdiIndex, 3u);
    for (int k : {1, 2, 4}) {
        EXPECT_FALSE(table[k].ftdiPort) << k;
        EXPECT_EQ(table[k].ftdiIndex, 0u) << k;
    }
}

TEST_F(EnumeratorTest, VendorAdapterWithoutTtyIsCountedButMarksNothing)
{
    discovery.system.clear();
    extras = {};
    discovery.usb = {{0x0403, ""}};
    search();
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 0u);
    EXPECT_EQ(c, 0u);
    EXPECT_EQ(candidateCount(table), 0);
}

TEST_F(EnumeratorTest, PortsBeyondNumber256AreNeverMarked)
{
    discovery.system.clear();
    for (int i = 0; i < 300; ++i)
        discovery.system.push_back("/dev/ttyUSB" + std::to_string(i));
    extras = {};
    // ttyUSB255 is COM256, ttyUSB256 would be COM257.
    discovery.usb = {{0x0403, "/dev/ttyUSB256"}, {0x0403, "/dev/ttyUSB255"}};
    discovery.names = {"/dev/ttyUSB299", "/dev/ttyUSB0"};
    search();
    EXPECT_EQ(b, 256u);
    EXPECT_EQ(a, 2u);
    EXPECT_EQ(c, 1u);
    EXPECT_EQ(candidateCount(table), 256);
    EXPECT_EQ(table[255].deviceName, "/dev/ttyUSB255");
    EXPECT_TRUE(table[255].ftdiPort);
    EXPECT_EQ(table[255].ftdiIndex, 2u) << "only the adapter on COM256 marks";
}

TEST_F(EnumeratorTest, TwoSpellingsOfOneDeviceAreOnePort)
{
    discovery.aliases["/dev/serial/by-id/usb-adapter-if00"] = "/dev/ttyUSB2";
    extras = {"/dev/serial/by-id/usb-adapter-if00"};
    discovery.usb = {{0x0403, "/dev/ttyUSB2"}};
    search();
    EXPECT_EQ(enumerator->numbering(),
              (Paths{"/dev/serial/by-id/usb-adapter-if00", "/dev/ttyS0", "/dev/ttyUSB7", "/dev/ttyUSB10"}));
    EXPECT_TRUE(table[0].ftdiPort) << "the adapter marks the port named on the command line";
    EXPECT_EQ(b, 4u);
}

// A small sysfs: USB adapters, an ACM modem, real and placeholder UARTs.
class FakeSysfs : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path()
            / ("kdx-sysfs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        const fs::path hub = root / "devices/pci0000:00/0000:00:14.0/usb1";
        write(hub / "idVendor", "1d6b");
        usbDevice(hub, "1-1", "0403", {{"1-1:1.0", "ttyUSB10"}});
        usbDevice(hub, "1-2", "067b", {{"1-2:1.0", "ttyUSB2"}});
        usbDevice(hub, "1-3", "2341", {{"1-3:1.0", "ttyACM0"}});
        usbDevice(hub, "1-4", "0403", {});                                   // driver unbound
        usbDevice(hub, "1-5", "0403", {{"1-5:1.0", "ttyUSB3"}, {"1-5:1.1", "ttyUSB4"}}); // dual
        link(root / "bus/usb/devices/usb1", hub);
        uart("ttyS0", root / "devices/pnp0/00:01", "4");
        uart("ttyS1", root / "devices/platform/serial8250", "0");
        uart("ttyS2", root / "devices/platform/serial8250", "");
        uart("ttyS3", root / "devices/pci0000:00/0000:00:16.3", "");
        fs::create_directories(root / "class/tty/tty0");   // virtual console: no device
        fs::create_directories(root / "class/tty/ttyUSB9"); // stale entry: no device
    }
    void TearDown() override { fs::remove_all(root); }

    static void write(const fs::path& file, const std::string& text)
    {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << text << "\n";
    }
    static void link(const fs::path& at, const fs::path& target)
    {
        fs::create_directories(at.parent_path());
        fs::create_directory_symlink(target, at);
    }
    void usbDevice(const fs::path& hub, const std::string& name, const std::string& vendor,
                   const std::vector<std::pair<std::string, std::string>>& ttys)
    {
        const fs::path dev = hub / name;
        write(dev / "idVendor", vendor);
        link(root / "bus/usb/devices" / name, dev);
        for (const auto& [interface, tty] : ttys) {
            const fs::path port = dev / interface / tty;
            fs::create_directories(port / "tty" / tty);
            link(root / "class/tty" / tty / "device", port);
            link(root / "bus/usb/devices" / interface, dev / interface);
        }
    }
    void uart(const std::string& tty, const fs::path& device, const std::string& type)
    {
        fs::create_directories(device);
        link(root / "class/tty" / tty / "device", device);
        if (!type.empty())
            write(root / "class/tty" / tty / "type", type);
    }

    fs::path root;
};

TEST_F(FakeSysfs, SystemPortsAreUsbAcmAndRealUartsInNaturalOrder)
{
    LinuxPortDiscovery discovery(root.string());
    EXPECT_EQ(discovery.systemSerialPorts(),
              (Paths{"/dev/ttyACM0", "/dev/ttyS0", "/dev/ttyS3", "/dev/ttyUSB2", "/dev/ttyUSB3",
                     "/dev/ttyUSB4", "/dev/ttyUSB10"}));
    EXPECT_TRUE(discovery.deviceNames().empty());
}

TEST_F(FakeSysfs, UsbDevicesCarryTheirVendorAndAdaptersWithoutTtyAreListed)
{
    LinuxPortDiscovery discovery(root.string(), "/devtest");
    const auto devices = discovery.usbSerialDevices();
    std::vector<std::pair<uint16_t, std::string>> got;
    for (const auto& d : devices)
        got.emplace_back(d.vendorId, d.ttyPath);
    const std::vector<std::pair<uint16_t, std::string>> expected{
        {0x2341, "/devtest/ttyACM0"}, {0x067B, "/devtest/ttyUSB2"}, {0x0403, "/devtest/ttyUSB3"},
        {0x0403, "/devtest/ttyUSB4"}, {0x0403, "/devtest/ttyUSB10"}, {0x0403, ""}};
    EXPECT_EQ(got, expected);
}

TEST_F(FakeSysfs, EnumeratorOverTheRealDiscovery)
{
    LinuxPortDiscovery discovery(root.string());
    PortEnumerator enumerator(discovery, {});
    PortTable table;
    table.build();
    table.clearMarks();
    enumerator.numberPorts(table);
    EXPECT_EQ(enumerator.markFtdiPorts(table), 4u);
    EXPECT_EQ(enumerator.markRegistryPorts(table), 7u);
    EXPECT_EQ(enumerator.markDosDevicePorts(table), 0u);
    // ttyUSB3, ttyUSB4, ttyUSB10 are COM5, COM6, COM7.
    EXPECT_EQ(table[4].deviceName, "/dev/ttyUSB3");
    EXPECT_EQ(table[4].ftdiIndex, 1u);
    EXPECT_EQ(table[5].ftdiIndex, 2u);
    EXPECT_EQ(table[6].ftdiIndex, 3u);
    EXPECT_FALSE(table[3].ftdiPort) << "ttyUSB2 belongs to another vendor";
}

TEST(LinuxPortDiscovery, MissingSysfsGivesNothing)
{
    LinuxPortDiscovery discovery("/nonexistent-kdx-sysfs");
    EXPECT_TRUE(discovery.usbSerialDevices().empty());
    EXPECT_TRUE(discovery.systemSerialPorts().empty());
    EXPECT_EQ(discovery.canonicalPath("kdx-demo"), "kdx-demo");
    EXPECT_EQ(discovery.canonicalPath("/nonexistent-kdx/ttyUSB0"), "/nonexistent-kdx/ttyUSB0");
}

} // namespace
} // namespace kdx
