// Where the tool keeps its files, and why a parameter file could not be
// saved there.
#include "link/SystemFiles.h"
#include "params/DataFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace kdx {
namespace {

namespace fs = std::filesystem;

TEST(DataFolder, StaysWhereWritableElseTheUsersDataFolder)
{
    const fs::path scratch = fs::temp_directory_path() / ("kdx-data-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    fs::create_directories(scratch / "home");
    const std::string home = (scratch / "home").string();
    const std::string xdg = (scratch / "xdg").string();
    struct Case {
        const char* what;
        bool startWritable;
        std::string xdgDataHome, home;
        std::string expected;
        bool moved;
    } cases[] = {
        {"a folder of one's own", true, xdg, home, "/start", false},
        {"read-only, XDG_DATA_HOME set", false, xdg, home, xdg + "/kdx", true},
        {"read-only, no XDG_DATA_HOME", false, "", home, home + "/.local/share/kdx", true},
        {"read-only, relative XDG_DATA_HOME is ignored", false, "data", home, home + "/.local/share/kdx", true},
        {"read-only, nowhere else to go", false, "", "", "/start", false},
    };
    for (const Case& c : cases) {
        std::string asked;
        const DataFolderChoice choice = chooseDataFolder("/start", c.xdgDataHome, c.home, [&](const std::string& dir) {
            asked = dir;
            return c.startWritable;
        });
        EXPECT_EQ(asked, "/start") << c.what;
        EXPECT_EQ(choice.path, c.expected) << c.what;
        EXPECT_EQ(choice.moved, c.moved) << c.what;
        EXPECT_TRUE(choice.error.empty()) << c.what;
        if (c.moved) {
            EXPECT_TRUE(fs::is_directory(c.expected)) << c.what << ": made when missing";
        }
    }
    // A data folder that cannot be made: stay, and say why.
    std::ofstream(scratch / "file") << "x";
    const DataFolderChoice blocked = chooseDataFolder("/start", (scratch / "file").string(), home,
                                                      [](const std::string&) { return false; });
    EXPECT_EQ(blocked.path, "/start");
    EXPECT_FALSE(blocked.moved);
    EXPECT_EQ(blocked.error, (scratch / "file/kdx").string() + ": " + std::strerror(ENOTDIR));
    fs::remove_all(scratch);
}

TEST(ParameterFileSave, AFolderThatCannotBeMadeIsTheCauseNamed)
{
    // Making a folder in /sys is refused (not permitted, or a read-only file
    // system), for root too; the file's own open would only find it missing.
    const std::string folder = "/sys/kdx-no-such-folder-" + std::to_string(::getpid());
    std::error_code made;
    fs::create_directories(folder, made);
    ASSERT_TRUE(made) << "premise: the folder cannot be made";
    ASSERT_NE(made.value(), ENOENT);
    const std::string error = SystemFiles::writeReplacing(folder + "/parametry/p.txt", "x", true);
    EXPECT_EQ(error, made.message());
}

} // namespace
} // namespace kdx
