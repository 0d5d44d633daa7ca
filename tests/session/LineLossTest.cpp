// The line failing under a connected session: the full read, the status
// polling and the deferred save each stop at once, say what happened, and
// nothing the technician edited is lost or silently replaced.

#include "firmware/FirmwareTestFiles.h"
#include "i18n/KeyTable.h"
#include "link/ConnectionConstants.h"
#include "link/ReplugWatch.h"
#include "link/SystemLink.h"
#include "params/ParameterLayout.h"
#include "params/RegisterWrite.h"
#include "protocol/Wire.h"
#include "session/DeviceSession.h"
#include "sim/ControllerModel.h"
#include "sim/FaultSet.h"
#include "sim/SimConstants.h"
#include "sim/SimulatedLine.h"
#include "support/RecordingPrompts.h"
#include "support/SimProcess.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <map>

#include <algorithm>
#include <poll.h>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace kdx {
namespace {

using Names = std::vector<std::string>;

class NoPorts : public PortDiscovery {
public:
    std::vector<UsbSerialDevice> usbSerialDevices() override { return {}; }
    std::vector<std::string> systemSerialPorts() override { return {}; }
    std::vector<std::string> deviceNames() override { return {}; }
};

// Passes everything on and counts the frames offered to a device that has
// already hung up: none may be.
class WatchedLine : public SerialLine {
public:
    explicit WatchedLine(SerialLine& line) : m_line(line) {}
    bool open(const std::string& name) override { return m_line.open(name); }
    void close() override { m_line.close(); }
    bool isOpen() const override { return m_line.isOpen(); }
    bool transmit(const uint8_t* data, size_t count) override
    {
        if (m_line.hungUp())
            ++intoDeadPort;
        ++frames;
        if (count == wire::kFrameSize && data[0] == wire::kCmdSaveToEeprom)
            ++saves;
        if (count == wire::kFrameSize && (data[0] & 0xF0) == (wire::kCmdWriteWordBase & 0xF0))
            ++wordWrites;
        return m_line.transmit(data, count);
    }
    void drain() override { m_line.drain(); }
    size_t bytesWaiting() override { return m_line.bytesWaiting(); }
    size_t read(uint8_t* destination, size_t maxCount) override { return m_line.read(destination, maxCount); }
    std::string lastError() const override { return m_line.lastError(); }
    bool hungUp() const override { return m_line.hungUp(); }
    int intoDeadPort = 0;
    int frames = 0;
    int saves = 0;
    int wordWrites = 0;

private:
    SerialLine& m_line;
};

class Listener : public SessionListener {
public:
    void searchStarted() override { events.push_back("search"); }
    void searchEnded(const SearchOutcome& o) override { events.push_back(o.found ? "found" : "none"); }
    void linkLost() override { events.push_back("lost"); }
    void statusText(const std::string& text) override
    {
        if (!text.empty())
            texts.push_back(text);
    }
    Names events;
    Names texts;
};

const unsigned kDelayWord = static_cast<unsigned>(layout::GeneralDelay.offset / 2);

struct Bench {
    explicit Bench(bool recordThisPc = false)
        : model(sim::ControllerConfig{}), line(model, clock), watched(line),
          session({watched, clock, discovery, prompts}, options(recordThisPc))
    {
        model.powerOn(clock.nowMs());
        session.setListener(&listener);
    }
    static SessionOptions options(bool recordThisPc)
    {
        SessionOptions o;
        o.demo = true;
        o.namedPortsOnly = true;
        // Unless asked, no connection-log write whose save would carry the others along.
        o.recordThisPc = recordThisPc;
        return o;
    }
    void fault(const char* text)
    {
        sim::FaultSet faults;
        std::string error;
        ASSERT_TRUE(faults.add(text, error)) << error;
        model.setFaults(faults);
    }
    // Timer ticks of 50 ms (and what the ticks wait for answers); the lamp
    // captions they gave, in order.
    Names ticks(int count, uint64_t untilMs = 0)
    {
        Names lamps;
        for (int i = 0; i < count || clock.nowMs() < untilMs; ++i) {
            clock.advance(50);
            if (const auto r = session.tick(); r.saveLamp)
                lamps.push_back(r.saveLamp->caption);
        }
        return lamps;
    }
    // The technician enters a new general delay.
    bool editDelay(uint16_t seconds)
    {
        session.image().setWord(kDelayWord, seconds);
        return session.writer().send(std::vector<RegisterWrite>{RegisterWrite::word(static_cast<uint16_t>(kDelayWord))});
    }
    uint16_t memoryDelay() const { return model.memory().wordAt(layout::GeneralDelay.offset); }
    uint16_t eepromDelay() const { return model.eeprom().wordAt(layout::GeneralDelay.offset); }
    int lost() const { return static_cast<int>(std::count(listener.events.begin(), listener.events.end(), "lost")); }

