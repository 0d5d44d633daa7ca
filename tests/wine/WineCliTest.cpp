// kdx-cli.exe, cross-built for Windows, under Wine against kdx-sim: the
// simulator's pseudo-terminal is linked as COM5 in a throwaway Wine prefix,
// and every command must put the same frames on the wire as the Linux
// kdx-cli does for it. Runs when KDX_CLI_EXE names the .exe and wine is
// installed (scripts/test does both); skipped otherwise.

#include "params/ParameterFileStore.h"
#include "params/ParameterLayout.h"
#include "support/SimProcess.h"
#include "support/TraceLine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct ToolRun {
    int exit = -1;
    std::string out;
    std::string err;
};

// One kdx-cli, Linux or Windows, run in a scratch folder.
class Tool {
public:
    Tool(bool windows, fs::path scratch, fs::path prefix)
        : m_windows(windows), m_scratch(std::move(scratch)), m_prefix(std::move(prefix))
    {
        fs::create_directories(m_scratch);
    }
    // The port argument for the simulator at pty: a COM name under Wine.
    std::string port(const std::string& pty) const
    {
        if (!m_windows)
            return pty;
        const fs::path link = m_prefix / "dosdevices" / "com5";
        std::error_code ec;
        fs::remove(link, ec);
        fs::create_symlink(pty, link);
        return "COM5";
    }
    ToolRun run(const std::string& args) const
    {
        ToolRun r;
        const std::string program = m_windows
            ? "WINEPREFIX='" + m_prefix.string() + "' WINEDEBUG=-all timeout 120 wine '" + env("KDX_CLI_EXE") + "'"
            : "timeout 120 '" + env("KDX_CLI") + "'";
        const fs::path out = m_scratch / "stdout", err = m_scratch / "stderr";
        r.exit = shell("cd '" + m_scratch.string() + "' && " + program + " " + args + " >'" + out.string() + "' 2>'"
                       + err.string() + "' </dev/null");
        r.out = slurp(out);
        r.err = slurp(err);
        // Wine writes CR LF; the Linux tool LF.
        for (std::string* s : {&r.out, &r.err})
            for (size_t at; (at = s->find("\r\n")) != std::string::npos;)
                s->erase(at, 1);
        return r;
    }
    const fs::path& scratch() const { return m_scratch; }

private:
    bool m_windows;
    fs::path m_scratch;
    fs::path m_prefix;
};

std::vector<std::string> pcFrames(kdx::test::SimProcess& sim)
{
    std::vector<std::string> frames;
    for (const auto& line : sim.linesSoFar(300))
        if (const auto hex = kdx::test::pcFrameHex(line))
            frames.push_back(*hex);
    return frames;
}

std::vector<std::string> withCode(const std::vector<std::string>& frames, const std::string& code)
{
    std::vector<std::string> found;
    for (const auto& f : frames)
        if (f.compare(0, code.size(), code) == 0)
            found.push_back(f);
    return found;
}

// A polling run repeats one request as often as its seconds allow: the
// frames that differ, in order.
std::vector<std::string> distinctInOrder(const std::vector<std::string>& frames)
{
    std::vector<std::string> out;
    for (const auto& f : frames)
        if (out.empty() || out.back() != f)
            out.push_back(f);
    return out;
}

// Equal frame lists, or where they part (kept short: a frame can be long).
testing::AssertionResult sameFrames(const std::vector<std::string>& windows, const std::vector<std::string>& onLinux)
{
    if (windows == onLinux)
        return testing::AssertionSuccess();
    size_t i = 0;
    while (i < windows.size() && i < onLinux.size() && windows[i] == onLinux[i])
        ++i;
    auto at = [i](const std::vector<std::string>& v) { return i < v.size() ? v[i].substr(0, 40) : "(end)"; };
    return testing::AssertionFailure() << windows.size() << " frames on Windows, " << onLinux.size()
                                       << " on Linux; frame " << i << " is \"" << at(windows) << "\" against \""
                                       << at(onLinux) << "\"";
}

// The bootloader's control frames ("42 69" and their kind) carry random
// filler by design: their kind and length are what must match.
std::vector<std::string> withoutFiller(std::vector<std::string> frames)
{
    for (auto& f : frames)
        if (f.compare(0, 5, "42 69") == 0)
            f = f.substr(0, 8) + " (" + std::to_string((f.size() + 1) / 3) + " bytes)";
    return frames;
}

std::string withoutPort(std::string json)
{
    const size_t at = json.find("\"port\":\"");
    if (at != std::string::npos)
        json.erase(at, json.find('"', at + 8) + 2 - at);
    return json;
}

// What one tool did: its runs and the frames each put on the wire.
struct Session {
    std::map<std::string, ToolRun> runs;
    std::map<std::string, std::vector<std::string>> frames;
};

