// Enter in an edit box or a grid's in-place editor, typed the way a person
// types: press and release, with or without the event loop running between.
#include "widgets/EnterKeyWatch.h"
#include "widgets/StringGrid.h"
#include "widgets/UnsentTextMark.h"
#include "widgets/WheelGuard.h"

#include "QtTestApp.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kdx {
namespace {

QWidget* focused() { return QApplication::focusWidget(); }

// Types text into whatever has the focus, one key at a time.
void typeText(const QString& text)
{
    for (QChar c : text)
        QTest::keyClick(focused(), c.toLatin1());
}

// Enter pressed and released where the focus is at each moment; with
// `settle`, the event loop runs between the two as it does for a slow finger.
void enter(bool settle)
{
    QTest::keyPress(focused(), Qt::Key_Return);
    if (settle)
        QApplication::processEvents();
    QTest::keyRelease(focused(), Qt::Key_Return);
    QApplication::processEvents();
}

struct GridRig {
    GridRig()
    {
        test::qtTestApp();
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        grid = new StringGrid(3, 4, 1, 1, window.get());
        edit = new QLineEdit(QStringLiteral("5"), window.get());
        layout->addWidget(grid);
        layout->addWidget(edit);
        for (int r = 1; r < 4; ++r)
            for (int c = 1; c < 3; ++c)
                grid->setCell(c, r, QStringLiteral("20.0"));
        grid->setEditTriggers(QAbstractItemView::AllEditTriggers);
        watch.watch(grid, [this] {
            grid->commitEditor();
            commits.push_back(grid->cell(grid->currentColumn(), grid->currentRow()));
            grid->markCellSent(grid->currentColumn(), grid->currentRow());
        });
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    std::unique_ptr<QWidget> window;
    StringGrid* grid;
    QLineEdit* edit;
    EnterKeyWatch watch;
    std::vector<QString> commits;
};

TEST(EnterKey, EveryCommittedCellGivesExactlyOneCommitWithTheTypedText)
{
    GridRig rig;
    int n = 0;
    for (bool settle : {false, true}) {
        for (int row = 1; row < 4; ++row) {
            for (int column = 1; column < 3; ++column) {
                rig.grid->setFocus();
                rig.grid->openEditor(column, row);
                ASSERT_TRUE(rig.grid->isEditorOpen());
                const QString typed = QString::number(10 + n++) + ".5";
                typeText(typed); // replaces the selected "20.0"
                enter(settle);
                ASSERT_EQ(rig.commits.size(), static_cast<size_t>(n)) << settle << " " << column << "," << row;
                EXPECT_EQ(rig.commits.back(), typed);
                EXPECT_EQ(rig.grid->cell(column, row), typed);
                EXPECT_FALSE(rig.grid->isEditorOpen());
                EXPECT_FALSE(rig.grid->isCellUnsent(column, row));
            }
        }
    }
    // Nothing further arrives later (the view's own queued commit included).
    QTest::qWait(50);
    EXPECT_EQ(rig.commits.size(), static_cast<size_t>(n));
}

TEST(EnterKey, AReleaseWhosePressWentElsewhereCommitsNothing)
{
    GridRig rig;
    rig.grid->setFocus();
    rig.grid->setCurrentCell(1, 1);
    // The press went to another control (a message box's OK button, say).
    QTest::keyPress(rig.edit, Qt::Key_Return);
    QTest::keyRelease(rig.grid, Qt::Key_Return);
    EXPECT_TRUE(rig.commits.empty());
    // An auto-repeated press then one release commits once.
    QTest::keyPress(rig.grid, Qt::Key_Return);
    QTest::keyPress(rig.grid, Qt::Key_Return, Qt::NoModifier, -1);
    QTest::keyRelease(rig.grid, Qt::Key_Return);
    QTest::keyRelease(rig.grid, Qt::Key_Return);
    EXPECT_EQ(rig.commits.size(), 1u);
}

TEST(EnterKey, TheEditorOpensWithTheTextSelectedAndEscapeRestoresTheShownText)
{
    GridRig rig;
    rig.grid->setFocus();
    rig.grid->openEditor(2, 2);
    auto* line = qobject_cast<QLineEdit*>(focused());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->selectedText(), QStringLiteral("20.0"));
    typeText("12.3");
    EXPECT_EQ(line->text(), QStringLiteral("12.3"));
    // Tab leaves the cell with the typed text in it: not sent, and shown so.
    QTest::keyClick(line, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(rig.grid->cell(2, 2), QStringLiteral("12.3"));
    EXPECT_TRUE(rig.grid->isCellUnsent(2, 2));
    EXPECT_TRUE(rig.commits.empty());
    if (rig.grid->isEditorOpen()) // Tab went on to the next cell's editor
        QTest::keyClick(focused(), Qt::Key_Escape);
    rig.grid->setFocus();
    rig.grid->setCurrentCell(2, 2);
    QTest::keyClick(rig.grid, Qt::Key_Escape);
    EXPECT_EQ(rig.grid->cell(2, 2), QStringLiteral("20.0"));
    EXPECT_FALSE(rig.grid->isCellUnsent(2, 2));
    // Escape in the editor: the cell keeps its shown text.
    rig.grid->openEditor(1, 3);
    typeText("7");
    QTest::keyClick(focused(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(rig.grid->cell(1, 3), QStringLiteral("20.0"));
    EXPECT_TRUE(rig.commits.empty());
}

TEST(EnterKey, AnEditBoxTintsUnsentTextUntilSentOrEscaped)
{
    GridRig rig;
    UnsentTextMark mark;
    mark.attach(rig.edit);
    int commits = 0;
    rig.watch.watch(rig.edit, [&] {
        ++commits;
        UnsentTextMark::markSent(rig.edit);
    });
    const QColor plain = rig.edit->palette().color(QPalette::Base);
    rig.edit->setFocus();
    rig.edit->selectAll();
    typeText("42");
    EXPECT_TRUE(UnsentTextMark::isUnsent(rig.edit));
    EXPECT_EQ(rig.edit->palette().color(QPalette::Base), UnsentTextMark::tint());
    rig.grid->setFocus(); // leaving does not pretend it was sent
    EXPECT_TRUE(UnsentTextMark::isUnsent(rig.edit));
    rig.edit->setFocus();
    enter(false);
    EXPECT_EQ(commits, 1);
    EXPECT_FALSE(UnsentTextMark::isUnsent(rig.edit));
    EXPECT_EQ(rig.edit->palette().color(QPalette::Base), plain);
    typeText("9");
    QTest::keyClick(rig.edit, Qt::Key_Escape);
    EXPECT_EQ(rig.edit->text(), QStringLiteral("42"));
    EXPECT_FALSE(UnsentTextMark::isUnsent(rig.edit));
    UnsentTextMark::setShownText(rig.edit, QStringLiteral("7"));
    EXPECT_FALSE(UnsentTextMark::isUnsent(rig.edit));
}

TEST(WheelGuardTest, AnUnfocusedComboBoxIgnoresTheWheel)
{
    test::qtTestApp();
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* combo = new QComboBox(&window);
    auto* other = new QLineEdit(&window);
    combo->addItems({"gasoline 12V", "diesel 12V", "diesel 24V"});
    layout->addWidget(combo);
    layout->addWidget(other);
    WheelGuard::guard(combo);
    int activated = 0;
    QObject::connect(combo, &QComboBox::activated, [&] { ++activated; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    other->setFocus();

    auto wheel = [&] {
        const QPointF at(combo->width() / 2.0, combo->height() / 2.0);
        QWheelEvent event(at, combo->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &event);
    };
    wheel();
    EXPECT_EQ(combo->currentIndex(), 0);
    EXPECT_EQ(activated, 0);
    EXPECT_FALSE(combo->hasFocus());
    combo->setFocus();
    wheel(); // a box the technician chose to work with still scrolls
    EXPECT_EQ(combo->currentIndex(), 1);
}

} // namespace
} // namespace kdx
