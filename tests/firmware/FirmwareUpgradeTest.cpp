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
    void autoConnect() override
    {
        ++autoConnects;
        if (onAutoConnect)
            onAutoConnect();
    }
    bool beforeUpgradeStarts() override
    {
        ++startChecks;
        sentBeforeStartCheck = sentSoFar ? sentSoFar() : 0;
        return allowStart;
    }
    std::vector<std::string> candidatePorts() override { return candidates; }

    bool hasLineContaining(const std::string& part) const
    {
        for (const auto& l : log)
            if (l.find(part) != std::string::npos)
                return true;
        return false;
    }

    std::vector<std::string> log; // newest first, as on the page
    int lastProgress = -1;
    int progressMax = -1;
    std::string talkCaption;
    std::string saveCaption;
    int autoConnects = 0;
    std::function<void()> onAutoConnect;
    bool allowStart = true;
    int startChecks = 0;
    std::function<size_t()> sentSoFar;
    size_t sentBeforeStartCheck = 0;
    std::vector<std::string> candidates;
};

// Plays the controller: the application answers nothing to the boot command,
// the bootloader answers its query, its write switch and each block.
struct Bootloader {
    bool answerQuery = true;
    bool answerWriteMode = true;
    // Only this port reaches the bootloader (empty: every port).
    std::string port;
    uint64_t blockReplyDelayMs = 3;
    // Replies per block, consumed one per block frame; default a full "accepted".
    std::map<uint32_t, std::vector<std::vector<uint8_t>>> replies;
    std::vector<uint8_t> always; // when set, the reply to every block frame

    static std::vector<uint8_t> code(uint8_t c, uint8_t tag = 0) { return {0x42, 0x69, c, 0x00, tag}; }

    void attach(ScriptedLine& line)
    {
        line.onTransmit = [this, &line](const std::vector<uint8_t>& bytes, const std::string& to) {
            if (bytes.size() != 212 || (!port.empty() && to != port))
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
            std::vector<uint8_t> reply = code(0, static_cast<uint8_t>(block));
            auto& queue = replies[block];
            if (!always.empty()) {
                reply = always;
            } else if (!queue.empty()) {
                reply = queue.front();
                queue.erase(queue.begin());
            }
            if (!reply.empty())
                line.arriveAfter(blockReplyDelayMs, reply);
        };
    }
};

// The 212 bytes of record r as a reader independent of the tool decodes them.
std::vector<uint8_t> recordBytes(const std::string& text, size_t record)
{
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'A' + 10; };
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < 212; ++i) {
        const size_t at = 426 * record + 2 * i;
        bytes.push_back(static_cast<uint8_t>(digit(text[at]) * 16 + digit(text[at + 1])));
    }
    return bytes;
}

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
        link.selectPort("dev");
        ASSERT_TRUE(link.openPort());
        boot.attach(line);
        host.sentSoFar = [this] { return line.sent().size(); };
        // The reconnect finds the controller with the file's version.
        host.onAutoConnect = [this] {
            state.connected = true;
            state.softwareVersion = 1;
            state.softwareRevision = 97;
        };
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
    FirmwareUpgrade::Outcome runWith(const std::string& text)
    {
        prompts.fileAnswers.push_back(writeFile(text));
        return upgrade.run();
    }
    // Frames sent, by kind: 'C' command, 'Q', 'W', 'L' boot frames, 'B' blocks.
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
    std::vector<std::string> topLines(size_t n) const
    {
        return {host.log.begin(), host.log.begin() + static_cast<long>(std::min(n, host.log.size()))};
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
    boot.replies[4] = {Bootloader::code(4, 4)};
    EXPECT_EQ(runWith(makeFirmwareText(6)), FirmwareUpgrade::Outcome::Done);

    EXPECT_EQ(frameKinds(), "CQWBBBBBBL");
    const auto frames = line.sentFrames();
    EXPECT_EQ(frames[0], (std::vector<uint8_t>{0xAA, 0xAA, 0x00, 0x00, 0xFE, 0xE0}));
    for (const auto& f : frames) {
        if (f.size() != 212 || f[0] != 0x42)
            continue;
        uint8_t sum = 0;
        for (size_t i = 0; i < 210; ++i)
            sum = static_cast<uint8_t>(sum + f[i]);
        EXPECT_EQ(f[210], sum);
        EXPECT_EQ(f[211], 0xE0);
        for (size_t i = 3; i < 210; ++i)
            ASSERT_LE(f[i], 254);
    }
    EXPECT_EQ(host.talkCaption, "msg: 0x42 0x69 0x01 0x02 0x03 0x04 0x05 0x06");
    EXPECT_EQ(host.saveCaption, "tryb zapisu : 0x42 0x69 0xAA 0x00 0x00");
    EXPECT_EQ(topLines(3), (std::vector<std::string>{"Upgrade done: the controller runs software 1.97.",
                                                     "5 jest: 0x42 0x69 0x00 0x00 0x05",
                                                     "4 jest: 0x42 0x69 0x04 0x00 0x04"}));
    EXPECT_EQ(host.log.back(), std::to_string(makeFirmwareText(6).size()) + " Bytes Read");
    // The bar ends full.
    EXPECT_EQ(host.lastProgress, 6);
    EXPECT_EQ(host.progressMax, 6);
    EXPECT_TRUE(state.connected);
    EXPECT_EQ(host.autoConnects, 1);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FirmwareUpgradeTest, EveryBlockFrameCarriesTheFilesBytes)
{
    const std::string text = makeFirmwareText(5);
    runWith(text);
    std::vector<std::vector<uint8_t>> blocks;
    for (const auto& f : line.sentFrames())
        if (f.size() == 212 && f[0] != 0x42)
            blocks.push_back(f);
    ASSERT_EQ(blocks.size(), 5u);
    for (size_t j = 0; j < blocks.size(); ++j) {
        SCOPED_TRACE(j);
        const auto record = recordBytes(text, fw::kHeaderRecords + j);
        EXPECT_TRUE(std::equal(record.begin(), record.begin() + 211, blocks[j].begin())); // payload and sum
        EXPECT_EQ(blocks[j][211], 0xE0); // the file holds 0x5A there
    }
}

