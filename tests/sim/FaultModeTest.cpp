#include "SimTestRig.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

using namespace kdx;
using namespace kdx::sim;
using kdx::sim::test::command;
using kdx::sim::test::Rig;

namespace {

struct Tally {
    uint32_t lost = 0, bad = 0, checksum = 0, valid = 0;
};

// Status polls as the tool makes them: request, the rest of the 50 ms tick,
// then the 21-poll read, judged lost, bad, checksum in that order.
Tally pollStatus(Rig& rig, int count)
{
    Tally t;
    for (int i = 0; i < count; ++i) {
        rig.link.sendCommand(0xAA, 0x05, 0, 0);
        rig.clock.sleepMs(40);
        const auto& rb = rig.link.receiveBuffer();
        if (!rig.link.readResponse(100, 2, 98))
            ++t.lost;
        else if (rb[0] != 0x56 || rb[1] != 0x05 || rb[99] != 0xE0)
            ++t.bad;
        else if (rb[98] != rig.link.responseSum())
            ++t.checksum;
        else
            ++t.valid;
        rig.clock.sleepMs(8);
    }
    return t;
}

FaultSet faultsFrom(const std::string& list)
{
    FaultSet f;
    std::string error;
    std::stringstream in(list);
    std::string one;
    while (std::getline(in, one, ','))
        EXPECT_TRUE(f.add(one, error)) << error;
    return f;
}

struct StatusCase {
    const char* faults;
    uint32_t lost, bad, checksum;
};

class SimStatusFaults : public ::testing::TestWithParam<StatusCase> {};

} // namespace

// Each fault spoils the status answers in exactly the way it names, the tool's
// reader counts them in the matching counter, and the model's own count agrees.
TEST_P(SimStatusFaults, ToolCountersMatchWhatWasInjected)
{
    const StatusCase c = GetParam();
    Rig rig;
    rig.model.setFaults(faultsFrom(c.faults));
    const Tally t = pollStatus(rig, 20);
    EXPECT_EQ(t.lost, c.lost);
    EXPECT_EQ(t.bad, c.bad);
    EXPECT_EQ(t.checksum, c.checksum);
    EXPECT_EQ(t.valid, 20 - c.lost - c.bad - c.checksum);
    const InjectionCounts injected = rig.model.injected(ControllerModel::AnswerKind::Status);
    EXPECT_EQ(injected.lost, t.lost);
    EXPECT_EQ(injected.bad, t.bad);
    EXPECT_EQ(injected.checksum, t.checksum);
}

INSTANTIATE_TEST_SUITE_P(Faults, SimStatusFaults,
                         ::testing::Values(StatusCase{"", 0, 0, 0}, StatusCase{"drop=25", 5, 0, 0},
                                           StatusCase{"drop=100", 20, 0, 0}, StatusCase{"badsum", 0, 0, 20},
                                           StatusCase{"badsum=50", 0, 0, 10}, StatusCase{"badend", 0, 20, 0},
                                           StatusCase{"badend=10", 0, 2, 0}, StatusCase{"noise=3", 0, 20, 0},
                                           StatusCase{"truncate=40", 20, 0, 0},
                                           StatusCase{"truncate=99", 20, 0, 0}, StatusCase{"silent", 20, 0, 0},
                                           // one answer counts once, in the order lost, bad, checksum
                                           StatusCase{"badend,badsum", 0, 20, 0},
                                           StatusCase{"drop=50,badsum=50", 10, 0, 5}));

TEST(SimFaults, SlowAnswerStartsLateAndMissesTheToolsReadWindow)
{
    Rig rig;
    rig.model.setFaults(faultsFrom("slow=80"));
    const auto frame = command(0xAA, 0x05);
    rig.line.transmit(frame.data(), frame.size());
    rig.clock.advance(81);
    EXPECT_EQ(rig.line.bytesWaiting(), 0u);
    rig.clock.advance(53); // 1 + 80 + 52.1 ms
    EXPECT_EQ(rig.takeAll().size(), 100u);
    EXPECT_EQ(rig.model.injected(ControllerModel::AnswerKind::Status).delayed, 1u);

    EXPECT_EQ(pollStatus(rig, 1).lost, 1u);
}

TEST(SimFaults, DeadPageNeverAnswersOthersDo)
{
    Rig rig;
    rig.model.setFaults(faultsFrom("deadpage=256"));
    uint8_t page[128];
    EXPECT_TRUE(rig.link.readPage(0, page));
    EXPECT_TRUE(rig.link.readPage(128, page));
    EXPECT_FALSE(rig.link.readPage(256, page));
    EXPECT_FALSE(rig.link.readPage(256, page));
    EXPECT_TRUE(rig.link.readPage(384, page));
    EXPECT_EQ(rig.model.injected(ControllerModel::AnswerKind::Page).lost, 2u);
}

