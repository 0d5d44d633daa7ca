// The production tester end to end: the whole program with its real serial
// line and clock against kdx-sim on a pseudo-terminal, the window offscreen.
// A test takes about ten seconds of real time (test time runs 50 ms per
// 100 ms status cycle).
#include "PtyRig.h"

#include "app/TesterPage.h"
#include "widgets/LedIndicator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <iterator>

using namespace kdx;
using namespace kdx::test;

namespace {

constexpr const char* kSerial = "RQ412A0000001H02S4.7";

struct TestRun {
    QString memo;
    bool verdictGiven = false;
    std::string file;
    size_t tones = 0;
    QColor lampOff;
};

// Starts kdx-sim with the faults, connects, scans the serial number and waits
// for the verdict.
TestRun runTest(const std::vector<std::string>& faults)
{
    std::vector<std::string> args;
    for (const auto& f : faults) {
        args.push_back("--fault");
        args.push_back(f);
    }
    SimProcess sim(args);
    PtyAppRig rig(sim.ptyPath());
    rig.window->AutoConnect1Click();
    TestRun run;
    if (!rig.context.state.connected) {
        ADD_FAILURE() << "not connected";
        return run;
    }
    auto* edit = rig.control<QLineEdit>("EditSerial");
    edit->setText(kSerial);
    QTest::keyClick(edit, Qt::Key_Return);
    const Tester& tester = rig.window->tester();
    for (int i = 0; i < 250 && (tester.armed() || tester.running()); ++i)
        QTest::qWait(100);
    rig.window->timer1()->stop();
    run.verdictGiven = !tester.armed() && !tester.running() && tester.lastSave().has_value();
    run.memo = rig.control<QPlainTextEdit>("Memo1")->toPlainText();
    std::ifstream in(rig.scratch.path + "/" + kSerial + ".txt", std::ios::binary);
    run.file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    run.tones = rig.tone.played.size();
    run.lampOff = rig.control<LedIndicator>("AbLEDStartTestu1")->offColor();
    EXPECT_TRUE(rig.prompts.messages.empty());
    return run;
}

} // namespace

TEST(TesterEndToEnd, SoundSimulatedBoardPasses)
{
    KDX_REQUIRE_SIM();
    const TestRun run = runTest({});
    ASSERT_TRUE(run.verdictGiven);
    EXPECT_TRUE(run.memo.startsWith("STEROWNIK SPRAWNY :);")) << run.memo.toStdString();
    EXPECT_TRUE(run.memo.contains(QString::fromUtf8("200-5000 ms: prąd pompy 2 podczas pracy: OK (1.")));
    EXPECT_EQ(run.file.rfind("STEROWNIK SPRAWNY :);\r\n", 0), 0u);
    EXPECT_EQ(run.tones, 0u);
    EXPECT_EQ(run.lampOff, QColor(0, 255, 0));
}

TEST(TesterEndToEnd, BoardFaultsFailWithTheirLines)
{
    KDX_REQUIRE_SIM();
    // kdx-sim counts from its start; the test starts about a second later.
    const TestRun run = runTest({"pumpopen=2", "errors=0:32", "supply=8@8000"});
    ASSERT_TRUE(run.verdictGiven);
    const std::string memo = run.memo.toStdString();
    EXPECT_EQ(memo.rfind("UWAGA STEROWNIK NIE JEST SPRAWNY! BLĘDY : ", 0), 0u) << memo;
    EXPECT_NE(memo.find("900 ms: pompa 2 podłączona: BŁĄD (pompa 2 niepodłączona);"), std::string::npos) << memo;
    EXPECT_NE(memo.find("5000 ms: brak błędów zapisanych w pamięci: BŁĄD (ErrorMemo 0x0020 (P1ErrorOut));"),
              std::string::npos);
    EXPECT_NE(memo.find(" ms: napięcie zasilania 9-32 V: BŁĄD (8.00 V);"), std::string::npos);
    EXPECT_EQ(run.file.rfind("UWAGA STEROWNIK NIE JEST SPRAWNY!", 0), 0u);
    EXPECT_EQ(run.tones, 1u);
    EXPECT_EQ(run.lampOff, QColor(255, 0, 0));
}

TEST(TesterEndToEnd, LinkLostForTwoSecondsEndsTheTest)
{
    KDX_REQUIRE_SIM();
    const TestRun run = runTest({"unplug=3000:2000"});
    ASSERT_TRUE(run.verdictGiven);
    const std::string memo = run.memo.toStdString();
    EXPECT_EQ(memo.rfind("UWAGA STEROWNIK NIE JEST SPRAWNY! BLĘDY : 1;", 0), 0u) << memo;
    // kdx-sim closes its terminal when unplugged: the tool sees the hang-up
    // at once (or, on a line that cannot tell, the gap of status frames).
    EXPECT_TRUE(memo.find(" ms: TEST PRZERWANY: brak ramek statusu przez 1") != std::string::npos
                || memo.find(" ms: TEST PRZERWANY: nowe wyszukiwanie sterownika (połączenie przerwane)")
                    != std::string::npos)
        << memo;
    EXPECT_EQ(run.tones, 1u);
    EXPECT_EQ(run.lampOff, QColor(255, 0, 0));
}
