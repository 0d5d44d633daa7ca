// The read window against answers that a USB adapter hands over late, in
// chunks, on virtual time; and the hang-up report of the link.
#include "link/DeviceLink.h"
#include "link/ReadWindow.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <numeric>

namespace kdx {
namespace {

using test::ScriptedLine;
using test::TestClock;
using Bytes = std::vector<uint8_t>;

uint32_t countedSpan(const std::array<uint32_t, wire::kMaxPolls>& p)
{
    return std::accumulate(p.begin(), p.end() - 1, 0u);
}

TEST(ReadWindow, PromptAnswersKeepTwoMsPollsAndLateOnesStretchOnlyTheSecondHalf)
{
    for (uint32_t need = 0; need <= 300; ++need) {
        const auto p = readWindowPauses(need);
        SCOPED_TRACE(need);
        ASSERT_GE(countedSpan(p), need) << "poll 20 comes no earlier than the answer is due";
        for (int i = 0; i < wire::kFastPolls; ++i)
            EXPECT_EQ(p[static_cast<size_t>(i)], wire::kPollPauseMs);
        EXPECT_EQ(p.back(), wire::kPollPauseMs) << "the counting poll follows at once";
        if (need <= 40) {
            EXPECT_EQ(countedSpan(p), 40u) << "the window as designed";
        } else {
            EXPECT_LT(countedSpan(p), need + 10) << "no more than one slow step beyond it";
        }
    }
    EXPECT_EQ(readWindowPauses(55)[15], 5u) << "(55 - 30) ms over the last five counted polls";
}

TEST(ReadWindow, AnswerIsDueAfterTurnaroundWireTimeAndAdapterLatency)
{
    // 132 bytes take 68.75 ms, counted as 69.
    EXPECT_EQ(answerDueInMs(1060, 1000, 132, 16), 30u + 69 + 16 - 60);
    EXPECT_EQ(answerDueInMs(1060, 1000, 132, 0), 30u + 69 - 60);
    EXPECT_EQ(answerDueInMs(1010, 1000, 8, 0), 30u + 5 - 10);
    EXPECT_EQ(answerDueInMs(5000, 1000, 132, 16), 0u) << "long past";
}

// A page answer as a USB adapter with the given latency delivers it: 62-byte
// packets when full, the rest latency ms after the last byte, the answer
// starting turnaround ms after the request.
void deliverLikeUsb(ScriptedLine& line, const Bytes& answer, uint32_t turnaroundMs, uint32_t latencyMs)
{
    const auto doneMs = [&](size_t bytes) { return turnaroundMs + (wire::wireTimeUs(bytes) + 999) / 1000; };
    size_t from = 0;
    while (answer.size() - from >= 62) {
        line.arriveAfter(doneMs(from + 62), Bytes(answer.begin() + static_cast<long>(from),
                                                  answer.begin() + static_cast<long>(from + 62)));
        from += 62;
    }
    if (from < answer.size())
        line.arriveAfter(doneMs(answer.size()) + latencyMs, Bytes(answer.begin() + static_cast<long>(from), answer.end()));
}

Bytes page(uint16_t address)
{
    Bytes a{wire::kPageStart, wire::kPageSecond};
    uint8_t sum = wire::kFrameSumBias;
    for (int i = 0; i < 128; ++i) {
        a.push_back(static_cast<uint8_t>(address + i * 3));
        sum = static_cast<uint8_t>(sum + a.back());
    }
    a.push_back(sum);
    a.push_back(wire::kFrameEnd);
    return a;
}

TEST(ReadWindow, PageReadSurvivesAUsbAdapterItKnowsAbout)
{
    struct Case {
        const char* what;
        uint32_t actualLatencyMs, reportedLatencyMs, turnaroundMs;
        int failedPages; // the first pages, read before the window learned the lateness
        uint32_t learnedMs;
    };
    const Case cases[] = {
        {"latency timer lowered to 1 ms", 1, 1, 20, 0, 0},
        {"latency timer left at 16 ms, and known", 16, 16, 20, 0, 0},
        {"latency timer left at 16 ms, unknown assumed", 16, 16, 25, 0, 0},
        {"the system says nothing, the tail comes 16 ms late", 16, 0, 20, 1, 16},
        {"a chip 32 ms late where 16 are assumed", 32, 16, 20, 1, 32},
        {"a network redirector 100 ms late", 100, 0, 20, 4, 128},
    };
    for (const Case& c : cases) {
        TestClock clock;
        ScriptedLine line{clock};
        ConnectionState state;
        DeviceLink link{line, clock, state};
        line.latencyMs = c.reportedLatencyMs;
        line.onTransmit = [&](const Bytes& frame, const std::string&) {
            if (frame.size() == 6 && frame[0] == wire::kCmdRead && frame[1] == wire::kReadPage)
                deliverLikeUsb(line, page(static_cast<uint16_t>(frame[2] << 8 | frame[3])), c.turnaroundMs,
                               c.actualLatencyMs);
        };
        link.selectPort("/dev/ttyUSB0");
        ASSERT_TRUE(link.openPort());
        uint8_t got[128] = {};
        int pageNumber = 0;
        for (uint16_t address : {0, 128, 256, 384, 0, 128}) {
            clock.clearSleeps();
            const bool ok = pageNumber++ >= c.failedPages;
            EXPECT_EQ(link.readPage(address, got), ok) << c.what << ", page " << address;
            const auto& s = clock.sleeps();
            ASSERT_GE(s.size(), 3u);
            EXPECT_LE(s.size(), 3u + wire::kMaxPolls) << "10 + 10 + 50 ms, then at most 21 polls";
            if (ok) {
                EXPECT_TRUE(std::equal(got, got + 128, page(address).begin() + 2)) << c.what;
                EXPECT_EQ(line.pendingBytes(), 0u) << "the whole answer was taken in";
            }
            clock.advance(200); // the next request starts on a quiet line
            uint8_t rest[256];
            while (line.bytesWaiting() > 0)
                line.read(rest, sizeof rest);
        }
        EXPECT_EQ(link.learnedLatencyMs(), c.learnedMs) << c.what;
    }
}

TEST(ReadWindow, AShortAnswerThatCameWhollyLateStretchesTheNextWindows)
{
    TestClock clock;
    ScriptedLine line{clock};
    ConnectionState state;
    DeviceLink link{line, clock, state};
    line.latencyMs = 16; // assumed, where the answer comes 80 ms after the request
    uint32_t answers = 0;
    line.onTransmit = [&](const Bytes&, const std::string&) {
        ++answers;
        line.arriveAfter(80, {0x41, 1, 2, 3, 0, 0, 0, 0xE0});
    };
    link.selectPort("/dev/pts/3");
    ASSERT_TRUE(link.openPort());
    ASSERT_TRUE(link.sendCommand(wire::kCmdIdentify, 0, 0, 0));
    EXPECT_FALSE(link.readResponse(8, 0, 0)) << "nothing in the window";
    EXPECT_EQ(link.learnedLatencyMs(), 0u) << "silence alone may be no controller at all";
    uint8_t rest[16];
    for (const uint32_t learned : {32u, 64u}) {
        clock.advance(100);
        ASSERT_TRUE(link.sendCommand(wire::kCmdIdentify, 0, 0, 0)) << "finds the late answer waiting";
        EXPECT_EQ(link.learnedLatencyMs(), learned);
        EXPECT_EQ(line.read(rest, sizeof rest), 8u);
        EXPECT_EQ(link.readResponse(8, 0, 0), learned == 64u) << learned;
    }
    EXPECT_EQ(answers, 3u);
    clock.advance(100);
    ASSERT_TRUE(link.sendCommand(wire::kCmdIdentify, 0, 0, 0));
    EXPECT_EQ(link.learnedLatencyMs(), 64u) << "an answer in time teaches nothing";

    // Another port starts from what its line reports.
    link.closePort();
    link.selectPort("/dev/ttyUSB0");
    EXPECT_EQ(link.learnedLatencyMs(), 0u);
}

TEST(ReadWindow, PromptAnswerCostsNoMoreThanBeforeAndSilenceEndsAfterTheStretchedWindow)
{
    TestClock clock;
    ScriptedLine line{clock};
    ConnectionState state;
    DeviceLink link{line, clock, state};
    line.latencyMs = 16;
    link.selectPort("/dev/ttyUSB0");
    ASSERT_TRUE(link.openPort());

    // A page answer complete 2 ms into the polls is taken in at the next poll.
    line.onTransmit = [&](const Bytes&, const std::string&) { line.arriveAfter(62, page(0)); };
    uint8_t got[128];
    clock.clearSleeps();
    ASSERT_TRUE(link.readPage(0, got));
    EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{10, 10, 50, 2, 2}));

