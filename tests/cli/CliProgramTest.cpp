// kdx-cli as a script runs it: exit codes, JSON on stdout, against the
// built-in simulated controller and against kdx-sim on a pseudo-terminal.
#include "support/SimProcess.h"
#include "support/TraceLine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string cliProgram()
{
    const char* p = std::getenv("KDX_CLI");
    return p && ::access(p, X_OK) == 0 ? p : "";
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct CliRun {
    int exit = -1;
    std::string out;
    std::string err;
    std::vector<std::string> lines() const
    {
        std::vector<std::string> v;
        size_t start = 0;
        for (size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1)
            v.push_back(out.substr(start, nl - start));
        return v;
    }
};

struct Scratch {
    Scratch()
    {
        char dir[] = "/tmp/kdx-cliXXXXXX";
        path = ::mkdtemp(dir) ? dir : "/tmp";
    }
    ~Scratch() { (void)std::system(("rm -rf '" + path + "'").c_str()); }
    std::string path;
};

CliRun cli(const Scratch& s, const std::string& args)
{
    CliRun r;
    const std::string out = s.path + "/out", err = s.path + "/err";
    const int status = std::system(("cd '" + s.path + "' && " + cliProgram() + " " + args + " >" + out + " 2>" + err + " </dev/null").c_str());
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

#define REQUIRE_CLI()                                                                      \
    if (cliProgram().empty())                                                              \
    GTEST_SKIP() << "kdx-cli not available (KDX_CLI not set)"

} // namespace

TEST(CliProgram, IdentifyAndReadAgainstTheDemoController)
{
    REQUIRE_CLI();
    Scratch s;
    CliRun r = cli(s, "identify --demo --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "{\"port\":\"kdx-demo\",\"hardware\":1,\"software\":1,\"revision\":0,\"serial\":\"0x0001E240\"}\n");

    r = cli(s, "read --demo --raw -o " + s.path + "/image.bin --json --progress");
    ASSERT_EQ(r.exit, 0) << r.err;
    const std::string image = slurp(s.path + "/image.bin");
    ASSERT_EQ(image.size(), 512u);
    EXPECT_EQ(static_cast<unsigned char>(image[0]), 0xAA); // initialised marker
    const auto lines = r.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines.front().find("\"progress\":\"reading parameters\""), std::string::npos);
    EXPECT_NE(lines.back().find("\"bytes\":512"), std::string::npos);
}

TEST(CliProgram, FailuresHaveTheirOwnExitCodes)
{
    REQUIRE_CLI();
    Scratch s;
    CliRun r = cli(s, "identify --port " + s.path + "/no-such-port --json");
    EXPECT_EQ(r.exit, 3);
    EXPECT_NE(r.out.find("\"exit\":3"), std::string::npos);
    EXPECT_NE(r.err.find("no controller answered on: " + s.path + "/no-such-port"), std::string::npos) << r.err;

    EXPECT_EQ(cli(s, "identify --raw").exit, 2);
    EXPECT_EQ(cli(s, "read --demo --raw -o " + s.path + "/missing-dir/x.bin").exit, 6);
    EXPECT_FALSE(std::ifstream(s.path + "/missing-dir/x.bin.part").good());
}

TEST(CliProgram, MonitorPrintsOneObjectPerFrameAgainstKdxSim)
{
    REQUIRE_CLI();
    KDX_REQUIRE_SIM();
    kdx::test::SimProcess sim({});
    Scratch s;
    CliRun r = cli(s, "monitor --port " + sim.ptyPath() + " --seconds 1.5 --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err;
    const auto lines = r.lines();
    // One status request every 100 ms for about 1.5 s after the connection.
    EXPECT_GE(lines.size(), 12u);
    EXPECT_LE(lines.size(), 16u);
    for (const auto& line : lines) {
        EXPECT_EQ(line.front(), '{');
        EXPECT_NE(line.find("\"rpm\":"), std::string::npos);
        EXPECT_NE(line.find("\"supply\":"), std::string::npos);
    }
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(CliProgram, ReadLeavesTheControllersEepromUntouched)
{
    REQUIRE_CLI();
    KDX_REQUIRE_SIM();
    Scratch s;
    const std::string eeprom = s.path + "/eeprom.bin";
    {
        kdx::test::SimProcess sim({"--eeprom", eeprom});
        ASSERT_EQ(cli(s, "identify --port " + sim.ptyPath() + " --quiet").exit, 0);
        sim.stop();
    }
    const std::string before = slurp(eeprom);
    ASSERT_EQ(before.size(), 512u);
    {
        kdx::test::SimProcess sim({"--eeprom", eeprom, "--trace"});
        CliRun r = cli(s, "read --port " + sim.ptyPath() + " --raw -o " + s.path + "/image.bin --quiet");
        ASSERT_EQ(r.exit, 0) << r.err;
        sim.stop();
        // Only identify (03) and read (AA) frames reached the controller: no
        // register write and no EEPROM save.
        int received = 0;
        for (const auto& line : sim.linesSoFar(300)) {
            const auto hex = kdx::test::pcFrameHex(line);
            if (!hex)
                continue;
            ++received;
            const std::string code = hex->substr(0, 2);
            EXPECT_TRUE(code == "03" || code == "AA") << line;
        }
        EXPECT_GE(received, 6);
        EXPECT_EQ(slurp(s.path + "/image.bin"), before);
    }
    EXPECT_EQ(slurp(eeprom), before);
}

TEST(CliProgram, TwoControllersAnsweringAreRefusedUntilOneIsNamed)
{
    REQUIRE_CLI();
    KDX_REQUIRE_SIM();
    kdx::test::SimProcess first({});
    kdx::test::SimProcess second({"--serial", "0x42"});
    kdx::test::SimProcess silent({"--fault", "silent"});
    Scratch s;
    const std::string a = first.ptyPath(), b = second.ptyPath(), quiet = silent.ptyPath();

    CliRun r = cli(s, "identify --port " + a + " --port " + b + " --json");
    EXPECT_EQ(r.exit, 4);
    EXPECT_NE(r.err.find("several controllers answered: " + a + " " + b), std::string::npos) << r.err;

    // A silent port beside one controller is no ambiguity.
    r = cli(s, "identify --port " + quiet + " --port " + b + " --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("\"serial\":\"0x00000042\""), std::string::npos) << r.out;
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST(CliProgram, ProductionTestVerdictIsTheExitCode)
{
    REQUIRE_CLI();
    KDX_REQUIRE_SIM();
    Scratch s;
    const std::string serial = "RQ412A0000001H02S4.7";
    {
        kdx::test::SimProcess sim({});
        CliRun r = cli(s, "test " + serial + " --port " + sim.ptyPath() + " --json --quiet");
        ASSERT_EQ(r.exit, 0) << r.err << r.out;
        EXPECT_NE(r.out.find("\"sound\":true"), std::string::npos) << r.out;
    }
    {
        // A board whose pump 2 is not connected is not sound; the earlier
        // result file is kept beside the new one.
        kdx::test::SimProcess sim({"--fault", "pumpopen=2"});
        CliRun r = cli(s, "test " + serial + " --port " + sim.ptyPath() + " --json --quiet");
        EXPECT_EQ(r.exit, 8) << r.err << r.out;
        EXPECT_NE(r.out.find("\"sound\":false"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\"previousFile\""), std::string::npos) << r.out;
    }
    EXPECT_EQ(cli(s, "test RQ412 --demo --quiet").exit, 2);
}