TEST_F(FirmwareUpgradeTest, RejectedBlockGoesOutTwiceThenRepeats)
{
    boot.replies[2] = {Bootloader::code(1, 2)};
    runWith(makeFirmwareText(3));
    // Block 2: sent, rejected, resent at once, then sent again and accepted.
    EXPECT_EQ(frameKinds(), "CQWBBBBBL");
    EXPECT_EQ(topLines(5), (std::vector<std::string>{"Upgrade done: the controller runs software 1.97.",
                                                     "2 jest: 0x42 0x69 0x00 0x00 0x02", "2 error - CRC",
                                                     "2 redo write", "1 jest: 0x42 0x69 0x00 0x00 0x01"}));
}

TEST_F(FirmwareUpgradeTest, ShortMissingAndUnknownRepliesRepeatTheBlock)
{
    struct Case {
        const char* name;
        std::vector<std::vector<uint8_t>> replies; // for block 1, in turn
        std::vector<std::string> lines;            // block 1's lines, newest first
    };
    const std::vector<Case> cases = {
        {"three bytes with code 0", {{0x42, 0x69, 0x00}},
         {"1 jest: 0x42 0x69 0x00 0x00 0x01", "1 dane OK :-)", "1 redo write"}},
        {"nothing at all", {{}}, {"1 jest: 0x42 0x69 0x00 0x00 0x01", "1 no reply", "1 redo write"}},
        // Each rejected frame goes out again at once; that copy is answered too.
        {"erase code and an unknown code",
         {Bootloader::code(4), Bootloader::code(0, 1), Bootloader::code(9), Bootloader::code(0, 1)},
         {"1 jest: 0x42 0x69 0x00 0x00 0x01", "1 redo write", "1 erase Flash OK :-) ", "1 redo write"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestClock clk;
        ScriptedLine ln{clk};
        ConnectionState st;
        st.connected = true;
        DeviceLink lk{ln, clk, st};
        lk.selectPort("dev");
        ASSERT_TRUE(lk.openPort());
        RecordingPrompts pr;
        RecordingHost hs;
        Bootloader bl;
        bl.replies[1] = c.replies;
        bl.attach(ln);
        pr.fileAnswers.push_back(writeFile(makeFirmwareText(2)));
        FirmwareUpgrade up{lk, pr, hs, m_dir};
        up.run();
        std::vector<std::string> top(hs.log.begin() + 1, hs.log.begin() + 1 + static_cast<long>(c.lines.size()));
        EXPECT_EQ(top, c.lines);
        EXPECT_EQ(hs.autoConnects, 1);
    }
}

TEST_F(FirmwareUpgradeTest, LateRepliesAreRejectionsAndNeverAnswerAnotherFrame)
{
    // The bootloader answers 70 ms after each block frame, after the tool's
    // read has given up; it rejects the last block every time.
    boot.blockReplyDelayMs = 70;
    boot.replies[2] = std::vector<std::vector<uint8_t>>(40, Bootloader::code(1, 2));
    const auto outcome = runWith(makeFirmwareText(3));
    EXPECT_EQ(outcome, FirmwareUpgrade::Outcome::LeftInBootloader);
    EXPECT_FALSE(host.hasLineContaining(" jest: ")); // no reply was ever taken for a frame's own
    EXPECT_EQ(host.autoConnects, 0);
    EXPECT_EQ(frameKinds().find('L'), std::string::npos);
    EXPECT_FALSE(state.connected);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find("waits in its bootloader"), std::string::npos);

    // Late within the read's budget is in time.
    TestClock clk;
    ScriptedLine ln{clk};
    ConnectionState st;
    DeviceLink lk{ln, clk, st};
    lk.selectPort("dev");
    ASSERT_TRUE(lk.openPort());
    RecordingPrompts pr;
    RecordingHost hs;
    Bootloader bl;
    bl.blockReplyDelayMs = 40;
    bl.attach(ln);
    pr.fileAnswers.push_back(writeFile(makeFirmwareText(3)));
    FirmwareUpgrade up{lk, pr, hs, m_dir};
    up.run();
    EXPECT_TRUE(hs.hasLineContaining("2 jest: "));
    EXPECT_FALSE(hs.hasLineContaining("redo"));
}

TEST_F(FirmwareUpgradeTest, WaitingBytesAreDiscardedBeforeEveryBootloaderFrame)
{
    // A stray accepting reply sits on the line before each block frame: it
    // must not be read as the block's answer (the bootloader rejects block 1
    // and its immediate copy).
    boot.replies[1] = {Bootloader::code(1, 1), Bootloader::code(1, 1)};
    auto inner = line.onTransmit;
    line.onTransmit = [&](const std::vector<uint8_t>& bytes, const std::string& to) {
        inner(bytes, to);
        // After the block's own reply was read (24 ms), before the next frame (29 ms).
        if (bytes.size() == 212 && bytes[0] != 0x42)
            line.arriveAfter(26, Bootloader::code(0, 0xEE));
    };
    runWith(makeFirmwareText(2));
    EXPECT_FALSE(host.hasLineContaining("0xEE"));
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "1 error - CRC"), 1);
    EXPECT_TRUE(host.hasLineContaining("1 jest: 0x42 0x69 0x00 0x00 0x01"));
    EXPECT_TRUE(host.hasLineContaining("0 jest: 0x42 0x69 0x00 0x00 0x00"));
}