    test::TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine line;
    WatchedLine watched;
    NoPorts discovery;
    test::RecordingPrompts prompts;
    DeviceSession session;
    Listener listener;
};

TEST(LineLoss, AFullReadStopsAtThePageWhereTheLineWasLostAndTheWatchTakesOver)
{
    // Frames of a search: two identify requests, then the four pages; the
    // adapter goes, or the bus falls silent, once the controller has taken
    // the given frame (its answer is lost).
    struct Case {
        const char* fault;
        int page;    // named in the message
        bool silent; // the adapter stays
    };
    for (const Case c : {Case{"pull=3", 1, false}, Case{"pull=4", 2, false}, Case{"pull=6", 4, false},
                         Case{"silence=3", 1, true}, Case{"silence=5", 3, true}, Case{"silence=6", 4, true}}) {
        // This PC is recorded as a connection would: no such write may reach
        // the controller after a read that did not finish.
        Bench b(true);
        b.fault(c.fault);
        const auto memory = b.model.memory().bytes();
        const auto eeprom = b.model.eeprom().bytes();
        const uint64_t start = b.clock.nowMs();
        b.session.autoConnect();
        EXPECT_FALSE(b.session.state().connected) << c.fault;
        EXPECT_FALSE(b.session.state().portOpen) << c.fault;
        EXPECT_EQ(b.watched.intoDeadPort, 0) << c.fault << ": no request into a port whose device is gone";
        EXPECT_EQ(b.watched.wordWrites + b.watched.saves, 0) << c.fault;
        EXPECT_TRUE(b.model.memory().bytes() == memory) << c.fault;
        EXPECT_TRUE(b.model.eeprom().bytes() == eeprom) << c.fault;
        ASSERT_EQ(b.prompts.messages.size(), 1u) << c.fault;
        EXPECT_EQ(b.prompts.messages[0], connect::readLostText(c.page, c.silent)) << c.fault;
        EXPECT_NE(b.prompts.messages[0].find("page " + std::to_string(c.page) + " of 4"), std::string::npos);
        EXPECT_NE(b.prompts.messages[0].find("Nothing was written"), std::string::npos);
        EXPECT_EQ(b.prompts.messages[0].find("bus is silent") != std::string::npos, c.silent) << c.fault;
        // The search ends first, then the loss: the watch for the adapter is the last word.
        EXPECT_EQ(b.listener.events, (Names{"search", "none", "lost"})) << c.fault;
        // A silent bus is given up after a second without an answer, not
        // after eleven passes over the four pages.
        if (c.silent) {
            EXPECT_GE(b.clock.nowMs() - start, connect::kReadSilenceMs) << c.fault;
            EXPECT_LT(b.clock.nowMs() - start, 2500u) << c.fault;
        }
    }
}

TEST(LineLoss, TheReadStopSpeaksTheWindowsLanguage)
{
    Bench b(true);
    b.session.setTexts([](int key) -> std::string { return key == 102840 ? "Lesen endete bei Seite %1 von %2." : ""; });
    b.fault("pull=4");
    b.session.autoConnect();
    ASSERT_EQ(b.prompts.messages.size(), 1u);
    EXPECT_EQ(b.prompts.messages[0], "Lesen endete bei Seite 2 von 4.");
}

TEST(LineLoss, AFullReadStillRetriesAnswersLostWhileTheBusSpeaks)
{
    // Silent for less than a second: the pass is read again and the read
    // completes; a page that never answers costs every pass and ends as before.
    for (const char* fault : {"silence=4:300", "deadpage=256"}) {
        Bench b;
        b.fault(fault);
        b.session.autoConnect();
        if (std::string(fault) == "deadpage=256") {
            EXPECT_FALSE(b.session.state().connected);
            ASSERT_EQ(b.prompts.messages.size(), 1u);
            EXPECT_EQ(b.prompts.messages[0], connect::kMsgUartErrors);
            EXPECT_EQ(b.listener.events, (Names{"search", "none"}));
        } else {
            EXPECT_TRUE(b.session.state().connected);
            EXPECT_TRUE(b.prompts.messages.empty());
            EXPECT_EQ(b.listener.events, (Names{"search", "found"}));
            EXPECT_TRUE(b.session.image().bytes() == b.model.memory().bytes());
        }
    }
}

TEST(LineLoss, PollingTellsAHangUpOnceAndSendsNothingMore)
{
    Bench b;
    b.session.autoConnect();
    ASSERT_TRUE(b.session.state().connected);
    b.ticks(10);
    b.model.setUnplugged(true);
    b.ticks(10);
    EXPECT_EQ(b.lost(), 1);
    EXPECT_FALSE(b.session.state().portOpen);
    EXPECT_LE(b.watched.intoDeadPort, 1) << "at most the request that found it gone";
}

TEST(LineLoss, AWordTheControllerMissedIsSentAgainBeforeTheLampSaysSaved)
{
    Bench b;
    b.session.autoConnect();
    ASSERT_TRUE(b.session.state().connected);
    b.ticks(4);
    const uint16_t old = b.memoryDelay();
    // The bus goes deaf for 120 ms after the next status request: the
    // edit's frame is lost on the way.
    b.fault("silence=1:120");
    b.ticks(1);
    ASSERT_TRUE(b.editDelay(static_cast<uint16_t>(old + 7)));
    EXPECT_EQ(b.memoryDelay(), old) << "the frame was lost";
    const Names lamps = b.ticks(60);
    ASSERT_FALSE(lamps.empty());
    EXPECT_EQ(lamps.back(), "Data saved.");
    EXPECT_EQ(b.memoryDelay(), old + 7);
    EXPECT_EQ(b.eepromDelay(), old + 7);
    EXPECT_TRUE(b.session.writer().unconfirmedWords().empty());
}

TEST(LineLoss, AWordThatWillNotTakeIsNamedAndNeverCalledSaved)
{
    Bench b;
    b.session.autoConnect();
    ASSERT_TRUE(b.session.state().connected);
    sim::FaultSet faults;
    faults.stuckBytes.push_back(static_cast<uint16_t>(layout::GeneralDelay.offset));
    b.model.setFaults(faults);
    const uint16_t old = b.memoryDelay();
    ASSERT_TRUE(b.editDelay(static_cast<uint16_t>(old ^ 0x0003)));
    const Names lamps = b.ticks(60);
    // The edit, then two more tries, each saved and read back; then it stops.
    EXPECT_EQ(b.watched.wordWrites, 3);
    EXPECT_EQ(b.watched.saves, 3);
    ASSERT_FALSE(lamps.empty());
    // Named by the label beside its editor.
    EXPECT_EQ(lamps.back(), "Not saved: general delay [s]");
    EXPECT_EQ(std::count(lamps.begin(), lamps.end(), "Data saved."), 0);
    EXPECT_EQ(b.session.poller().saveLamp().caption, "Not saved: general delay [s]");
    ASSERT_FALSE(b.listener.texts.empty());
    EXPECT_EQ(b.listener.texts.back(), "Not saved: the controller did not take general delay [s] (it holds "
                                           + std::to_string(old) + " s, the editor " + std::to_string(old ^ 0x0003)
                                           + " s).");
    EXPECT_EQ(b.eepromDelay(), old);
    // The word stays to be checked by the next save.
    EXPECT_EQ(b.session.writer().unconfirmedWords().count(kDelayWord), 1u);
}

TEST(LineLoss, EditsAreRefusedOnceTheControllerHasBeenSilentForASecond)
{
    Bench b;
    b.session.autoConnect();
    ASSERT_TRUE(b.session.state().connected);
    int refused = 0;
    b.session.writer().setOnRefused([&] { ++refused; });
    b.ticks(4);
    b.fault("silence=1");
    const uint64_t quietFrom = b.clock.nowMs();
    b.ticks(0, quietFrom + 800);
    EXPECT_TRUE(b.editDelay(5));
    EXPECT_EQ(refused, 0);
    b.ticks(0, quietFrom + 1100);
    EXPECT_FALSE(b.editDelay(6));
    EXPECT_EQ(refused, 1);
}

TEST(LineLoss, EditsCutOffByAnUnplugAreOfferedAfterTheReconnect)
{
    // Sent in English; declined with the window in Polish, where the question
    // names the editor by its Polish label.
    const std::map<int, std::string> polish{{100109, "opóźnienie ogólne [s]"},
                                            {102660, "Te zmiany nie dotarły do sterownika:"},
                                            {102661, "Wysłać je teraz?"},
                                            {102662, "Niewysłane zmiany"}};
    for (const bool send : {true, false}) {
        Bench b;
        if (!send)
            b.session.setTexts([&polish](int key) {
                const auto it = polish.find(key);
                return it == polish.end() ? std::string() : it->second;
            });
        b.session.autoConnect();
        ASSERT_TRUE(b.session.state().connected);
        b.ticks(4);
        const uint16_t old = b.memoryDelay();
        b.model.setUnplugged(true);
        EXPECT_FALSE(b.editDelay(static_cast<uint16_t>(old + 9))) << "the frame did not reach the port";
        b.ticks(4);
        ASSERT_EQ(b.lost(), 1);

        b.model.setUnplugged(false);
        b.prompts.okCancelAnswer = send;
        b.session.autoConnect();
        ASSERT_TRUE(b.session.state().connected);
        ASSERT_EQ(b.prompts.messages.size(), 1u);
        const std::string change = std::to_string(old) + " s → " + std::to_string(old + 9) + " s\n";
        EXPECT_EQ(b.prompts.messages[0],
                  send ? "Unsent changes: These changes did not reach the controller:\ngeneral delay [s] " + change
                             + "Send them now?"
                       : "Niewysłane zmiany: Te zmiany nie dotarły do sterownika:\nopóźnienie ogólne [s] " + change
                             + "Wysłać je teraz?");
        b.ticks(60);
        const uint16_t wanted = send ? static_cast<uint16_t>(old + 9) : old;
        EXPECT_EQ(b.session.image().word(kDelayWord), wanted) << send;
        EXPECT_EQ(b.memoryDelay(), wanted) << send;
        EXPECT_EQ(b.eepromDelay(), wanted) << send;
        // Asked once: the next connection has nothing to offer.
        b.session.autoConnect();
        EXPECT_EQ(b.prompts.messages.size(), 1u);
    }
}

// The firmware page as far as the upgrade needs it: the log, newest first.
class UpgradeLog : public UpgradeHost {
public:
    explicit UpgradeLog(DeviceSession& session) : m_session(session) {}
    void clearLog() override { lines.clear(); }
    void insertLogLine(const std::string& line) override { lines.insert(lines.begin(), line); }
    void setBootProgress(int, int) override {}
    void setTalkToBootCaption(const std::string&) override {}
    void setSwitchToSaveCaption(const std::string&) override {}
    void autoConnect() override { m_session.autoConnect(); }
    std::vector<std::string> candidatePorts() override { return m_session.candidatePorts(); }
    void upgradeEnded() override { ++ended; }
    bool has(const std::string& part) const
    {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }
    Names lines;
    int ended = 0;

private:
    DeviceSession& m_session;
};

// A firmware file of `blocks` blocks whose first block carries the version
// text the controller reports once it runs it.
std::string firmwareWithVersion(uint32_t blocks, const std::string& version)
{
    std::string text = test::makeFirmwareText(blocks, version);
    const size_t record = fw::kHeaderRecords; // block 0
    static const char digits[] = "0123456789ABCDEF";
    auto put = [&](size_t byte, uint8_t v) {
        text[test::recordCharIndex(record, byte)] = digits[v >> 4];
        text[test::recordCharIndex(record, byte) + 1] = digits[v & 0xF];
    };
    auto get = [&](size_t byte) { return static_cast<uint8_t>(std::stoi(text.substr(test::recordCharIndex(record, byte), 2), nullptr, 16)); };
    for (size_t i = 0; i < version.size(); ++i)
        put(43 + i, static_cast<uint8_t>(version[i]));
    uint8_t sum = 0;
    for (size_t i = 0; i < fw::kPayloadBytes; ++i)
        sum = static_cast<uint8_t>(sum + get(i));
    put(fw::kBlockSumIndex, sum);
    return text;
}

TEST(LineLoss, AnUpgradeCutOffInTheBootloaderGoesOnWithItsFileWhenTheAdapterIsBack)
{
    // Frames after the fault is set: the boot command, the query, the write
    // switch, then block j as frame 4 + j. The adapter goes once the
    // bootloader has taken block `block` (its reply is lost; -1: the write
    // switch's), for 3 s.
    constexpr uint32_t kBlocks = 9;
    const std::string path = ::testing::TempDir() + "kdx_resume_firmware.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << firmwareWithVersion(kBlocks, "001.097.001");
    }
    for (const int block : {-1, 0, 5, 8}) {
        Bench b;
        b.session.autoConnect();
        ASSERT_TRUE(b.session.state().connected);
        const uint8_t oldRevision = b.session.state().softwareRevision;
        ASSERT_NE(oldRevision, 97);
        b.fault(("pull=" + std::to_string(4 + block) + ":3000").c_str());
        UpgradeLog log(b.session);
        b.prompts.fileAnswers.push_back(path);
        b.listener.events.clear();

        EXPECT_EQ(b.session.upgradeFirmware(log, "fw"), FirmwareUpgrade::Outcome::LeftInBootloader) << block;
        const uint64_t pulledAt = b.clock.nowMs();
        ASSERT_EQ(b.prompts.messages.size(), 1u) << block;
        EXPECT_NE(b.prompts.messages[0].find("Upgrade stopped at block " + std::to_string(std::max(block, 0)) + " of 9"),
                  std::string::npos)
            << b.prompts.messages[0];
        EXPECT_NE(b.prompts.messages[0].find("goes on from the bootloader"), std::string::npos);
        EXPECT_EQ(b.listener.events, (Names{"lost"})) << block;
        EXPECT_FALSE(b.session.state().portOpen);
        EXPECT_TRUE(b.session.upgradeWaiting());
        EXPECT_EQ(log.ended, 1);
        EXPECT_TRUE(b.model.inBootloader());

        // Still out: nothing is sent, the upgrade keeps waiting, the search
        // (told as one) found nothing, so the watch goes on.
        const int sentBefore = b.watched.frames;
        b.session.autoConnect();
        EXPECT_TRUE(b.session.upgradeWaiting()) << block;
        EXPECT_EQ(b.watched.frames, sentBefore) << block;
        EXPECT_EQ(b.listener.events, (Names{"lost", "search", "none"})) << block;
        EXPECT_TRUE(log.has("could not be opened yet")) << block;
        EXPECT_EQ(log.ended, 2);

        // Back (the replug watch, or F10): the same file goes on from the
        // bootloader's start, without the file dialog.
        b.clock.advance(pulledAt + 3100 - b.clock.nowMs());
        b.listener.events.clear();
        b.session.autoConnect();
        EXPECT_FALSE(b.session.upgradeWaiting()) << block;
        EXPECT_EQ(b.prompts.dialogFolders.size(), 1u) << "the file is not asked for again";
        EXPECT_TRUE(log.has("Adapter back: the upgrade goes on from the bootloader")) << block;
        EXPECT_EQ(std::count(b.listener.texts.begin(), b.listener.texts.end(), builtInText(FirmwareUpgrade::kResumeTextKey)), 2)
            << "the status line says so at each try";
        EXPECT_TRUE(log.has("Upgrade done: the controller runs software 1.97.")) << block;
        EXPECT_TRUE(log.has(std::to_string(kBlocks - 1) + " jest:")) << block;
        EXPECT_EQ(b.prompts.messages.size(), 1u) << block;
        EXPECT_EQ(log.ended, 3);
        EXPECT_FALSE(b.model.inBootloader());
        EXPECT_EQ(b.model.upgradesDone(), 1u);
        // Every block once more from the first, and no more.
        EXPECT_EQ(b.model.bootloader().blocksAccepted(), kBlocks) << block;
        EXPECT_TRUE(b.session.state().connected);
        EXPECT_EQ(b.session.state().softwareRevision, 97);
        EXPECT_EQ(b.listener.events.front(), "search");
        EXPECT_EQ(b.listener.events.back(), "found") << block;
        EXPECT_EQ(std::count(b.listener.events.begin(), b.listener.events.end(), "lost"), 0);
    }
}

