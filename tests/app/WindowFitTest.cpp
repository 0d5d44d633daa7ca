// Every page in every language at the smallest window, the design size and
// two common screens: every text fits its control, no two controls overlap,
// none is cut off by its parent. With KDX_SHOTS_DIR set, each view is also
// saved as a PNG there for a person to look at.
#include "AppTestSupport.h"
#include "support/FindControl.h"
#include "app/ChartsPage.h"
#include "app/PageCanvas.h"
#include "app/StripChart.h"
#include "live/Tone.h"
#include "sim/ControllerModel.h"
#include "sim/SimulatedLine.h"
#include "widgets/LedIndicator.h"
#include "widgets/Meter270.h"
#include "widgets/StringGrid.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTest>
#include <QAbstractScrollArea>
#include <QScrollBar>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <map>
#include <unistd.h>

using namespace kdx;
using namespace kdx::test;

namespace {

struct FitRig {
    explicit FitRig(uint8_t language)
        : demo(model, clock), context(demo, clock, prompts, discovery, demoOptions(/*tester=*/true))
    {
        char dir[] = "/tmp/kdx-fitXXXXXX";
        path = mkdtemp(dir) ? dir : "/tmp";
        previous = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(path));
        std::ofstream(path + "/lan.txt", std::ios::binary).put(static_cast<char>(language));
        appForTests();
        QLocale::setDefault(QLocale::c());
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
        window->show();
        // Connected, so that the dashboard carries its live captions.
        window->AutoConnect1Click();
        runTicks(clock, *window, 6);
    }
    ~FitRig()
    {
        window.reset();
        QDir::setCurrent(previous);
        QDir(QString::fromStdString(path)).removeRecursively();
    }

    std::string path;
    QString previous;
    TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo;
    RecordingPrompts prompts;
    NoPorts discovery;
    QuietTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
};

bool shown(const QWidget* w, const QWidget* top)
{
    for (const QWidget* p = w; p && p != top; p = p->parentWidget())
        if (p->isHidden())
            return false;
    return true;
}

// What a control needs to show its text whole, or an invalid size when the
// control carries no text of its own that could be cut.
QSize needed(QWidget* w)
{
    if (auto* led = qobject_cast<LedIndicator*>(w))
        return led->sizeHint();
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty() || label->wordWrap() || !label->pixmap().isNull())
            return {};
        return label->sizeHint();
    }
    if (auto* box = qobject_cast<QCheckBox*>(w))
        return box->sizeHint();
    if (auto* button = qobject_cast<QPushButton*>(w)) {
        // Text plus a little air on each side.
        const QFontMetrics fm(button->font());
        return {fm.horizontalAdvance(button->text()) + 16, fm.height() + 6};
    }
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        const QFontMetrics fm(combo->font());
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i)
            widest = std::max(widest, fm.horizontalAdvance(combo->itemText(i)));
        return {widest + 28, fm.height()};
    }
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        const QFontMetrics fm(group->font());
        return {fm.horizontalAdvance(group->title()) + 20, fm.height()};
    }
    return {};
}

