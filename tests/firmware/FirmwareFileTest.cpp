#include "FirmwareTestFiles.h"
#include "firmware/FirmwareFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace kdx;
using kdx::test::makeFirmwareText;
using kdx::test::recordCharIndex;

TEST(FirmwareFile, HexDigitsUpperCaseOnly)
{
    const std::vector<std::pair<char, int>> cases = {
        {'0', 0}, {'9', 9}, {'A', 10}, {'F', 15}, {'a', 0}, {'f', 0}, {'G', 0}, {' ', 0}, {'\r', 0}};
    for (auto [c, v] : cases)
        EXPECT_EQ(hexDigitValue(c), v) << c;
    FirmwareFile f(std::string("4A4a") + std::string(10, '0'));
    EXPECT_EQ(f.recordByte(0, 0), 0x4A);
    EXPECT_EQ(f.recordByte(0, 1), 0x40);
}

TEST(FirmwareFile, HeaderFields)
{
    struct Case {
        std::string version;
        uint8_t compatibility;
    };
    for (const auto& c : std::vector<Case>{{"001.097.001", 1}, {"001.097.257", 1}, {"001.097.002", 2}}) {
        FirmwareFile f(makeFirmwareText(3, c.version));
        EXPECT_EQ(f.compatibilityNumber(), c.compatibility) << c.version;
        EXPECT_EQ(f.versionNumber(fw::kVersionFirstByte), 1);
        EXPECT_EQ(f.versionNumber(fw::kVersionSecondByte), 97);
    }
    // Only the low 16 bits of the count field count: 05 00 01 00 is 5 blocks.
    FirmwareFile f(makeFirmwareText(5, "001.097.001", 0x00010005));
    EXPECT_EQ(f.blockCount(), 5);
    EXPECT_TRUE(f.isComplete());
}

TEST(FirmwareFile, VerifyLinesAndErrors)
{
    std::string text = makeFirmwareText(3);
    FirmwareFile good(text);
    auto check = verifyFirmwareBlocks(good);
    EXPECT_EQ(check.errors, 0);
    EXPECT_EQ(check.lines, (std::vector<std::string>{"0: CRC OK", "1: CRC OK", "2: CRC OK"}));

    // Corrupt one payload digit of block 1: only that block fails, the pass goes on.
    const size_t at = recordCharIndex(fw::kHeaderRecords + 1, 5);
    text[at] = text[at] == '1' ? '2' : '1';
    check = verifyFirmwareBlocks(FirmwareFile(text));
    EXPECT_EQ(check.errors, 1);
    EXPECT_EQ(check.lines, (std::vector<std::string>{"0: CRC OK", "1: CRC Error", "2: CRC OK"}));

    // Zero blocks: nothing to check, nothing logged.
    check = verifyFirmwareBlocks(FirmwareFile(makeFirmwareText(0)));
    EXPECT_EQ(check.errors, 0);
    EXPECT_TRUE(check.lines.empty());
}

TEST(FirmwareFile, LowerCaseOrShiftedRecordsFailTheCheck)
{
    std::string lower = makeFirmwareText(2);
    for (size_t i = recordCharIndex(fw::kHeaderRecords, 0); i < lower.size(); ++i)
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i])));
    EXPECT_GT(verifyFirmwareBlocks(FirmwareFile(lower)).errors, 0);

    // One-character line ends in the data records shift every later record.
    std::string lf = makeFirmwareText(3);
    const size_t dataStart = recordCharIndex(fw::kHeaderRecords, 0);
    for (size_t p = dataStart; (p = lf.find("\r\n", p)) != std::string::npos;)
        lf.erase(p, 1);
    lf += std::string(10, '0'); // long enough to count as complete
    FirmwareFile shifted(lf);
    ASSERT_EQ(shifted.blockCount(), 3);
    ASSERT_TRUE(shifted.isComplete());
    EXPECT_EQ(verifyFirmwareBlocks(shifted).errors, 2); // block 0 still lines up
}

