// Recording the status in real time through the real serial line against
// kdx-sim on a pseudo-terminal. The recording's length is KDX_RECORD_SECONDS
// (3 s in the suite; a manual run may take 60).
#include "PtyRig.h"

#include "app/ChartsPage.h"
#include "live/StatusCsv.h"

#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>

using namespace kdx;
using namespace kdx::test;

namespace {

int recordSeconds()
{
    const char* s = std::getenv("KDX_RECORD_SECONDS");
    const int n = s ? std::atoi(s) : 0;
    return n > 0 ? n : 3;
}

void clickRecord(PtyAppRig& rig)
{
    QTest::mouseClick(rig.control<QPushButton>("ButtonChartsRecord"), Qt::LeftButton);
}

std::string firstLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

} // namespace

TEST(RecordingEndToEnd, ARecordingThroughThePseudoTerminalReadsBackWithoutGaps)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({});
    PtyAppRig rig(sim.ptyPath());
    rig.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(rig.window.get()));
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    QTest::qWait(300);
    ChartsGlue* glue = ChartsGlue::of(*rig.window);
    ASSERT_NE(glue, nullptr);
    rig.window->showPage(rig.window->findChild<QWidget*>(QStringLiteral("TabSheetCharts")));
    clickRecord(rig);
    ASSERT_TRUE(glue->recorder().recording());
    const int seconds = recordSeconds();
    QTest::qWait(seconds * 1000);
    clickRecord(rig);
    const std::string path = glue->recorder().path();

    const auto back = StatusCsv::readFile(path);
    ASSERT_TRUE(back.ok()) << back.error;
    const std::string header = firstLine(path);
    EXPECT_EQ(static_cast<size_t>(std::count(header.begin(), header.end(), ',')) + 1, StatusCsv::kColumns);
    EXPECT_EQ(back.gaps, 0u);
    EXPECT_FALSE(back.cutShort);
    EXPECT_GE(back.samples.size(), static_cast<size_t>(seconds * 10 - 3));
    EXPECT_LE(back.samples.size(), static_cast<size_t>(seconds * 10 + 3));
    const int64_t covered = back.samples.back().utcMs - back.samples.front().utcMs;
    EXPECT_NEAR(static_cast<double>(covered), seconds * 1000.0 - 100.0, 300.0);
    EXPECT_EQ(rig.context.session.poller().lostPacketCount(), 0u);
    std::cout << "[ measured ] " << seconds << " s recorded: " << back.samples.size() << " rows, "
              << back.gaps << " gaps, " << covered << " ms covered\n";
}

TEST(RecordingEndToEnd, UnpluggingForTwoSecondsLeavesMarkedGapRowsAndTheRecordingGoesOn)
{
    KDX_REQUIRE_SIM();
    PtyScratch scratchForLink;
    const std::string link = scratchForLink.path + "/kdx-port";
    const std::string eeprom = scratchForLink.path + "/eeprom.bin";
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--link", link, "--eeprom", eeprom});
    ASSERT_FALSE(sim->ptyPath().empty());
    PtyAppRig rig(link);
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    QTest::qWait(300);
    ChartsGlue* glue = ChartsGlue::of(*rig.window);
    clickRecord(rig);
    ASSERT_TRUE(glue->recorder().recording());
    QTest::qWait(1000);

    // The adapter is pulled out for two seconds, then plugged in again and
    // the technician connects once more.
    sim->stop(SIGKILL);
    sim.reset();
    QTest::qWait(2000);
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--link", link, "--eeprom", eeprom});
    ASSERT_FALSE(sim->ptyPath().empty());
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    QTest::qWait(1000);
    clickRecord(rig);
    ASSERT_TRUE(glue->recorder().error().empty()) << glue->recorder().error();

    const auto back = StatusCsv::readFile(glue->recorder().path());
    ASSERT_TRUE(back.ok()) << back.error;
    size_t firstGap = back.samples.size(), lastGap = 0, lost = 0, okBefore = 0, okAfter = 0, noLink = 0, paused = 0;
    for (size_t i = 0; i < back.samples.size(); ++i) {
        const StatusSample& s = back.samples[i];
        if (!s.ok()) {
            firstGap = std::min(firstGap, i);
            lastGap = i;
            lost += s.state == StatusSample::State::Lost ? 1 : 0;
            noLink += s.state == StatusSample::State::NoLink ? 1 : 0;
            paused += s.state == StatusSample::State::Paused ? 1 : 0;
        } else if (firstGap == back.samples.size()) {
            ++okBefore;
        } else {
            ++okAfter;
        }
    }
    ASSERT_LT(firstGap, back.samples.size()) << "no gap rows";
    // The pulled adapter is noticed at once (polling stops, so there are few
    // lost frames, or none): the two seconds show as marked rows between the
    // last answer before and the first after.
    EXPECT_GE(okBefore, 8u);
    EXPECT_GE(okAfter, 8u);
    ASSERT_GT(firstGap, 0u);
    ASSERT_LT(lastGap + 1, back.samples.size());
    const int64_t outage = back.samples[lastGap + 1].utcMs - back.samples[firstGap - 1].utcMs;
    EXPECT_GE(outage, 1500);
    // A pulled adapter is a lost link, not a pause of the tool's (the search
    // that found it again held the polling off, but the link went first).
    EXPECT_EQ(noLink, 1u);
    EXPECT_EQ(paused, 0u);
    std::cout << "[ measured ] unplugged 2 s: " << okBefore << " rows, " << back.gaps << " gap rows (" << lost
              << " lost) over " << outage << " ms, then " << okAfter << " rows\n";
}
