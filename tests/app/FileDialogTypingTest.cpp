// Typing a file name into the tool's file dialogs while a long operation
// holds the window's input: the name-completion list pops up, and the dialog
// must still take keys, Escape and its buttons.

#include "app/BusyState.h"
#include "app/InputGuard.h"
#include "app/QtUserPrompts.h"
#include "app/AppTestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace kdx {
namespace {

struct DialogCase {
    const char* name;
    const char* dialogObject;
    std::function<std::optional<std::string>(QtUserPrompts&, const std::string& folder)> open;
};

void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.name; }

class FileDialogTyping : public ::testing::TestWithParam<DialogCase> {};

TEST_P(FileDialogTyping, CompletionPopupKeepsTheDialogUsableDuringALongOperation)
{
    test::appForTests();
    const DialogCase& c = GetParam();
    const QString folder = QDir::temp().filePath(QStringLiteral("kdx-typing-%1").arg(QCoreApplication::applicationPid()));
    QDir(folder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const char* file : {"KDX_00012345_20261209_manual.kdx", "KDX_00012345_20261208_manual.kdx", "KDX_demo.hex",
                             "KDX_old.hex"}) {
        QFile f(QDir(folder).filePath(QString::fromLatin1(file)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    BusyState busy;
    InputGuard guard(busy);
    QtUserPrompts prompts(busy);

    bool popupSeen = false;
    bool typedText = false;
    bool forcedShut = false;
    // Drives the dialog once it is up, with the events a person makes.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->objectName(), QString::fromLatin1(c.dialogObject));
        auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(nameBox, nullptr);
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        // The dialog lists the folder in the background; names complete
        // once it is read.
        auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        QVERIFY(list);
        QTRY_VERIFY_WITH_TIMEOUT(list->model()->rowCount(list->rootIndex()) >= 2, 5000);
        nameBox->setFocus();
        nameBox->clear();
        QTest::keyClicks(nameBox, QStringLiteral("KDX_"));
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activePopupWidget() != nullptr, 2000);
        popupSeen = QApplication::activePopupWidget() != nullptr;
        // Keys still reach the name box through the open list.
        QTest::keyClicks(QApplication::activePopupWidget(), QStringLiteral("0"));
        typedText = nameBox->text() == QStringLiteral("KDX_0");
        // Escape closes the list, a second Escape the dialog.
        if (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
        QTest::keyClick(nameBox, Qt::Key_Escape);
    });
    // Only if the dialog stopped taking keys: shut it so the test can fail.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        forcedShut = true;
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    watchdog.start(10000);

    std::optional<std::string> chosen;
    {
        LongOperation op(busy);
        chosen = c.open(prompts, folder.toStdString());
    }
    EXPECT_TRUE(popupSeen) << c.name;
    EXPECT_TRUE(typedText) << c.name;
    EXPECT_FALSE(forcedShut) << c.name << ": Escape did not close the dialog";
    EXPECT_FALSE(chosen.has_value()) << c.name;
    QDir(folder).removeRecursively();
}

INSTANTIATE_TEST_SUITE_P(
    EveryFileDialog, FileDialogTyping,
    ::testing::Values(
        DialogCase{"firmware", "OpenDialog2",
                   [](QtUserPrompts& p, const std::string& f) { return p.openFirmwareFile(f); }},
        DialogCase{"save to disk", "SaveDialog1",
                   [](QtUserPrompts& p, const std::string& f) { return p.saveParameterFile(f, "KDX_new.kdx"); }},
        DialogCase{"load to ECU", "OpenDialog1",
                   [](QtUserPrompts& p, const std::string& f) { return p.openParameterFile(f, "Load to ECU..."); }}),
    [](const ::testing::TestParamInfo<DialogCase>& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (ch == ' ')
                ch = '_';
        return n;
    });

} // namespace
} // namespace kdx