TEST(LineLoss, AWaitingUpgradeIsForgottenByTheNextOneAndASearchFollows)
{
    const std::string path = ::testing::TempDir() + "kdx_resume_firmware2.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << firmwareWithVersion(6, "001.097.001");
    }
    Bench b;
    b.session.autoConnect();
    ASSERT_TRUE(b.session.state().connected);
    b.fault("pull=6:500");
    UpgradeLog log(b.session);
    b.prompts.fileAnswers.push_back(path);
    ASSERT_EQ(b.session.upgradeFirmware(log, "fw"), FirmwareUpgrade::Outcome::LeftInBootloader);
    ASSERT_TRUE(b.session.upgradeWaiting());
    b.clock.advance(1000);
    // The technician starts the upgrade again by hand and picks no file:
    // nothing waits any more, and F10 searches as ever.
    EXPECT_EQ(b.session.upgradeFirmware(log, "fw"), FirmwareUpgrade::Outcome::Cancelled);
    EXPECT_FALSE(b.session.upgradeWaiting());
    const int sentBefore = b.watched.frames;
    b.session.autoConnect();
    EXPECT_GT(b.watched.frames, sentBefore);
    EXPECT_FALSE(log.has("Adapter back"));
}

TEST(LineLoss, OverTheRealLineAnUpgradeCutOffByAPulledAdapterGoesOnWhenTheWatchSeesItBack)
{
    KDX_REQUIRE_SIM();
    char dir[] = "/tmp/kdx-replugXXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string adapter = std::string(dir) + "/adapter";
    const std::string file = std::string(dir) + "/firmware.txt";
    {
        std::ofstream out(file, std::ios::binary);
        out << firmwareWithVersion(8, "001.097.001");
    }
    // The upgrade starts on a controller not connected before: the boot
    // command, the query, the write switch, then blocks 0, 1, 2: gone for 1.5 s.
    test::SimProcess sim({"--link", adapter, "--fault", "pull=6:1500"});
    ASSERT_FALSE(sim.ptyPath().empty());

    SystemClock clock;
    auto line = makeSystemLine();
    NoPorts discovery;
    test::RecordingPrompts prompts;
    SessionOptions options;
    options.ports = {adapter};
    options.namedPortsOnly = true;
    options.recordThisPc = false;
    DeviceSession session({*line, clock, discovery, prompts}, options);
    Listener listener;
    session.setListener(&listener);
    UpgradeLog log(session);
    prompts.fileAnswers.push_back(file);

    EXPECT_EQ(session.upgradeFirmware(log, dir), FirmwareUpgrade::Outcome::LeftInBootloader);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].find("Upgrade stopped at block 2 of 8"), std::string::npos) << prompts.messages[0];
    EXPECT_EQ(listener.events, (Names{"lost"}));
    ASSERT_TRUE(session.upgradeWaiting());

    // The watch the window runs after a loss, on the adapter's name.
    // kdx-sim's link comes and goes in its folder as a by-id link does: the
    // system tells the watch, which looks only then.
    ReplugWatch watch;
    watch.arm(ReplugWatch::stableName(adapter));
    ASSERT_TRUE(watch.notified());
    bool back = false;
    for (int i = 0; i < 100 && !back; ++i) {
        pollfd ready{watch.descriptor(), POLLIN, 0};
        if (::poll(&ready, 1, 50) == 1)
            back = watch.noticed();
    }
    ASSERT_TRUE(back) << "the adapter did not come back";
    session.autoConnect();

    EXPECT_FALSE(session.upgradeWaiting());
    EXPECT_EQ(prompts.dialogFolders.size(), 1u);
    EXPECT_TRUE(log.has("Adapter back: the upgrade goes on from the bootloader"));
    EXPECT_TRUE(log.has("Upgrade done: the controller runs software 1.97.")) << (log.lines.empty() ? "" : log.lines.front());
    EXPECT_TRUE(session.state().connected);
    EXPECT_EQ(listener.events.back(), "found");
    std::remove(file.c_str());
    ::rmdir(dir);
}

} // namespace
} // namespace kdx
