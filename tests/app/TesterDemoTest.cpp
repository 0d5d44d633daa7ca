// The production tester page of the whole program, on virtual time against
// the built-in simulated controller: serial number entry, a sound controller
// passing, a faulty one failing with the red lamp and the tone.
#include "AppTestSupport.h"
#include "support/FindControl.h"
#include "live/LiveConstants.h"
#include "live/Tone.h"
#include "sim/ControllerModel.h"
#include "sim/ParameterMemory.h"
#include "sim/SimConstants.h"
#include "sim/SimulatedLine.h"
#include "app/TesterPage.h"
#include "protocol/Wire.h"
#include "params/ParameterLayout.h"
#include "widgets/LedIndicator.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace kdx;
using namespace kdx::test;

namespace {

constexpr const char* kSerial = "RQ412A0000001H02S4.7";
constexpr const char* kWrongSerial = "To nie jest numer seryjny do tego produktu!";
constexpr const char* kNoConnection = "Brak połączenia, nacisnij przycisk 'POŁĄCZ' !";

class RecordingTone : public Tone {
public:
    void play(uint32_t hz, uint32_t ms) override { played.emplace_back(hz, ms); }
    std::vector<std::pair<uint32_t, uint32_t>> played;
};

constexpr uint64_t kPowerOnMs = 1000; // TestClock starts there
constexpr int kTestStepMs = 50;      // test time per status frame

struct TesterRig {
    explicit TesterRig(AppOptions options = demoOptions(true))
        : demo(model, clock), context(demo, clock, prompts, discovery, std::move(options))
    {
        appForTests();
        QLocale::setDefault(QLocale::c());
        model.powerOn(clock.nowMs()); // fault times count from here
        window = std::make_unique<MainWindow>(context, tone, std::vector<std::string>{KDX_SOURCE_DIR});
    }
    void ticks(int n) { runTicks(clock, *window, n); }
    // Types text into EditSerial and releases Enter there, as the scanner does.
    void enterSerial(const QString& text)
    {
        auto* edit = serialEdit();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QLineEdit* serialEdit() { return findControl<QLineEdit>(*window, "EditSerial"); }
    QString memo() { return findControl<QPlainTextEdit>(*window, "Memo1")->toPlainText(); }
    QColor lampOffColour() { return findControl<LedIndicator>(*window, "AbLEDStartTestu1")->offColor(); }
    std::string resultFile() const { return scratch.path + "/" + kSerial + ".txt"; }
    QString resultLabel() { return findControl<QLabel>(*window, "LabelResultFile")->text(); }
    const Tester& tester() { return window->tester(); }
    // Simulator time (from power-up) at which test time testMs falls for a
    // test started now: the test clock runs 50 ms per 100 ms status cycle.
    // While a test runs: the simulator time (from power-up) at which the
    // frame carrying test time testMs is requested, give or take one status
    // cycle. Test time advances 50 ms per status cycle, and a cycle takes the
    // timer's 100 ms plus the line's own pauses: measured over a few frames.
    uint64_t simTimeOfTest(int testMs)
    {
        // The save after connecting (the connection log) reads its words
        // back, which takes line time: measured after it, on plain polling,
        // over a few cycles each from one frame to the next.
        while (context.session.poller().savePending())
            ticks(1);
        const auto nextFrame = [this] {
            for (const int32_t c = window->tester().testClock(); window->tester().testClock() == c;)
                ticks(1);
            return clock.nowMs();
        };
        uint64_t at = nextFrame();
        uint64_t cycleMs = UINT64_MAX;
        for (int i = 0; i < 4; ++i) {
            const uint64_t next = nextFrame();
            cycleMs = std::min(cycleMs, next - at);
            at = next;
        }
        const double perTestMs = static_cast<double>(cycleMs) / kTestStepMs;
        return clock.nowMs() - kPowerOnMs
               + static_cast<uint64_t>((testMs - window->tester().testClock()) * perTestMs);
    }
    void setFault(const std::string& fault)
    {
        sim::FaultSet faults;
        std::string error;
        ASSERT_TRUE(faults.add(fault, error)) << error;
        model.setFaults(faults);
    }
    // Connects and enters the serial number.
    void startTest()
    {
        window->AutoConnect1Click();
        ASSERT_TRUE(context.state.connected);
        enterSerial(kSerial);
        ASSERT_TRUE(window->tester().armed());
    }

    ScratchDirectory scratch{"kdx-tester"}; // the result file lands in the current directory
    TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo;
    RecordingPrompts prompts;
    NoPorts discovery;
    RecordingTone tone;
    AppContext context;
    std::unique_ptr<MainWindow> window;
};

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Enough ticks for the whole test: two ticks per status frame, 101 frames
// from the start step to the verdict, and some to spare.
constexpr int kWholeTestTicks = 2 * 101 + 20;

} // namespace

TEST(TesterDemo, SerialNumberEntry)
{
    TesterRig rig;
    // Without a connection Enter only asks for one; the text stays.
    rig.enterSerial(kSerial);
    EXPECT_EQ(rig.prompts.messages, (std::vector<std::string>{kNoConnection}));
    EXPECT_EQ(rig.serialEdit()->text(), kSerial);
    EXPECT_FALSE(rig.window->tester().armed());

    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    rig.prompts.messages.clear();

    struct Case {
        const char* text;
        bool accepted;
    } cases[] = {
        {"rq412A0000001H02S4.7", false}, // lower-case product code
        {"RQ412A0000001H02S4.", false},  // 19 characters
        {"RQ412A0000001H02/4.7", false}, // cannot be a file name
        {kSerial, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        rig.prompts.messages.clear();
        rig.enterSerial(QString::fromUtf8(c.text));
        // The field is emptied for the next scan either way; the label shows
        // what was entered.
        EXPECT_TRUE(rig.serialEdit()->text().isEmpty());
        EXPECT_EQ(findControl<QLabel>(*rig.window, "LabelSerialN")->text().toStdString(), c.text);
        EXPECT_EQ(rig.window->tester().armed(), c.accepted);
        if (c.accepted)
            EXPECT_TRUE(rig.prompts.messages.empty());
        else
            EXPECT_EQ(rig.prompts.messages, (std::vector<std::string>{kWrongSerial}));
    }
}

TEST(TesterDemo, SoundControllerPassesThroughItsServiceRunAndIsPutBack)
{
    TesterRig rig;
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    // The time label and the lamp before any test: idle is not the lime of a pass.
    rig.ticks(2);
    EXPECT_EQ(findControl<QLabel>(*rig.window, "LabelCzasTestowania1")->text().toStdString(),
              "CZAS: 0 [ms], ILOŚĆ BŁĘDÓW: 0");
    auto* lamp = findControl<LedIndicator>(*rig.window, "AbLEDStartTestu1");
    EXPECT_FALSE(lamp->isOn());
    EXPECT_NE(lamp->currentLightColor(), QColor(0, 255, 0));
    EXPECT_EQ(lamp->accessibleDescription(), QString::fromUtf8(TesterPage::kLampIdle));
    const uint8_t modeBefore = rig.model.workMode();

    rig.enterSerial(kSerial);
    rig.ticks(40); // 2 s: the service run is on, the lamp flashes blue
    EXPECT_EQ(rig.model.workMode(), wire::kModeService);
    EXPECT_TRUE(rig.model.serviceRunning());
    EXPECT_TRUE(rig.model.behaviour().pumpOn(0));
    EXPECT_TRUE(rig.model.behaviour().ionisersOn());
    EXPECT_TRUE(lamp->isOn());
    EXPECT_EQ(lamp->onColor(), QColor(0, 0, 255));
    rig.ticks(kWholeTestTicks);

    EXPECT_FALSE(rig.tester().running());
    EXPECT_EQ(rig.tester().errorCount(), 0) << rig.memo().toStdString();
    const QString memo = rig.memo();
    EXPECT_TRUE(memo.startsWith("STEROWNIK SPRAWNY :);")) << memo.toStdString();
    EXPECT_FALSE(memo.contains(QString::fromUtf8("BŁĄD"))) << memo.toStdString();
    EXPECT_TRUE(memo.contains(QString::fromUtf8("prąd pompy 1 podczas pracy: OK (1.")));
    EXPECT_TRUE(memo.contains(QString::fromUtf8("jonizator 2 włączony: OK;")));
    EXPECT_TRUE(memo.endsWith(QString(kSerial) + ";"));
    EXPECT_TRUE(rig.tone.played.empty());
    EXPECT_FALSE(lamp->isOn());
    EXPECT_EQ(lamp->offColor(), QColor(0, 255, 0));
    EXPECT_EQ(lamp->accessibleDescription(), QString::fromUtf8(TesterPage::kLampPassed));
    EXPECT_TRUE(rig.prompts.messages.empty());
    // The controller is back in its own mode, the service run off.
    EXPECT_EQ(rig.model.workMode(), modeBefore);
    EXPECT_FALSE(rig.model.serviceRunning());
    EXPECT_EQ(rig.context.session.image().raw(layout::WorkModeSetting), modeBefore);

    // The page names the file with its full path.
    EXPECT_EQ(rig.resultLabel(), QString::fromStdString("Plik wyniku: " + rig.resultFile()));
    const std::string bytes = readBytes(rig.resultFile());
    ASSERT_FALSE(bytes.empty()) << rig.resultFile();
    // Newest entry first, as in Memo1; every line ends with CR LF.
    EXPECT_EQ(bytes.rfind("STEROWNIK SPRAWNY :);\r\n-----------------------------;\r\n"
                          "--------Wyniki Testu----------;\r\n", 0), 0u);
    EXPECT_EQ(bytes.substr(bytes.size() - 23), std::string(kSerial) + ";\r\n");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), std::count(bytes.begin(), bytes.end(), '\r'));
    EXPECT_EQ(static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n')), rig.memo().count('\n') + 1);
    // "włączony" of the first check in Windows-1250: l-stroke 0xB3, a-ogonek 0xB9.
    EXPECT_NE(bytes.find("200-5000 ms: system w\xB3\xB9" "czony: OK;\r\n"), std::string::npos) << bytes;

    // A second test of the same serial number keeps the first file.
    rig.enterSerial(kSerial);
    rig.ticks(kWholeTestTicks);
    EXPECT_EQ(readBytes(rig.scratch.path + "/" + kSerial + "_1.txt"), bytes);
    EXPECT_TRUE(rig.resultLabel().contains(QString::fromStdString(rig.scratch.path + "/" + kSerial + "_1.txt")));
    EXPECT_EQ(readBytes(rig.resultFile()).rfind("STEROWNIK SPRAWNY :);\r\n", 0), 0u);
}

TEST(TesterDemo, EachSimulatedFaultFailsWithItsLineToneAndRedLamp)
{
    struct Case {
        const char* what;
        std::function<std::string(TesterRig&)> fault; // given once the test runs
        std::string line;                             // in the memo
        int fromMs = -1, toMs = -1;                   // test time the line must carry
    };
    const Case cases[] = {
        {"present error at 3 s", [](TesterRig& r) { return "errors=8@" + std::to_string(r.simTimeOfTest(3000)); },
         " ms: brak bieżących błędów: BŁĄD (ErrorAct 0x0008 (J1ErrorOut));", 3000, 3100},
        {"supply 8 V at 4 s", [](TesterRig& r) { return "supply=8@" + std::to_string(r.simTimeOfTest(4000)); },
         " ms: napięcie zasilania 9-32 V: BŁĄD (8.00 V);", 4000, 4100},
        {"pump 2 disconnected", [](TesterRig&) { return std::string("pumpopen=2"); },
         "900 ms: pompa 2 podłączona: BŁĄD (pompa 2 niepodłączona);"},
        {"pump 1 without current", [](TesterRig&) { return std::string("nocurrent=1"); },
         " ms: prąd pompy 1 podczas pracy: BŁĄD (0.00 A);", 200, 300},
        {"pump 2 never driven", [](TesterRig&) { return std::string("nodrive=2"); },
         "200-5000 ms: pompa 2: NIE PRZETESTOWANO (nie pracowała);"},
        {"stored error", [](TesterRig&) { return std::string("errors=0:32"); },
         "5000 ms: brak błędów zapisanych w pamięci: BŁĄD (ErrorMemo 0x0020 (P1ErrorOut));"},
        {"all-zero frames from 2050 ms",
         [](TesterRig& r) { return "zero=" + std::to_string(r.simTimeOfTest(2050)); },
         " ms: system włączony: BŁĄD (system wyłączony);", 2050, 2150},
        {"link lost for 2 s", [](TesterRig& r) { return "unplug=" + std::to_string(r.simTimeOfTest(1500)) + ":2000"; },
         // The pulled line is seen at once as a hang-up, or else as frames
         // that stopped; either way the test ends where it stood.
         " ms: TEST PRZERWANY: ", 1400, 1550},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TesterRig rig;
        rig.startTest();
        while (!rig.tester().running())
            rig.ticks(1);
        rig.setFault(c.fault(rig));
        rig.ticks(kWholeTestTicks + 40);

        EXPECT_FALSE(rig.tester().running());
        const std::string memo = rig.memo().toStdString();
        EXPECT_EQ(memo.rfind("UWAGA STEROWNIK NIE JEST SPRAWNY! BLĘDY : ", 0), 0u) << memo;
        const size_t at = memo.find(c.line);
        ASSERT_NE(at, std::string::npos) << memo;
        if (c.fromMs >= 0) {
            const size_t lineStart = memo.rfind('\n', at) == std::string::npos ? 0 : memo.rfind('\n', at) + 1;
            const int ms = std::stoi(memo.substr(lineStart, at - lineStart));
            EXPECT_GE(ms, c.fromMs) << memo;
            EXPECT_LE(ms, c.toMs) << memo;
        }
        EXPECT_EQ(rig.tone.played, (std::vector<std::pair<uint32_t, uint32_t>>{{4000, 1000}}));
        EXPECT_EQ(rig.lampOffColour(), QColor(255, 0, 0));
        EXPECT_EQ(readBytes(rig.resultFile()).rfind("UWAGA STEROWNIK NIE JEST SPRAWNY! BL\xCA" "DY : ", 0), 0u);
        EXPECT_TRUE(rig.prompts.messages.empty());
    }
}

TEST(TesterDemo, ANewConnectionDuringATestEndsItAndASerialMidTestIsRefused)
{
    TesterRig rig;
    rig.startTest();
    rig.ticks(20);
    ASSERT_TRUE(rig.tester().running());

    // A scan while the test runs: refused, the field keeps the number.
    rig.enterSerial("RQ412A0000002H02S4.7");
    EXPECT_EQ(rig.prompts.messages, (std::vector<std::string>{Tester::kMsgTestRunning}));
    EXPECT_EQ(rig.serialEdit()->text(), "RQ412A0000002H02S4.7");
    EXPECT_EQ(findControl<QLabel>(*rig.window, "LabelSerialN")->text().toStdString(), kSerial);
    EXPECT_TRUE(rig.tester().running());

    rig.window->AutoConnect1Click(); // F10 in the middle of the test
    ASSERT_TRUE(rig.context.state.connected);
    EXPECT_FALSE(rig.tester().running());
    EXPECT_TRUE(rig.memo().contains(QString::fromUtf8("TEST PRZERWANY: nowe wyszukiwanie sterownika")))
        << rig.memo().toStdString();
    EXPECT_EQ(rig.lampOffColour(), QColor(255, 0, 0));
    // The controller was put back before the search.
    EXPECT_FALSE(rig.model.serviceRunning());
    EXPECT_EQ(rig.model.workMode(), 0);
    // The new connection's frames start nothing by themselves.
    rig.ticks(20);
    EXPECT_FALSE(rig.tester().running());
}

TEST(TesterDemo, AnUnwritableFolderShowsTheFileAndReasonAndKeepsTheLog)
{
    TesterRig rig;
    rig.startTest();
    // The start directory disappears under the running test.
    ASSERT_EQ(std::system(("rm -rf '" + rig.scratch.path + "'").c_str()), 0);
    rig.ticks(kWholeTestTicks);

    ASSERT_EQ(rig.prompts.messages.size(), 1u);
    EXPECT_EQ(rig.prompts.messages[0], "Nie można zapisać wyniku testu do pliku " + rig.resultFile()
                                           + ": No such file or directory. Log testu pozostaje na stronie.");
    EXPECT_TRUE(rig.memo().startsWith("STEROWNIK SPRAWNY :);")) << rig.memo().toStdString();
    EXPECT_TRUE(rig.memo().endsWith(QString(kSerial) + ";"));
    EXPECT_EQ(rig.resultLabel(), QString::fromStdString("Plik wyniku NIE ZAPISANY: " + rig.resultFile()
                                                        + " (No such file or directory)"));
}
