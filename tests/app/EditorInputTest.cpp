// What a technician types reaches the controller exactly once, or is
// refused visibly: the editors driven with the events a person makes (mouse
// clicks, key presses and releases, the wheel) in the shown window, against
// the built-in simulated controller on virtual time.
#include "AppTestSupport.h"
#include "support/FindControl.h"
#include "app/ParameterEditorsGlue.h"
#include "live/Tone.h"
#include "params/ParameterLayout.h"
#include "sim/ControllerModel.h"
#include "sim/SimulatedLine.h"
#include "widgets/LedIndicator.h"
#include "widgets/StringGrid.h"
#include "widgets/UnsentTextMark.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <cstdlib>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace kdx;
using namespace kdx::test;

namespace {

// One register write as the controller received it.
struct Write {
    unsigned word;
    uint16_t value;
    bool operator==(const Write& o) const { return word == o.word && value == o.value; }
};

std::ostream& operator<<(std::ostream& out, const Write& w) { return out << "W" << w.word << "=" << w.value; }

struct EditorRig {
    explicit EditorRig(const QLocale& locale = QLocale::c())
        : demo(model, clock), context(demo, clock, prompts, discovery, demoOptions())
    {
        appForTests();
        QLocale::setDefault(locale);
        model.setTraceSink([this](const sim::ControllerModel::TraceEvent& e) {
            if (e.direction != sim::ControllerModel::TraceEvent::Direction::Received || e.bytes.size() != 6)
                return;
            if (e.bytes[0] == 0xD1)
                writes.push_back({e.bytes[1], static_cast<uint16_t>(e.bytes[2] << 8 | e.bytes[3])});
            else if (e.bytes[0] != 0xAA)
                others.push_back(e.bytes[0]);
        });
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
        window->AutoConnect1Click();
        EXPECT_TRUE(context.state.parametersLoaded);
        ticks(60); // the connection log's save has gone out
        window->timer1()->stop(); // this test drives the ticks itself
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        writes.clear();
        others.clear();
    }
    ~EditorRig() { QLocale::setDefault(QLocale::c()); }
    void ticks(int n) { runTicks(clock, *window, n); }
    template <typename T>
    T* control(const char* name) { return findControl<T>(*window, name); }
    void showPageOf(QWidget* w)
    {
        QWidget* page = w;
        while (page && window->pageControl()->indexOf(page) < 0)
            page = page->parentWidget();
        window->showPage(page);
        w->setVisible(true); // the automatic grids are hidden by design; shown here to be typed into
        QApplication::processEvents();
    }