// Problems on what is on screen now: the current page and the dashboard.
QStringList problems(MainWindow& w)
{
    QStringList found;
    QWidget* roots[] = {w.pageControl()->currentWidget(), findControl<QWidget>(w, "Panel4")};
    for (QWidget* root : roots) {
        const auto widgets = root->findChildren<QWidget*>();
        for (QWidget* c : widgets) {
            if (!shown(c, root) || c->objectName().isEmpty())
                continue;
            const QSize need = needed(c);
            if (need.isValid() && (need.width() > c->width() || need.height() > c->height() + 2))
                found << QStringLiteral("%1 needs %2x%3, has %4x%5")
                             .arg(c->objectName())
                             .arg(need.width())
                             .arg(need.height())
                             .arg(c->width())
                             .arg(c->height());
            if (auto* grid = qobject_cast<StringGrid*>(c)) {
                const QFontMetrics fm(grid->font());
                for (int r = 0; r < grid->rowCount(); ++r)
                    for (int col = 0; col < grid->columnCount(); ++col)
                        if (fm.horizontalAdvance(grid->cell(col, r)) + 2 > grid->columnWidth(col))
                            found << QStringLiteral("%1 cell %2,%3 \"%4\" wider than its column")
                                         .arg(c->objectName())
                                         .arg(col)
                                         .arg(r)
                                         .arg(grid->cell(col, r));
            }
            // Inside its parent, and clear of its named siblings.
            QWidget* parent = c->parentWidget();
            if (parent && parent != root && !QRect(QPoint(0, 0), parent->size()).contains(c->geometry())
                && !qobject_cast<QAbstractScrollArea*>(parent->parentWidget()))
                found << QStringLiteral("%1 sticks out of %2").arg(c->objectName(), parent->objectName());
            if (!parent)
                continue;
            for (QObject* o : parent->children()) {
                auto* sibling = qobject_cast<QWidget*>(o);
                if (!sibling || sibling == c || sibling->isHidden() || sibling->objectName().isEmpty()
                    || sibling->objectName() > c->objectName())
                    continue;
                if (sibling->geometry().intersects(c->geometry()))
                    found << QStringLiteral("%1 overlaps %2").arg(c->objectName(), sibling->objectName());
            }
        }
    }
    return found;
}

struct Language {
    uint8_t code;
    const char* name;
};

class WindowFitTest : public ::testing::TestWithParam<Language> {};

TEST_P(WindowFitTest, EveryPageFitsAtEverySize)
{
    const Language lang = GetParam();
    FitRig rig(lang.code);
    MainWindow& w = *rig.window;
    ASSERT_TRUE(w.context().state.connected);
    const QString shots = qEnvironmentVariable("KDX_SHOTS_DIR");
    const QSize sizes[] = {QSize(MainWindow::kMinWidth, MainWindow::kMinHeight), QSize(800, 600),
                           QSize(1016, 669), QSize(1024, 600), QSize(1280, 800), QSize(1920, 1080)};
    QTabWidget* tabs = w.pageControl();
    for (const QSize& size : sizes) {
        w.resize(size);
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->widget(i)->objectName() == QLatin1String("TabSheetErr"))
                continue;
            tabs->setTabVisible(i, true); // every mode page, whatever the controller's mode
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            QApplication::processEvents();
            const QString page = tabs->widget(i)->objectName();
            QStringList found = problems(w);
            // From a common laptop screen up, no page scrolls sideways.
            if (size.width() >= 1024) {
                for (auto* area : tabs->widget(i)->findChildren<QAbstractScrollArea*>())
                    if (area->horizontalScrollBar()->isVisible())
                        found << QStringLiteral("%1 scrolls sideways by %2 px")
                                     .arg(area->objectName())
                                     .arg(area->horizontalScrollBar()->maximum());
            }
            EXPECT_TRUE(found.isEmpty()) << lang.name << " " << size.width() << "x" << size.height() << " "
                                         << page.toStdString() << ":\n  "
                                         << found.join(QStringLiteral("\n  ")).toStdString();
            if (!shots.isEmpty())
                w.grab().save(QStringLiteral("%1/%2-%3x%4-%5.png")
                                  .arg(shots, QLatin1String(lang.name))
                                  .arg(size.width())
                                  .arg(size.height())
                                  .arg(page));
        }
    }
}

// The letter after "&" in a caption, lower-cased; 0 when there is none.
QChar mnemonic(const QString& text)
{
    const int at = text.indexOf(QLatin1Char('&'));
    return at >= 0 && at + 1 < text.size() ? text[at + 1].toLower() : QChar();
}

