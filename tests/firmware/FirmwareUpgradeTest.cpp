#include "FirmwareTestFiles.h"
#include "firmware/FirmwareUpgrade.h"
#include "support/RecordingPrompts.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <unistd.h>

using namespace kdx;
using namespace kdx::test;

namespace {

class RecordingHost : public UpgradeHost {
public:
    void clearLog() override { log.clear(); }
    void insertLogLine(const std::string& line) override { log.insert(log.begin(), line); }
    void setBootProgress(int position, int maximum) override
    {
        lastProgress = position;
        progressMax = maximum;
    }
    void setTalkToBootCaption(const std::string& c) override { talkCaption = c; }
    void setSwitchToSaveCaption(const std::string& c) override { saveCaption = c; }
    void autoConnect() override { ++autoConnects; }

    std::vector<std::string> log; // newest first, as on the page
    int lastProgress = -1;
    int progressMax = -1;
    std::string talkCaption;
    std::string saveCaption;
    int autoConnects = 0;
};

// Plays the controller: the application answers nothing to the boot command,
// the bootloader answers its query, its write switch and each block.
struct Bootloader {
    bool answerQuery = true;
    bool answerWriteMode = true;
    // Result code per block, consumed one per block frame; default 0.
    std::map<uint32_t, std::vector<uint8_t>> codes;
    uint32_t blocksSeen = 0;
    std::vector<uint8_t> blockFirstBytes;

    void attach(ScriptedLine& line)
    {
        line.onTransmit = [this, &line](const std::vector<uint8_t>& bytes, const std::string&) {
            if (bytes.size() != 212)
                return;
            if (bytes[0] == 0x42 && bytes[1] == 0x69 && bytes[2] >= 1 && bytes[2] <= 3) {
                if (bytes[2] == 1 && answerQuery)
                    line.arriveAfter(5, {0x42, 0x69, 1, 2, 3, 4, 5, 6});
                if (bytes[2] == 2 && answerWriteMode)
                    line.arriveAfter(5, {0x42, 0x69, 0xAA, 0, 0});
                return;
            }
            // A block frame: its first payload byte tells which block it is.
            const uint32_t block = static_cast<uint32_t>((bytes[0] - 1) / 7);
            blockFirstBytes.push_back(bytes[0]);
            uint8_t code = 0;
            auto& queue = codes[block];
            if (!queue.empty()) {
                code = queue.front();
                queue.erase(queue.begin());
            }
            line.arriveAfter(3, {0x42, 0x69, code, 0x00, static_cast<uint8_t>(block)});
        };
    }
};

class FirmwareUpgradeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/kdx-fwXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
        ASSERT_NE(getcwd(m_cwd, sizeof m_cwd), nullptr);
        state.softwareVersion = 1;
        state.connected = true;
        line.open("dev");
        state.portOpen = true;
        boot.attach(line);
    }
    void TearDown() override
    {
        (void)chdir(m_cwd);
        std::string cmd = "rm -rf " + m_dir;
        (void)system(cmd.c_str());
    }
    std::string writeFile(const std::string& text)
    {
        const std::string path = m_dir + "/fw.hex";
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    void runWith(const std::string& text)
    {
        prompts.fileAnswers.push_back(writeFile(text));
        upgrade.run();
    }
    // Frames sent after the boot command, by kind: 'Q', 'W', 'L' boot frames, 'B' blocks.
    std::string frameKinds() const
    {
        std::string kinds;
        for (const auto& f : line.sentFrames()) {
            if (f.size() == 6)
                kinds += 'C';
            else if (f[0] == 0x42 && f[1] == 0x69 && f[2] >= 1 && f[2] <= 3)
                kinds += "QWL"[f[2] - 1];
            else
                kinds += 'B';
        }
        return kinds;
    }

    TestClock clock;
    ScriptedLine line{clock};
    ConnectionState state;
    DeviceLink link{line, clock, state};
    RecordingPrompts prompts;
    RecordingHost host;
    Bootloader boot;
    uint32_t seed = 1;
    FirmwareUpgrade upgrade{link, prompts, host, "/nonexistent-firmware-folder",
                            [this] { return seed = seed * 1103515245u + 12345u; }};
    std::string m_dir;
    char m_cwd[4096]{};
};

} // namespace

