// kdx-cli as a script runs it: exit codes, JSON on stdout, against the
// built-in simulated controller and against kdx-sim on a pseudo-terminal.
#include "live/StatusCsv.h"
#include "params/ParameterFileStore.h"
#include "params/ParameterLayout.h"
#include "support/SimProcess.h"
#include "support/TraceLine.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sys/stat.h>
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
    // A usage error is one JSON object too when JSON was asked for.
    r = cli(s, "identify --raw --json");
    EXPECT_EQ(r.exit, 2);
    EXPECT_EQ(r.out, "{\"error\":\"option --raw does not apply to 'identify'\",\"exit\":2}\n");
    EXPECT_EQ(cli(s, "bogus --json").out, "{\"error\":\"unknown command 'bogus'\",\"exit\":2}\n");
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

namespace {

// The PC's frames kdx-sim received, as hex, from its trace.
std::vector<std::string> pcFrames(kdx::test::SimProcess& sim)
{
    std::vector<std::string> frames;
    for (const auto& line : sim.linesSoFar(300))
        if (const auto hex = kdx::test::pcFrameHex(line))
            frames.push_back(*hex);
    return frames;
}

std::vector<std::string> framesWithCode(const std::vector<std::string>& frames, const std::string& code)
{
    std::vector<std::string> found;
    for (const auto& f : frames)
        if (f.compare(0, code.size(), code) == 0)
            found.push_back(f);
    return found;
}

// kdx-sim's factory EEPROM in a file (it writes the file at exit and on a save).
std::string factoryEeprom(const std::string& path)
{
    kdx::test::SimProcess sim({"--eeprom", path});
    (void)sim.ptyPath();
    sim.stop();
    return slurp(path);
}

// A copy of a saved parameter file with two fields changed.
std::string changedCopy(const std::string& from, const std::string& to)
{
    kdx::ParameterFileRead r = kdx::ParameterFileStore::load(from);
    EXPECT_TRUE(r.ok()) << r.error;
    if (!r.ok())
        return {};
    auto& bytes = r.file->image.bytes();
    bytes[kdx::layout::GeneralDelay.offset] = 7; // 7 s
    bytes[kdx::layout::GeneralDelay.offset + 1] = 0;
    bytes[kdx::layout::MaxHum.offset] = 950 & 0xFF; // 95.0 %
    bytes[kdx::layout::MaxHum.offset + 1] = 950 >> 8;
    EXPECT_EQ(kdx::ParameterFileStore::save(to, *r.file), "");
    return to;
}

} // namespace

TEST(CliProgram, ReadWriteRoundTripSendsOnlyTheDifferingWords)
{
    REQUIRE_CLI();
    KDX_REQUIRE_SIM();
    Scratch s;
    const std::string eeprom = s.path + "/eeprom.bin";
    const std::string before = factoryEeprom(eeprom);
    ASSERT_EQ(before.size(), 512u);
    kdx::test::SimProcess sim({"--eeprom", eeprom, "--trace"});
    const std::string port = " --port " + sim.ptyPath();
    CliRun r = cli(s, "read" + port + " -o saved.kdx --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("\"file\":\"saved.kdx\""), std::string::npos) << r.out;

    // The same set back: nothing to send, and nothing is.
    (void)pcFrames(sim);
    r = cli(s, "write saved.kdx" + port + " --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("\"words\":0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"sent\":false"), std::string::npos) << r.out;
    auto frames = pcFrames(sim);
    EXPECT_TRUE(framesWithCode(frames, "D").empty());
    EXPECT_TRUE(framesWithCode(frames, "E1").empty());
    EXPECT_EQ(slurp(eeprom), before);

    // Two changed fields: --dry-run lists them and sends nothing.
    changedCopy(s.path + "/saved.kdx", s.path + "/changed.kdx");
    r = cli(s, "write changed.kdx --dry-run" + port + " --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("{\"name\":\"GeneralDelay\",\"controller\":\"5 s\",\"file\":\"7 s\"}"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"words\":2"), std::string::npos) << r.out;
    EXPECT_TRUE(framesWithCode(pcFrames(sim), "D").empty());

    // The write: exactly those two words (187 and 199), one save, verified.
    r = cli(s, "write changed.kdx" + port + " --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("\"verified\":true"), std::string::npos) << r.out;
    frames = pcFrames(sim);
    const auto words = framesWithCode(frames, "D1");
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].substr(0, 11), "D1 BB 00 07");
    EXPECT_EQ(words[1].substr(0, 11), "D1 C7 03 B6");
    EXPECT_EQ(framesWithCode(frames, "E1").size(), 1u);
    const std::string after = slurp(eeprom);
    ASSERT_EQ(after.size(), 512u);
    EXPECT_EQ(static_cast<unsigned char>(after[kdx::layout::GeneralDelay.offset]), 7u);
    EXPECT_EQ(after.substr(0, 370), before.substr(0, 370));
}