TEST_P(WindowFitTest, MenusAndChartsSpeakTheLanguageWithOneAltKeyPerMenu)
{
    const Language lang = GetParam();
    FitRig rig(lang.code);
    MainWindow& w = *rig.window;
    // Alt plus a letter opens exactly one menu of the bar, and in each menu
    // a letter picks exactly one item.
    std::vector<QChar> bar;
    for (QAction* top : w.menuBar()->actions()) {
        const QChar m = mnemonic(top->text());
        EXPECT_FALSE(m.isNull()) << lang.name << ": " << top->text().toStdString();
        EXPECT_EQ(std::count(bar.begin(), bar.end(), m), 0) << lang.name << ": Alt+" << QString(m).toStdString()
                                                            << " also opens " << top->text().toStdString();
        bar.push_back(m);
        std::vector<QChar> items;
        for (QAction* item : top->menu()->actions()) {
            if (item->isSeparator() || !item->isVisible())
                continue;
            const QChar im = mnemonic(item->text());
            EXPECT_EQ(std::count(items.begin(), items.end(), im), 0) << lang.name << ": " << item->text().toStdString();
            items.push_back(im);
        }
    }
    EXPECT_EQ(bar.size(), 4u);
    if (lang.code == 1)
        return;
    // Everything added to the window follows the language.
    EXPECT_NE(w.findChild<QMenu*>(QStringLiteral("File1"))->title(), QStringLiteral("&File")) << lang.name;
    EXPECT_NE(w.findChild<QMenu*>(QStringLiteral("Link1"))->title(), QStringLiteral("L&ink")) << lang.name;
    EXPECT_NE(w.findChild<QAction*>(QStringLiteral("TrafficView1"))->text(), QStringLiteral("&Traffic view"));
    QTabWidget* tabs = w.pageControl();
    EXPECT_NE(tabs->tabText(tabs->indexOf(w.findChild<QWidget*>(QStringLiteral("TabSheetCharts")))),
              QStringLiteral("charts"));
    ChartsGlue* charts = ChartsGlue::of(w);
    ASSERT_NE(charts, nullptr);
    for (const auto& label : charts->chart().labels())
        EXPECT_NE(label.text, QStringLiteral("ignition")) << lang.name;
    // The status area and the link counters too.
    const QString area = w.findChild<QLabel*>(QStringLiteral("LabelLinkState"))->text();
    EXPECT_FALSE(area.contains(QStringLiteral("last answer"))) << area.toStdString();
    EXPECT_FALSE(area.contains(QStringLiteral("connected"))) << area.toStdString();
    const QString counters = w.findChild<QLabel*>(QStringLiteral("LabelLinkCounters"))->text();
    EXPECT_FALSE(counters.startsWith(QStringLiteral("lost "))) << counters.toStdString();
    const QString pump = w.findChild<LedIndicator*>(QStringLiteral("AbLEDPump1"))->caption();
    EXPECT_FALSE(pump.contains(QStringLiteral("shortOff"))) << pump.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Languages, WindowFitTest,
                         ::testing::Values(Language{1, "English"}, Language{2, "Polish"}, Language{3, "Russian"},
                                           Language{4, "German"}),
                         [](const ::testing::TestParamInfo<Language>& info) { return info.param.name; });

