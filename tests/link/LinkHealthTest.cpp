// Link health without the window: the traffic lines and their capture, the
// status texts and stale rule, and the watch for a replugged adapter.
#include "protocol/Wire.h"
#include "link/DeviceNotices.h"
#include "link/LinkWatch.h"
#include "link/ReplugWatch.h"
#include "link/TrafficCapture.h"
#include "link/TrafficLog.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <poll.h>
#include <unistd.h>

namespace kdx {
namespace {

namespace fs = std::filesystem;
using test::ScriptedLine;
using test::TestClock;
using Bytes = std::vector<uint8_t>;

// --- traffic lines ----------------------------------------------------------

TEST(TrafficLog, CommandKindsOfEveryRequestTheToolSends)
{
    const struct {
        Bytes frame;
        const char* kind;
    } cases[] = {
        {{0x03, 0, 0, 0, 0xAD, 0xE0}, "identify"},
        {{0xAA, 0x01, 0x01, 0x80, 0xD4, 0xE0}, "page"},
        {{0xAA, 0x05, 0, 0, 0x59, 0xE0}, "status"},
        {{0xAA, 0xAA, 0, 0, 0xFE, 0xE0}, "bootloader"},
        {{0xD1, 0x10, 0x00, 0x05, 0x90, 0xE0}, "write"},
        {{0xC3, 0x10, 0x00, 0x05, 0x90, 0xE0}, "write"},
        {{0xE1, 0, 0, 0, 0x8B, 0xE0}, "save"},
        {{0x10, 0, 3, 0, 0xBD, 0xE0}, "mode"},
        {{0x81, 0, 0, 0, 0x2B, 0xE0}, "service"},
        {{0x61, 0, 0, 0, 0x0B, 0xE0}, "erase"},
        {{0x77, 0, 0, 0, 0x21, 0xE0}, "unknown"},
        {{0x03, 0, 0}, "unknown"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(commandKind(c.frame.data(), c.frame.size()), c.kind) << formatTrafficLine({0, {}, "", c.frame, ""});
    Bytes boot(wire::kBootFrameSize, 0);
    boot[0] = wire::kBootMagic0;
    boot[1] = wire::kBootMagic1;
    EXPECT_EQ(commandKind(boot.data(), boot.size()), "bootloader");

    const Bytes status = {0x56, 0x05, 1, 2};
    const Bytes page = {0x48, 0x01, 1, 2};
    const Bytes ident = {0x41, 1, 4, 0, 0, 0, 0, 0xE0};
    const Bytes reply = {0x42, 0x69, 0x01};
    EXPECT_EQ(answerKind(status.data(), status.size(), "identify"), "status");
    EXPECT_EQ(answerKind(page.data(), page.size(), "status"), "page");
    EXPECT_EQ(answerKind(ident.data(), ident.size(), "identify"), "identify");
    EXPECT_EQ(answerKind(reply.data(), reply.size(), "bootloader"), "bootloader");
    EXPECT_EQ(answerKind(ident.data(), ident.size(), ""), "unknown");
}

TEST(TrafficLog, LinesParseBackToTheSameRecord)
{
    const TrafficRecord records[] = {
        {45296789, TrafficRecord::Sender::Pc, "status", {0xAA, 0x05, 0x00, 0x00, 0x59, 0xE0}, ""},
        {0, TrafficRecord::Sender::Ecu, "identify", {0x41, 0x01, 0x04, 0, 0, 0, 0, 0xE0}, "badend slow"},
        {86399999, TrafficRecord::Sender::Ecu, "status", {}, "drop: answer withheld"},
        {1000, TrafficRecord::Sender::None, "noise", {0xFF, 0x00}, "not a valid frame"},
    };
    for (const TrafficRecord& r : records) {
        const std::string line = formatTrafficLine(r);
        const auto back = parseTrafficLine(line);
        ASSERT_TRUE(back) << line;
        EXPECT_EQ(*back, r) << line;
    }
    EXPECT_EQ(formatTrafficLine(records[0]), "12:34:56.789 PC  status AA 05 00 00 59 E0");
    EXPECT_EQ(formatTrafficLine(records[2]), "23:59:59.999 ECU status -  # drop: answer withheld");
}

TEST(TrafficLog, NonTrafficLinesAreRefused)
{
    for (const char* line : {"", "kdx-sim: controller H:1 S:4.0 serving on /dev/pts/3", "12:00:00.000 PC status",
                             "12:00:00.000 XX status 01", "24:00:00.000 PC status 01", "12:00:00.000 PC status 1G",
                             "12:00:00.000 PC status - 01", "12:00:00 PC status 01"})
        EXPECT_FALSE(parseTrafficLine(line)) << line;
}

// --- capture ---------------------------------------------------------------

class CaptureTest : public ::testing::Test {
protected:
    TestClock clock;
    ScriptedLine line{clock};
    TrafficCapture capture{line, clock};
    uint8_t buffer[256];

    void exchange(const Bytes& request, const Bytes& answer)
    {
        capture.transmit(request.data(), request.size());
        line.arriveAfter(0, answer);
        // The answer is read in two pieces, as the poll loop does.
        capture.read(buffer, answer.size() / 2);
        capture.read(buffer, sizeof buffer);
    }
};

TEST_F(CaptureTest, KeepsNothingWhileNotRecordingAndPassesEverythingOn)
{
    ASSERT_TRUE(capture.open("/dev/ttyUSB0"));
    exchange({0x03, 0, 0, 0, 0xAD, 0xE0}, {0x41, 1, 4, 0, 0, 0, 0, 0xE0});
    uint64_t next = 0;
    EXPECT_TRUE(capture.takeSince(next).empty());
    EXPECT_EQ(capture.total(), 0u);
    EXPECT_EQ(line.sentFrames().size(), 1u);
    EXPECT_EQ(line.pendingBytes(), 0u);
    line.hangUp = true;
    EXPECT_TRUE(capture.hungUp());
}

TEST_F(CaptureTest, EachRequestAndEverythingReadBeforeTheNextIsOneFrame)
{
    ASSERT_TRUE(capture.open("/dev/ttyUSB0"));
    capture.start(1000); // the clock starts at 1000 ms
    exchange({0x03, 0, 0, 0, 0xAD, 0xE0}, {0x41, 1, 4, 0, 0, 0, 0, 0xE0});
    clock.advance(50);
    Bytes status(100, 0);
    status[0] = 0x56;
    status[1] = 0x05;
    exchange({0xAA, 0x05, 0, 0, 0x59, 0xE0}, status);
    uint64_t next = 0;
    const auto frames = capture.takeSince(next);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].kind, "identify");
    EXPECT_EQ(frames[0].sender, TrafficRecord::Sender::Pc);
    EXPECT_EQ(frames[0].timeMs, 2000u);
    EXPECT_EQ(frames[1].kind, "identify");
    EXPECT_EQ(frames[1].sender, TrafficRecord::Sender::Ecu);
    EXPECT_EQ(frames[1].bytes.size(), 8u);
    EXPECT_EQ(frames[2].kind, "status");
    EXPECT_EQ(frames[3].kind, "status");
    EXPECT_EQ(frames[3].bytes, status);
    EXPECT_EQ(next, 4u);
    EXPECT_TRUE(capture.takeSince(next).empty());
}

TEST_F(CaptureTest, TheRingKeepsTheNewestFramesOnly)
{
    ASSERT_TRUE(capture.open("/dev/ttyUSB0"));
    capture.start(0);
    const Bytes request = {0xAA, 0x05, 0, 0, 0x59, 0xE0};
    const size_t sent = TrafficCapture::kCapacity + 10;
    for (size_t i = 0; i < sent; ++i) {
        clock.advance(1);
        capture.transmit(request.data(), request.size());
    }
    uint64_t next = 0;
    const auto frames = capture.takeSince(next);
    ASSERT_EQ(frames.size(), TrafficCapture::kCapacity);
    // The oldest ten are gone; the rest come in order.
    EXPECT_EQ(frames.front().timeMs, 1000u + 11u);
    EXPECT_EQ(frames.back().timeMs, 1000u + sent);
    for (size_t i = 1; i < frames.size(); ++i)
        ASSERT_EQ(frames[i].timeMs, frames[i - 1].timeMs + 1) << i;
}

TEST_F(CaptureTest, ClearForgetsWhatWasKeptAndTheRingStartsAfresh)
{
    ASSERT_TRUE(capture.open("/dev/ttyUSB0"));
    capture.start(0);
    const Bytes request = {0xAA, 0x05, 0, 0, 0x59, 0xE0};
    for (int i = 0; i < 5; ++i)
        capture.transmit(request.data(), request.size());
    capture.stop();
    capture.clear();
    uint64_t next = 0;
    EXPECT_TRUE(capture.takeSince(next).empty());

    capture.start(0);
    for (size_t i = 0; i < TrafficCapture::kCapacity + 3; ++i) {
        clock.advance(1);
        capture.transmit(request.data(), request.size());
    }
    next = 0;
    const auto frames = capture.takeSince(next);
    ASSERT_EQ(frames.size(), TrafficCapture::kCapacity);
    EXPECT_EQ(frames.back().timeMs, clock.nowMs());
    EXPECT_EQ(frames.front().timeMs, clock.nowMs() - TrafficCapture::kCapacity + 1);
    EXPECT_EQ(next, 5 + TrafficCapture::kCapacity + 3);
}

// --- status texts and the stale rule ------------------------------------------

TEST_F(CaptureTest, AnUnplugAndReplugIsToldWholeAndTheExportReadsBack)
{
    LinkWatch watch;
    watch.setEventSink([this](const std::string& kind, const std::string& text) { capture.note(kind, text); });
    const Bytes identify{0x03, 0, 0, 0, 0xAD, 0xE0}, identified{0x41, 1, 4, 0, 0, 0, 0, 0xE0};
    Bytes status(100, 0);
    status[0] = 0x56;
    status[1] = 0x05;
    const Bytes poll{0xAA, 0x05, 0, 0, 0x59, 0xE0};

    capture.note("search", "before the start: kept nowhere");
    EXPECT_EQ(capture.total(), 0u);
    capture.start(0);
    ASSERT_TRUE(capture.open("/dev/ttyUSB0"));
    watch.searchStarted(false);
    exchange(identify, identified);
    watch.searchEnded(true, "/dev/ttyUSB0", {}, clock.nowMs());
    clock.advance(100);
    exchange(poll, status);
    clock.advance(100);
    capture.transmit(poll.data(), poll.size()); // unanswered: the adapter is gone
    watch.lost(clock.nowMs());
    clock.advance(2700);
    watch.searchStarted(true);
    exchange(identify, identified);
    watch.searchEnded(true, "/dev/ttyUSB0", {}, clock.nowMs());
    clock.advance(999);
    exchange(poll, status);

    uint64_t next = 0;
    const std::vector<TrafficRecord> records = capture.takeSince(next);
    std::vector<std::string> story;
    for (const TrafficRecord& r : records)
        story.push_back(formatTrafficLine(r).substr(13));
    const std::vector<std::string> expected = {
        "--  search -  # search started",
        "PC  identify 03 00 00 00 AD E0",
        "ECU identify 41 01 04 00 00 00 00 E0",
        "--  connected -  # connected to /dev/ttyUSB0",
        "PC  status AA 05 00 00 59 E0",
        story[5], // the status answer
        "PC  status AA 05 00 00 59 E0",
        "--  lost -  # link lost: /dev/ttyUSB0 went away",
        "--  search -  # search started (the device came back)",
        "--  pause -  # no request for 2.7 s",
        "PC  identify 03 00 00 00 AD E0",
        "ECU identify 41 01 04 00 00 00 00 E0",
        "--  reconnected -  # reconnected to /dev/ttyUSB0",
        "PC  status AA 05 00 00 59 E0",
        story.back(),
    };
    EXPECT_EQ(story, expected) << "999 ms between requests is no pause";

    TrafficExportFacts facts;
    facts.localTime = "2026-12-09 14:05:31 +01:00 (CET)";
    facts.program = "kdx 1.097";
    facts.port = "/dev/ttyUSB0";
    facts.adapter = "0403:6001 FTDI FT232R USB UART (ftdi_sio)";
    facts.controller = "hardware 1, software 4.0";
    std::string text = trafficExportHeader(facts);
    EXPECT_EQ(text, "# kdx traffic\n# exported: 2026-12-09 14:05:31 +01:00 (CET)\n# program: kdx 1.097\n"
                    "# port: /dev/ttyUSB0\n# adapter: 0403:6001 FTDI FT232R USB UART (ftdi_sio)\n"
                    "# controller: hardware 1, software 4.0\n# serial number: unknown\n");
    for (const TrafficRecord& r : records)
        text += formatTrafficLine(r) + "\r\n";
    EXPECT_EQ(readTrafficExport(text), records) << "header passed over, every line read back";
}

TEST(LinkWatch, StatesAndTheirTexts)
{
    LinkWatch w;
    EXPECT_EQ(w.areaText(), "no port  \u00b7  not connected  \u00b7  last answer none");
    w.searchStarted(false);
    w.tryingPort("/dev/ttyUSB0");
    EXPECT_EQ(w.phase(), LinkWatch::Phase::Searching);
    const uint64_t t = 12 * 3600000 + 30 * 60000 + 5000; // 12:30:05
    EXPECT_EQ(w.searchEnded(true, "/dev/ttyUSB0", {}, t), "");
    w.validAnswer(t + 100);
    EXPECT_EQ(w.areaText(), "/dev/ttyUSB0  \u00b7  connected  \u00b7  last answer 12:30:05");
    EXPECT_EQ(w.lost(t + 61000), "Link lost: /dev/ttyUSB0 went away at 12:31:06; waiting for it to come back");
    EXPECT_EQ(w.phase(), LinkWatch::Phase::Lost);
    w.searchStarted(true);
    EXPECT_EQ(w.searchEnded(true, "/dev/ttyUSB1", {}, t + 70000), "Reconnected to /dev/ttyUSB1 at 12:31:15");
    w.searchStarted(false);
    EXPECT_EQ(w.searchEnded(false, "", {{"/dev/ttyUSB0", "permission denied"}, {"/dev/ttyS0", ""}}, t),
              "No controller answered on: /dev/ttyUSB0 (permission denied); /dev/ttyS0");
    EXPECT_EQ(w.areaText(), "no port  \u00b7  not found  \u00b7  last answer 12:30:05");
    EXPECT_EQ(w.searchEnded(false, "", {}, t), "No controller answered: no serial port to try");
}

TEST(LinkWatch, StatusLinesTakeTheWindowsWordsWithThePlacesFilledIn)
{
    LinkWatch w;
    w.setWords([](int key, const char* english) -> std::string {
        if (key == 102783)
            return "%1 weg um %2";
        if (key == 102784)
            return "der Port";
        if (key == 102782)
            return "Keine Antwort an: %1";
        return english;
    });
    const uint64_t t = 8 * 3600000 + 5000; // 08:00:05
    EXPECT_EQ(w.lost(t), "der Port weg um 08:00:05");
    EXPECT_EQ(w.searchEnded(false, "", {{"/dev/ttyUSB0", ""}, {"/dev/ttyS0", ""}}, t),
              "Keine Antwort an: /dev/ttyUSB0; /dev/ttyS0");
}

TEST(LinkWatch, StaleAfterOneSecondWithoutAValidAnswerAndWhileLost)
{
    LinkWatch w;
    EXPECT_FALSE(w.stale(5000));
    w.searchEnded(true, "p", {}, 10000);
    EXPECT_FALSE(w.stale(11000)) << "a fresh connection gets its second";
    EXPECT_TRUE(w.stale(11001));
    w.validAnswer(11050);
    EXPECT_FALSE(w.stale(12050));
    EXPECT_TRUE(w.stale(12051));
    EXPECT_EQ(w.staleText(), "no data since 00:00:11");
    w.validAnswer(12100);
    EXPECT_FALSE(w.stale(12200));
    w.lost(12300);
    EXPECT_TRUE(w.stale(12300));
    EXPECT_EQ(w.staleReason(""), "link lost");
    // The old values stay on show through a search and a search that fails...
    w.searchStarted(false);
    EXPECT_TRUE(w.stale(12400));
    EXPECT_EQ(w.staleReason(""), "searching for the controller");
    w.searchEnded(false, "", {}, 13000);
    EXPECT_TRUE(w.stale(20000)) << "a failed search leaves old values on the dashboard";
    EXPECT_EQ(w.staleReason(""), "no controller found");
    // ... and a new connection looks live only with its first frame.
    w.searchEnded(true, "p", {}, 21000);
    EXPECT_TRUE(w.stale(21010));
    EXPECT_EQ(w.staleReason("polling paused: a dialog is open"), "polling paused: a dialog is open");
    w.validAnswer(21100);
    EXPECT_FALSE(w.stale(21200));

    LinkWatch never;
    never.searchEnded(false, "", {}, 13000);
    EXPECT_FALSE(never.stale(20000)) << "nothing ever shown: nothing to call stale";
}

// --- replug watch -----------------------------------------------------------------

TEST(ReplugWatch, FiresWhenTheNameLeadsToADeviceAgainThatIsNotTheOneThatWentAway)
{
    std::map<std::string, ReplugWatch::Identity> present;
    int probes = 0;
    ReplugWatch watch([&](const std::string& path) -> std::optional<ReplugWatch::Identity> {
        ++probes;
        auto it = present.find(path);
        if (it == present.end())
            return std::nullopt;
        return it->second;
    }, nullptr);
    const std::string name = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";

    // The node still exists when the hang-up is seen: the same node is not "back".
    present[name] = {0x1880, 7};
    watch.arm(name);
    EXPECT_FALSE(watch.poll());
    EXPECT_FALSE(watch.poll());
    present.erase(name);
    EXPECT_FALSE(watch.poll());
    present[name] = {0x1880, 7}; // the same numbers once it was gone: a new plug-in
    EXPECT_TRUE(watch.poll());
    EXPECT_FALSE(watch.armed());
    EXPECT_FALSE(watch.poll()) << "disarmed after firing";

    // A different node under the name (another pseudo-terminal) is back at once.
    present[name] = {0x8803, 9};
    watch.arm(name);
    present[name] = {0x8804, 10};
    EXPECT_TRUE(watch.poll());

    // Missing when armed: back as soon as it exists.
    present.clear();
    watch.arm(name);
    EXPECT_FALSE(watch.poll());
    present[name] = {1, 1};
    EXPECT_TRUE(watch.poll());
    EXPECT_EQ(probes, 10) << "one stat() per poll while armed, none after";
}

// The system's notices as the test says: whether they can be had, and what
// waits.
class FakeNotices : public DeviceNotices {
public:
    bool available = true;
    bool loseFolder = false; // the next take finds no folder left to follow
    int pending = 0;
    std::vector<std::string> followed;
    bool following = false;
    bool follow(const std::string& name) override
    {
        followed.push_back(name);
        following = available;
        return following;
    }
    void stop() override { following = false; }
    int descriptor() const override { return following ? 42 : -1; }
    bool take() override
    {
        const bool any = pending > 0;
        pending = 0;
        if (loseFolder)
            following = false;
        return any;
    }
};

TEST(ReplugWatch, WithTheSystemsNoticesItLooksOnlyWhenToldOfAChange)
{
    std::optional<ReplugWatch::Identity> device;
    int probes = 0;
    auto notices = std::make_unique<FakeNotices>();
    FakeNotices& n = *notices;
    ReplugWatch watch(
        [&](const std::string&) {
            ++probes;
            return device;
        },
        std::move(notices));
    const std::string name = "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0";

    watch.arm(name);
    ASSERT_EQ(n.followed, (std::vector<std::string>{name}));
    EXPECT_TRUE(watch.notified());
    EXPECT_EQ(watch.descriptor(), 42);
    EXPECT_EQ(probes, 1) << "one look when armed";
    EXPECT_FALSE(watch.noticed());
    EXPECT_EQ(probes, 1) << "no notice, no look";
    device = ReplugWatch::Identity{0x1880, 7};
    n.pending = 2;
    EXPECT_TRUE(watch.noticed()) << "told of the change, it looks and finds it";
    EXPECT_EQ(probes, 2);
    EXPECT_FALSE(watch.armed());
    EXPECT_FALSE(n.following) << "the notices stop with the watch";
    EXPECT_EQ(watch.descriptor(), -1);

    // The node is still the one that hung up: a notice about something else
    // in its folder is not a replug.
    watch.arm(name);
    n.pending = 1;
    EXPECT_FALSE(watch.noticed());
    EXPECT_TRUE(watch.notified());

    // The notices lose their last folder: the owner falls back to polling.
    n.loseFolder = true;
    n.pending = 1;
    EXPECT_FALSE(watch.noticed());
    EXPECT_FALSE(watch.notified());
    EXPECT_TRUE(watch.armed());
    device.reset();
    EXPECT_FALSE(watch.poll());
    device = ReplugWatch::Identity{0x1880, 8};
    EXPECT_TRUE(watch.poll());

    // Where the system gives no notices the watch is armed all the same.
    n.available = false;
    n.loseFolder = false;
    watch.arm(name);
    EXPECT_TRUE(watch.armed());
    EXPECT_FALSE(watch.notified());
    EXPECT_EQ(watch.descriptor(), -1);
    n.pending = 1;
    EXPECT_FALSE(watch.noticed()) << "not notified: it is polled instead";
}

// Readable now, without waiting: the kernel queues a change as it is made.
bool readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLIN);
}

