#include "app/AppOptions.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

using Action = CommandLine::Action;

TEST(AppOptionsTest, NoArgumentsRunWithDefaults)
{
    const CommandLine cl = parseCommandLine({});
    EXPECT_EQ(cl.action, Action::Run);
    EXPECT_TRUE(cl.options.ports.empty());
    EXPECT_FALSE(cl.options.demo);
    EXPECT_FALSE(cl.options.tester);
}

TEST(AppOptionsTest, PortsKeepTheirOrderAndRepeat)
{
    const CommandLine cl =
        parseCommandLine({"--port", "/dev/ttyUSB1", "--demo", "--port=/dev/ttyS0", "--port", "/dev/ttyUSB1"});
    ASSERT_EQ(cl.action, Action::Run);
    EXPECT_EQ(cl.options.ports, (std::vector<std::string>{"/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyUSB1"}));
    EXPECT_TRUE(cl.options.demo);
    EXPECT_FALSE(cl.options.tester);
}

TEST(AppOptionsTest, TesterOption)
{
    EXPECT_TRUE(parseCommandLine({"--tester"}).options.tester);
}

TEST(AppOptionsTest, HelpAndVersionWinOverEverythingAfterThem)
{
    EXPECT_EQ(parseCommandLine({"--demo", "--help", "--bogus"}).action, Action::Help);
    EXPECT_EQ(parseCommandLine({"-h"}).action, Action::Help);
    EXPECT_EQ(parseCommandLine({"--version"}).action, Action::Version);
    EXPECT_EQ(versionText(), "kdx 1.097");
    EXPECT_NE(usageText("kdx").find("--port PATH"), std::string::npos);
}

TEST(AppOptionsTest, MistakesAreReported)
{
    struct Case {
        std::vector<std::string> args;
        const char* errorPart;
    };
    const Case cases[] = {
        {{"--port"}, "--port"},
        {{"--port", ""}, "--port"},
        {{"--port="}, "--port"},
        {{"--frobnicate"}, "--frobnicate"},
        {{"COM1"}, "COM1"},
    };
    for (const Case& c : cases) {
        const CommandLine cl = parseCommandLine(c.args);
        EXPECT_EQ(cl.action, Action::Error) << c.errorPart;
        EXPECT_NE(cl.error.find(c.errorPart), std::string::npos) << cl.error;
    }
}

TEST(AppOptionsTest, ToolkitOptionsAreLeftToTheApplication)
{
    const CommandLine cl = parseCommandLine({"-platform", "offscreen", "--tester"});
    EXPECT_EQ(cl.action, Action::Run);
    EXPECT_TRUE(cl.options.tester);
}

} // namespace
} // namespace kdx
