// The difference view as a dialog: the list, the map grids with the changed
// cells marked, and the buttons that decide whether anything is written.
#include "AppTestSupport.h"
#include "app/DifferenceDialog.h"
#include "params/ParameterDefaults.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace kdx;
using namespace kdx::test;

namespace {

DifferenceView sampleView(bool ask)
{
    ParameterImage a;
    ParameterDefaults::apply(a);
    ParameterImage b = a;
    b.set(layout::GeneralDelay, 9);
    b.set(layout::ManualTrigP1Ton, 25, 2);
    DifferenceView v = ParameterDiff::view(a, b, "controller", "file x.kdx", '.');
    v.warnings = {"another controller"};
    v.askToWrite = ask;
    v.question = "Write?";
    return v;
}

} // namespace

TEST(DifferenceDialog, ShowsTheListAndMarksOnlyTheChangedMapCell)
{
    appForTests();
    DifferenceDialog dialog(sampleView(true));
    auto* list = dialog.findChild<QTableWidget*>("StringGridDifferences");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(list->item(0, 0)->text(), "GeneralDelay");
    EXPECT_EQ(list->item(0, 1)->text(), "5 s");
    EXPECT_EQ(list->item(0, 2)->text(), "9 s");
    auto* map = dialog.findChild<QTableWidget*>("StringGridDifferenceMap");
    ASSERT_NE(map, nullptr);
    ASSERT_EQ(map->rowCount(), 24);
    ASSERT_EQ(map->columnCount(), 4);
    const QColor yellow(255, 255, 0);
    int marked = 0;
    for (int r = 0; r < map->rowCount(); ++r)
        for (int c = 0; c < map->columnCount(); ++c)
            marked += map->item(r, c)->background().color() == yellow;
    EXPECT_EQ(marked, 1);
    EXPECT_EQ(map->item(2, 0)->background().color(), yellow);
    EXPECT_EQ(map->item(2, 0)->text(), QString::fromUtf8("0.0 \u2192 2.5"));
    EXPECT_EQ(map->verticalHeaderItem(2)->text(), "800 -> 1000 rpm");
    auto* warning = dialog.findChild<QLabel*>("LabelDifferenceWarning");
    ASSERT_NE(warning, nullptr);
    EXPECT_TRUE(warning->text().contains("another controller"));
}

TEST(DifferenceDialog, EnterCancelsAndOnlyTheWriteButtonAccepts)
{
    appForTests();
    {
        DifferenceDialog dialog(sampleView(true));
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        dialog.setResult(QDialog::Accepted); // so that only a real rejection changes it
        QTest::keyClick(&dialog, Qt::Key_Return);
        EXPECT_FALSE(dialog.isVisible()) << "Enter closes the dialog";
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << "Enter is not a decision to write";
    }
    {
        DifferenceDialog dialog(sampleView(true));
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        auto* write = dialog.findChild<QPushButton*>("ButtonDifferenceWrite");
        ASSERT_NE(write, nullptr);
        QTest::mouseClick(write, Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    DifferenceDialog compare(sampleView(false));
    EXPECT_EQ(compare.findChild<QPushButton*>("ButtonDifferenceWrite"), nullptr);
    auto* buttons = compare.findChild<QDialogButtonBox*>("DifferenceButtons");
    ASSERT_NE(buttons, nullptr);
    EXPECT_NE(buttons->button(QDialogButtonBox::Close), nullptr);
}
