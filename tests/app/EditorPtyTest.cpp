// Map cells typed in place through the real window, its real serial line and
// its own timer, against kdx-sim on a pseudo-terminal: every cell committed
// with a quick Enter (press and release with no event processing between)
// reaches the controller exactly once.
#include "support/TraceLine.h"
#include "PtyRig.h"

#include "widgets/StringGrid.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <map>

using namespace kdx;
using namespace kdx::test;

TEST(EditorPty, QuickEnterInMapCellsSendsEachCellOnce)
{
    KDX_REQUIRE_SIM();
    SimProcess sim({"--trace"});
    PtyAppRig rig(sim.ptyPath());
    rig.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(rig.window.get()));
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    rig.window->showPage(rig.window->findChild<QWidget*>(QStringLiteral("TabSheetManualTrig")));
    auto* grid = rig.control<StringGrid>("StringGridManualTrigMap");
    QTest::qWait(100);
    (void)sim.linesSoFar(); // the connection's frames

    // Word of each typed cell and the value typed into it, in tenths.
    std::map<unsigned, unsigned> typed;
    for (int i = 0; i < 12; ++i) {
        const int column = 1 + i % 4;
        const int row = 2 + 2 * i;
        if (row > 24)
            break;
        const unsigned tenths = 123u + 7u * static_cast<unsigned>(i);
        const QRect r = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(qobject_cast<QLineEdit*>(editor), nullptr) << i;
        QTest::keyClicks(editor, QString::number(tenths / 10) + "." + QString::number(tenths % 10));
        QTest::keyPress(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Return);
        typed[static_cast<unsigned>(64 + 24 * (column - 1) + row)] = tenths;
        QTest::qWait(30); // the status polling runs meanwhile
    }
    QTest::qWait(300);
    rig.window->timer1()->stop();

    std::map<unsigned, std::vector<unsigned>> received;
    for (const std::string& line : sim.linesSoFar(500)) {
        unsigned word = 0, high = 0, low = 0;
        const auto hex = kdx::test::pcFrameHex(line);
        if (hex && std::sscanf(hex->c_str(), "D1 %x %x %x", &word, &high, &low) == 3)
            received[word].push_back(high << 8 | low);
    }
    EXPECT_EQ(received.size(), typed.size());
    for (const auto& [word, tenths] : typed)
        EXPECT_EQ(received[word], std::vector<unsigned>{tenths}) << "word " << word;
    EXPECT_TRUE(rig.prompts.messages.empty());
}