TEST_F(FirmwareUpgradeTest, WholeUpgradeWithEraseReplyOnBlockFour)
{
    boot.codes[4] = {4};
    runWith(makeFirmwareText(6));

    EXPECT_EQ(frameKinds(), "CQWBBBBBBL");
    const auto frames = line.sentFrames();
    EXPECT_EQ(frames[0], (std::vector<uint8_t>{0xAA, 0xAA, 0x00, 0x00, 0xFE, 0xE0}));
    for (const auto& f : frames) {
        if (f.size() != 212)
            continue;
        uint8_t sum = 0;
        for (size_t i = 0; i < 210; ++i)
            sum = static_cast<uint8_t>(sum + f[i]);
        EXPECT_EQ(f[210], sum);
        EXPECT_EQ(f[211], 0xE0);
        if (f[0] == 0x42)
            for (size_t i = 3; i < 210; ++i)
                ASSERT_LE(f[i], 254);
    }
    EXPECT_EQ(host.talkCaption, "msg: 0x42 0x69 0x01 0x02 0x03 0x04 0x05 0x06");
    EXPECT_EQ(host.saveCaption, "tryb zapisu : 0x42 0x69 0xAA 0x00 0x00");
    ASSERT_GE(host.log.size(), 4u);
    EXPECT_EQ(host.log.front(), "5 jest: 0x42 0x69 0x00 0x00 0x05");
    EXPECT_EQ(host.log[1], "4 jest: 0x42 0x69 0x04 0x00 0x04");
    EXPECT_EQ(host.log.back(), std::to_string(makeFirmwareText(6).size()) + " Bytes Read");
    EXPECT_TRUE(state.connected);
    EXPECT_EQ(host.autoConnects, 1);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FirmwareUpgradeTest, RejectedBlockGoesOutTwiceThenRepeats)
{
    boot.codes[2] = {1};
    runWith(makeFirmwareText(3));
    // Block 2: sent, rejected, resent at once, then sent again and accepted.
    EXPECT_EQ(frameKinds(), "CQWBBBBBL");
    const std::vector<std::string> top(host.log.begin(), host.log.begin() + 4);
    EXPECT_EQ(top, (std::vector<std::string>{"2 jest: 0x42 0x69 0x00 0x00 0x02", "2 error - CRC",
                                             "2 redo write", "1 jest: 0x42 0x69 0x00 0x00 0x01"}));
}

TEST_F(FirmwareUpgradeTest, EraseCodeOnAnotherBlockAndUnknownCodesRepeat)
{
    boot.codes[1] = {4, 9};
    runWith(makeFirmwareText(2));
    const std::vector<std::string> top(host.log.begin(), host.log.begin() + 5);
    EXPECT_EQ(top, (std::vector<std::string>{"1 jest: 0x42 0x69 0x00 0x00 0x01", "1 redo write",
                                             "1 erase Flash OK :-) ", "1 redo write",
                                             "0 jest: 0x42 0x69 0x00 0x00 0x00"}));
}

TEST_F(FirmwareUpgradeTest, BlockRejectedWithoutEndGivesUpAndStaysInBootloader)
{
    boot.codes[0] = std::vector<uint8_t>(50, 2);
    runWith(makeFirmwareText(2));
    EXPECT_EQ(host.log.front(), " ERROR during upgrade");
    EXPECT_EQ(frameKinds(), "CQW" + std::string(2 * fw::kMaxBlockAttempts, 'B'));
    EXPECT_FALSE(state.connected);
    EXPECT_EQ(host.autoConnects, 0);
}