// After a language switch every text on screen is in the new language at
// once: the tab captions, and also the texts composed from the status
// frame, even when no further frame arrives (the controller went away).
TEST(LanguageSwitchTest, EveryVisibleTextFollowsAtOnce)
{
    FitRig rig(1);
    MainWindow& w = *rig.window;
    ASSERT_TRUE(w.context().state.connected);
    auto caption = [&](const char* led) { return findControl<LedIndicator>(w, led)->caption(); };
    ASSERT_TRUE(caption("AbLEDSystemOn").startsWith(QStringLiteral("KDX ON, "))) << caption("AbLEDSystemOn").toStdString();
    ASSERT_TRUE(caption("AbLEDPump1").startsWith(QStringLiteral("Pump 1 Ton:")));

    findControl<QAction>(w, "German1")->trigger();
    EXPECT_TRUE(findControl<QAction>(w, "German1")->isChecked());
    const QTabWidget* tabs = w.pageControl();
    EXPECT_EQ(tabs->tabText(tabs->indexOf(findControl<QWidget>(w, "TabSheetPar"))), QStringLiteral("Parameter"));
    EXPECT_TRUE(caption("AbLEDSystemOn").startsWith(QStringLiteral("KDX EIN, "))) << caption("AbLEDSystemOn").toStdString();
    EXPECT_TRUE(caption("AbLEDPump1").startsWith(QStringLiteral("Pumpe 1 Ein:"))) << caption("AbLEDPump1").toStdString();
    EXPECT_TRUE(findControl<QLabel>(w, "LabelVDC")->text().startsWith(QStringLiteral("Versorgung: ")));
    EXPECT_EQ(findControl<StringGrid>(w, "StringGridViz")->cell(0, 8), QStringLiteral("007: Betriebsart: "));
}