TEST_F(FirmwareUpgradeTest, GivingUpOnABlockTellsTheTechnicianToRepeat)
{
    boot.always = Bootloader::code(2);
    EXPECT_EQ(runWith(makeFirmwareText(2)), FirmwareUpgrade::Outcome::LeftInBootloader);
    EXPECT_EQ(frameKinds(), "CQW" + std::string(2 * fw::kMaxBlockAttempts, 'B'));
    ASSERT_EQ(prompts.messages.size(), 1u);
    const std::string& box = prompts.messages[0];
    EXPECT_NE(box.find("block 0"), std::string::npos);
    EXPECT_NE(box.find("waits in its bootloader"), std::string::npos);
    EXPECT_NE(box.find("start the upgrade again"), std::string::npos);
    EXPECT_EQ(topLines(2), (std::vector<std::string>{box, " ERROR during upgrade"}));
    EXPECT_FALSE(state.connected);
    EXPECT_EQ(host.autoConnects, 0);
}

// The adapter pulled in the middle of the blocks: no resends into a dead
// port, and the message says where it stopped and how to go on.
TEST_F(FirmwareUpgradeTest, APulledAdapterStopsTheBlocksAtOnce)
{
    const auto bootloader = line.onTransmit;
    line.onTransmit = [&, bootloader](const std::vector<uint8_t>& bytes, const std::string& to) {
        bootloader(bytes, to);
        if (line.sent().size() == 5) { // command, query, write mode, blocks 0 and 1
            line.failWrites = true;
            line.hangUp = true;
        }
    };
    EXPECT_EQ(runWith(makeFirmwareText(6)), FirmwareUpgrade::Outcome::LeftInBootloader);
    EXPECT_EQ(frameKinds(), "CQWBB");
    ASSERT_EQ(prompts.messages.size(), 1u);
    const std::string& box = prompts.messages[0];
    EXPECT_NE(box.find("stopped at block 1 of 6: the line to the controller was lost"), std::string::npos) << box;
    EXPECT_NE(box.find("goes on from the bootloader"), std::string::npos) << box;
    EXPECT_FALSE(host.hasLineContaining("redo write"));
    EXPECT_EQ(host.autoConnects, 0);
}