TEST(FirmwareFile, ShortFilesAreIncompleteAndReadsStayInside)
{
    const std::string full = makeFirmwareText(4);
    EXPECT_TRUE(FirmwareFile(full).isComplete());
    // The last record's line end is never read.
    EXPECT_TRUE(FirmwareFile(full.substr(0, full.size() - 2)).isComplete());
    EXPECT_FALSE(FirmwareFile(full.substr(0, full.size() - 3)).isComplete());
    EXPECT_FALSE(FirmwareFile(full.substr(0, 426 * 11)).isComplete());
    EXPECT_FALSE(FirmwareFile("").isComplete());
    // Reading beyond the end gives 0 rather than touching memory past the text.
    FirmwareFile cut(full.substr(0, 426 * 12 + 10));
    EXPECT_EQ(cut.recordByte(fw::kHeaderRecords + 3, 200), 0);
    EXPECT_EQ(cut.blockCount(), 4);
}

TEST(FirmwareFile, BlockFrameHasFreshSumAndEndMark)
{
    std::string text = makeFirmwareText(2);
    // Spoil the stored sum of block 1: the frame carries the computed one.
    const size_t at = recordCharIndex(fw::kHeaderRecords + 1, fw::kBlockSumIndex);
    text[at] = 'F';
    text[at + 1] = 'F';
    FirmwareFile f(text);
    const auto frame = f.buildBlockFrame(1);
    EXPECT_EQ(frame[0], static_cast<uint8_t>(1 * 7 + 0 * 13 + 1));
    uint8_t sum = 0;
    for (size_t i = 0; i < fw::kPayloadBytes; ++i)
        sum = static_cast<uint8_t>(sum + frame[i]);
    EXPECT_EQ(frame[fw::kBlockSumIndex], sum);
    EXPECT_NE(frame[fw::kBlockSumIndex], 0xFF);
    EXPECT_EQ(frame[fw::kFrameEndIndex], 0xE0);
}

TEST(FirmwareFile, ShippedSampleIsCompleteAndCompatible)
{
    std::ifstream in(std::string(KDX_SOURCE_DIR) + "/Firmware/demo.hex", std::ios::binary);
    ASSERT_TRUE(in.good());
    std::string text((std::istreambuf_iterator<char>(in)), {});
    FirmwareFile f(text);
    EXPECT_TRUE(f.isComplete());
    EXPECT_EQ(f.compatibilityNumber(), 1);
    EXPECT_EQ(f.blockCount(), 40);
    EXPECT_EQ(verifyFirmwareBlocks(f).errors, 0);
}

TEST(FirmwareFile, LayoutIsCheckedAgainstTheRecordsPresent)
{
    const std::string full = makeFirmwareText(3);
    struct Case {
        const char* name;
        std::string text;
        FileFault fault;
    };
    const std::vector<Case> cases = {
        {"complete", full, FileFault::None},
        {"no last line end", full.substr(0, full.size() - 2), FileFault::None},
        {"only a line feed at the end", full.substr(0, full.size() - 1), FileFault::None},
        {"an empty line after the last record", full + "\r\n", FileFault::None},
        {"cut inside a record", full.substr(0, full.size() - 5), FileFault::NotWholeRecords},
        {"shorter than the header", full.substr(0, 426 * 11), FileFault::NotWholeRecords},
        {"empty", "", FileFault::NotWholeRecords},
        {"no blocks named", makeFirmwareText(0), FileFault::NoBlocks},
        {"fewer named than present", makeFirmwareText(3, "001.097.001", 2), FileFault::CountDisagrees},
        {"more named than present", makeFirmwareText(3, "001.097.001", 4), FileFault::CountDisagrees},
        // Only the low 16 bits count: 0x00010003 names 3 blocks.
        {"high bits ignored", makeFirmwareText(3, "001.097.001", 0x00010003), FileFault::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkFileLayout(FirmwareFile(c.text)), c.fault) << c.name;
    EXPECT_EQ(fileFaultText(FileFault::CountDisagrees, FirmwareFile(makeFirmwareText(3, "001.097.001", 2))),
              "the header names 2 blocks, the file holds 3");
}
