// Finding, identifying and reading the controller, on virtual time with a
// scripted line whose responder plays the controller and other devices.
#include "link/ConnectionConstants.h"
#include "link/Connector.h"
#include "link/PortEnumerator.h"
#include "support/RecordingPrompts.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kdx {
namespace {

using test::RecordingPrompts;
using test::ScriptedLine;
using test::TestClock;
using Bytes = std::vector<uint8_t>;
using Paths = std::vector<std::string>;

const Bytes kIdentifyFrame{0x03, 0x00, 0x00, 0x00, 0xAD, 0xE0};

// The controller behind one port, and what other ports answer.
struct Bench {
    std::string controllerPort;
    uint8_t hardware = 2;
    uint8_t software = 4;
    uint8_t revision = 7;
    ParameterBytes memory{};
    std::set<uint16_t> silentPages;           // never answered
    std::map<uint16_t, int> badChecksums;      // page -> answers still to corrupt
    std::map<std::string, Bytes> otherAnswers; // identify answers of other devices
    std::vector<uint16_t> pageRequests;

    Bench()
    {
        for (size_t i = 0; i < memory.size(); ++i)
            memory[i] = static_cast<uint8_t>(i * 13 + 1);
    }

    void attach(ScriptedLine& line)
    {
        line.onTransmit = [this, &line](const Bytes& frame, const std::string& port) {
            if (port != controllerPort) {
                const auto it = otherAnswers.find(port);
                if (it != otherAnswers.end() && frame == kIdentifyFrame)
                    line.arriveAfter(5, it->second);
                return;
            }
            if (frame == kIdentifyFrame) {
                line.arriveAfter(5, {0x41, hardware, software, revision, 0x12, 0x34, 0x56, 0xE0});
            } else if (frame.size() == 6 && frame[0] == 0xAA && frame[1] == 0x01) {
                const uint16_t address = static_cast<uint16_t>(frame[2] << 8 | frame[3]);
                pageRequests.push_back(address);
                if (silentPages.count(address) != 0 || address + 128u > memory.size())
                    return;
                Bytes answer(132);
                answer[0] = 0x48;
                answer[1] = 0x01;
                uint8_t sum = 0xAA;
                for (size_t i = 0; i < 128; ++i) {
                    answer[2 + i] = memory[address + i];
                    sum = static_cast<uint8_t>(sum + memory[address + i]);
                }
                answer[130] = sum;
                answer[131] = 0xE0;
                auto bad = badChecksums.find(address);
                if (bad != badChecksums.end() && bad->second > 0) {
                    --bad->second;
                    answer[130] = static_cast<uint8_t>(sum ^ 0x01);
                }
                line.arriveAfter(5, answer);
            }
        };
    }
};

class RecordingHost : public ConnectionHost {
public:
    explicit RecordingHost(const ConnectionState& state) : m_state(state) {}

    void setTimerEnabled(bool enabled) override
    {
        timerEnabled = enabled;
        events.push_back(enabled ? "timer on" : "timer off");
        connectedWhenTimerChanged.push_back(m_state.connected);
    }
    void identified(bool imageRead) override
    {
        identity = imageRead ? "read" : "not read";
        events.push_back("identified");
    }
    void setProgress(int position, int maximum) override
    {
        progress.push_back(position);
        EXPECT_EQ(maximum, 512);
    }
    void resetPollPhase() override { events.push_back("reset poll"); }
    void imageLoaded() override { events.push_back("image loaded"); }
    void updateConnectionLog() override { events.push_back("update log"); }
    void showStatusText(const std::string& text) override { statusTexts.push_back(text); }
    void tryingPort(const std::string& deviceName) override { tried.push_back(deviceName); }
    void searchStarted() override { ++searchesStarted; }
    void searchEnded(const SearchOutcome& outcome) override
    {
        outcomes.push_back(outcome);
        eventsBeforeEnd = events.size();
    }
    int searchesStarted = 0;
    std::vector<SearchOutcome> outcomes;
    size_t eventsBeforeEnd = 0;