TEST(SimFaults, StuckByteKeepsItsValueItsNeighbourChanges)
{
    Rig rig;
    rig.model.setFaults(faultsFrom("stuck=0x101"));
    uint8_t before[128];
    ASSERT_TRUE(rig.link.readPage(256, before));
    // Word 128 covers bytes 0x100 (low) and 0x101 (high).
    ASSERT_TRUE(rig.link.sendCommand(wire::kCmdWriteWordBase, 128, static_cast<uint8_t>(before[1] ^ 0xFF),
                                     static_cast<uint8_t>(before[0] ^ 0xFF)));
    rig.clock.advance(20);
    uint8_t after[128];
    ASSERT_TRUE(rig.link.readPage(256, after));
    EXPECT_EQ(after[0], static_cast<uint8_t>(before[0] ^ 0xFF));
    EXPECT_EQ(after[1], before[1]);
}

TEST(SimFaults, ReportedSoftwareVersion)
{
    Rig rig;
    rig.model.setFaults(faultsFrom("sw=5"));
    EXPECT_EQ(rig.exchange(command(0x03)), (std::vector<uint8_t>{0x41, 1, 5, 0, 0, 0, 0, 0xE0}));
}

TEST(SimFaults, BadEndAndNoiseSpoilIdentifyToo)
{
    Rig rig;
    rig.model.setFaults(faultsFrom("badend"));
    auto a = rig.exchange(command(0x03));
    ASSERT_EQ(a.size(), 8u);
    EXPECT_EQ(a[7], 0xE1);

    rig.model.setFaults(faultsFrom("noise=2"));
    a = rig.exchange(command(0x03));
    ASSERT_EQ(a.size(), 10u);
    EXPECT_NE(a[0], 0x41);
    EXPECT_EQ(a[2], 0x41);
    EXPECT_EQ(a[9], 0xE0);
}

TEST(SimFaults, UnplugFromAGivenMoment)
{
    Rig rig; // powered at the clock's start
    rig.model.setFaults(faultsFrom("unplug=5000"));
    EXPECT_EQ(rig.exchange(command(0x03)).size(), 8u);

    rig.clock.advance(5000 - 150 - 2);
    const auto frame = command(0xAA, 0x05);
    EXPECT_TRUE(rig.line.transmit(frame.data(), frame.size())); // answer still on the wire at the cut
    rig.clock.advance(10);
    EXPECT_EQ(rig.line.bytesWaiting(), 0u);
    EXPECT_FALSE(rig.line.transmit(frame.data(), frame.size()));
    EXPECT_FALSE(rig.link.sendCommand(0x03, 0, 0, 0));
    rig.line.close();
    EXPECT_FALSE(rig.line.open(kDemoPortName));
}

TEST(SimFaults, UnplugAndReplugByHand)
{
    Rig rig;
    EXPECT_FALSE(rig.line.hungUp());
    rig.model.setUnplugged(true);
    EXPECT_TRUE(rig.line.hungUp());
    EXPECT_TRUE(rig.link.lineHungUp());
    EXPECT_FALSE(rig.link.sendCommand(0x03, 0, 0, 0));
    // Like a real adapter, a replugged one needs the port opened again.
    rig.model.setUnplugged(false);
    EXPECT_TRUE(rig.line.hungUp()) << "until close";
    EXPECT_FALSE(rig.link.sendCommand(0x03, 0, 0, 0));
    rig.link.closePort();
    EXPECT_FALSE(rig.link.lineHungUp());
    ASSERT_TRUE(rig.link.openPort());
    EXPECT_FALSE(rig.line.hungUp());
    EXPECT_EQ(rig.exchange(command(0x03)).size(), 8u);
}

TEST(SimFaults, ErrorBitsPresentAndStored)
{
    Rig rig;
    rig.model.setFaults(faultsFrom("errors=0x0201:0x0001"));
    const auto r = rig.status();
    EXPECT_EQ(r[24], 0x02); // ErrorAct, MSB first
    EXPECT_EQ(r[25], 0x01);
    EXPECT_EQ(r[22], 0x02); // ErrorMemo holds the present ones too
    EXPECT_EQ(r[23], 0x01);
}