TEST(CliProgram, WriteThatDoesNotHoldIsAVerifyMismatch)
{
    REQUIRE_CLI();
    KDX_REQUIRE_SIM();
    Scratch s;
    // The high byte of the general delay is a worn cell: the write of 7 s
    // lands, one of 300 s (0x012C) does not.
    kdx::test::SimProcess sim({"--fault", "stuck=375"});
    const std::string port = " --port " + sim.ptyPath();
    ASSERT_EQ(cli(s, "read" + port + " -o saved.kdx --quiet").exit, 0);
    kdx::ParameterFileRead r = kdx::ParameterFileStore::load(s.path + "/saved.kdx");
    ASSERT_TRUE(r.ok()) << r.error;
    r.file->image.bytes()[kdx::layout::GeneralDelay.offset] = 0x2C;
    r.file->image.bytes()[kdx::layout::GeneralDelay.offset + 1] = 0x01;
    ASSERT_EQ(kdx::ParameterFileStore::save(s.path + "/worn.kdx", *r.file), "");

    CliRun w = cli(s, "write worn.kdx" + port + " --json --quiet");
    EXPECT_EQ(w.exit, 7) << w.err << w.out;
    EXPECT_NE(w.out.find("\"verified\":false"), std::string::npos) << w.out;
    EXPECT_NE(w.out.find("\"remaining\":[{\"name\":\"GeneralDelay\""), std::string::npos) << w.out;
    EXPECT_NE(w.out.find("\"exit\":7"), std::string::npos) << w.out;
}

TEST(CliProgram, FileFaultsAndDiffAgainstTheDemoController)
{
    REQUIRE_CLI();
    Scratch s;
    {
        std::ofstream bad(s.path + "/bad.kdx");
        bad << "KDX parameter file 1\nserial = 0x1\nend\n";
    }
    CliRun r = cli(s, "write bad.kdx --demo --json");
    EXPECT_EQ(r.exit, 6);
    EXPECT_NE(r.out.find("nothing was sent"), std::string::npos) << r.out;
    EXPECT_EQ(cli(s, "write missing.kdx --demo --quiet").exit, 6);
    EXPECT_EQ(cli(s, "diff bad.kdx defaults --quiet").exit, 6);
    EXPECT_EQ(cli(s, "diff ecu: ecu: --demo").exit, 2);
    EXPECT_EQ(cli(s, "diff a.kdx").exit, 2);

    // Without -o the file goes to parametry/ by serial number, date and time.
    r = cli(s, "read --demo --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err;
    const std::string prefix = "{\"file\":\"parametry/KDX_0001E240_";
    ASSERT_EQ(r.out.compare(0, prefix.size(), prefix), 0) << r.out;
    const std::string saved = r.out.substr(9, r.out.find('"', 9) - 9);
    EXPECT_NE(saved.find("_manual.kdx"), std::string::npos) << saved;

    r = cli(s, "diff " + saved + " ecu: --demo --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("\"count\":0"), std::string::npos) << r.out;

    changedCopy(s.path + "/" + saved, s.path + "/changed.kdx");
    r = cli(s, "diff " + saved + " changed.kdx --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("\"count\":2,\"changes\":[{\"name\":\"GeneralDelay\",\"left\":\"5 s\",\"right\":\"7 s\"},"
                         "{\"name\":\"MaxHum\",\"left\":\"97.0 %\",\"right\":\"95.0 %\"}]"),
              std::string::npos)
        << r.out;
    // Against the default set the serial number and log are the file's own.
    r = cli(s, "diff changed.kdx defaults");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("GeneralDelay: 7 s -> 5 s"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("SerialNumber"), std::string::npos) << r.out;
}

