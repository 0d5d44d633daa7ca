// The line failing under a connected session: the full read, the status
// polling and the deferred save each stop at once, say what happened, and
// nothing the technician edited is lost or silently replaced.

#include "link/ConnectionConstants.h"
#include "params/ParameterLayout.h"
#include "params/RegisterWrite.h"
#include "protocol/Wire.h"
#include "session/DeviceSession.h"
#include "sim/ControllerModel.h"
#include "sim/FaultSet.h"
#include "sim/SimConstants.h"
#include "sim/SimulatedLine.h"
#include "support/RecordingPrompts.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    int saves = 0;
    int wordWrites = 0;

private:
    SerialLine& m_line;
};

class Listener : public SessionListener {
public:
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
    Bench()
        : model(sim::ControllerConfig{}), line(model, clock), watched(line),
          session({watched, clock, discovery, prompts}, options())
    {
        model.powerOn(clock.nowMs());
        session.setListener(&listener);
    }
    static SessionOptions options()
    {
        SessionOptions o;
        o.demo = true;
        o.namedPortsOnly = true;
        // No connection-log write whose save would carry the others along.
        o.recordThisPc = false;
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

TEST(LineLoss, AFullReadStopsAtThePageWhereTheAdapterWentAndTheWatchTakesOver)
{
    // Frames of a search: two identify requests, then the four pages; the
    // adapter goes once the controller has taken the given frame.
    struct Case {
        const char* fault;
        int page; // at which the read stops; 0: not lost
    };
    for (const Case c : {Case{"pull=3", 1}, Case{"pull=4", 2}, Case{"pull=6", 4}, Case{"silence=3", 0}}) {
        Bench b;
        b.fault(c.fault);
        b.session.autoConnect();
        EXPECT_FALSE(b.session.state().connected) << c.fault;
        EXPECT_EQ(b.watched.intoDeadPort, 0) << c.fault << ": no request into a port whose device is gone";
        ASSERT_EQ(b.prompts.messages.size(), 1u) << c.fault;
        if (c.page != 0) {
            EXPECT_EQ(b.prompts.messages[0], connect::readLostText(c.page)) << c.fault;
            EXPECT_NE(b.prompts.messages[0].find("page " + std::to_string(c.page) + " of 4"), std::string::npos);
            // The search ends first, then the loss: the watch for the adapter is the last word.
            EXPECT_EQ(b.listener.events, (Names{"none", "lost"})) << c.fault;
        } else {
            // A silent bus is read again before the link is given up.
            EXPECT_EQ(b.prompts.messages[0], connect::kMsgUartErrors);
            EXPECT_EQ(b.listener.events, (Names{"none"}));
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
    EXPECT_EQ(lamps.back(), "Not saved: GeneralDelay");
    EXPECT_EQ(std::count(lamps.begin(), lamps.end(), "Data saved."), 0);
    EXPECT_EQ(b.session.poller().saveLamp().caption, "Not saved: GeneralDelay");
    ASSERT_FALSE(b.listener.texts.empty());
    EXPECT_NE(b.listener.texts.back().find("did not take GeneralDelay"), std::string::npos) << b.listener.texts.back();
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
    for (const bool send : {true, false}) {
        Bench b;
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
        EXPECT_EQ(b.prompts.messages[0], "Unsent changes: These changes did not reach the controller:\nGeneralDelay "
                                             + std::to_string(old) + " s → " + std::to_string(old + 9)
                                             + " s\nSend them now?");
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

} // namespace
} // namespace kdx
