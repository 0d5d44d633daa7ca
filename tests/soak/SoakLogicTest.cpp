// The driver's own logic: reading kdx-sim's report, the counter comparison,
// the protocol budgets and the statistics. No real time.
#include "ProtocolBudget.h"
#include "RunStats.h"
#include "SimReport.h"
#include "sim/FaultSet.h"
#include "sim/MixedFaults.h"

#include <gtest/gtest.h>

#include <string>

using namespace kdx::drive;

namespace {

std::string eepromLine(uint8_t fill, size_t count = 512)
{
    std::string s = "kdx-sim: eeprom";
    char b[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(b, sizeof b, " %02X", fill);
        s += b;
    }
    return s + "\n";
}

std::string report(uint32_t lost, uint32_t bad, uint32_t checksum)
{
    return "kdx-sim: injected identify answers=3 lost=1 bad=0 checksum=0 delayed=0\n"
           "kdx-sim: injected page answers=8 lost=0 bad=1 checksum=1 delayed=0\n"
           "kdx-sim: injected status answers=900 lost="
        + std::to_string(lost) + " bad=" + std::to_string(bad) + " checksum=" + std::to_string(checksum)
        + " delayed=0\n"
          "kdx-sim: wire lateness max=3ms late-writes=0\n"
        + eepromLine(0xA5) + "kdx-sim: end of report\n";
}

} // namespace

TEST(SimReportParse, ReadsCountsLatenessAndEepromOfTheLastCompleteReport)
{
    const std::string out = "kdx-sim: controller H:1 S:1.0 serving on /dev/pts/7\n" + report(1, 2, 3)
        + report(4, 5, 6) + "kdx-sim: stopped\n";
    const SimReport r = SimReport::parse(out);
    ASSERT_TRUE(r.complete);
    EXPECT_EQ(r.kind("status").answers, 900u);
    EXPECT_EQ(r.kind("status").spoiled, (LinkCounters{4, 5, 6}));
    EXPECT_EQ(r.kind("identify").spoiled.lost, 1u);
    EXPECT_EQ(r.kind("page").spoiled.checksum, 1u);
    EXPECT_EQ(r.maxLatenessMs, 3u);
    ASSERT_TRUE(r.eeprom.has_value());
    EXPECT_EQ((*r.eeprom)[0], 0xA5);
    EXPECT_EQ((*r.eeprom)[511], 0xA5);
}

TEST(SimReportParse, ShortOrMalformedEepromIsNotTaken)
{
    for (const std::string& line : {eepromLine(0x11, 511), eepromLine(0x11, 513),
                                    std::string("kdx-sim: eeprom ZZ\n")}) {
        const SimReport r = SimReport::parse(line + "kdx-sim: end of report\n");
        EXPECT_TRUE(r.complete);
        EXPECT_FALSE(r.eeprom.has_value()) << line.size();
    }
}

TEST(CounterComparison, EqualCountsPassEveryDifferenceIsNamed)
{
    const SimReport sim = SimReport::parse(report(7, 3, 2));
    EXPECT_TRUE(compareCounters({7, 3, 2}, sim).empty());
    // Identify and page faults never reach the tool's counters.
    const auto failures = compareCounters({7, 4, 1}, sim);
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_EQ(failures[0], "counter bad: tool 4, simulator injected 3");
    EXPECT_EQ(failures[1], "counter checksum: tool 1, simulator injected 2");
    EXPECT_FALSE(compareCounters({0, 0, 0}, SimReport::parse("kdx-sim: stopped\n")).empty());
}

TEST(CounterComparison, LateAnswersAreNamedAsTheLikelyCause)
{
    std::string out = report(7, 3, 2);
    out.replace(out.find("late-writes=0"), 13, "late-writes=2");
    const auto failures = compareCounters({9, 3, 2}, SimReport::parse(out));
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_NE(failures[1].find("2 answers more than 20 ms behind"), std::string::npos);
}

TEST(ProcStatus, FindsTheFieldInKilobytes)
{
    const std::string text = "Name:\tkdx-drive\nVmHWM:\t  81234 kB\nVmRSS:\t   70000 kB\n";
    EXPECT_EQ(procStatusKb(text, "VmRSS"), 70000u);
    EXPECT_EQ(procStatusKb(text, "VmHWM"), 81234u);
    EXPECT_FALSE(procStatusKb(text, "VmSwap").has_value());
    EXPECT_FALSE(procStatusKb("VmRSS:\tnone\n", "VmRSS").has_value());
}

TEST(Statistics, NearestRankPercentileAndIntervals)
{
    std::vector<double> v;
    for (int i = 100; i >= 1; --i)
        v.push_back(i);
    EXPECT_EQ(percentile(v, 99), 99.0);
    EXPECT_EQ(percentile(v, 100), 100.0);
    EXPECT_EQ(percentile(v, 0), 1.0);
    EXPECT_EQ(percentile({5.0}, 99), 5.0);
    EXPECT_FALSE(percentile({}, 50).has_value());
    EXPECT_EQ(intervals({10, 110, 205}), (std::vector<double>{100, 95}));
    EXPECT_DOUBLE_EQ(mean({100, 95}), 97.5);
}

