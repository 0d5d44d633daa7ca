#include "live/StatusPoller.h"

#include "LiveFakes.h"
#include "live/ConnectionLog.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <map>

namespace kdx {
namespace {

const std::vector<uint8_t> kStatusRequest = {0xAA, 0x05, 0x00, 0x00, 0x59, 0xE0};

class StatusPollerTest : public ::testing::Test {
protected:
    StatusPollerTest()
    {
        line.onTransmit = [this](const std::vector<uint8_t>& bytes, const std::string&) {
            if (bytes == kStatusRequest && !answer.empty())
                line.arriveAfter(20, answer);
        };
        link.selectPort("/dev/ttyKDX");
        link.openPort();
        state.connected = true;
    }

    TickResult tick()
    {
        clock.advance(50);
        return poller.tick();
    }

    // Runs send/receive pairs until `sendTicks` send ticks have passed;
    // returns the 1-based send tick numbers on which a save went out.
    std::vector<int> runSendTicks(int sendTicks, const std::function<void(int)>& beforeSend = {})
    {
        std::vector<int> saves;
        for (int n = 1; n <= sendTicks; ++n) {
            if (beforeSend)
                beforeSend(n);
            const auto sent = tick();
            EXPECT_EQ(sent.kind, TickResult::Kind::Sent);
            if (sent.saveIssued)
                saves.push_back(n);
            EXPECT_EQ(tick().kind, TickResult::Kind::Received);
        }
        return saves;
    }

    int statusRequestsSent() const
    {
        int n = 0;
        for (const auto& f : line.sentFrames())
            n += f == kStatusRequest ? 1 : 0;
        return n;
    }

