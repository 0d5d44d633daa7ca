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

#include <map>

using namespace kdx;
using namespace kdx::test;

namespace {

DifferenceView sampleView(bool ask, const ParameterLabels& labels = ParameterLabels())
{
    ParameterImage a;
    ParameterDefaults::apply(a);
    ParameterImage b = a;
    b.set(layout::GeneralDelay, 9);
    b.set(layout::ManualTrigP1Ton, 25, 2);
    DifferenceView v = ParameterDiff::view(a, b, "controller", "file x.kdx", '.', labels);
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
    // The parameter by the label beside its editor; its name in the files as the tip.
    EXPECT_EQ(list->item(0, 0)->text(), "general delay [s]");
    EXPECT_EQ(list->item(0, 0)->toolTip(), "GeneralDelay");
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
    EXPECT_EQ(map->verticalHeaderItem(2)->text(), "800 -> 1000");
    EXPECT_EQ(map->horizontalHeaderItem(0)->text(), "Pump1Ton[s]");
    auto* warning = dialog.findChild<QLabel*>("LabelDifferenceWarning");
    ASSERT_NE(warning, nullptr);
    EXPECT_TRUE(warning->text().contains("another controller"));
}

TEST(DifferenceDialog, ShowsTheTextsOfTheWindowsLanguage)
{
    appForTests();
    const std::map<int, std::string> russian{{100109, "общая задержка [с]"},
                                             {102640, "Различия параметров"},
                                             {102642, "Различаются %1 значений между %2 и %3."},
                                             {102643, "Записать в блок"},
                                             {102644, "параметр"},
                                             {102656, "Отмена"}};
    DifferenceDialog dialog(sampleView(true, ParameterLabels([&russian](int key) {
        const auto it = russian.find(key);
        return it == russian.end() ? std::string() : it->second;
    })));
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Различия параметров"));
    auto* list = dialog.findChild<QTableWidget*>("StringGridDifferences");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->item(0, 0)->text(), QString::fromUtf8("общая задержка [с]"));
    EXPECT_EQ(list->horizontalHeaderItem(0)->text(), QString::fromUtf8("параметр"));
    auto* write = dialog.findChild<QPushButton*>("ButtonDifferenceWrite");
    ASSERT_NE(write, nullptr);
    EXPECT_EQ(write->text(), QString::fromUtf8("Записать в блок"));
    auto* buttons = dialog.findChild<QDialogButtonBox*>("DifferenceButtons");
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("Отмена"));
    auto* summary = dialog.findChild<QLabel*>("LabelDifferenceSummary");
    ASSERT_NE(summary, nullptr);
    EXPECT_EQ(summary->text(), QString::fromUtf8("Различаются 2 значений между controller и file x.kdx."));
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
