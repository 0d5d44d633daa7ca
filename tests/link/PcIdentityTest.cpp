#include "link/PcIdentity.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/statvfs.h>
#include <unistd.h>

namespace kdx {
namespace {

TEST(PcIdentity, FirstEightHexDigitsOfTheMachineId)
{
    struct Case {
        const char* text;
        bool ok;
        uint32_t value;
    };
    const Case cases[] = {
        {"0123abcdef4567890123456789abcdef", true, 0x0123ABCD},
        {"FFFFFFFF", true, 0xFFFFFFFF},
        {"deadBEEF\n", true, 0xDEADBEEF},
        {"1234567", false, 0},
        {"1234567g", false, 0},
        {" 1234567", false, 0},
        {"", false, 0},
    };
    for (const auto& c : cases) {
        uint32_t id = 0x5A5A5A5A;
        EXPECT_EQ(parseMachineId(c.text, id), c.ok) << c.text;
        EXPECT_EQ(id, c.ok ? c.value : 0x5A5A5A5Au) << c.text;
    }
}

TEST(PcIdentity, ReadsTheFileElseFallsBackToTheFileSystemId)
{
    char path[] = "/tmp/kdx-machine-id-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    std::ofstream(path) << "9f86d081884c7d659a2feaa0c55ad015\n";
    EXPECT_EQ(readPcIdentity(path), 0x9F86D081u);

    std::ofstream(path) << "not an id\n";
    struct statvfs fs {};
    ASSERT_EQ(::statvfs(".", &fs), 0);
    EXPECT_EQ(readPcIdentity(path), static_cast<uint32_t>(fs.f_fsid));
    ::unlink(path);
    EXPECT_EQ(readPcIdentity(path), static_cast<uint32_t>(fs.f_fsid));
}

} // namespace
} // namespace kdx