    std::vector<std::string> events;
    std::vector<bool> connectedWhenTimerChanged;
    std::vector<int> progress;
    std::vector<std::string> statusTexts;
    Paths tried;
    std::string identity = "none"; // whether the identified controller's memory was read
    bool timerEnabled = true;

private:
    const ConnectionState& m_state;
};

// Enumerations with given counts and marks (port numbers 1..256).
class FakeMarking : public PortMarking {
public:
    uint32_t ftdiCount = 0, registryCount = 0, dosCount = 0;
    std::vector<uint32_t> ftdiMarks, registryMarks, dosMarks;

    void numberPorts(PortTable&) override {}
    uint32_t markFtdiPorts(PortTable& t) override { return mark(t, ftdiMarks, ftdiCount); }
    uint32_t markRegistryPorts(PortTable& t) override { return mark(t, registryMarks, registryCount); }
    uint32_t markDosDevicePorts(PortTable& t) override { return mark(t, dosMarks, dosCount); }

private:
    static uint32_t mark(PortTable& t, const std::vector<uint32_t>& numbers, uint32_t count)
    {
        for (uint32_t n : numbers)
            t[static_cast<int>(n - 1)].candidate = true;
        return count;
    }
};

class FakeDiscovery : public PortDiscovery {
public:
    Paths system;
    std::vector<UsbSerialDevice> usbSerialDevices() override { return {}; }
    Paths systemSerialPorts() override { return system; }
    Paths deviceNames() override { return {}; }
};

class ConnectorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table.build();
        discovery.system = {"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"};
        image.fill(0xEE);
        bench.attach(line);
    }

    Connector makeConnector(PortMarking& marking)
    {
        return Connector(link, table, marking, prompts, host, image);
    }
    void connectThroughSystemPorts()
    {
        Connector connector = makeConnector(enumerator);
        connector.autoConnect();
    }
    // Opens the controller's port by hand, as a finished search leaves it.
    void openControllerPort()
    {
        link.selectPort(bench.controllerPort);
        ASSERT_TRUE(link.openPort());
        state.connected = true;
    }
    size_t identifyFramesTo(const std::string& port) const
    {
        size_t n = 0;
        for (const auto& s : line.sent())
            n += (s.port == port && s.bytes == kIdentifyFrame) ? 1 : 0;
        return n;
    }

    TestClock clock;
    ScriptedLine line{clock};
    ConnectionState state;
    DeviceLink link{line, clock, state};
    PortTable table;
    FakeDiscovery discovery;
    PortEnumerator enumerator{discovery, {}};
    RecordingHost host{state};
    RecordingPrompts prompts;
    ParameterBytes image{};
    Bench bench;
};

TEST_F(ConnectorTest, ControllerOnThirdPortIsFoundAfterTheFirstTwo)
{
    bench.controllerPort = "/dev/ttyUSB0";
    connectThroughSystemPorts();

    EXPECT_EQ(line.opened(), (Paths{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}));
    EXPECT_EQ(identifyFramesTo("/dev/ttyS0"), 2u);
    EXPECT_EQ(identifyFramesTo("/dev/ttyS1"), 2u);
    EXPECT_EQ(identifyFramesTo("/dev/ttyUSB0"), 2u);
    EXPECT_TRUE(state.connected);
    EXPECT_TRUE(state.portOpen);
    EXPECT_TRUE(state.parametersLoaded);
    EXPECT_EQ(link.selectedPort(), "/dev/ttyUSB0");
    EXPECT_EQ(state.hardwareVersion, 2);
    EXPECT_EQ(state.softwareVersion, 4);
    EXPECT_EQ(state.softwareRevision, 7);
    EXPECT_EQ(image, bench.memory);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(host.statusTexts, (Paths{""})) << "only the clear at the start";
}