TEST_F(FirmwareUpgradeTest, FilesThatFailSendNothing)
{
    struct Case {
        const char* name;
        std::optional<std::string> file; // text, or no file chosen
        std::vector<std::string> messages;
        std::string secondLine; // the line under the last one
    };
    std::string badDigit = makeFirmwareText(3);
    badDigit[recordCharIndex(fw::kHeaderRecords + 1, 3)] ^= 1;
    std::string lowerCase = makeFirmwareText(2);
    for (size_t i = recordCharIndex(fw::kHeaderRecords, 0); i < lowerCase.size(); ++i)
        lowerCase[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lowerCase[i])));
    std::string lfOnly;
    for (char c : makeFirmwareText(2))
        if (c != '\r')
            lfOnly += c;
    const std::string full = makeFirmwareText(3);
    const std::vector<Case> cases = {
        {"cancelled dialog", std::nullopt, {}, ""},
        {"one damaged digit", badDigit, {"CRC file error."}, "2: CRC OK"},
        {"lower-case digits", lowerCase, {"CRC file error."}, "1: CRC Error"},
        {"cut inside a block", full.substr(0, 426 * 14 + 100), {}, "Firmware file error"},
        {"cut after a whole block", full.substr(0, 426 * 14), {}, "Firmware file error"},
        {"header only", makeFirmwareText(0), {}, "Firmware file error"},
        {"count smaller than the records", makeFirmwareText(3, "001.097.001", 2), {}, "Firmware file error"},
        {"count larger than the records", makeFirmwareText(3, "001.097.001", 4), {}, "Firmware file error"},
        {"one-character line ends", lfOnly, {}, "Firmware file error"},
        {"wrong compatibility", makeFirmwareText(1, "001.097.002"), {"ERROR VERSION CONFLICT confirm: 2 !"},
         std::to_string(makeFirmwareText(1).size()) + " Bytes Read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestClock clk;
        ScriptedLine ln{clk};
        ConnectionState st;
        st.connected = true;
        DeviceLink lk{ln, clk, st};
        lk.selectPort("dev");
        ASSERT_TRUE(lk.openPort());
        RecordingPrompts pr;
        RecordingHost hs;
        if (c.file)
            pr.fileAnswers.push_back(writeFile(*c.file));
        FirmwareUpgrade up{lk, pr, hs, m_dir};
        const auto outcome = up.run();

        EXPECT_TRUE(ln.sent().empty());
        EXPECT_EQ(pr.messages, c.messages);
        EXPECT_TRUE(st.connected); // the controller goes on running its application
        EXPECT_EQ(hs.startChecks, 0);
        ASSERT_FALSE(hs.log.empty());
        if (!c.file) {
            EXPECT_EQ(outcome, FirmwareUpgrade::Outcome::Cancelled);
            EXPECT_EQ(hs.log, (std::vector<std::string>{"cancelled"}));
            continue;
        }
        EXPECT_EQ(outcome, FirmwareUpgrade::Outcome::FileRefused);
        EXPECT_EQ(hs.log[0].rfind("Upgrade not started: ", 0), 0u) << hs.log[0];
        ASSERT_GE(hs.log.size(), 2u);
        EXPECT_EQ(hs.log[1], c.secondLine);
    }
}

