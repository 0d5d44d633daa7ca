// End to end: the built kdx-sim on a pseudo-terminal, driven through the
// tool's real POSIX serial line and reader in real time.

#include "link/Clock.h"
#include "link/ConnectionState.h"
#include "link/DeviceLink.h"
#include "link/posix/PosixSerialLine.h"

#include "support/SimProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace kdx;
using kdx::test::SimProcess;

namespace {


struct Tool {
    explicit Tool(const std::string& path) : link(line, clock, state)
    {
        link.selectPort(path);
        opened = link.openPort();
    }
    PosixSerialLine line;
    SystemClock clock;
    ConnectionState state;
    DeviceLink link;
    bool opened = false;
};

std::string tempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))).string();
}

} // namespace

TEST(SimProgram, ServesIdentifyPagesAndStatusOnAPseudoTerminal)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({"--hw", "2", "--sw", "3", "--rev", "4", "--serial", "0x00ABCDEF"});
    const std::string path = sim.ptyPath();
    ASSERT_EQ(path.rfind("/dev/", 0), 0u) << path;

    Tool tool(path);
    ASSERT_TRUE(tool.opened) << tool.link.lastOpenError();
    ASSERT_TRUE(tool.link.sendCommand(0x03, 0, 0, 0));
    ASSERT_TRUE(tool.link.readResponse(8, 0, 0));
    const auto& rb = tool.link.receiveBuffer();
    EXPECT_EQ(rb[0], 0x41);
    EXPECT_EQ(rb[1], 2);
    EXPECT_EQ(rb[2], 3);
    EXPECT_EQ(rb[3], 4);
    EXPECT_EQ(rb[7], 0xE0);

    uint8_t image[512];
    for (uint16_t a = 0; a < 512; a += 128)
        ASSERT_TRUE(tool.link.readPage(a, image + a)) << a;
    EXPECT_EQ(image[0], 0xAA);
    EXPECT_EQ(image[1], 0xAA);
    EXPECT_EQ(image[4], 0xEF);
    EXPECT_EQ(image[6], 0xAB);

    ASSERT_TRUE(tool.link.sendCommand(0xAA, 0x05, 0, 0));
    tool.clock.sleepMs(40);
    ASSERT_TRUE(tool.link.readResponse(100, 2, 98));
    EXPECT_EQ(rb[0], 0x56);
    EXPECT_EQ(rb[1], 0x05);
    EXPECT_EQ(rb[98], tool.link.responseSum());
    EXPECT_EQ(rb[99], 0xE0);
    EXPECT_EQ(rb[21], 0); // WorkMode of the factory set: automatic

    EXPECT_EQ(sim.stop(SIGINT), 0);
}

TEST(SimProgram, PageAnswerArrivesAtTheWireRate)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({});
    Tool tool(sim.ptyPath());
    ASSERT_TRUE(tool.opened);
    const uint8_t frame[] = {0xAA, 0x01, 0x00, 0x00, 0x55, 0xE0};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(tool.line.transmit(frame, sizeof frame));
    size_t got = 0;
    uint8_t buf[256];
    while (got < 132 && std::chrono::steady_clock::now() - start < std::chrono::seconds(2)) {
        got += tool.line.read(buf, sizeof buf);
        ::usleep(500);
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_EQ(got, 132u);
    EXPECT_GE(ms, 66);
    EXPECT_LE(ms, 400); // generous: the machine may be busy
    sim.stop();
}

// CPU time (user + system) of a process in clock ticks, from /proc.
long cpuTicks(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = all.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream rest(all.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    return utime + stime;
}

TEST(SimProgram, StaysQuietWhenIdle)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({});
    Tool tool(sim.ptyPath());
    ASSERT_TRUE(tool.opened);
    uint8_t page[128];
    ASSERT_TRUE(tool.link.readPage(0, page));
    const long before = cpuTicks(sim.pid());
    ASSERT_GE(before, 0);
    tool.clock.sleepMs(600);
    const long used = cpuTicks(sim.pid()) - before;
    EXPECT_LE(used * 1000 / ::sysconf(_SC_CLK_TCK), 60) << "ms of CPU in 600 ms idle";
    sim.stop();
}