TEST_F(FirmwareUpgradeTest, EarlyEnds)
{
    struct Case {
        const char* name;
        uint8_t softwareVersion;
        std::optional<std::string> file; // text, or no file chosen
        bool answerQuery;
        bool answerWriteMode;
        std::string kinds;
        std::string topLine;
        std::vector<std::string> messages;
        bool connectedAfter;
    };
    std::string badCrc = makeFirmwareText(2);
    badCrc[recordCharIndex(fw::kHeaderRecords + 1, 3)] = 'F';
    const std::vector<Case> cases = {
        {"newer software", 2, makeFirmwareText(1), true, true, "", "", {}, true},
        {"cancelled dialog", 1, std::nullopt, true, true, "", "Firmware file error", {}, true},
        {"short file", 1, makeFirmwareText(3).substr(0, 426 * 13), true, true, "", "Firmware file error", {}, true},
        {"wrong compatibility", 1, makeFirmwareText(1, "001.097.002"), true, true, "",
         std::to_string(makeFirmwareText(1).size()) + " Bytes Read",
         {"ERROR VERSION CONFLICT confirm: 2 !"}, true},
        {"no bootloader answer", 0, makeFirmwareText(1), false, true, "CQL", " ERROR Bootloader RESP", {}, true},
        {"no write switch", 1, makeFirmwareText(1), true, false, "CQW",
         " ERROR Bootloader setting WRITE FLASH OPERATION", {}, false},
        {"checksum error in file", 1, badCrc, true, true, "CQW", " ERROR during upgrade", {"CRC file error."}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestClock clk;
        ScriptedLine ln{clk};
        ConnectionState st;
        st.softwareVersion = c.softwareVersion;
        st.connected = true;
        ln.open("dev");
        st.portOpen = true;
        DeviceLink lk{ln, clk, st};
        RecordingPrompts pr;
        RecordingHost hs;
        Bootloader bl;
        bl.answerQuery = c.answerQuery;
        bl.answerWriteMode = c.answerWriteMode;
        bl.attach(ln);
        if (c.file)
            pr.fileAnswers.push_back(writeFile(*c.file));
        FirmwareUpgrade up{lk, pr, hs, m_dir};
        up.run();

        std::string kinds;
        for (const auto& f : ln.sentFrames())
            kinds += f.size() == 6 ? 'C' : (f[0] == 0x42 ? "QWL"[f[2] - 1] : 'B');
        EXPECT_EQ(kinds, c.kinds);
        EXPECT_EQ(hs.log.empty() ? "" : hs.log.front(), c.topLine);
        EXPECT_EQ(pr.messages, c.messages);
        EXPECT_EQ(st.connected, c.connectedAfter);
        EXPECT_EQ(hs.autoConnects, 0);
        if (c.name == std::string("no bootloader answer"))
            EXPECT_EQ(hs.talkCaption, "Response error");
        if (c.name == std::string("no write switch"))
            EXPECT_EQ(hs.saveCaption, "Brak przelaczenia w zapis");
    }
}

TEST_F(FirmwareUpgradeTest, ZeroBlocksGoesStraightToLeaveAndReconnect)
{
    runWith(makeFirmwareText(0));
    EXPECT_EQ(frameKinds(), "CQWL");
    EXPECT_EQ(host.autoConnects, 1);
}

TEST_F(FirmwareUpgradeTest, UnreadableFileShowsTheFileErrorBox)
{
    prompts.fileAnswers.push_back(m_dir + "/missing.hex");
    upgrade.run();
    EXPECT_EQ(prompts.messages,
              (std::vector<std::string>{
                  "File Error: Can't perform one of the following file operations: Open, Seek, Read, Close."}));
    EXPECT_EQ(host.log, (std::vector<std::string>{"Firmware file error"}));
    EXPECT_TRUE(line.sentFrames().empty());
}

TEST_F(FirmwareUpgradeTest, DialogStartsInFirmwareFolderAndMovesTheProcessThere)
{
    FirmwareUpgrade up{link, prompts, host, m_dir};
    up.run(); // cancelled
    ASSERT_EQ(prompts.dialogFolders, (std::vector<std::string>{m_dir}));
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd), m_dir);
}

TEST_F(FirmwareUpgradeTest, BlockTimingFollowsTheProtocolWaits)
{
    runWith(makeFirmwareText(1));
    // Per block: 5 ms before the frame, 20 ms after it, then the reply polls.
    const auto& sent = line.sent();
    ASSERT_EQ(frameKinds(), "CQWBL");
    const uint64_t blockAt = sent[3].atMs;
    const uint64_t leaveAt = sent[4].atMs;
    // The reply is in by the first 2 ms poll, and the second poll completes
    // the read; the leave frame then waits its own 5 ms.
    EXPECT_EQ(leaveAt - blockAt, 20u + 2u * 2u + 5u);
}