TEST_F(FirmwareUpgradeTest, LastLineSpeaksTheWindowsLanguageWithItsReasonInside)
{
    TestClock clk;
    ScriptedLine ln{clk};
    ConnectionState st;
    st.connected = true;
    DeviceLink lk{ln, clk, st};
    lk.selectPort("dev");
    ASSERT_TRUE(lk.openPort());
    RecordingPrompts pr;
    RecordingHost hs;
    pr.fileAnswers.push_back(writeFile(makeFirmwareText(1, "001.097.002")));
    FirmwareUpgrade up{lk, pr, hs, m_dir};
    up.setTexts([](int key) -> std::string {
        if (key == 102760)
            return "Update nicht begonnen: %1.";
        if (key == 102764)
            return "falsche Datei (%1)";
        return {}; // no text in the file: the built-in English
    });
    EXPECT_EQ(up.run(), FirmwareUpgrade::Outcome::FileRefused);
    ASSERT_FALSE(hs.log.empty());
    EXPECT_EQ(hs.log[0], "Update nicht begonnen: falsche Datei (2).");
    EXPECT_EQ(up.resumeText().rfind("Adapter back: ", 0), 0u) << up.resumeText();
}

TEST_F(FirmwareUpgradeTest, FileWithoutItsLastLineEndLoads)
{
    std::string text = makeFirmwareText(2);
    text.resize(text.size() - 2);
    EXPECT_EQ(runWith(text), FirmwareUpgrade::Outcome::Done);
    EXPECT_EQ(frameKinds(), "CQWBBL");
    // And one with an extra empty line at its end.
    prompts.fileAnswers.push_back(writeFile(makeFirmwareText(2) + "\r\n"));
    EXPECT_EQ(upgrade.run(), FirmwareUpgrade::Outcome::Done);
}

TEST_F(FirmwareUpgradeTest, HookBeforeTheFirstFrameCanStopTheUpgrade)
{
    host.allowStart = false;
    EXPECT_EQ(runWith(makeFirmwareText(2)), FirmwareUpgrade::Outcome::Cancelled);
    EXPECT_EQ(host.startChecks, 1);
    EXPECT_TRUE(line.sent().empty());
    EXPECT_EQ(host.log.front(), "cancelled");
    EXPECT_EQ(host.log[1], "1: CRC OK"); // called after the whole file was checked

    host.allowStart = true;
    EXPECT_EQ(runWith(makeFirmwareText(2)), FirmwareUpgrade::Outcome::Done);
    EXPECT_EQ(host.startChecks, 2);
    EXPECT_EQ(host.sentBeforeStartCheck, 0u);
}

