#include "link/ComPortMarking.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

struct ListedPorts : PortDiscovery {
    std::vector<UsbSerialDevice> usb;
    std::vector<std::string> registry;
    std::vector<std::string> dos;
    std::vector<UsbSerialDevice> usbSerialDevices() override { return usb; }
    std::vector<std::string> systemSerialPorts() override { return registry; }
    std::vector<std::string> deviceNames() override { return dos; }
};

std::vector<int> candidates(const PortTable& t)
{
    std::vector<int> out;
    for (int k = 0; k < PortTable::kSize; ++k)
        if (t[k].candidate)
            out.push_back(k + 1);
    return out;
}

TEST(ComPortMarking, ComNumbersInAnyCaseAndNothingElse)
{
    const std::pair<const char*, uint32_t> cases[] = {
        {"COM1", 1},  {"com12", 12}, {"CoM256", 256}, {"COM007", 7}, {"COM0", 0},     {"COM257", 257},
        {"COM", 0},   {"COMx", 0},   {"COM3x", 0},    {"LPT1", 0},   {"\\\\.\\COM3", 0}, {"COM99999999999", 0},
    };
    for (const auto& [name, n] : cases)
        EXPECT_EQ(ComPortMarking::comNumber(name), n) << name;
}

TEST(ComPortMarking, EachListMarksByComNumberAndCountsWhatItFound)
{
    ListedPorts ports;
    ports.usb = {{kFtdiVendorId, "COM7"}, {0x067B, "COM4"}, {kFtdiVendorId, ""}, {kFtdiVendorId, "COM300"},
                 {kFtdiVendorId, "COM9"}};
    ports.registry = {"COM3", "com7", "COM0", "COM257", "LPT1", "COM4"};
    ports.dos = {"COM12", "AUX", "com3", "COMx"};
    ComPortMarking marking(ports);
    PortTable table;
    table.build();
    table[0].deviceName = "/dev/ttyUSB0"; // left by an earlier search
    marking.numberPorts(table);
    EXPECT_EQ(table[0].deviceName, "\\\\.\\COM1");

    // Four adapters of the vendor, one busy (no port) and one out of range:
    // all counted, two marked, each with its place in the list.
    EXPECT_EQ(marking.markFtdiPorts(table), 4u);
    EXPECT_EQ(candidates(table), (std::vector<int>{7, 9}));
    EXPECT_TRUE(table[6].ftdiPort);
    EXPECT_EQ(table[6].ftdiIndex, 1u);
    EXPECT_EQ(table[8].ftdiIndex, 4u);
    EXPECT_FALSE(table[3].ftdiPort); // another vendor's adapter

    EXPECT_EQ(marking.markRegistryPorts(table), 3u);
    EXPECT_EQ(marking.markDosDevicePorts(table), 2u);
    EXPECT_EQ(candidates(table), (std::vector<int>{3, 4, 7, 9, 12}));
    EXPECT_EQ(table[11].deviceName, "\\\\.\\COM12");
    EXPECT_FALSE(table[2].ftdiPort);
}

} // namespace
} // namespace kdx