    test::TestClock clock;
    test::ScriptedLine line{clock};
    ConnectionState state;
    DeviceLink link{line, clock, state};
    ImageBytes image{};
    test::RecordingWriter writer;
    StatusPoller poller{link, image, writer, LiveTexts::defaults()};
    std::vector<uint8_t> answer = test::statusAnswer(test::frameWithWord(24, 1234));
};

TEST_F(StatusPollerTest, DoesNothingWhileNotConnected)
{
    state.connected = false;
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(tick().kind, TickResult::Kind::Idle);
    EXPECT_TRUE(line.sentFrames().empty());
    EXPECT_EQ(poller.pollPhase(), 0);
}

TEST_F(StatusPollerTest, RequestsOnOneTickAndReadsTheFrameOnTheNext)
{
    const auto sent = tick();
    EXPECT_EQ(sent.kind, TickResult::Kind::Sent);
    EXPECT_EQ(line.sentFrames(), std::vector<std::vector<uint8_t>>{kStatusRequest});
    EXPECT_EQ(poller.pollPhase(), 1);

    const auto received = tick();
    EXPECT_EQ(received.kind, TickResult::Kind::Received);
    ASSERT_TRUE(received.frame);
    EXPECT_EQ(received.frame->engineRpm(), 1234);
    EXPECT_FALSE(received.counter);
    EXPECT_EQ(poller.pollPhase(), 0);
    EXPECT_EQ(statusRequestsSent(), 1); // the receive tick sends nothing
}

TEST_F(StatusPollerTest, EachFaultyAnswerMovesExactlyOneCounter)
{
    const auto good = test::statusAnswer(StatusFrame());
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        CounterLabel label;
        const char* text;
    };
    auto endE1BadSum = good;
    endE1BadSum[99] = 0xE1;
    endE1BadSum[98] ^= 0xFF;
    auto header = good;
    header[0] = 0x57;
    auto second = good;
    second[1] = 0x01;
    auto sum = good;
    sum[98] ^= 0x01;
    auto payloadFlip = good;
    payloadFlip[50] ^= 0x10;
    const std::vector<uint8_t> truncated(good.begin(), good.begin() + 99);
    const Case cases[] = {
        {"silent", {}, CounterLabel::Lost, "Pakiet utracony: 1"},
        {"99 bytes", truncated, CounterLabel::Lost, "Pakiet utracony: 2"},
        {"end 0xE1 and wrong sum", endE1BadSum, CounterLabel::Bad, "Pakiet blad: 1"},
        {"header", header, CounterLabel::Bad, "Pakiet blad: 2"},
        {"second byte", second, CounterLabel::Bad, "Pakiet blad: 3"},
        {"checksum byte", sum, CounterLabel::Crc, "Pakiet Blad CRC: 1"},
        {"payload changed", payloadFlip, CounterLabel::Crc, "Pakiet Blad CRC: 2"},
    };
    uint32_t lost = 0, bad = 0, crc = 0;
    for (const auto& c : cases) {
        answer = c.bytes;
        tick();
        const auto r = tick();
        // Leftovers of this answer must not leak into the next case.
        clock.advance(200);
        uint8_t sink[256];
        while (link.readAvailable(sink, sizeof sink) > 0) {}

        ASSERT_TRUE(r.counter) << c.what;
        EXPECT_EQ(r.counter->label, c.label) << c.what;
        EXPECT_EQ(r.counter->text, c.text) << c.what;
        EXPECT_FALSE(r.frame) << c.what;
        lost += c.label == CounterLabel::Lost;
        bad += c.label == CounterLabel::Bad;
        crc += c.label == CounterLabel::Crc;
        EXPECT_EQ(poller.lostPacketCount(), lost) << c.what;
        EXPECT_EQ(poller.badPacketCount(), bad) << c.what;
        EXPECT_EQ(poller.crcErrorCount(), crc) << c.what;
        EXPECT_EQ(poller.pollPhase(), 0) << c.what;
    }
}

TEST_F(StatusPollerTest, CounterCaptionsFollowTheCurrentLanguageTexts)
{
    std::map<int, std::string> texts = {{100122, "Lost: "}};
    StatusPoller localised(link, image, writer, [&texts](int key) {
        auto it = texts.find(key);
        return it != texts.end() ? it->second : LiveTexts::defaultText(key);
    });
    answer.clear();
    clock.advance(50);
    localised.tick();
    clock.advance(50);
    EXPECT_EQ(localised.tick().counter->text, "Lost: 1");
    texts[100122] = "Verloren: ";
    EXPECT_EQ(localised.counterText(CounterLabel::Lost), "Verloren: 1");
    EXPECT_EQ(localised.counterText(CounterLabel::Crc), "Pakiet Blad CRC: 0");
    EXPECT_EQ(StatusPoller::initialCounterText(CounterLabel::Bad), "Pakiet blad: 0");
}

TEST_F(StatusPollerTest, OneEditIsSavedOnceOnTheTwentyFirstSendTick)
{
    poller.syncShadow();
    const auto saves = runSendTicks(60, [this](int n) {
        if (n == 5)
            image[300] = 0x42; // seen by send tick 5
    });
    // Send tick 5 sees the change, so the save goes out on send tick 5 + 20.
    EXPECT_EQ(saves, std::vector<int>{25});
    EXPECT_EQ(writer.saves, 1);
    EXPECT_FALSE(poller.savePending());
    EXPECT_EQ(poller.shadow(), image);
}

TEST_F(StatusPollerTest, SaveLampLightsOnTheChangeAndGoesOutWithTheSave)
{
    poller.syncShadow();
    image[0] = 1;
    const auto seen = tick();
    ASSERT_TRUE(seen.saveLamp);
    EXPECT_TRUE(seen.saveLamp->on);
    EXPECT_EQ(seen.saveLamp->caption, "Sending data !!"); // changes wait for the save
    EXPECT_EQ(poller.quietTime(), 50);
    tick();
    for (int n = 2; n <= 20; ++n) {
        EXPECT_FALSE(tick().saveLamp) << n; // nothing to change until the save
        tick();
    }
    const auto saved = tick();
    EXPECT_TRUE(saved.saveIssued);
    ASSERT_TRUE(saved.saveLamp);
    EXPECT_FALSE(saved.saveLamp->on);
    EXPECT_EQ(saved.saveLamp->caption, "Data saved.");
    EXPECT_EQ(saved.saveLamp->textKey, 100233);
    EXPECT_EQ(poller.quietTime(), 1050);
}

TEST_F(StatusPollerTest, APendingSaveStaysVisibleAcrossALostLinkAndGoesOutAfterReconnecting)
{
    poller.syncShadow();
    image[10] = 3;
    ASSERT_EQ(tick().saveLamp->caption, "Sending data !!");
    tick();
    // The link drops after five send ticks: ticks do nothing, the lamp keeps
    // saying that data waits.
    runSendTicks(4);
    state.connected = false;
    for (int n = 0; n < 60; ++n)
        EXPECT_FALSE(tick().saveLamp);
    EXPECT_TRUE(poller.savePending());
    EXPECT_TRUE(poller.saveLamp().on);
    EXPECT_EQ(poller.saveLamp().caption, "Sending data !!");
    EXPECT_EQ(writer.saves, 0);

    // Reconnected and read: the fresh image is shown, and the save still goes
    // out once the quiet time is complete (it had run 250 ms of it).
    state.connected = true;
    poller.resetPollPhase();
    poller.syncShadow();
    std::vector<std::string> captions;
    for (int n = 1; n <= 20; ++n) {
        if (const auto sent = tick(); sent.saveLamp)
            captions.push_back(std::to_string(n) + " " + sent.saveLamp->caption);
        tick();
    }
    EXPECT_EQ(captions, std::vector<std::string>{"16 Data saved."});
    EXPECT_EQ(writer.saves, 1);
}

TEST_F(StatusPollerTest, ASaveThatDidNotReachThePortStaysPending)
{
    poller.syncShadow();
    image[10] = 3;
    writer.portWorks = false;
    const auto saves = runSendTicks(30);
    EXPECT_TRUE(saves.empty());
    EXPECT_GE(writer.saves, 1);
    EXPECT_TRUE(poller.savePending());
    EXPECT_EQ(poller.saveLamp().caption, "Sending data !!");
    writer.portWorks = true;
    EXPECT_EQ(runSendTicks(1), std::vector<int>{1});
    EXPECT_FALSE(poller.saveLamp().on);
}

TEST_F(StatusPollerTest, AnEditShownAgainBeforeTheNextSendTickIsStillSaved)
{
    poller.syncShadow();
    runSendTicks(3);
    image[200] = 0x55; // an edit, sent at once
    // The parameters are shown again (language switch) before the watcher ran.
    const auto lamp = poller.watchImage();
    poller.syncShadow();
    ASSERT_TRUE(lamp);
    EXPECT_TRUE(lamp->on);
    EXPECT_EQ(runSendTicks(25), std::vector<int>{21});
    EXPECT_EQ(writer.saves, 1);
    // Showing without an edit starts nothing.
    EXPECT_FALSE(poller.watchImage());
}

TEST_F(StatusPollerTest, AnEditOnEverySendTickIsNeverSaved)
{
    poller.syncShadow();
    const auto saves = runSendTicks(50, [this](int n) { image[100] = static_cast<uint8_t>(n); });
    EXPECT_TRUE(saves.empty());
    EXPECT_TRUE(poller.savePending());
    // Once the edits stop, the pending save follows twenty send ticks later.
    EXPECT_EQ(runSendTicks(25), std::vector<int>{20});
}

TEST_F(StatusPollerTest, ReadingAndShowingTheParametersIsNotAnEdit)
{
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7);
    poller.syncShadow();
    EXPECT_TRUE(runSendTicks(40).empty());
    EXPECT_EQ(writer.saves, 0);
}