// The budgets follow the protocol's pauses and 520.8 us per byte; where an
// answer travels during a pause only what outlasts the pause counts.
TEST(ProtocolBudgetModel, OperationsOnBothLines)
{
    using L = ProtocolBudget::Line;
    const double byte = 10.0 * 1000.0 / 19200.0;
    // Block: 5 ms, frame, 20 ms covering the 5-byte reply, two polls.
    EXPECT_NEAR(ProtocolBudget::firmwareBlock(L::Pty), 29.0, 1e-9);
    EXPECT_NEAR(ProtocolBudget::firmwareBlock(L::Serial), 29.0 + 212 * byte, 1e-9);
    // Page read: 10 + 10 + 50 ms, then the 132-byte answer (68.75 ms) is
    // still 8.75 ms out: five polls reach it, one more returns.
    ProtocolBudget page(L::Pty);
    page.pause(10);
    page.command(132);
    page.pause(50);
    page.read();
    EXPECT_NEAR(page.ms(), 82.0, 1e-9);
    // Connect: 150 + 42 drain + 2 x (10 + 4) identify + 100 + 4 pages + log
    // frames x 10 + 10.
    EXPECT_NEAR(ProtocolBudget::connect(L::Pty, 3), 150 + 42 + 14 + 100 + 14 + 4 * 82.0 + 30 + 10, 1e-9);
    EXPECT_NEAR(ProtocolBudget::connect(L::Serial, 3) - ProtocolBudget::connect(L::Pty, 3), 9 * 6 * byte, 1e-9);
    EXPECT_NEAR(ProtocolBudget::resetParameters(L::Pty, 3), 256 * 10.0 + 10 + 10 + 1000 + 688.0, 1e-9);
    EXPECT_EQ(ProtocolBudget::statusCycle(), 100.0);
}

// The mixed fault mode: each spoiled answer is judged by the reader's rules
// exactly as the mode names it, so the tool's counters can match one for one.
TEST(MixedFaultMode, EverySpoiledAnswerIsJudgedAsItsKindSays)
{
    using kdx::sim::MixedFaults;
    using kdx::sim::ReaderVerdict;
    MixedFaults mix(100, 42);
    std::vector<uint8_t> clean(100, 0);
    clean[0] = 0x56;
    clean[1] = 0x05;
    for (size_t i = 2; i < 98; ++i)
        clean[i] = static_cast<uint8_t>(i * 37);
    uint8_t sum = 0xAA;
    for (size_t i = 2; i < 98; ++i)
        sum = static_cast<uint8_t>(sum + clean[i]);
    clean[98] = sum;
    clean[99] = 0xE0;
    ASSERT_EQ(kdx::sim::judgeAnswer(clean, clean, kdx::sim::kFramedShape), ReaderVerdict::Valid);

    int seen[6] = {};
    for (int n = 0; n < 2000; ++n) {
        std::vector<uint8_t> bytes = clean;
        const MixedFaults::Spoil s = mix.spoil(bytes, kdx::sim::kFramedShape);
        ++seen[static_cast<int>(s)];
        const ReaderVerdict v = kdx::sim::judgeAnswer(clean, bytes, kdx::sim::kFramedShape);
        switch (s) {
        case MixedFaults::Spoil::Drop: EXPECT_TRUE(bytes.empty()); break;
        case MixedFaults::Spoil::Truncate: EXPECT_EQ(v, ReaderVerdict::Lost); EXPECT_FALSE(bytes.empty()); break;
        case MixedFaults::Spoil::BadSum: EXPECT_EQ(v, ReaderVerdict::Checksum); break;
        case MixedFaults::Spoil::BadEnd: EXPECT_EQ(v, ReaderVerdict::Bad); break;
        case MixedFaults::Spoil::Noise:
            EXPECT_TRUE(v == ReaderVerdict::Bad || v == ReaderVerdict::Checksum);
            EXPECT_EQ(bytes.size(), clean.size());
            break;
        case MixedFaults::Spoil::None: ADD_FAILURE() << "at 100 % every answer is spoiled"; break;
        }
    }
    for (int k = 1; k < 6; ++k)
        EXPECT_GT(seen[k], 300) << "kind " << k;

    // At 1 % about one answer in a hundred; the identify answer has no sum.
    MixedFaults rare(1, 7);
    int spoiled = 0;
    for (int n = 0; n < 20000; ++n) {
        std::vector<uint8_t> id{0x41, 1, 1, 0, 0, 0, 0, 0xE0};
        const auto s = rare.spoil(id, kdx::sim::kIdentifyShape);
        if (s == MixedFaults::Spoil::None)
            continue;
        ++spoiled;
        EXPECT_NE(s, MixedFaults::Spoil::BadSum);
        if (!id.empty()) {
            EXPECT_NE(kdx::sim::judgeAnswer({0x41, 1, 1, 0, 0, 0, 0, 0xE0}, id, kdx::sim::kIdentifyShape),
                      ReaderVerdict::Valid);
        }
    }
    EXPECT_GT(spoiled, 140);
    EXPECT_LT(spoiled, 260);
}

TEST(MixedFaultMode, OptionTakesAPercentAndAnOptionalSeed)
{
    struct Case {
        const char* text;
        bool ok;
        uint32_t percent, seed;
    };
    for (const Case& c : {Case{"mix=1", true, 1, 1}, Case{"mix=5:99", true, 5, 99}, Case{"mix=0", true, 0, 1},
                          Case{"mix=100:0x10", true, 100, 16}, Case{"mix", false, 0, 0}, Case{"mix=101", false, 0, 0},
                          Case{"mix=1:2:3", false, 0, 0}, Case{"mix=-1", false, 0, 0}, Case{"mix=1:", false, 0, 0}}) {
        kdx::sim::FaultSet f;
        std::string error;
        EXPECT_EQ(f.add(c.text, error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(f.mixPercent, c.percent) << c.text;
            EXPECT_EQ(f.mixSeed, c.seed) << c.text;
        } else {
            EXPECT_FALSE(error.empty()) << c.text;
        }
    }
}