// On a large screen the grids and the dashboard take the room; the editors
// keep their size, and the common sizes keep the design's look.
TEST(LargeWindowTest, GridsAndDashboardGrowEditorsKeepTheirSize)
{
    FitRig rig(1);
    MainWindow& w = *rig.window;
    // No status frame may hide a mode page while its editors are measured.
    w.timer1()->stop();
    QTabWidget* tabs = w.pageControl();
    const char* const grids[] = {"StringGridManualTrigMap", "StringGridViz", "StringGridPC_ID"};
    const char* const dashboard[] = {"Ab270MeterLGPres", "AbLEDPump1", "ButtonAuto", "LabelVDC", "ProgressBar1"};
    struct Seen {
        std::map<QString, QSize> sizes; // grids, dashboard controls, editors
        std::map<QString, int> columns; // each grid's widest column
        int panel = 0;
        QSize light;
        qreal pointSize = 0; // of the dashboard's figures
    };
    auto look = [&](const QSize& size) {
        w.resize(size);
        Seen seen;
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->widget(i)->objectName() == QLatin1String("TabSheetErr"))
                continue;
            tabs->setTabVisible(i, true);
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            QApplication::processEvents();
            for (QWidget* c : tabs->widget(i)->findChildren<QWidget*>()) {
                if (!c->isVisible() || c->objectName().isEmpty() || c->objectName().startsWith(QLatin1String("qt_")))
                    continue;
                if (qobject_cast<QLineEdit*>(c) || qobject_cast<QComboBox*>(c)) {
                    seen.sizes[c->objectName()] = c->size();
                    // Readable: never stretched into a long empty box.
                    EXPECT_LE(c->width(), 270) << c->objectName().toStdString() << " at " << size.width();
                }
            }
        }
        for (const char* name : grids) {
            auto* g = findControl<StringGrid>(w, name);
            seen.sizes[QString::fromLatin1(name)] = g->size();
            int widest = 0;
            for (int c = 0; c < g->columnCount(); ++c)
                widest = std::max(widest, g->columnWidth(c));
            seen.columns[QString::fromLatin1(name)] = widest;
            EXPECT_EQ(g->size(), g->fittingSize()) << name << ": no empty grey area beside the cells";
        }
        for (const char* name : dashboard)
            seen.sizes[QString::fromLatin1(name)] = findControl<QWidget>(w, name)->size();
        seen.panel = findControl<QWidget>(w, "Panel4")->width();
        seen.light = findControl<LedIndicator>(w, "AbLEDPump1")->lightSize();
        seen.pointSize = findControl<QWidget>(w, "LabelVDC")->font().pointSizeF();
        // The stale look covers every live value at any zoom, and stops
        // above the mode buttons.
        auto* panel = findControl<QWidget>(w, "Panel4");
        const QRect cover = findControl<QWidget>(w, "PanelStale")->geometry();
        for (const char* value : {"Ab270MeterLGPres", "LabelOpPers", "AbLEDFatalErr2", "AbLEDZapisDoPamieci"}) {
            auto* c = findControl<QWidget>(w, value);
            const QRect at(c->mapTo(panel, QPoint(0, 0)), c->size());
            EXPECT_TRUE(cover.contains(at)) << value << " at " << size.width();
        }
        auto* button = findControl<QWidget>(w, "ButtonAuto");
        EXPECT_LT(cover.bottom(), button->mapTo(panel, QPoint(0, 0)).y()) << size.width();
        // The mode button in bold (the controller's mode) zooms with the others.
        EXPECT_TRUE(button->font().bold());
        EXPECT_EQ(button->font().pointSizeF(), findControl<QWidget>(w, "ButtonOff")->font().pointSizeF());
        EXPECT_EQ(button->font().pointSizeF(), findControl<QWidget>(w, "LabelVDC")->font().pointSizeF());
        return seen;
    };
    const Seen design = look(QSize(1016, 669));
    PageCanvas* dashboardCanvas = PageCanvas::of(findControl<QWidget>(w, "Ab270MeterLGPres"));
    const Seen laptop = look(QSize(1366, 768));
    const double laptopZoom = dashboardCanvas->zoom();
    const Seen large = look(QSize(1920, 1080));
    EXPECT_GE(dashboardCanvas->zoom(), 1.3);
    EXPECT_LE(dashboardCanvas->zoom(), MainWindow::kPanelMaxZoom);

    // Up to a laptop's screen the dashboard is the design's.
    EXPECT_EQ(laptopZoom, 1.0);
    EXPECT_EQ(design.panel, MainWindow::kPanelWidth);
    EXPECT_EQ(laptop.panel, MainWindow::kPanelWidth);
    for (const char* name : dashboard)
        EXPECT_EQ(laptop.sizes.at(QString::fromLatin1(name)), design.sizes.at(QString::fromLatin1(name))) << name;
    EXPECT_EQ(laptop.light, design.light);
    EXPECT_EQ(design.sizes.at(QStringLiteral("Ab270MeterLGPres")), QSize(Meter270::kDesignWidth, Meter270::kDesignHeight));

    // Large: the dashboard widens and zooms, the grids take the room.
    EXPECT_GE(large.panel, MainWindow::kPanelWidth * 13 / 10);
    EXPECT_LE(large.panel, MainWindow::kPanelMaxWidth);
    for (const char* name : dashboard) {
        const QSize was = design.sizes.at(QString::fromLatin1(name)), now = large.sizes.at(QString::fromLatin1(name));
        EXPECT_GE(now.width(), was.width() * 13 / 10) << name;
        EXPECT_GT(now.height(), was.height()) << name;
    }
    EXPECT_GT(large.light.width(), design.light.width());
    EXPECT_GT(large.pointSize, design.pointSize * 1.3);
    for (const char* name : {"StringGridManualTrigMap", "StringGridViz"}) {
        const QSize was = design.sizes.at(QString::fromLatin1(name)), now = large.sizes.at(QString::fromLatin1(name));
        EXPECT_GE(now.width(), was.width() * 3 / 2) << name;
        EXPECT_GE(now.height(), was.height() * 3 / 2) << name;
    }
    EXPECT_GT(large.sizes.at(QStringLiteral("StringGridPC_ID")).width(), design.sizes.at(QStringLiteral("StringGridPC_ID")).width());
    // The connection log has editors below it: it only widens.
    EXPECT_EQ(large.sizes.at(QStringLiteral("StringGridPC_ID")).height(),
              design.sizes.at(QStringLiteral("StringGridPC_ID")).height());
    for (const auto& [name, widest] : large.columns)
        EXPECT_LE(widest, design.columns.at(name) * PageCanvas::kMaxCellGrowth) << name.toStdString();
    // Every editor as designed, at every size.
    for (const Seen* seen : {&laptop, &large})
        for (const auto& [name, size] : design.sizes)
            if (name.startsWith(QLatin1String("Edit")) || name.startsWith(QLatin1String("ComboBox"))) {
                const auto now = seen->sizes.find(name);
                ASSERT_NE(now, seen->sizes.end()) << name.toStdString();
                EXPECT_EQ(now->second, size) << name.toStdString();
            }

    // Back to the design size: the design's look again.
    const Seen back = look(QSize(1016, 669));
    for (const auto& [name, size] : design.sizes) {
        const auto now = back.sizes.find(name);
        ASSERT_NE(now, back.sizes.end()) << name.toStdString();
        EXPECT_EQ(now->second, size) << name.toStdString() << " " << now->second.width() << "x"
                                     << now->second.height() << " was " << size.width() << "x" << size.height();
    }
    EXPECT_EQ(back.panel, design.panel);
}