// The same commands, in the same order, against a fresh simulated controller.
Session runCommands(const Tool& tool)
{
    Session s;
    const fs::path eeprom = tool.scratch() / "eeprom.bin";
    fs::copy_file(KDX_SOURCE_DIR "/Firmware/demo.hex", tool.scratch() / "demo.hex");
    kdx::test::SimProcess sim({"--eeprom", eeprom.string(), "--trace"});
    const std::string port = " --port " + tool.port(sim.ptyPath());
    auto step = [&](const std::string& name, const std::string& args) {
        (void)pcFrames(sim);
        s.runs[name] = tool.run(args + port + " --json --quiet");
        s.frames[name] = pcFrames(sim);
    };
    step("ports", "ports");
    step("identify", "identify");
    step("read", "read -o saved.kdx");
    kdx::ParameterFileRead saved = kdx::ParameterFileStore::load((tool.scratch() / "saved.kdx").string());
    if (saved.ok()) {
        auto& bytes = saved.file->image.bytes();
        bytes[kdx::layout::GeneralDelay.offset] = 7; // 5 s becomes 7 s
        bytes[kdx::layout::GeneralDelay.offset + 1] = 0;
        bytes[kdx::layout::MaxHum.offset] = 950 & 0xFF; // 95.0 %
        bytes[kdx::layout::MaxHum.offset + 1] = 950 >> 8;
        (void)kdx::ParameterFileStore::save((tool.scratch() / "changed.kdx").string(), *saved.file);
    }
    step("write", "write changed.kdx");
    step("flash", "flash demo.hex --restore");
    step("test", "test RQ412A0000001H02S4.7");
    step("monitor", "monitor --seconds 3");
    return s;
}

TEST(WineCli, EveryCommandPutsTheLinuxToolsFramesOnTheWire)
{
    if (!fs::exists(env("KDX_CLI_EXE")) || env("KDX_CLI").empty() || kdx::test::simProgram().empty()
        || shell("command -v wine >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "needs KDX_CLI_EXE (scripts/build-windows), KDX_CLI, KDX_SIM and wine";

    const fs::path root = fs::path(KDX_BINARY_DIR) / "wine-e2e";
    const fs::path prefix = root / "prefix";
    fs::remove_all(root);
    fs::create_directories(root);
    // A throwaway prefix, made quietly (no display, no desktop integration).
    ASSERT_EQ(shell("WINEPREFIX='" + prefix.string() + "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' "
                    "timeout 300 wineboot -i >'" + (root / "wineboot.log").string() + "' 2>&1"),
              0)
        << slurp(root / "wineboot.log").substr(0, 2000);

    const Session onLinux = runCommands(Tool(false, root / "linux", prefix));
    const Session onWindows = runCommands(Tool(true, root / "windows", prefix));
    (void)shell("WINEPREFIX='" + prefix.string() + "' wineserver -k >/dev/null 2>&1");

    for (const auto& [name, run] : onWindows.runs) {
        SCOPED_TRACE(name);
        const ToolRun& lin = onLinux.runs.at(name);
        EXPECT_EQ(lin.exit, 0) << lin.err.substr(0, 500) << lin.out.substr(0, 500);
        EXPECT_EQ(run.exit, 0) << run.err.substr(0, 500) << run.out.substr(0, 500);
        if (name == "monitor")
            EXPECT_TRUE(sameFrames(distinctInOrder(onWindows.frames.at(name)), distinctInOrder(onLinux.frames.at(name))));
        else
            EXPECT_TRUE(sameFrames(withoutFiller(onWindows.frames.at(name)), withoutFiller(onLinux.frames.at(name))));
    }
    EXPECT_EQ(withoutPort(onWindows.runs.at("identify").out), withoutPort(onLinux.runs.at("identify").out));
    EXPECT_NE(onWindows.runs.at("identify").out.find("\"port\":\"COM5\""), std::string::npos)
        << onWindows.runs.at("identify").out;
    EXPECT_NE(onWindows.runs.at("ports").out.find("COM5"), std::string::npos) << onWindows.runs.at("ports").out;

    // The write sends exactly the two changed words and one save.
    const auto& written = onWindows.frames.at("write");
    const auto words = withCode(written, "D1");
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].substr(0, 11), "D1 BB 00 07");
    EXPECT_EQ(words[1].substr(0, 11), "D1 C7 03 B6");
    EXPECT_EQ(withCode(written, "E1").size(), 1u);
    EXPECT_NE(onWindows.runs.at("write").out.find("\"verified\":true"), std::string::npos);

    EXPECT_NE(onWindows.runs.at("flash").out.find("\"outcome\":\"done\""), std::string::npos)
        << onWindows.runs.at("flash").out;
    EXPECT_NE(onWindows.runs.at("test").out.find("\"sound\":true"), std::string::npos) << onWindows.runs.at("test").out;
    // The result file the test wrote, with the tester's line ends, as on Linux.
    std::vector<std::string> results[2];
    for (int i = 0; i < 2; ++i)
        for (const auto& e : fs::directory_iterator(root / (i ? "windows" : "linux")))
            if (e.path().extension() == ".txt")
                results[i].push_back(slurp(e.path()));
    ASSERT_EQ(results[1].size(), 1u);
    ASSERT_EQ(results[0].size(), 1u);
    EXPECT_NE(results[1][0].find("\r\n"), std::string::npos);
    EXPECT_EQ(results[1][0].size(), results[0][0].size());
    EXPECT_GT(onWindows.frames.at("monitor").size(), 10u);
}

} // namespace