TEST_F(FirmwareUpgradeTest, BootloaderFailuresSayWhatToDo)
{
    struct Case {
        const char* name;
        bool answerQuery;
        bool answerWriteMode;
        bool wasConnected;
        std::string kinds;
        std::string secondLine;
        bool connectedAfter;
        size_t messages;
    };
    const std::vector<Case> cases = {
        {"no bootloader answer while connected", false, true, true, "CQL", " ERROR Bootloader RESP", true, 0},
        {"no bootloader answer, never connected", false, true, false, "CQL", " ERROR Bootloader RESP", false, 0},
        {"no write switch", true, false, true, "CQW", " ERROR Bootloader setting WRITE FLASH OPERATION", false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestClock clk;
        ScriptedLine ln{clk};
        ConnectionState st;
        st.connected = c.wasConnected;
        DeviceLink lk{ln, clk, st};
        lk.selectPort("dev");
        ASSERT_TRUE(lk.openPort());
        RecordingPrompts pr;
        RecordingHost hs;
        Bootloader bl;
        bl.answerQuery = c.answerQuery;
        bl.answerWriteMode = c.answerWriteMode;
        bl.attach(ln);
        pr.fileAnswers.push_back(writeFile(makeFirmwareText(1)));
        FirmwareUpgrade up{lk, pr, hs, m_dir};
        up.run();

        std::string kinds;
        for (const auto& f : ln.sentFrames())
            kinds += f.size() == 6 ? 'C' : (f[0] == 0x42 ? "QWL"[f[2] - 1] : 'B');
        EXPECT_EQ(kinds, c.kinds);
        ASSERT_GE(hs.log.size(), 2u);
        EXPECT_EQ(hs.log[0].rfind("Upgrade failed: ", 0), 0u) << hs.log[0];
        EXPECT_NE(hs.log[0].find("again"), std::string::npos);
        EXPECT_EQ(hs.log[1], c.secondLine);
        EXPECT_EQ(st.connected, c.connectedAfter);
        EXPECT_EQ(pr.messages.size(), c.messages);
        EXPECT_EQ(hs.autoConnects, 0);
    }
}

TEST_F(FirmwareUpgradeTest, NewerSoftwareDoesNothing)
{
    state.softwareVersion = 2;
    prompts.fileAnswers.push_back(writeFile(makeFirmwareText(1)));
    EXPECT_EQ(upgrade.run(), FirmwareUpgrade::Outcome::NotRun);
    EXPECT_TRUE(prompts.dialogFolders.empty());
    EXPECT_TRUE(host.log.empty());
}

TEST_F(FirmwareUpgradeTest, ClosedPortIsOpenedByTheUpgradeItself)
{
    struct Case {
        const char* name;
        std::string selected;
        std::vector<std::string> candidates;
        std::map<std::string, std::string> refused;
        std::string bootloaderPort;
        FirmwareUpgrade::Outcome outcome;
        std::vector<std::string> opened;
    };
    const std::vector<Case> cases = {
        {"nothing to open", "", {}, {}, "a", FirmwareUpgrade::Outcome::NoBootloader, {}},
        {"last selected port", "b", {"a", "b"}, {}, "b", FirmwareUpgrade::Outcome::Done, {"b"}},
        {"candidates after the selected one", "x", {"a", "b"}, {{"x", "Device busy"}}, "b",
         FirmwareUpgrade::Outcome::Done, {"x", "a", "b"}},
        {"none answers", "", {"a"}, {}, "z", FirmwareUpgrade::Outcome::NoBootloader, {"a"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestClock clk;
        ScriptedLine ln{clk};
        ln.refuseOpen = c.refused;
        ConnectionState st; // a fresh start: nothing open, nothing identified
        DeviceLink lk{ln, clk, st};
        if (!c.selected.empty())
            lk.selectPort(c.selected);
        RecordingPrompts pr;
        RecordingHost hs;
        hs.candidates = c.candidates;
        hs.onAutoConnect = [&] {
            st.connected = true;
            st.softwareVersion = 1;
            st.softwareRevision = 97;
        };
        Bootloader bl;
        bl.port = c.bootloaderPort;
        bl.attach(ln);
        pr.fileAnswers.push_back(writeFile(makeFirmwareText(2)));
        FirmwareUpgrade up{lk, pr, hs, m_dir};
        EXPECT_EQ(up.run(), c.outcome);
        EXPECT_EQ(ln.opened(), c.opened);
        if (c.outcome == FirmwareUpgrade::Outcome::Done) {
            EXPECT_EQ(hs.log.front(), "Upgrade done: the controller runs software 1.97.");
        } else {
            EXPECT_FALSE(st.connected);
            EXPECT_FALSE(st.portOpen); // what it opened it closed again
            EXPECT_EQ(hs.autoConnects, 0);
            if (c.opened.empty()) {
                EXPECT_TRUE(ln.sent().empty());
                EXPECT_EQ(hs.log[1], " ERROR Boot CMD SEND ");
            }
        }
    }
}

TEST_F(FirmwareUpgradeTest, SuccessIsWhatTheReconnectShows)
{
    host.onAutoConnect = [this] { state.connected = false; };
    EXPECT_EQ(runWith(makeFirmwareText(1)), FirmwareUpgrade::Outcome::DoneNotConfirmed);
    EXPECT_NE(host.log.front().find("did not answer"), std::string::npos);

    host.onAutoConnect = [this] {
        state.connected = true;
        state.softwareVersion = 1;
        state.softwareRevision = 5;
    };
    EXPECT_EQ(runWith(makeFirmwareText(1)), FirmwareUpgrade::Outcome::DoneNotConfirmed);
    EXPECT_EQ(host.log.front(), "Upgrade written, but the controller reports software 1.5 instead of the file's "
                                "1.97. Start the upgrade again.");
}

TEST_F(FirmwareUpgradeTest, UnreadableFileShowsTheFileErrorBox)
{
    prompts.fileAnswers.push_back(m_dir + "/missing.hex");
    upgrade.run();
    EXPECT_EQ(prompts.messages,
              (std::vector<std::string>{
                  "File Error: Can't perform one of the following file operations: Open, Seek, Read, Close."}));
    ASSERT_EQ(host.log.size(), 2u);
    EXPECT_EQ(host.log[1], "Firmware file error");
    EXPECT_TRUE(line.sentFrames().empty());
}

TEST_F(FirmwareUpgradeTest, DialogStartsInTheFirmwareFolderAndLeavesTheProcessWhereItWas)
{
    FirmwareUpgrade up{link, prompts, host, m_dir};
    up.run(); // cancelled
    ASSERT_EQ(prompts.dialogFolders, (std::vector<std::string>{m_dir}));
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(std::string(cwd), std::string(m_cwd));
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