TEST_F(StatusPollerTest, QuietTimeStopsAtItsCapAndRestartsWithTheNextChange)
{
    runSendTicks(250);
    EXPECT_EQ(poller.quietTime(), 10000);
    image[7] = 9;
    tick();
    EXPECT_EQ(poller.quietTime(), 50);
}

TEST_F(StatusPollerTest, ConnectingSavesTheConnectionLogUpdateUnlessItChangedNothing)
{
    // A controller whose log holds this PC in slot 0 (and the first PC in 7).
    ConnectionLog log(image, writer);
    const UtcDate today{2026, 12, 8};
    log.writeLogSlot(7, 0x11111111, {2020, 1, 2});
    log.writeLogSlot(0, 0xCAFE0001, today);
    poller.syncShadow();

    log.update(0xCAFE0001, today); // same day, same PC: same words
    EXPECT_TRUE(runSendTicks(30).empty());

    log.update(0xCAFE0001, {2026, 12, 9}); // next day
    EXPECT_EQ(runSendTicks(30), std::vector<int>{21});
}

TEST_F(StatusPollerTest, AResetPhaseMakesTheNextTickSend)
{
    tick();
    ASSERT_EQ(poller.pollPhase(), 1);
    poller.resetPollPhase();
    EXPECT_EQ(tick().kind, TickResult::Kind::Sent);
    EXPECT_EQ(statusRequestsSent(), 2);
}

} // namespace
} // namespace kdx
