// Typing a file name into each of the tool's file dialogs, opened the way the
// window opens it (the long ones while the window's input is held): the
// name-completion list pops up, and the dialog must still take keys and
// Escape.

#include "app/AppTestSupport.h"
#include "app/BusyState.h"
#include "app/MainWindow.h"
#include "app/QtUserPrompts.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

namespace kdx {
namespace {

// The real window with its real dialogs, in a folder of its own: the
// parameter, firmware and recording folders hold names that all start alike.
struct DialogRig {
    DialogRig() : prompts(busy), context(line, clock, prompts, discovery, {}, &busy)
    {
        test::appForTests();
        for (const char* folder : {"parametry", "Firmware", "recordings"})
            QDir().mkpath(QString::fromLatin1(folder));
        for (const char* file : {"parametry/KDX_00012345_20261209_manual.kdx", "parametry/KDX_00012345_20261208_manual.kdx",
                                 "Firmware/KDX_demo.hex", "Firmware/KDX_old.hex", "recordings/KDX_20261209.csv",
                                 "recordings/KDX_20261208.csv"}) {
            QFile f(QString::fromLatin1(file));
            if (!f.open(QIODevice::WriteOnly))
                ADD_FAILURE() << file;
        }
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
        prompts.setParentWindow(window.get());
        window->timer1()->stop();
    }
    std::string folder(const char* name) const { return (QDir::currentPath() + QLatin1Char('/') + QLatin1String(name)).toStdString(); }

    test::ScratchDirectory scratch{"kdx-typing"};
    BusyState busy;
    test::TestClock clock;
    test::ScriptedLine line{clock};
    test::NoPorts discovery;
    test::QuietTone tone;
    QtUserPrompts prompts;
    AppContext context;
    std::unique_ptr<MainWindow> window;
};

struct DialogCase {
    const char* name;
    const char* dialogObject;
    // Opens the dialog the way the technician does, through the window's
    // runner; returns once the dialog is gone.
    std::function<void(DialogRig&)> open;
};

void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.name; }

class FileDialogTyping : public ::testing::TestWithParam<DialogCase> {};

TEST_P(FileDialogTyping, CompletionPopupKeepsTheDialogUsable)
{
    DialogRig rig;
    const DialogCase& c = GetParam();

    bool dialogSeen = false;
    bool popupSeen = false;
    bool typedText = false;
    bool forcedShut = false;
    // Drives the dialog once it is up, with the events a person makes.
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialogSeen = true;
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
        QTest::keyClicks(QApplication::activePopupWidget(), QStringLiteral("2"));
        typedText = nameBox->text() == QStringLiteral("KDX_2");
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

    c.open(rig);
    EXPECT_TRUE(dialogSeen) << c.name;
    EXPECT_TRUE(popupSeen) << c.name;
    EXPECT_TRUE(typedText) << c.name;
    EXPECT_FALSE(forcedShut) << c.name << ": Escape did not close the dialog";
    // Cancelling chose nothing: no box followed the dialog.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << c.name;
    EXPECT_EQ(rig.busy.depth, 0) << c.name;
}

// The parameter file dialogs name their files in the window's language.
TEST(ParameterFileDialogs, FilterInTheWindowsLanguage)
{
    DialogRig rig;
    rig.prompts.setWords(rig.context.texts.words());
    rig.window->findChild<QAction*>(QStringLiteral("Polski1"))->trigger();
    QStringList filters;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        dialog->reject();
    });
    rig.window->runner().runLong([&] { EXPECT_FALSE(rig.prompts.saveParameterFile(rig.folder("parametry"), "x.kdx")); });
    EXPECT_EQ(filters, QStringList{QString::fromUtf8("Plik parametrów (*.kdx)")});
}

INSTANTIATE_TEST_SUITE_P(
    EveryFileDialog, FileDialogTyping,
    ::testing::Values(
        DialogCase{"firmware", "OpenDialog2",
                   [](DialogRig& r) {
                       r.window->runner().runLong([&] { EXPECT_FALSE(r.prompts.openFirmwareFile(r.folder("Firmware"))); });
                   }},
        DialogCase{"save to disk", "SaveDialog1",
                   [](DialogRig& r) {
                       r.window->runner().runLong([&] {
                           EXPECT_FALSE(r.prompts.saveParameterFile(r.folder("parametry"), "KDX_new.kdx"));
                       });
                   }},
        DialogCase{"load to ECU", "OpenDialog1",
                   [](DialogRig& r) {
                       r.window->runner().runLong([&] {
                           EXPECT_FALSE(r.prompts.openParameterFile(r.folder("parametry"), "Load to ECU..."));
                       });
                   }},
        DialogCase{"compare files", "OpenDialog1",
                   [](DialogRig& r) {
                       auto* compare = r.window->findChild<QAction*>(QStringLiteral("CompareFiles1"));
                       ASSERT_NE(compare, nullptr);
                       compare->trigger();
                   }},
        DialogCase{"open recording", "OpenRecordingDialog",
                   [](DialogRig& r) {
                       auto* open = r.window->findChild<QPushButton*>(QStringLiteral("ButtonChartsOpen"));
                       ASSERT_NE(open, nullptr);
                       open->click();
                   }}),
    [](const ::testing::TestParamInfo<DialogCase>& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (ch == ' ')
                ch = '_';
        return n;
    });

} // namespace
} // namespace kdx