    ScratchDirectory scratch{"kdx-edit"};
    TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo;
    RecordingPrompts prompts;
    NoPorts discovery;
    QuietTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
    std::vector<Write> writes;
    std::vector<uint8_t> others;
};

QWidget* focused() { return QApplication::focusWidget(); }

void typeText(const QString& text)
{
    for (QChar c : text)
        QTest::keyClick(focused(), c.toLatin1());
}

// Enter as a person presses it: the press and the release each go where the
// focus is at that moment; `settle` lets the event loop run in between.
void pressEnter(bool settle)
{
    QTest::keyPress(focused(), Qt::Key_Return);
    if (settle)
        QApplication::processEvents();
    QTest::keyRelease(focused(), Qt::Key_Return);
    QApplication::processEvents();
}

void clickCell(StringGrid* grid, int column, int row)
{
    const QRect r = grid->visualRect(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QApplication::processEvents();
}

struct GridCase {
    const char* grid;
    int column;
    int row;
    unsigned word;
};

// Every data cell of the three maps.
std::vector<GridCase> allCells()
{
    std::vector<GridCase> cells;
    for (int r = 1; r <= 24; ++r)
        for (int c = 1; c <= 4; ++c)
            cells.push_back({"StringGridManualTrigMap", c, r, static_cast<unsigned>(64 + 24 * (c - 1) + r)});
    for (int r = 1; r <= 5; ++r)
        cells.push_back({"StringGridAutoPumpOn", 1, r, static_cast<unsigned>(165 + r)});
    for (int c = 1; c <= 3; ++c)
        for (int r = 1; r <= 3; ++r)
            cells.push_back({"StringGridAutoPumpStop", c, r, static_cast<unsigned>(173 + 3 * c + r)});
    return cells;
}

} // namespace

TEST(EditorInput, EveryCellTypedInPlaceAndEnteredGivesExactlyOneWriteOfItsValue)
{
    EditorRig rig;
    int n = 0;
    for (const GridCase& c : allCells()) {
        auto* grid = rig.control<StringGrid>(c.grid);
        ASSERT_NE(grid, nullptr);
        rig.showPageOf(grid);
        for (bool settle : {false, true}) {
            SCOPED_TRACE(std::string(c.grid) + " " + std::to_string(c.column) + "," + std::to_string(c.row)
                         + (settle ? " settled" : " quick"));
            const int tenths = 11 + (n++ % 500); // 1.1 s and up: no clamping
            const QString typed = QString::number(tenths / 10) + "." + QString::number(tenths % 10);
            rig.writes.clear();
            clickCell(grid, c.column, c.row);
            auto* editor = qobject_cast<QLineEdit*>(focused());
            ASSERT_NE(editor, nullptr);
            EXPECT_EQ(editor->selectedText(), editor->text()); // typing replaces the value
            typeText(typed);
            pressEnter(settle);
            QTest::qWait(0);
            EXPECT_EQ(rig.writes, (std::vector<Write>{{c.word, static_cast<uint16_t>(tenths)}}));
            EXPECT_EQ(rig.model.memory().wordAt(2 * c.word), tenths);
            EXPECT_EQ(grid->cell(c.column, c.row), typed);
            EXPECT_FALSE(grid->isCellUnsent(c.column, c.row));
        }
    }
    EXPECT_TRUE(rig.prompts.messages.empty());
    EXPECT_TRUE(rig.others.empty());
}

TEST(EditorInput, ACellLeftWithoutEnterStaysMarkedUnsentUntilEscape)
{
    EditorRig rig;
    auto* grid = rig.control<StringGrid>("StringGridManualTrigMap");
    rig.showPageOf(grid);
    const QString shown = grid->cell(2, 5);
    clickCell(grid, 2, 5);
    typeText("12.3");
    clickCell(grid, 1, 9); // leaves the cell: Qt keeps the typed text in it
    EXPECT_EQ(grid->cell(2, 5), QStringLiteral("12.3"));
    EXPECT_TRUE(grid->isCellUnsent(2, 5));
    EXPECT_TRUE(rig.writes.empty());
    // Painted tinted, as a person sees it.
    const QImage image = grid->viewport()->grab().toImage();
    const QRect cell = grid->visualRect(grid->model()->index(5, 2));
    EXPECT_EQ(image.pixelColor(cell.center() + QPoint(cell.width() / 2 - 4, 0)), UnsentTextMark::tint());
    // Escape on the cell puts the shown value back.
    QTest::keyClick(focused(), Qt::Key_Escape); // closes the editor of the second click
    grid->setCurrentCell(5, 2);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(grid->cell(2, 5), shown);
    EXPECT_FALSE(grid->isCellUnsent(2, 5));
    EXPECT_TRUE(rig.writes.empty());
}

TEST(EditorInput, TheClickedCellIsMarkedGreen)
{
    EditorRig rig;
    auto* grid = rig.control<StringGrid>("StringGridManualTrigMap");
    rig.showPageOf(grid);
    clickCell(grid, 3, 4);
    auto* editor = qobject_cast<QLineEdit*>(focused());
    ASSERT_NE(editor, nullptr);
    QApplication::processEvents();
    const QImage shot = editor->grab().toImage();
    EXPECT_EQ(shot.pixelColor(0, shot.height() / 2), QColor(0, 128, 0)); // the editor's green frame
    QTest::keyClick(editor, Qt::Key_Escape);
    // Without an editor on it, the cell itself is green until the maps repaint.
    QApplication::processEvents();
    const QRect cell = grid->visualRect(grid->model()->index(4, 3));
    const QImage cells = grid->viewport()->grab().toImage();
    EXPECT_EQ(cells.pixelColor(cell.topLeft() + QPoint(3, cell.height() - 3)), QColor(0, 128, 0));
}

TEST(EditorInput, AWheelOverAnUnfocusedComboBoxSendsNothing)
{
    EditorRig rig;
    auto* fuel = rig.control<QComboBox>("ComboBoxFuelType");
    rig.showPageOf(fuel);
    rig.control<QLineEdit>("EditGeneralDelay")->setFocus();
    const int before = fuel->currentIndex();
    for (int notch : {-120, -120, 120}) {
        const QPointF at(fuel->width() / 2.0, fuel->height() / 2.0);
        QWheelEvent wheel(at, fuel->mapToGlobal(at), QPoint(), QPoint(0, notch), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(fuel, &wheel);
    }
    QApplication::processEvents();
    EXPECT_EQ(fuel->currentIndex(), before);
    EXPECT_TRUE(rig.writes.empty());
    EXPECT_TRUE(rig.others.empty());
}

TEST(EditorInput, TextsTheFieldCannotHoldAreRefusedAndStayMarked)
{
    EditorRig rig;
    const struct {
        const char* control;
        const char* text;
        const char* message;
    } cases[] = {
        {"EditGeneralDelay", "-5", "'-5' is not a valid integer value"},
        {"EditRpmDziel", "70000", "'70000' is not a valid integer value"},
        {"EditMinLevH", "-0.5", "'-0.5' is not a valid floating point value"},
        {"EditMinLevL", "80", "'80' is not a valid floating point value"},
        {"EditAuto2xShortOff", "65536", "'65536' is not a valid integer value"},
        {"EditMaxHum", "6553.6", "'6553.6' is not a valid floating point value"},
        {"EditAutoMinTemp", "-3276.9", "'-3276.9' is not a valid floating point value"},
        {"EditAutoRpmUpT", "30", "'30' is not a valid floating point value"},
        {"EditManualMconstOnP1", "6553.6", "'6553.6' is not a valid floating point value"},
        {"EditManualMconstOffP1", "-1", "'-1' is not a valid floating point value"},
        {"EditManualMconstOnP2", "1e9", "'1e9' is not a valid floating point value"},
        {"EditManualMconstOffP2", "abc", "'abc' is not a valid floating point value"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control);
        auto* edit = rig.control<QLineEdit>(c.control);
        rig.showPageOf(edit);
        edit->setFocus();
        edit->selectAll();
        typeText(c.text);
        rig.prompts.messages.clear();
        pressEnter(false);
        EXPECT_EQ(rig.prompts.messages, (std::vector<std::string>{c.message}));
        EXPECT_TRUE(UnsentTextMark::isUnsent(edit));
        EXPECT_EQ(edit->palette().color(QPalette::Base), UnsentTextMark::tint());
        QTest::keyClick(edit, Qt::Key_Escape);
        EXPECT_FALSE(UnsentTextMark::isUnsent(edit));
    }
    auto* grid = rig.control<StringGrid>("StringGridManualTrigMap");
    rig.showPageOf(grid);
    for (const char* text : {"3276.8", "-3276.9"}) {
        rig.prompts.messages.clear();
        clickCell(grid, 1, 2);
        typeText(text);
        pressEnter(false);
        EXPECT_EQ(rig.prompts.messages,
                  (std::vector<std::string>{"'" + std::string(text) + "' is not a valid floating point value"}));
        EXPECT_TRUE(grid->isCellUnsent(1, 2));
    }
    EXPECT_TRUE(rig.writes.empty());
    EXPECT_TRUE(rig.others.empty());
}

// Shows a stored value, then presses Enter on the unchanged text: the same
// value goes back, for every editor, at the ends of its range and in between.
class ShowThenEnter : public ::testing::TestWithParam<const char*> {};

TEST_P(ShowThenEnter, SendsTheValueTheControllerHolds)
{
    EditorRig rig{QLocale(QString::fromLatin1(GetParam()))};
    const char sep = ParameterEditorsGlue::decimalSeparator();
    EXPECT_EQ(sep, std::string(GetParam()) == "de_DE" ? ',' : '.');
    struct Target {
        const char* control;
        int column; // grid cell, 0: edit box
        int row;
        const Field& field;
        size_t entry;
    };
    const Target targets[] = {
        {"EditMinLevH", 0, 0, layout::MinLevH, 0},
        {"EditMinLevL", 0, 0, layout::MinLevL, 0},
        {"EditGeneralDelay", 0, 0, layout::GeneralDelay, 0},
        {"EditRpmDziel", 0, 0, layout::RpmDziel, 0},
        {"EditMaxHum", 0, 0, layout::MaxHum, 0},
        {"EditAutoMinTemp", 0, 0, layout::AutoMinTemp, 0},
        {"EditAutoRpmUpT", 0, 0, layout::AutoRpmUpT, 0},
        {"EditAuto2xShortOff", 0, 0, layout::Auto2xShortOff, 0},
        {"EditManualMconstOnP1", 0, 0, layout::ManualMconstOnP1, 0},
        {"EditManualMconstOffP2", 0, 0, layout::ManualMconstOffP2, 0},
        {"StringGridManualTrigMap", 1, 3, layout::ManualTrigP1Ton, 2},
        {"StringGridManualTrigMap", 2, 3, layout::ManualTrigP1Toff, 2},
        {"StringGridAutoPumpOn", 1, 2, layout::AutoPumpOnTime, 1},
        {"StringGridAutoPumpStop", 2, 3, layout::AutoPumpStopMap, 5},
    };
    std::mt19937 random(12345);
    for (const Target& t : targets) {
        QWidget* widget = rig.control<QWidget>(t.control);
        rig.showPageOf(widget);
        std::vector<int64_t> values = {t.field.minValue(), t.field.maxValue(), 1, 5, 410, 1234, 12345, 32760};
        for (int i = 0; i < 24; ++i)
            values.push_back(std::uniform_int_distribution<int64_t>(t.field.minValue(), t.field.maxValue())(random));
        int mismatches = 0;
        for (int64_t v : values) {
            if (!t.field.holds(v) || (t.field.offset == layout::GeneralDelay.offset && v == 0))
                continue; // general delay 0 is raised to one, as designed
            rig.context.session.image().set(t.field, v, t.entry);
            rig.window->ButtonWyswParClick(); // show
            rig.writes.clear();
            if (t.column == 0) {
                static_cast<QLineEdit*>(widget)->setFocus();
            } else {
                clickCell(static_cast<StringGrid*>(widget), t.column, t.row);
            }
            pressEnter(false);
            const uint16_t word = static_cast<uint16_t>(t.field.offsetOf(t.entry) / 2);
            const bool byteField = t.field.bits == 8;
            const size_t expectedFrames = 1;
            const size_t got = byteField ? rig.others.size() : rig.writes.size();
            rig.others.clear();
            if (got != expectedFrames || rig.context.session.image().value(t.field, t.entry) != v
                || (!byteField && rig.writes[0].word != word)
                || (!byteField && rig.writes[0].value != static_cast<uint16_t>(v & 0xFFFF))
                || !rig.prompts.messages.empty()) {
                ++mismatches;
                ADD_FAILURE() << t.control << " value " << v << " frames " << got
                              << (rig.prompts.messages.empty() ? "" : " " + rig.prompts.messages.back());
                rig.prompts.messages.clear();
            }
        }
        EXPECT_EQ(mismatches, 0) << t.control;
    }
    // The byte field's frames carry its value too.
    EXPECT_EQ(rig.model.memory().byteAt(layout::AutoRpmUpT.offset), rig.context.session.image().raw(layout::AutoRpmUpT));
}

INSTANTIATE_TEST_SUITE_P(Locales, ShowThenEnter, ::testing::Values("C", "de_DE"));

TEST(EditorInput, AnEditFollowedAtOnceByALanguageSwitchStillReachesTheEeprom)
{
    EditorRig rig;
    std::ofstream(rig.scratch.path + "/lan.txt", std::ios::binary) << '\x01';
    auto* edit = rig.control<QLineEdit>("EditGeneralDelay");
    edit->setFocus();
    edit->selectAll();
    typeText("42");
    pressEnter(false);
    ASSERT_EQ(rig.model.memory().byteAt(374), 42);
    rig.window->German1Click(); // before the next send tick
    EXPECT_EQ(rig.control<LedIndicator>("AbLEDZapisDoPamieci")->caption(), "Sende Daten !!");
    rig.ticks(50);
    EXPECT_EQ(rig.model.eeprom().byteAt(374), 42);
    EXPECT_EQ(rig.control<LedIndicator>("AbLEDZapisDoPamieci")->caption(), "Gespeichert.");
}

TEST(EditorInput, TheSaveLampFollowsChangeSaveAndLinkLoss)
{
    EditorRig rig;
    auto* lamp = rig.control<LedIndicator>("AbLEDZapisDoPamieci");
    auto* edit = rig.control<QLineEdit>("EditGeneralDelay");
    std::vector<std::string> seen;
    auto note = [&] {
        const std::string now = std::string(lamp->isOn() ? "on " : "off ") + lamp->caption().toStdString();
        if (seen.empty() || seen.back() != now)
            seen.push_back(now);
    };
    note();
    auto typeDelay = [&](const char* text) {
        edit->setFocus();
        edit->selectAll();
        typeText(text);
        pressEnter(false);
    };
    typeDelay("42");
    for (int i = 0; i < 50; ++i) {
        rig.ticks(1);
        note();
    }
    ASSERT_EQ(rig.model.eeprom().byteAt(374), 42);
    typeDelay("43");
    rig.ticks(2);
    note();
    rig.model.setUnplugged(true); // the line is pulled while the save waits
    for (int i = 0; i < 80; ++i) {
        rig.ticks(1);
        note();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"off Data saved.", "on Sending data !!", "off Data saved.",
                                              "on Sending data !!"}))
        << "the first entry is whatever the last save of the connection left";
    EXPECT_NE(rig.model.eeprom().byteAt(374), 43);
}