TEST_F(ConnectorTest, SuccessfulSearchRunsItsStepsInOrder)
{
    bench.controllerPort = "/dev/ttyS1";
    state.connected = true;
    connectThroughSystemPorts();

    EXPECT_EQ(host.events, (Paths{"reset poll", "timer off", "image loaded", "identified",
                                  "update log", "timer on"}));
    EXPECT_EQ(host.connectedWhenTimerChanged, (std::vector<bool>{false, true}));
    EXPECT_EQ(host.progress, (std::vector<int>{0, 0, 0, 128, 256, 384, 512}));

    // 150 ms and a drain, then per port: frame, read window, 100 ms, frame,
    // read window; a silent port exhausts both windows (21 polls 2 ms apart:
    // 42 ms, however many of them the reader slept through).
    const auto& s = clock.sleeps();
    std::vector<uint32_t> folded; // the polls' pauses of one window as one
    bool inWindow = false;
    for (const uint32_t pause : s) {
        const bool poll = pause != wire::kSearchPauseMs && pause != wire::kIdentifyPauseMs
            && pause != wire::kSendPauseMs;
        if (poll && inWindow)
            folded.back() += pause;
        else
            folded.push_back(pause);
        inWindow = poll;
    }
    ASSERT_GE(folded.size(), 7u);
    EXPECT_EQ(std::vector<uint32_t>(folded.begin(), folded.begin() + 7),
              (std::vector<uint32_t>{150, 42, 10, 42, 100, 10, 42}));
    EXPECT_EQ(s.back(), 10u) << "the search ends with a 10 ms pause";
}

TEST_F(ConnectorTest, SoftwareVersionDecidesAcceptance)
{
    struct Case {
        uint8_t software;
        bool accepted;
    };
    for (const Case c : {Case{5, false}, Case{4, true}, Case{0xFF, false}, Case{0, true}}) {
        TestClock clk;
        ScriptedLine ln{clk};
        ConnectionState st;
        DeviceLink lnk{ln, clk, st};
        RecordingHost hst{st};
        RecordingPrompts prm;
        Bench b;
        b.controllerPort = "/dev/ttyS0"; // every port would answer like a controller
        b.software = c.software;
        for (const auto& p : discovery.system)
            b.otherAnswers[p] = {0x41, 2, c.software, 7, 0, 0, 0, 0xE0};
        b.attach(ln);
        Connector connector(lnk, table, enumerator, prm, hst, image);
        connector.autoConnect();

        EXPECT_EQ(ln.opened(), (Paths{"/dev/ttyS0"})) << "no further port is tried";
        EXPECT_EQ(st.softwareVersion, c.software);
        EXPECT_EQ(st.connected, c.accepted) << int(c.software);
        if (c.accepted) {
            EXPECT_TRUE(prm.messages.empty());
            EXPECT_TRUE(hst.timerEnabled);
        } else {
            EXPECT_EQ(prm.messages, (Paths{"Software need update."}));
            EXPECT_FALSE(st.portOpen);
            EXPECT_FALSE(hst.timerEnabled);
            EXPECT_EQ(hst.identity, "none");
            EXPECT_TRUE(b.pageRequests.empty());
        }
    }
}