TEST(SimProgram, EepromSurvivesARestart)
{
    KDX_REQUIRE_SIM();
    const std::string file = tempPath("kdx-sim-eeprom");
    std::filesystem::remove(file);
    {
        SimProcess sim({"--eeprom", file});
        Tool tool(sim.ptyPath());
        ASSERT_TRUE(tool.opened);
        ASSERT_TRUE(tool.link.sendCommand(0xD1, 0xBB, 0x00, 0x78)); // GeneralDelay := 120
        ASSERT_TRUE(tool.link.sendCommand(0xE1, 0, 0, 0));
        tool.clock.sleepMs(50);
        EXPECT_EQ(std::filesystem::file_size(file), 512u); // saved by the command, before exit
        ASSERT_TRUE(tool.link.sendCommand(0xD1, 0xBC, 0x00, 0x42)); // never saved: lost at power-off
        EXPECT_EQ(sim.stop(), 0);
    }
    {
        SimProcess sim({"--eeprom", file});
        Tool tool(sim.ptyPath());
        ASSERT_TRUE(tool.opened);
        uint8_t page[128];
        ASSERT_TRUE(tool.link.readPage(256, page));
        EXPECT_EQ(page[374 - 256], 0x78);
        EXPECT_EQ(page[376 - 256], 0x88); // ManualMaxRpmP1 still the factory 5000
        sim.stop();
    }
    std::filesystem::remove(file);
}

TEST(SimProgram, RefusesAnEepromFileOfTheWrongSize)
{
    KDX_REQUIRE_SIM();
    const std::string file = tempPath("kdx-sim-notimage");
    std::ofstream(file) << "not an eeprom";
    SimProcess sim({"--eeprom", file});
    EXPECT_TRUE(sim.readLine(2000).empty());
    EXPECT_EQ(sim.stop(), 2);
    EXPECT_EQ(std::filesystem::file_size(file), 13u); // left alone
    std::filesystem::remove(file);
}

TEST(SimProgram, LinkTraceAndFaultOptions)
{
    KDX_REQUIRE_SIM();
    const std::string link = tempPath("kdx-sim-link");
    SimProcess sim({"--link", link, "--trace", "--fault", "sw=4", "--fault=errors=0x0004"});
    const std::string path = sim.ptyPath();
    ASSERT_EQ(std::filesystem::read_symlink(link).string(), path);

    Tool tool(link);
    ASSERT_TRUE(tool.opened);
    ASSERT_TRUE(tool.link.sendCommand(0x03, 0, 0, 0));
    ASSERT_TRUE(tool.link.readResponse(8, 0, 0));
    EXPECT_EQ(tool.link.receiveBuffer()[2], 4);
    ASSERT_TRUE(tool.link.sendCommand(0xAA, 0x05, 0, 0));
    tool.clock.sleepMs(40);
    ASSERT_TRUE(tool.link.readResponse(100, 2, 98));
    EXPECT_EQ(tool.link.receiveBuffer()[25], 0x04); // ErrorAct

    EXPECT_EQ(sim.stop(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    const std::string trace = sim.restOfOutput();
    EXPECT_NE(trace.find("PC  identify 03 00 00 00 AD E0"), std::string::npos) << trace;
    EXPECT_NE(trace.find("ECU identify 41 01 04 00 00 00 00 E0"), std::string::npos) << trace;
    EXPECT_NE(trace.find("PC  status AA 05 00 00 59 E0"), std::string::npos) << trace;
    EXPECT_NE(trace.find("ECU status 56 05"), std::string::npos) << trace;
}

TEST(SimProgram, UnpluggedTerminalFailsWrites)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({"--fault", "unplug=300"});
    Tool tool(sim.ptyPath());
    ASSERT_TRUE(tool.opened);
    tool.clock.sleepMs(600);
    const uint8_t frame[] = {0x03, 0x00, 0x00, 0x00, 0xAD, 0xE0};
    EXPECT_FALSE(tool.line.transmit(frame, sizeof frame));
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SimProgram, RejectsUnknownOptions)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({"--fault", "bogus"});
    EXPECT_TRUE(sim.readLine(2000).empty());
    EXPECT_EQ(sim.stop(), 2);
}