TEST(CliProgram, FlashReportsTheNewVersionAndRestoresTheBackup)
{
    REQUIRE_CLI();
    KDX_REQUIRE_SIM();
    const std::string firmware = KDX_SOURCE_DIR "/Firmware/demo.hex";
    Scratch s;
    const std::string eeprom = s.path + "/eeprom.bin";
    const std::string before = factoryEeprom(eeprom);
    ASSERT_EQ(before.size(), 512u);
    kdx::test::SimProcess sim({"--eeprom", eeprom});
    const std::string port = " --port " + sim.ptyPath();

    CliRun r = cli(s, "flash " + firmware + port + " --restore --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err << r.out;
    const auto lines = r.lines();
    ASSERT_EQ(lines.size(), 1u) << "one object for the whole run: " << r.out;
    EXPECT_NE(lines[0].find("\"outcome\":\"done\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"softwareBefore\":\"1.0\",\"software\":\"1.98\""), std::string::npos) << lines[0];
    const size_t at = lines[0].find("\"backup\":\"");
    ASSERT_NE(at, std::string::npos) << lines[0];
    const std::string backup = lines[0].substr(at + 10, lines[0].find('"', at + 10) - at - 10);
    kdx::ParameterFileRead saved = kdx::ParameterFileStore::load(s.path + "/" + backup);
    ASSERT_TRUE(saved.ok()) << saved.error;
    EXPECT_EQ(saved.file->info.reason, "before-upgrade");
    // The restore gave the erased controller its parameters and serial
    // number back: its EEPROM is what it was before the upgrade.
    EXPECT_NE(lines[0].find("\"restored\":true"), std::string::npos) << lines[0];
    sim.stop();
    EXPECT_EQ(slurp(eeprom), before);

    // Without --restore the parameters stay reset, and the run says how to
    // restore them: that very command does.
    kdx::test::SimProcess again({"--eeprom", eeprom});
    const std::string port2 = " --port " + again.ptyPath();
    r = cli(s, "flash " + firmware + port2 + " --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err << r.out;
    ASSERT_EQ(r.lines().size(), 1u) << r.out;
    EXPECT_NE(r.out.find("\"restored\":false"), std::string::npos) << r.out;
    const size_t cmdAt = r.out.find("\"restoreCommand\":\"");
    ASSERT_NE(cmdAt, std::string::npos) << r.out;
    const std::string command = r.out.substr(cmdAt + 18, r.out.find('"', cmdAt + 18) - cmdAt - 18);
    EXPECT_NE(command.find("--port " + again.ptyPath() + " --serial-from-file --allow-other"), std::string::npos)
        << command;
    EXPECT_NE(r.out.find("\"warnings\":[\"the controller's parameters came back reset"), std::string::npos) << r.out;
    ASSERT_EQ(command.rfind("kdx-cli ", 0), 0u) << command;
    r = cli(s, command.substr(8) + " --quiet");
    EXPECT_EQ(r.exit, 0) << r.err << r.out;
    again.stop();
    EXPECT_EQ(slurp(eeprom), before);

    // A file with a damaged block is refused before anything is sent.
    std::string text = slurp(firmware);
    size_t digit = text.size() / 2; // inside a block's data
    while (!std::isxdigit(static_cast<unsigned char>(text[digit])))
        ++digit;
    text[digit] = text[digit] == '0' ? '1' : '0';
    std::ofstream(s.path + "/damaged.hex", std::ios::binary) << text;
    kdx::test::SimProcess fresh({});
    r = cli(s, "flash damaged.hex --port " + fresh.ptyPath() + " --json --quiet");
    EXPECT_EQ(r.exit, 6) << r.err << r.out;
}

TEST(CliProgram, MonitorRecordsCsvAndPortsExplainThemselves)
{
    REQUIRE_CLI();
    Scratch s;
    CliRun r = cli(s, "monitor --demo --seconds 1 --csv rec.csv --json --quiet");
    ASSERT_EQ(r.exit, 0) << r.err;
    const kdx::StatusCsv::ReadResult rec = kdx::StatusCsv::readFile(s.path + "/rec.csv");
    ASSERT_TRUE(rec.ok()) << rec.error;
    EXPECT_GE(rec.samples.size(), 8u);
    EXPECT_NE(r.out.find("\"rows\":" + std::to_string(rec.samples.size())), std::string::npos) << r.out;
    EXPECT_EQ(cli(s, "monitor --demo --seconds 1 --csv no-such-dir/rec.csv --quiet").exit, 6);

    r = cli(s, "ports --demo --port " + s.path + "/ttyGone --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    const auto lines = r.lines();
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_NE(lines[0].find("\"port\":\"" + s.path + "/ttyGone\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"openable\":false"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"why\":"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("\"port\":\"kdx-demo\",\"byId\":\"\",\"openable\":true"), std::string::npos) << lines[1];
}

namespace {

// Runs kdx-cli in the background and sends it Ctrl-C once its stderr shows
// `when`; the result as cli() gives it.
CliRun cliInterrupted(const Scratch& s, const std::string& args, const std::string& when)
{
    CliRun r;
    const std::string out = s.path + "/out", err = s.path + "/err";
    const std::string script = "cd '" + s.path + "' && : >" + err + " && (" + cliProgram() + " " + args + " >" + out
        + " 2>" + err + " </dev/null & p=$!; n=0; until grep -q '" + when + "' " + err
        + " || [ $n -ge 600 ]; do sleep 0.02; n=$((n+1)); done; kill -INT $p; wait $p)";
    const std::string file = s.path + "/interrupt.sh";
    std::ofstream(file) << script << "\n";
    const int status = std::system(("bash '" + file + "'").c_str());
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

} // namespace

TEST(CliProgram, CtrlCStopsAWriteBeforeItSendsAndLetsAFlashFinish)
{
    REQUIRE_CLI();
    KDX_REQUIRE_SIM();
    Scratch s;
    kdx::test::SimProcess sim({"--trace"});
    const std::string port = " --port " + sim.ptyPath();
    ASSERT_EQ(cli(s, "read" + port + " -o saved.kdx --quiet").exit, 0);
    changedCopy(s.path + "/saved.kdx", s.path + "/changed.kdx");
    (void)pcFrames(sim);

    // Ctrl-C while the controller's memory is still being read: nothing is written.
    CliRun r = cliInterrupted(s, "write changed.kdx" + port + " --json", "reading parameters: 25 %");
    EXPECT_EQ(r.exit, 130) << r.err << r.out;
    EXPECT_NE(r.err.find("nothing was sent, the controller is unchanged"), std::string::npos) << r.err;
    EXPECT_TRUE(framesWithCode(pcFrames(sim), "D1").empty());

    // Ctrl-C once the bootloader has the controller: the upgrade ends first.
    r = cliInterrupted(s, "flash " + std::string(KDX_SOURCE_DIR "/Firmware/demo.hex") + port + " --json",
                       "Boot CMD SEND OK");
    EXPECT_EQ(r.exit, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("\"outcome\":\"done\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"interrupted\":true"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("it was completed first"), std::string::npos) << r.err;

    // With --restore the upgrade ends first, but the restore was asked for
    // and not done: no success.
    kdx::test::SimProcess fresh({});
    r = cliInterrupted(s,
                       "flash " + std::string(KDX_SOURCE_DIR "/Firmware/demo.hex") + " --port " + fresh.ptyPath()
                           + " --restore --json",
                       "Boot CMD SEND OK");
    EXPECT_EQ(r.exit, 130) << r.err << r.out;
    EXPECT_EQ(r.lines().size(), 1u) << r.out;
    EXPECT_NE(r.out.find("\"outcome\":\"done\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"restored\":false"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("kdx-cli write parametry/"), std::string::npos) << r.out;
}

namespace {

// A copy of a saved parameter file, changed by `edit` and saved as a
// consistent file (image, field lines and checksum).
void editedCopy(const std::string& from, const std::string& to, const std::function<void(kdx::ParameterFile&)>& edit)
{
    kdx::ParameterFileRead r = kdx::ParameterFileStore::load(from);
    ASSERT_TRUE(r.ok()) << r.error;
    edit(*r.file);
    ASSERT_EQ(kdx::ParameterFileStore::save(to, *r.file), "");
}

size_t objectCount(const std::string& out)
{
    size_t n = 0;
    for (size_t at = 0; (at = out.find("\n{", at)) != std::string::npos; ++at)
        ++n;
    return n + (out.rfind('{', 0) == 0 ? 1 : 0);
}

} // namespace

TEST(CliProgram, WriteRefusesAnotherControllersSetUnlessAllowed)
{
    REQUIRE_CLI();
    Scratch s;
    ASSERT_EQ(cli(s, "read --demo -o own.kdx --quiet").exit, 0);
    changedCopy(s.path + "/own.kdx", s.path + "/changed.kdx");
    struct Case {
        const char* what;
        std::function<void(kdx::ParameterFile&)> edit;
        const char* warning;
    };
    const Case cases[] = {
        {"another hardware", [](kdx::ParameterFile& f) { f.info.hardwareVersion = 2; }, "saved from hardware 2"},
        {"another software", [](kdx::ParameterFile& f) { f.info.softwareRevision = 9; }, "software 1.9"},
        {"uninitialised", [](kdx::ParameterFile& f) { f.image.setWord(0, 0xFFFF); }, "uninitialised parameters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        editedCopy(s.path + "/changed.kdx", s.path + "/other.kdx", c.edit);
        CliRun r = cli(s, "write other.kdx --demo --json --quiet");
        EXPECT_EQ(r.exit, 9) << r.out << r.err;
        // One object: the refusal, what differs, the warning behind it.
        EXPECT_EQ(objectCount(r.out), 1u) << r.out;
        EXPECT_NE(r.out.find("\"sent\":false"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\"exit\":9"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\"warnings\":[\""), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(c.warning), std::string::npos) << r.out;
        EXPECT_EQ(cli(s, "write other.kdx --demo --dry-run --quiet").exit, 0) << "a dry run only shows";
        r = cli(s, "write other.kdx --demo --allow-other --json --quiet");
        EXPECT_EQ(r.exit, 0) << r.out << r.err;
        EXPECT_NE(r.out.find("\"sent\":true"), std::string::npos) << r.out;
    }
    // The controller's own set is written without asking.
    EXPECT_EQ(cli(s, "write changed.kdx --demo --quiet").exit, 0);
}

TEST(CliProgram, WriteRefusesAnotherSerialNumberOnKdxSim)
{
    REQUIRE_CLI();
    KDX_REQUIRE_SIM();
    Scratch s;
    ASSERT_EQ(cli(s, "read --demo -o demo.kdx --quiet").exit, 0);
    changedCopy(s.path + "/demo.kdx", s.path + "/changed.kdx");
    kdx::test::SimProcess sim({"--serial", "0x42"});
    CliRun r = cli(s, "write changed.kdx --port " + sim.ptyPath() + " --json --quiet");
    EXPECT_EQ(r.exit, 9) << r.out << r.err;
    EXPECT_EQ(objectCount(r.out), 1u) << r.out;
    EXPECT_NE(r.out.find("saved from another controller: serial number 0x0001E240, this one is 0x00000042"),
              std::string::npos)
        << r.out;
    r = cli(s, "diff changed.kdx ecu: --port " + sim.ptyPath() + " --json --quiet");
    EXPECT_NE(r.out.find("GeneralDelay"), std::string::npos) << "nothing was written: " << r.out;
}

TEST(CliProgram, DiffExitCodeAndOnlyRegularOutputFiles)
{
    REQUIRE_CLI();
    Scratch s;
    ASSERT_EQ(cli(s, "read --demo -o a.kdx --quiet").exit, 0);
    changedCopy(s.path + "/a.kdx", s.path + "/b.kdx");
    EXPECT_EQ(cli(s, "diff a.kdx a.kdx --exit-code --quiet").exit, 0);
    EXPECT_EQ(cli(s, "diff a.kdx b.kdx --exit-code --quiet").exit, 1);
    EXPECT_EQ(cli(s, "diff a.kdx b.kdx --quiet").exit, 0);

    // -o replaces neither a link, nor a FIFO, and makes no folder.
    ASSERT_EQ(::symlink((s.path + "/target").c_str(), (s.path + "/link").c_str()), 0);
    ASSERT_EQ(::mkfifo((s.path + "/fifo").c_str(), 0600), 0);
    for (const char* target : {"link", "fifo", "no-folder/x.kdx"}) {
        for (const char* raw : {"", " --raw"}) {
            CliRun r = cli(s, std::string("read --demo --json --quiet -o ") + target + raw);
            EXPECT_EQ(r.exit, 6) << target << raw << r.out;
            EXPECT_EQ(objectCount(r.out), 1u) << r.out;
        }
    }
    struct stat st {};
    EXPECT_EQ(::lstat((s.path + "/link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(::lstat((s.path + "/target").c_str(), &st), 0) << "nothing written through the link";
    EXPECT_EQ(::lstat((s.path + "/fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_NE(::lstat((s.path + "/no-folder").c_str(), &st), 0);
}

TEST(CliProgram, MonitorEndsWithExit5AndASummaryWhenTheAdapterGoes)
{
    REQUIRE_CLI();
    KDX_REQUIRE_SIM();
    // Frames: 2 identify + 4 pages, then status requests.
    kdx::test::SimProcess sim({"--fault", "pull=16"});
    Scratch s;
    CliRun r = cli(s, "monitor --port " + sim.ptyPath() + " --seconds 20 --json --quiet");
    EXPECT_EQ(r.exit, 5) << r.out << r.err;
    const auto lines = r.lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("\"exit\":5"), std::string::npos) << lines.back();
    EXPECT_NE(lines.back().find("\"frames\":"), std::string::npos) << lines.back();
    EXPECT_NE(r.err.find("the link to the controller was lost"), std::string::npos) << r.err;
}

TEST(CliProgram, SetChangesAFileThroughTheEditorsRules)
{
    REQUIRE_CLI();
    Scratch s;
    ASSERT_EQ(cli(s, "read --demo -o a.kdx --quiet").exit, 0);
    const std::string original = slurp(s.path + "/a.kdx");
    struct Case {
        const char* assignments;
        int exit;
        const char* says; // in the output (the change, or why it was refused)
    };
    const Case cases[] = {
        {"GeneralDelay=7", 0, "{\"name\":\"GeneralDelay\",\"old\":\"5 s\",\"new\":\"7 s\"}"},
        {"GeneralDelay=0", 0, "\"new\":\"1 s\""}, // as the editor: no delay of zero
        {"MaxHum=95.5 ManualTrigP1Ton[3]=2.5", 0, "{\"name\":\"ManualTrigP1Ton[3]\",\"old\":\"0.0 s\",\"new\":\"2.5 s\"}"},
        {"GeneralDelay=70000", 2, "GeneralDelay=70000"},
        {"GeneralDelay=7 MaxHum=abc", 2, "MaxHum=abc"},
        {"NoSuchField=1", 2, "NoSuchField is not a value"},
        {"GeneralDelay", 2, "is not NAME=VALUE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.assignments);
        std::ofstream(s.path + "/b.kdx", std::ios::binary) << original;
        CliRun r = cli(s, std::string("set b.kdx ") + c.assignments + " --json");
        EXPECT_EQ(r.exit, c.exit) << r.out << r.err;
        EXPECT_EQ(objectCount(r.out), 1u) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        if (c.exit != 0) {
            EXPECT_EQ(slurp(s.path + "/b.kdx"), original) << "a refused value leaves the file as it was";
        } else {
            // Image, field lines and checksum agree: the file loads and
            // differs from the original in exactly what was set.
            kdx::ParameterFileRead back = kdx::ParameterFileStore::load(s.path + "/b.kdx");
            ASSERT_TRUE(back.ok()) << back.error;
            CliRun d = cli(s, "diff a.kdx b.kdx --json --exit-code");
            EXPECT_EQ(d.exit, 1) << d.out;
        }
    }
}