    // Nothing comes: the 21 polls end 30 + 69 + 16 ms after the request, plus the last poll.
    line.onTransmit = nullptr;
    clock.clearSleeps();
    EXPECT_FALSE(link.readPage(0, got));
    const auto& s = clock.sleeps();
    ASSERT_LE(s.size(), 3u + 21);
    const uint32_t window = std::accumulate(s.begin() + 3, s.end(), 0u) - wire::kPollPauseMs; // up to poll 20
    EXPECT_GE(10 + 50 + window, 30u + 69 + 16);
    EXPECT_LT(10 + 50 + window, 30u + 69 + 16 + 10);

    // Without a request since the port opened (the drain before a search)
    // there is nothing to wait for: the window as designed.
    link.closePort();
    ASSERT_TRUE(link.openPort());
    clock.clearSleeps();
    EXPECT_FALSE(link.readResponse(100, 0, 0));
    EXPECT_EQ(clock.totalSlept(), 42u);
    // 100 bytes take 52 ms, 16 of which the adapter may hold back: after the
    // first poll finds nothing, none before poll 19 can find them all.
    EXPECT_EQ(clock.sleeps(), (std::vector<uint32_t>{2, 36, 4}));
}

TEST(LineHangUp, FollowsTheLineWhileAPortIsOpen)
{
    TestClock clock;
    ScriptedLine line{clock};
    ConnectionState state;
    DeviceLink link{line, clock, state};
    EXPECT_FALSE(link.lineHungUp());
    link.selectPort("/dev/ttyUSB0");
    ASSERT_TRUE(link.openPort());
    EXPECT_FALSE(link.lineHungUp());
    line.hangUp = true;
    EXPECT_TRUE(link.lineHungUp());
    link.closePort();
    EXPECT_FALSE(link.lineHungUp()) << "no port open";
    EXPECT_FALSE(line.hangUp) << "closing ends the report";
    ASSERT_TRUE(link.openPort());
    EXPECT_FALSE(link.lineHungUp());
}