// The service run the production tester relies on: both pumps and both
// ionisers on, with the currents of a sound board.
TEST(SimFaults, ServiceRunDrivesEveryOutputWithPlausibleCurrents)
{
    Rig rig;
    rig.link.sendCommand(wire::kCmdSetWorkMode, 0, wire::kModeService, 0);
    rig.link.sendCommand(wire::kCmdServiceOn, 0, 0, 0);
    rig.clock.advance(1000);
    const SimStatus s = rig.model.status(rig.clock.nowMs());
    EXPECT_EQ(s.flag & (kFlagPump1Running | kFlagPump2Running | kFlagIonizer1On | kFlagIonizer2On),
              kFlagPump1Running | kFlagPump2Running | kFlagIonizer1On | kFlagIonizer2On);
    EXPECT_TRUE(s.auxFlags & kAuxServiceRun);
    const double ampsPerCount = 0.00122 * 0.0005 * 2190;
    for (uint16_t raw : {s.current1, s.current2})
        EXPECT_NEAR(raw * ampsPerCount, 1.6, 0.05);
    for (uint16_t raw : {s.current3, s.current4})
        EXPECT_NEAR(raw * ampsPerCount, 0.45, 0.05);
}

// The board faults a production test must catch, each shaping the status as
// its name says, from the time it names (counted from power-up).
TEST(SimFaults, BoardFaultsShapeTheStatus)
{
    struct Case {
        const char* fault;
        uint64_t beforeMs, afterMs; // status times: fault not yet / in effect
        std::function<bool(const SimStatus&)> inEffect;
    } cases[] = {
        {"errors=8@3000", 2900, 3100, [](const SimStatus& s) { return s.errorAct == 8 && s.errorMemo == 8; }},
        {"supply=8@4000", 3900, 4100, [](const SimStatus& s) { return s.supplyVoltage == 841; }},
        {"zero=2000", 1900, 2100, [](const SimStatus& s) { return s.flag == 0 && s.supplyVoltage == 0 && s.humidity == 0; }},
        {"pumpopen=2", 0, 1000,
         [](const SimStatus& s) { return (s.auxFlags & kAuxPump2NotConnected) && s.current2 == 0 && s.current1 > 1000; }},
        {"nocurrent=1", 0, 1000,
         [](const SimStatus& s) { return (s.flag & kFlagPump1Running) && s.current1 == 0 && s.current2 > 1000; }},
        {"nodrive=1", 0, 1000,
         [](const SimStatus& s) { return !(s.flag & kFlagPump1Running) && (s.flag & kFlagPump2Running) && s.current1 == 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Rig rig;
        const uint64_t start = rig.clock.nowMs();
        rig.model.setFaults(faultsFrom(c.fault));
        rig.link.sendCommand(wire::kCmdSetWorkMode, 0, wire::kModeService, 0);
        rig.link.sendCommand(wire::kCmdServiceOn, 0, 0, 0);
        if (c.beforeMs > 0) {
            EXPECT_FALSE(c.inEffect(rig.model.status(start + c.beforeMs)));
        }
        EXPECT_TRUE(c.inEffect(rig.model.status(start + c.afterMs)));
    }
}

TEST(SimFaults, UnplugForAWhileComesBack)
{
    Rig rig;
    rig.model.setFaults(faultsFrom("unplug=1000:2000"));
    EXPECT_EQ(rig.exchange(command(0x03)).size(), 8u);
    rig.clock.advance(1000);
    EXPECT_FALSE(rig.link.sendCommand(0x03, 0, 0, 0));
    rig.clock.advance(2000);
    // A replugged adapter is a new device: the port is opened again.
    EXPECT_TRUE(rig.link.lineHungUp());
    rig.link.closePort();
    ASSERT_TRUE(rig.link.openPort());
    EXPECT_EQ(rig.exchange(command(0x03)).size(), 8u);
}

TEST(SimFaultSet, ParsesEveryNamedFault)
{
    FaultSet f;
    std::string error;
    for (const char* text : {"silent", "noise=3", "drop=5", "badsum", "badend=20", "truncate=40", "slow=80",
                             "deadpage=256", "deadpage=0x180", "stuck=0x1FF", "sw=5", "reject=4:3:1", "reject=7:2",
                             "bootslow=70", "unplug=5000", "errors=0x0201:0x0001", "errors=4", "supply=8@4000",
                             "zero=2050", "pumpopen=2", "nocurrent=1", "nodrive=2", "nodrive=1"})
        EXPECT_TRUE(f.add(text, error)) << text << ": " << error;
    EXPECT_TRUE(f.silent);
    EXPECT_EQ(f.noiseBytes, 3u);
    EXPECT_EQ(f.dropPercent, 5u);
    EXPECT_EQ(f.badSumPercent, 100u);
    EXPECT_EQ(f.badEndPercent, 20u);
    EXPECT_EQ(f.truncateTo, 40u);
    EXPECT_EQ(f.slowMs, 80u);
    EXPECT_EQ(f.deadPages, (std::vector<uint16_t>{256, 384}));
    EXPECT_EQ(f.stuckBytes, (std::vector<uint16_t>{511}));
    EXPECT_EQ(f.softwareVersion, 5);
    ASSERT_EQ(f.rejections.size(), 2u);
    EXPECT_EQ(f.rejections[0].block, 4);
    EXPECT_EQ(f.rejections[0].times, 3u);
    EXPECT_EQ(f.rejections[0].code, 1);
    EXPECT_EQ(f.rejections[1].code, 1); // default code
    EXPECT_EQ(f.bootSlowMs, 70u);
    EXPECT_EQ(f.unplugAfterMs, 5000u);
    EXPECT_EQ(f.errorsPresent, 4);
    EXPECT_EQ(f.errorsStored, 0);
    EXPECT_EQ(f.supplyVolts, 8u);
    EXPECT_EQ(f.supplyAtMs, 4000u);
    EXPECT_EQ(f.zeroAfterMs, 2050u);
    EXPECT_EQ(f.pumpOpen, 2);
    EXPECT_EQ(f.pumpNoCurrent, 1);
    EXPECT_EQ(f.pumpNoDrive, 3);

    FaultSet timed;
    EXPECT_TRUE(timed.add("errors=8:1@3000", error)) << error;
    EXPECT_TRUE(timed.add("unplug=100:2000", error)) << error;
    EXPECT_EQ(timed.errorsPresent, 8);
    EXPECT_EQ(timed.errorsStored, 1);
    EXPECT_EQ(timed.errorsAtMs, 3000u);
    EXPECT_EQ(timed.unplugAfterMs, 100u);
    EXPECT_EQ(timed.unplugForMs, 2000u);
}

TEST(SimFaultSet, RejectsMalformedFaults)
{
    for (const char* text : {"", "bogus", "silent=1", "drop", "drop=101", "drop=-1", "drop=5x", "noise=",
                             "sw=256", "reject=4", "reject=4:x", "reject=1:2:3:4", "errors=0x10000",
                             "errors=1:2:3", "deadpage=65536", "stuck=512", "slow= 5", "errors=8@", "errors=8@x", "supply=61",
                             "supply=8@", "zero", "zero=5@6", "pumpopen=3", "pumpopen=0", "nocurrent",
                             "unplug=5:", "unplug=1:2:3", "silence", "silence=0", "pull=3:", "pull=x"}) {
        FaultSet f;
        std::string error;
        EXPECT_FALSE(f.add(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

// An outage at a chosen frame: the Nth frame from the PC is acted on and its
// answer lost; after it the bus is silent (nothing received or answered) or
// the adapter is gone (the line hangs up). With a duration it ends by itself.
TEST(SimFaults, OutageStartsAtTheChosenFrame)
{
    struct Case {
        const char* fault;
        bool hangsUp;
        bool speaksAgain;
    };
    for (const Case c : {Case{"silence=3", false, false}, Case{"silence=3:500", false, true},
                         Case{"pull=3", true, false}}) {
        SCOPED_TRACE(c.fault);
        Rig rig;
        rig.model.setFaults(faultsFrom(c.fault));
        const uint16_t before = rig.model.memory().wordAt(0x20);
        EXPECT_EQ(rig.exchange(command(wire::kCmdIdentify)).size(), 8u);
        EXPECT_EQ(rig.exchange(command(wire::kCmdIdentify)).size(), 8u);
        // Frame 3, a word write, still reaches the memory; frame 4 does not.
        rig.line.transmit(command(wire::kCmdWriteWordBase, 0x10, 0x12, 0x34).data(), 6);
        rig.clock.advance(20);
        EXPECT_EQ(rig.model.memory().wordAt(0x20), 0x1234);
        rig.line.transmit(command(wire::kCmdWriteWordBase, 0x10, 0x56, 0x78).data(), 6);
        rig.clock.advance(20);
        EXPECT_EQ(rig.model.memory().wordAt(0x20), 0x1234) << "before " << before;
        EXPECT_TRUE(rig.exchange(command(wire::kCmdIdentify)).empty());
        EXPECT_EQ(rig.model.framesTaken(), 3u);
        EXPECT_EQ(rig.link.lineHungUp(), c.hangsUp);
        rig.clock.advance(600);
        EXPECT_EQ(rig.exchange(command(wire::kCmdIdentify)).size(), c.speaksAgain ? 8u : 0u);
    }
}