// A message box whose OK the technician presses with Enter: the press closes
// the box, the release lands back in the edit box.
class EnterOnOkPrompts : public RecordingPrompts {
public:
    int boxes = 0;
    void message(const std::string& text) override
    {
        RecordingPrompts::message(text);
        if (++boxes > 3)
            return; // a loop would otherwise never end
        QMessageBox box(QMessageBox::Information, QStringLiteral("KDX"), QString::fromStdString(text),
                        QMessageBox::Ok);
        QTimer::singleShot(0, &box, [&box] {
            QWidget* ok = box.button(QMessageBox::Ok);
            ok->setFocus();
            QTest::keyPress(ok, Qt::Key_Return);
        });
        box.exec();
    }
};

TEST(EditorInput, EnterOnTheErrorBoxOkDoesNotCommitAgain)
{
    ScratchDirectory scratch{"kdx-edit"};
    TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo(model, clock);
    EnterOnOkPrompts prompts;
    NoPorts discovery;
    QuietTone tone;
    AppContext context(demo, clock, prompts, discovery, demoOptions());
    appForTests();
    MainWindow window(context, tone, {KDX_SOURCE_DIR});
    window.AutoConnect1Click();
    window.timer1()->stop();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    for (const char* name : {"EditMinLevH", "EditSerial"}) {
        SCOPED_TRACE(name);
        auto* edit = findControl<QLineEdit>(window, name);
        if (std::string(name) == "EditSerial")
            window.showPage(window.findChild<QWidget*>(QStringLiteral("TabSheetTester")));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "abc");
        prompts.boxes = 0;
        QTest::keyPress(edit, Qt::Key_Return);
        QTest::keyRelease(edit, Qt::Key_Return); // the box opens, Enter on OK closes it
        QApplication::processEvents();
        ASSERT_EQ(prompts.boxes, 1);
        QTest::keyRelease(edit, Qt::Key_Return); // that Enter's release, back in the edit box
        QApplication::processEvents();
        EXPECT_EQ(prompts.boxes, 1);
    }
}
