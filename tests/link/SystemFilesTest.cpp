#include "link/SystemFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace kdx {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class SystemFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path()
            / ("kdx-systemfiles-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::set<std::string> names() const
    {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(m_dir))
            out.insert(e.path().filename().string());
        return out;
    }
    fs::path m_dir;
};

TEST_F(SystemFilesTest, ReplaceMovesOntoAnExistingFileAndKeepsItWhenTheSourceIsMissing)
{
    const fs::path target = m_dir / "target.bin";
    std::ofstream(target) << "old";
    std::ofstream(m_dir / "new.bin") << "new";
    EXPECT_EQ(SystemFiles::replace((m_dir / "new.bin").string(), target.string()), "");
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(names(), std::set<std::string>{"target.bin"});

    EXPECT_NE(SystemFiles::replace((m_dir / "gone.bin").string(), target.string()), "");
    EXPECT_EQ(contents(target), "new");
}

TEST_F(SystemFilesTest, WriteReplacingLeavesOnlyTheFinishedFileAndMakesTheFolderOnlyWhenAsked)
{
    const fs::path target = m_dir / "image.bin";
    std::ofstream(target) << "a longer earlier content";
    EXPECT_EQ(SystemFiles::writeReplacing(target.string(), std::string("x\0y", 3), false), "");
    EXPECT_EQ(contents(target), std::string("x\0y", 3));
    EXPECT_EQ(names(), std::set<std::string>{"image.bin"});

    const fs::path nested = m_dir / "sub" / "image.bin";
    EXPECT_NE(SystemFiles::writeReplacing(nested.string(), "z", false), "");
    EXPECT_FALSE(fs::exists(m_dir / "sub"));
    EXPECT_EQ(SystemFiles::writeReplacing(nested.string(), "z", true), "");
    EXPECT_EQ(contents(nested), "z");
}

TEST_F(SystemFilesTest, WriteFreshMakesANewReadableFileEachTimeAndNothingOnFailure)
{
    const std::string prefix = (m_dir / ".result.txt.").string();
    std::string first, second;
    ASSERT_EQ(SystemFiles::writeFresh(prefix, "one", first), "");
    ASSERT_EQ(SystemFiles::writeFresh(prefix, "two", second), "");
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(prefix, 0), 0u) << first;
    EXPECT_EQ(contents(first), "one");
    EXPECT_EQ(contents(second), "two");
    const fs::perms readable = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    EXPECT_EQ(fs::status(first).permissions() & readable, readable);

    std::string none = "untouched";
    EXPECT_NE(SystemFiles::writeFresh((m_dir / "missing" / "x.").string(), "three", none), "");
    EXPECT_EQ(none, "untouched");
    EXPECT_EQ(names().size(), 2u);
}

} // namespace
} // namespace kdx