// The status line's reason can be read whole and copied: a click on it
// opens it in a small window, the right button copies it at once.
TEST(StatusLineDetailTest, ClickShowsTheWholeReasonAndItCopies)
{
    FitRig rig(2); // Polish: the window's words follow the language
    MainWindow& w = *rig.window;
    QStatusBar* bar = w.statusBar();
    auto* dialog = findControl<QDialog>(w, "StatusDetail");
    ASSERT_NE(dialog, nullptr);
    QApplication::clipboard()->setText(QStringLiteral("before"));

    // Nothing to show: a click opens nothing.
    bar->clearMessage();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(10, bar->height() / 2));
    EXPECT_FALSE(dialog->isVisible());

    const QString reason = QStringLiteral("/dev/ttyUSB0: the port is held by another program (ModemManager); "
                                          "stop it with: sudo systemctl stop ModemManager, then press F10");
    bar->showMessage(reason);
    // A click on the permanent link area is not a click on the reason.
    QTest::mouseClick(findControl<QWidget>(w, "LabelLinkState"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());

    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(10, bar->height() / 2));
    ASSERT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal()) << "the polling goes on while it is open";
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Komunikat stanu"));
    auto* text = findControl<QPlainTextEdit>(w, "MemoStatusDetail");
    EXPECT_EQ(text->toPlainText(), reason);
    EXPECT_TRUE(text->isReadOnly());
    auto* copy = findControl<QPushButton>(w, "ButtonCopyStatus");
    EXPECT_EQ(copy->text(), QStringLiteral("&Kopiuj"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("before"));
    QTest::mouseClick(copy, Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), reason);

    // The text is selectable from the keyboard too.
    QApplication::clipboard()->setText(QStringLiteral("before"));
    text->setFocus();
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), reason);

    QTest::mouseClick(findControl<QPushButton>(w, "ButtonCloseStatus"), Qt::LeftButton);
    EXPECT_FALSE(dialog->isVisible());

    // The right button: "copy message" at once.
    QApplication::clipboard()->setText(QStringLiteral("before"));
    auto* menu = findControl<QMenu>(w, "MenuStatusLine");
    QContextMenuEvent press(QContextMenuEvent::Mouse, QPoint(10, 5), bar->mapToGlobal(QPoint(10, 5)));
    QApplication::sendEvent(bar, &press);
    ASSERT_TRUE(menu->isVisible());
    auto* copyAction = findControl<QAction>(w, "CopyStatusMessage");
    EXPECT_TRUE(copyAction->isEnabled());
    EXPECT_EQ(copyAction->text(), QStringLiteral("&Kopiuj komunikat"));
    QTest::keyClick(menu, Qt::Key_K);
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(QApplication::clipboard()->text(), reason);

    // With no message the menu offers nothing.
    bar->clearMessage();
    QApplication::sendEvent(bar, &press);
    EXPECT_FALSE(copyAction->isEnabled());
    EXPECT_FALSE(findControl<QAction>(w, "ShowStatusMessage")->isEnabled());
    menu->close();
}

} // namespace