TEST(DeviceNotices, FollowTheNamesFolderAndTheFoldersAboveItThatAreMissing)
{
    const fs::path root = fs::temp_directory_path() / ("kdx-notices-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    const fs::path link = root / "serial" / "by-id" / "usb-FTDI_FT232R-if00-port0";
    auto notices = DeviceNotices::system();
    ASSERT_NE(notices, nullptr);
    ASSERT_TRUE(notices->follow(link.string()));
    const int fd = notices->descriptor();
    ASSERT_GE(fd, 0);
    EXPECT_FALSE(readable(fd));
    EXPECT_FALSE(notices->take());

    // udev makes the folders, then the link; each step is told, and the
    // watch moves down to the folder made.
    fs::create_directory(root / "serial");
    ASSERT_TRUE(readable(fd));
    EXPECT_TRUE(notices->take());
    EXPECT_FALSE(readable(fd)) << "all read";
    fs::create_directory(root / "serial" / "by-id");
    EXPECT_TRUE(notices->take());
    fs::create_symlink("/dev/null", link);
    EXPECT_TRUE(readable(fd));
    EXPECT_TRUE(notices->take());
    std::ofstream(root / "elsewhere").put('x');
    EXPECT_FALSE(readable(fd)) << "a folder above the followed one is no longer watched";

    // Pulled: the link and its folders go; the watch climbs back up.
    fs::remove_all(root / "serial");
    EXPECT_TRUE(notices->take());
    fs::create_directory(root / "serial");
    EXPECT_TRUE(notices->take()) << "followed from the root again";
    EXPECT_EQ(notices->descriptor(), fd);

    notices->stop();
    EXPECT_EQ(notices->descriptor(), -1);
    fs::create_directory(root / "serial" / "by-id");
    EXPECT_FALSE(notices->take());
    fs::remove_all(root);
}

TEST(ReplugWatch, StableNameIsTheByIdLinkOfTheSameDevice)
{
    const fs::path root = fs::temp_directory_path() / ("kdx-byid-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "by-id");
    std::ofstream(root / "ttyUSB0").put('x');
    std::ofstream(root / "ttyUSB1").put('x');
    fs::create_symlink("../ttyUSB1", root / "by-id" / "usb-FTDI_FT232R_A1-if00-port0");
    EXPECT_EQ(ReplugWatch::stableName((root / "ttyUSB1").string(), (root / "by-id").string()),
              (root / "by-id" / "usb-FTDI_FT232R_A1-if00-port0").string());
    EXPECT_EQ(ReplugWatch::stableName((root / "ttyUSB0").string(), (root / "by-id").string()),
              (root / "ttyUSB0").string());
    EXPECT_EQ(ReplugWatch::stableName((root / "gone").string(), (root / "by-id").string()),
              (root / "gone").string());
    fs::remove_all(root);
}

} // namespace
} // namespace kdx