TEST_F(ConnectorTest, AnswersWithoutIdentifyShapeAreSkipped)
{
    bench.controllerPort = "/dev/ttyUSB0";
    bench.otherAnswers["/dev/ttyS0"] = {0x42, 2, 4, 7, 0, 0, 0, 0xE0}; // not 'A'
    bench.otherAnswers["/dev/ttyS1"] = {0x41, 2, 4, 7, 0, 0, 0, 0xE1}; // wrong end mark
    connectThroughSystemPorts();
    EXPECT_EQ(line.opened(), (Paths{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyUSB0"}));
    EXPECT_TRUE(state.connected);
}

TEST_F(ConnectorTest, AttemptCountIsTheLargestSingleCount)
{
    struct Case {
        const char* what;
        uint32_t ftdi, registry, dos;
        std::vector<uint32_t> ftdiMarks, registryMarks, dosMarks;
        Paths opened;
    };
    const Case cases[] = {
        {"2/2/1: only the two lowest marked numbers", 1, 2, 2, {3}, {2, 4}, {2, 4},
         {"\\\\.\\COM2", "\\\\.\\COM3"}},
        {"more attempts than marks reopen the last port", 0, 3, 0, {}, {7}, {},
         {"\\\\.\\COM7", "\\\\.\\COM7", "\\\\.\\COM7"}},
        {"vendor device counted, nothing marked: the default name", 1, 0, 0, {}, {}, {},
         {"\\\\.\\COM1", "\\\\.\\COM1"}},
        {"all counts zero: nothing opened", 0, 0, 0, {}, {}, {}, {}},
    };
    for (const auto& c : cases) {
        TestClock clk;
        ScriptedLine ln{clk};
        ConnectionState st;
        DeviceLink lnk{ln, clk, st};
        RecordingHost hst{st};
        RecordingPrompts prm;
        Bench b;
        b.controllerPort = "\\\\.\\COM4"; // never reached in these searches
        b.attach(ln);
        // The default name does not exist; the marked ones open but stay silent.
        ln.refuseOpen["\\\\.\\COM1"] = "\\\\.\\COM1: No such file or directory";
        FakeMarking marking;
        marking.ftdiCount = c.ftdi;
        marking.registryCount = c.registry;
        marking.dosCount = c.dos;
        marking.ftdiMarks = c.ftdiMarks;
        marking.registryMarks = c.registryMarks;
        marking.dosMarks = c.dosMarks;
        Connector connector(lnk, table, marking, prm, hst, image);
        connector.autoConnect();

        EXPECT_EQ(ln.opened(), c.opened) << c.what;
        EXPECT_FALSE(st.connected) << c.what;
        EXPECT_FALSE(hst.timerEnabled) << c.what;
        EXPECT_TRUE(prm.messages.empty()) << c.what << ": a failed search is silent";
        EXPECT_EQ(hst.statusTexts, (Paths{""})) << c.what << ": the default name is no candidate";
    }
}

TEST_F(ConnectorTest, IdentifiedControllerReportsItsVersionsAndReadMemory)
{
    bench.controllerPort = "/dev/ttyS0";
    bench.hardware = 3;
    bench.revision = 12;
    bench.memory[4] = 0x40;
    bench.memory[5] = 0xE2;
    bench.memory[6] = 0x01;
    bench.memory[7] = 0x00;
    connectThroughSystemPorts();
    EXPECT_EQ(host.identity, "read");
    EXPECT_EQ(state.hardwareVersion, 3);
    EXPECT_EQ(state.softwareRevision, 12);
    EXPECT_EQ(imageSerialNumber(image), 0x0001E240u);
}

TEST_F(ConnectorTest, ConnectWhileConnectedDrainsAndClosesFirst)
{
    bench.controllerPort = "/dev/ttyS0";
    connectThroughSystemPorts();
    ASSERT_TRUE(state.connected);
    const int closesBefore = line.closeCount();
    host.events.clear();
    host.connectedWhenTimerChanged.clear();

    // An unread status answer still on its way in.
    line.arriveAt(clock.nowMs() + 20, Bytes(100, 0x56));
    bool openWhileOpen = true;
    size_t pendingAtOpen = 999;
    line.onOpen = [&](const std::string&) {
        if (pendingAtOpen == 999) {
            openWhileOpen = line.isOpen();
            pendingAtOpen = line.pendingBytes();
        }
    };
    connectThroughSystemPorts();

    EXPECT_EQ(pendingAtOpen, 0u) << "the old port was drained";
    EXPECT_FALSE(openWhileOpen) << "and closed before the search opened anything";
    EXPECT_GT(line.closeCount(), closesBefore);
    EXPECT_EQ(host.connectedWhenTimerChanged.front(), false);
    EXPECT_EQ(host.events.front(), "reset poll");
    EXPECT_TRUE(state.connected);
    EXPECT_EQ(line.opened().back(), "/dev/ttyS0");
}

TEST_F(ConnectorTest, PortThatOpensOnTheSecondTrySendsOneIdentify)
{
    bench.controllerPort = "/dev/ttyS0";
    line.refuseOpen["/dev/ttyS0"] = "/dev/ttyS0: Device or resource busy";
    int opens = 0;
    line.onOpen = [&](const std::string& port) {
        if (++opens == 2)
            line.refuseOpen.erase(port);
    };
    connectThroughSystemPorts();
    EXPECT_EQ(line.opened(), (Paths{"/dev/ttyS0", "/dev/ttyS0"}));
    EXPECT_EQ(identifyFramesTo("/dev/ttyS0"), 1u);
    EXPECT_TRUE(state.connected);
    const auto& s = clock.sleeps();
    EXPECT_EQ(std::count(s.begin(), s.end(), 100u), 0) << "no pause between identify frames";
}

TEST_F(ConnectorTest, UnopenablePortsAreNamedInTheStatusLineWhenNothingAnswers)
{
    bench.controllerPort = "none";
    line.refuseOpen["/dev/ttyS1"] = "/dev/ttyS1: Permission denied";
    line.refuseOpen["/dev/ttyUSB0"] = "/dev/ttyUSB0: Device or resource busy";
    connectThroughSystemPorts();
    EXPECT_EQ(line.opened(), (Paths{"/dev/ttyS0", "/dev/ttyS1", "/dev/ttyS1", "/dev/ttyUSB0", "/dev/ttyUSB0"}));
    EXPECT_TRUE(line.sentFrames().size() == 2) << "only the port that opened was asked";
    EXPECT_EQ(host.statusTexts,
              (Paths{"", "/dev/ttyS1: Permission denied; /dev/ttyUSB0: Device or resource busy"}));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_FALSE(state.connected);
}

TEST_F(ConnectorTest, StatusLineTellsTheOutcomeOfTheLastOpenAttempt)
{
    struct Case {
        const char* what;
        std::vector<std::string> reasons; // of the first and the second try on ttyS1; empty: it opens
        Paths status;
    };
    const Case cases[] = {
        {"busy, then opened (and silent)", {"/dev/ttyS1: Device or resource busy", ""}, {""}},
        {"busy, then refused for another reason",
         {"/dev/ttyS1: Device or resource busy", "/dev/ttyS1: Permission denied"},
         {"", "/dev/ttyS1: Permission denied"}},
        {"refused twice for the same reason",
         {"/dev/ttyS1: Permission denied", "/dev/ttyS1: Permission denied"},
         {"", "/dev/ttyS1: Permission denied"}},
    };
    for (const Case& c : cases) {
        TestClock clk;
        ScriptedLine ln{clk};
        ConnectionState st;
        DeviceLink lnk{ln, clk, st};
        RecordingHost hst{st};
        RecordingPrompts prm;
        Bench b;
        b.controllerPort = "none";
        b.attach(ln);
        int tries = 0;
        ln.onOpen = [&](const std::string& port) {
            if (port != "/dev/ttyS1")
                return;
            const std::string& reason = c.reasons[static_cast<size_t>(tries++)];
            if (reason.empty())
                ln.refuseOpen.erase(port);
            else
                ln.refuseOpen[port] = reason;
        };
        Connector connector(lnk, table, enumerator, prm, hst, image);
        connector.autoConnect();
        EXPECT_EQ(tries, 2) << c.what;
        EXPECT_EQ(hst.statusTexts, c.status) << c.what;
        EXPECT_FALSE(st.connected);
    }
}

TEST_F(ConnectorTest, PageThatNeverAnswersCostsElevenPassesThenDisconnects)
{
    bench.controllerPort = "/dev/ttyS0";
    bench.silentPages = {256};
    openControllerPort();
    state.parametersLoaded = true;
    Connector connector = makeConnector(enumerator);
    connector.readAll();

    std::vector<uint16_t> expected;
    for (int pass = 0; pass < 11; ++pass)
        expected.insert(expected.end(), {0, 128, 256, 384});
    EXPECT_EQ(bench.pageRequests, expected);
    EXPECT_EQ(prompts.messages, (Paths{"Uart interface errors! Check connection.Software disconnected."}));
    EXPECT_FALSE(state.connected);
    EXPECT_FALSE(state.portOpen);
    EXPECT_TRUE(state.parametersLoaded) << "a failed read does not take back an earlier one";
    EXPECT_EQ(host.events, (Paths{"reset poll", "timer off"}));
    EXPECT_EQ(host.progress.size(), 1u + 11 * 5);
    // The pages that did answer were taken in; the silent one kept its bytes.
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 256, bench.memory.begin()));
    EXPECT_TRUE(std::all_of(image.begin() + 256, image.begin() + 384, [](uint8_t v) { return v == 0xEE; }));
}

TEST_F(ConnectorTest, SingleBadChecksumCostsOneWholeExtraPass)
{
    bench.controllerPort = "/dev/ttyS0";
    bench.badChecksums[128] = 1;
    openControllerPort();
    Connector connector = makeConnector(enumerator);
    connector.readAll();

    EXPECT_EQ(bench.pageRequests, (std::vector<uint16_t>{0, 128, 256, 384, 0, 128, 256, 384}));
    EXPECT_EQ(host.progress, (std::vector<int>{0, 0, 128, 256, 384, 512, 0, 128, 256, 384, 512}));
    EXPECT_EQ(image, bench.memory);
    EXPECT_EQ(host.events, (Paths{"image loaded"}));
    EXPECT_TRUE(state.parametersLoaded);
    EXPECT_TRUE(state.connected);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(ConnectorTest, WithoutConnectionNothingIsRead)
{
    bench.controllerPort = "/dev/ttyS0";
    link.selectPort(bench.controllerPort);
    ASSERT_TRUE(link.openPort()); // a port may be open, but nothing was identified
    const ParameterBytes before = image;
    Connector connector = makeConnector(enumerator);

    connector.readAll();
    EXPECT_EQ(prompts.messages, (Paths{"No Connection"}));
    connector.loadAllData();
    EXPECT_EQ(prompts.messages, (Paths{"No Connection", "ECU not Found"}));

    EXPECT_EQ(image, before);
    EXPECT_TRUE(host.progress.empty());
    EXPECT_TRUE(line.sent().empty());
    EXPECT_TRUE(host.events.empty());
    EXPECT_FALSE(state.parametersLoaded);
}

TEST_F(ConnectorTest, FailedReadAfterIdentifyStillFinishesTheSearch)
{
    bench.controllerPort = "/dev/ttyS0";
    bench.silentPages = {0};
    bench.memory[4] = 0x78;
    image[4] = 0x01; // what the image held before: the banner shows it
    image[5] = image[6] = image[7] = 0;
    connectThroughSystemPorts();

    EXPECT_EQ(prompts.messages, (Paths{"Uart interface errors! Check connection.Software disconnected."}));
    EXPECT_EQ(host.events, (Paths{"reset poll", "timer off", "reset poll", "timer off", "identified",
                                  "update log", "timer on"}));
    // The image still holds what was there before (another controller's
    // serial number): the identity is reported without it.
    EXPECT_EQ(host.identity, "not read");
    EXPECT_FALSE(state.connected);
    EXPECT_FALSE(state.portOpen);
    EXPECT_FALSE(state.parametersLoaded);
    EXPECT_EQ(line.opened(), (Paths{"/dev/ttyS0"}));
}

TEST_F(ConnectorTest, TheSearchOutcomeNamesEachPortTriedOnceWithWhyItDidNotOpen)
{
    const struct {
        const char* controllerPort;
        uint8_t software;
        bool found, refused;
        const char* port;
    } cases[] = {
        {"/dev/ttyUSB0", 4, true, false, "/dev/ttyUSB0"},
        {"/dev/ttyUSB0", 5, false, true, "/dev/ttyUSB0"},
        {"", 4, false, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.controllerPort + std::to_string(c.software));
        ScriptedLine ln{clock};
        ConnectionState st;
        DeviceLink lk{ln, clock, st};
        RecordingHost hst{st};
        RecordingPrompts pr;
        Bench b;
        b.controllerPort = c.controllerPort;
        b.software = c.software;
        b.attach(ln);
        ln.refuseOpen["/dev/ttyS1"] = "/dev/ttyS1: Permission denied";
        Connector connector(lk, table, enumerator, pr, hst, image);
        connector.autoConnect();

        ASSERT_EQ(hst.outcomes.size(), 1u);
        const SearchOutcome& o = hst.outcomes[0];
        EXPECT_EQ(o.found, c.found);
        EXPECT_EQ(o.refused, c.refused);
        EXPECT_EQ(o.port, c.port);
        ASSERT_EQ(o.tried.size(), 3u);
        EXPECT_EQ(o.tried[0].port, "/dev/ttyS0");
        EXPECT_EQ(o.tried[0].openError, "");
        EXPECT_EQ(o.tried[1].port, "/dev/ttyS1");
        EXPECT_EQ(o.tried[1].openError, "/dev/ttyS1: Permission denied");
        EXPECT_EQ(o.tried[2].port, "/dev/ttyUSB0");
        EXPECT_EQ(hst.searchesStarted, 1);
        EXPECT_EQ(hst.eventsBeforeEnd, hst.events.size()) << "told last, after the read and the timer";
    }
}

} // namespace
} // namespace kdx
