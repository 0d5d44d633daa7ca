#include "session/ConnectionBanner.h"
#include "session/DeviceSession.h"
#include "sim/ControllerModel.h"
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

class FakeDiscovery : public PortDiscovery {
public:
    std::vector<UsbSerialDevice> usbSerialDevices() override { return {}; }
    std::vector<std::string> systemSerialPorts() override { return system; }
    std::vector<std::string> deviceNames() override { return {}; }
    Names system;
};

// Every event, in order, and the window caption as the window builds it.
class RecordingListener : public SessionListener {
public:
    void searchStarted() override { events.push_back("search"); }
    void tryingPort(const std::string& name) override { events.push_back("try " + name); }
    void searchEnded(const SearchOutcome& o) override { events.push_back(o.found ? "found " + o.port : "none"); }
    void connected(uint8_t hw, uint8_t sw, uint8_t rev, std::optional<uint32_t> serial) override
    {
        events.push_back("connected");
        caption = serial ? connectionBanner(hw, sw, rev, *serial) : connectionBannerUnread(hw, sw, rev);
    }
    void imageLoaded() override { events.push_back("image"); }
    void pollingEnabled(bool on) override { events.push_back(on ? "poll on" : "poll off"); }
    void statusFrame(const StatusFrame&) override { ++frames; }
    void linkLost() override { events.push_back("lost"); }
    Names events;
    std::string caption;
    int frames = 0;
};

// A session on the in-process simulated controller, on virtual time.
struct DemoBench {
    explicit DemoBench(SessionOptions options, sim::ControllerConfig config = {})
        : model(config), line(model, clock), session({line, clock, discovery, prompts}, std::move(options))
    {
        model.powerOn(clock.nowMs());
        session.setListener(&listener);
    }
    test::TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine line;
    FakeDiscovery discovery;
    test::RecordingPrompts prompts;
    DeviceSession session;
    RecordingListener listener;
};

TEST(DeviceSession, CandidatePortsComeInOneOrderForWindowAndScripts)
{
    struct Case {
        const char* what;
        Names named;
        bool demo;
        bool namedOnly;
        Names expected;
    };
    const std::string demo = sim::kDemoPortName;
    const Case cases[] = {
        {"window: named, demo, then the system's in natural order", {"/dev/b", "/dev/a"}, true, false,
         {"/dev/b", "/dev/a", demo, "/dev/ttyS2", "/dev/ttyS10"}},
        {"window without names: the system's", {}, false, false, {"/dev/ttyS2", "/dev/ttyS10"}},
        {"script with names: those only", {"/dev/b"}, true, true, {"/dev/b", demo}},
        {"script with the demo only", {}, true, true, {demo}},
        {"script without names: the system's", {}, false, true, {"/dev/ttyS2", "/dev/ttyS10"}},
    };
    for (const Case& c : cases) {
        SessionOptions options;
        options.ports = c.named;
        options.demo = c.demo;
        options.namedPortsOnly = c.namedOnly;
        DemoBench bench(options);
        bench.discovery.system = {"/dev/ttyS10", "/dev/ttyS2"};
        EXPECT_EQ(bench.session.candidatePorts(), c.expected) << c.what;
        bench.session.searchOnly("/dev/x");
        EXPECT_EQ(bench.session.candidatePorts(), (Names{"/dev/x"})) << c.what << ": narrowed to one";
    }
    EXPECT_EQ(DeviceSession::extraPorts({"/dev/a"}, true), (Names{"/dev/a", demo}));
}

TEST(DeviceSession, ConnectsToTheDemoControllerAndReportsEachStep)
{
    SessionOptions options;
    options.demo = true;
    options.namedPortsOnly = true;
    sim::ControllerConfig config;
    config.hardwareVersion = 3;
    config.softwareRevision = 12;
    config.serialNumber = 0x0001E240;
    DemoBench bench(options, config);
    bench.session.autoConnect();

    const ConnectionState& state = bench.session.state();
    ASSERT_TRUE(state.connected);
    EXPECT_TRUE(state.parametersLoaded);
    EXPECT_EQ(bench.session.image().bytes(), bench.model.memory().bytes());
    const std::string demo = sim::kDemoPortName;
    EXPECT_EQ(bench.listener.events,
              (Names{"poll off", "search", "try " + demo, "image", "connected", "poll on", "found " + demo}));
    EXPECT_EQ(bench.listener.caption,
              "Vornel RQ412 - KDX 'WERSJA WYSTAWOWA' H: 3 S: " + std::to_string(bench.model.softwareVersion())
                  + ".12 Pc ver. 1.097        SN: 0x0001E240");
    EXPECT_TRUE(bench.prompts.messages.empty());
}

TEST(DeviceSession, BannerWithoutTheMemoryNamesNoSerialNumber)
{
    EXPECT_EQ(connectionBanner(255, 255, 255, 0xDEADBEEF),
              "Vornel RQ412 - KDX 'WERSJA WYSTAWOWA' H: 255 S: 255.255 Pc ver. 1.097        SN: 0xDEADBEEF");
    EXPECT_EQ(connectionBannerUnread(2, 4, 7),
              "Vornel RQ412 - KDX 'WERSJA WYSTAWOWA' H: 2 S: 4.7 Pc ver. 1.097        SN: not read");
}

TEST(DeviceSession, ThisPcIsRecordedOnlyWhenAsked)
{
    for (const bool record : {true, false}) {
        SessionOptions options;
        options.demo = true;
        options.recordThisPc = record;
        DemoBench bench(options);
        const auto before = bench.model.memory().bytes();
        bench.session.state().pcIdentity = 0x12345678;
        bench.session.autoConnect();
        ASSERT_TRUE(bench.session.state().connected);
        bench.clock.advance(100);
        bench.model.advance(bench.clock.nowMs());
        EXPECT_EQ(bench.model.memory().bytes() != before, record) << "record " << record;
        EXPECT_EQ(bench.session.image().bytes() != before, record) << "record " << record;
    }
}

TEST(DeviceSession, TicksReportFramesAndTheLostLink)
{
    SessionOptions options;
    options.demo = true;
    DemoBench bench(options);
    bench.session.autoConnect();
    ASSERT_TRUE(bench.session.state().connected);
    for (int i = 0; i < 20; ++i) {
        bench.clock.advance(50);
        bench.session.tick();
    }
    EXPECT_GE(bench.listener.frames, 9);
    ASSERT_TRUE(bench.session.lastFrame());
    EXPECT_EQ(bench.session.decode(*bench.session.lastFrame(), ".").modePageVisible.size(), kModePageCount);
    EXPECT_EQ(std::count(bench.listener.events.begin(), bench.listener.events.end(), "lost"), 0);

    // The hang-up watch takes the link down between ticks.
    bench.session.link().closePort();
    for (int i = 0; i < 3; ++i)
        bench.session.tick();
    EXPECT_EQ(std::count(bench.listener.events.begin(), bench.listener.events.end(), "lost"), 1);

    // A new search is not a lost link, and finds the controller again.
    bench.session.autoConnect();
    bench.session.tick();
    EXPECT_EQ(std::count(bench.listener.events.begin(), bench.listener.events.end(), "lost"), 1);
    EXPECT_TRUE(bench.session.state().connected);
}

} // namespace
} // namespace kdx