// The reader sleeps through polls that cannot find the answer complete, yet
// ends at the same moment with the same bytes as one that wakes for every
// poll (an adapter said to hold bytes back for a second may hand over the
// whole answer at any poll, so that reader sleeps through none).
TEST(ReadWindow, PollsThatCannotCompleteTheAnswerAreSleptThroughWithoutDelayingIt)
{
    struct Outcome {
        bool ok;
        uint64_t endMs;
        Bytes received;
        size_t wakes;
    };
    using Arrivals = std::vector<std::pair<int64_t, Bytes>>; // ms from the read's start, bytes
    const auto readArrivals = [](const Arrivals& arrivals, uint32_t latencyMs) {
        TestClock clock;
        ScriptedLine line{clock};
        ConnectionState state;
        DeviceLink link{line, clock, state};
        line.latencyMs = latencyMs;
        link.selectPort("/dev/ttyUSB0");
        EXPECT_TRUE(link.openPort());
        const uint64_t t0 = clock.nowMs();
        for (const auto& [at, bytes] : arrivals)
            line.arriveAt(static_cast<uint64_t>(static_cast<int64_t>(t0) + at), bytes);
        Outcome o;
        o.ok = link.readResponse(100, 2, 98);
        o.endMs = clock.nowMs() - t0;
        o.received.assign(link.receiveBuffer().begin(), link.receiveBuffer().begin() + 110);
        o.wakes = clock.sleeps().size();
        return o;
    };
    // Byte i leaves the wire at its time at 19200 8N1.
    const auto read = [&](int64_t answerFromMs, size_t answerLen, uint32_t latencyMs) {
        Arrivals arrivals;
        for (size_t i = 0; i < answerLen; ++i)
            arrivals.push_back({answerFromMs + static_cast<int64_t>((wire::wireTimeUs(i + 1) + 999) / 1000),
                                {static_cast<uint8_t>(i + 1)}});
        return readArrivals(arrivals, latencyMs);
    };
    // When the 100-byte answer began, relative to the read: well before, so
    // that it is complete at once, or at the second poll, or late in the
    // window, too late for it, and longer than asked for.
    for (const int64_t from : {-60, -52, -51, -45, -30, -20, -12, -10, -3, 0, 5}) {
        for (const size_t len : {100u, 104u}) {
            SCOPED_TRACE("answer from " + std::to_string(from) + " ms, " + std::to_string(len) + " bytes");
            const Outcome every = read(from, len, 1000);
            const Outcome few = read(from, len, 0);
            EXPECT_EQ(few.ok, every.ok);
            EXPECT_EQ(few.endMs, every.endMs);
            EXPECT_EQ(few.received, every.received);
            EXPECT_LE(few.wakes, every.wakes);
            EXPECT_LE(few.wakes, 5u);
            if (from == -30) {
                EXPECT_GE(every.wakes, 10u) << "the reader that wakes for every poll";
            }
        }
    }
    // Half the answer at the first poll, the other half handed over at once
    // at the first moment its wire time allows (50 bytes: 26.04 ms).
    const Arrivals halves{{1, Bytes(50, 0x11)}, {2 + 26, Bytes(50, 0x22)}};
    const Outcome every = readArrivals(halves, 1000);
    const Outcome few = readArrivals(halves, 0);
    EXPECT_TRUE(few.ok);
    EXPECT_EQ(every.endMs, 30u);
    EXPECT_EQ(few.endMs, every.endMs);
    EXPECT_EQ(few.wakes, 3u);
    EXPECT_FALSE(read(5, 100, 0).ok) << "complete only after poll 20";
    EXPECT_TRUE(read(-20, 100, 0).ok);
}

} // namespace
} // namespace kdx
