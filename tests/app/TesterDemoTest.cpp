// The production tester page of the whole program, on virtual time against
// the built-in simulated controller: serial number entry, a sound controller
// passing, a faulty one failing with the red lamp and the tone.
#include "AppTestSupport.h"
#include "app/AppController.h"
#include "live/LiveConstants.h"
#include "live/Tone.h"
#include "sim/ControllerModel.h"
#include "sim/ParameterMemory.h"
#include "sim/SimConstants.h"
#include "sim/SimulatedLine.h"
#include "widgets/LedIndicator.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTest>

#include <cstdlib>
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

// The result file lands in the current directory: each rig works in a fresh
// one of its own.
struct TesterScratch {
    TesterScratch()
    {
        char dir[] = "/tmp/kdx-testerXXXXXX";
        path = mkdtemp(dir) ? dir : "";
        if (!getcwd(previous, sizeof previous))
            previous[0] = '\0';
        if (path.empty() || chdir(path.c_str()) != 0)
            ADD_FAILURE() << "no scratch directory";
    }
    ~TesterScratch()
    {
        if (previous[0])
            (void)chdir(previous);
        if (!path.empty())
            (void)std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string path;
    char previous[4096];
};

struct TesterRig {
    explicit TesterRig(AppOptions options = testerOptions())
        : demo(model, clock), context(demo, clock, prompts, discovery, std::move(options)),
          controller(context, tone, {KDX_SOURCE_DIR})
    {
        appForTests();
        QLocale::setDefault(QLocale::c());
        window = std::make_unique<MainWindow>(context, controller.hooks());
    }
    static AppOptions testerOptions()
    {
        AppOptions o;
        o.demo = true;
        o.tester = true;
        return o;
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; ++i) {
            clock.advance(50);
            window->Timer1Timer();
        }
    }
    // Types text into EditSerial and releases Enter there, as the scanner does.
    void enterSerial(const QString& text)
    {
        auto* edit = serialEdit();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QLineEdit* serialEdit() { return window->control<QLineEdit>("EditSerial"); }
    QString memo() { return window->control<QPlainTextEdit>("Memo1")->toPlainText(); }
    QColor lampOffColour() { return window->control<LedIndicator>("AbLEDStartTestu1")->offColor(); }
    std::string resultFile() const { return scratch.path + "/" + kSerial + ".txt"; }

    TesterScratch scratch;
    TestClock clock;
    sim::ControllerModel model;
    sim::SimulatedLine demo;
    RecordingPrompts prompts;
    NoPorts discovery;
    RecordingTone tone;
    AppContext context;
    AppController controller;
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
    EXPECT_FALSE(rig.controller.tester().armed());

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
        EXPECT_EQ(rig.window->control<QLabel>("LabelSerialN")->text().toStdString(), c.text);
        EXPECT_EQ(rig.controller.tester().armed(), c.accepted);
        if (c.accepted)
            EXPECT_TRUE(rig.prompts.messages.empty());
        else
            EXPECT_EQ(rig.prompts.messages, (std::vector<std::string>{kWrongSerial}));
    }
}

TEST(TesterDemo, SoundControllerPassesAndTheResultFileIsWritten)
{
    TesterRig rig;
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    // The time label before any test.
    rig.ticks(2);
    EXPECT_EQ(rig.window->control<QLabel>("LabelCzasTestowania1")->text().toStdString(),
              "CZAS: 0 [ms], ILOŚĆ BŁĘDÓW: 0");

    rig.enterSerial(kSerial);
    ASSERT_TRUE(rig.controller.tester().armed());
    rig.ticks(kWholeTestTicks);

    EXPECT_FALSE(rig.controller.tester().running());
    EXPECT_EQ(rig.controller.tester().errorCount(), 0) << rig.memo().toStdString();
    const QString memo = rig.memo();
    EXPECT_TRUE(memo.startsWith("STEROWNIK SPRAWNY :);")) << memo.toStdString();
    EXPECT_FALSE(memo.contains(QString::fromUtf8("BŁĄD"))) << memo.toStdString();
    EXPECT_TRUE(memo.endsWith(QString(kSerial) + ";"));
    EXPECT_TRUE(rig.tone.played.empty());
    EXPECT_EQ(rig.lampOffColour(), QColor(0, 255, 0));
    EXPECT_TRUE(rig.prompts.messages.empty());

    const std::string bytes = readBytes(rig.resultFile());
    ASSERT_FALSE(bytes.empty()) << rig.resultFile();
    // Newest entry first, as in Memo1; every line ends with CR LF.
    EXPECT_EQ(bytes.rfind("STEROWNIK SPRAWNY :);\r\n", 0), 0u);
    EXPECT_EQ(bytes.substr(bytes.size() - 23), std::string(kSerial) + ";\r\n");
    size_t lf = 0, crlf = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++lf;
            if (i > 0 && bytes[i - 1] == '\r')
                ++crlf;
        }
    }
    EXPECT_EQ(lf, crlf);
    EXPECT_EQ(static_cast<int>(lf), rig.memo().count('\n') + 1);
    // "włączony" of the first check in Windows-1250: l-stroke 0xB3, a-ogonek 0xB9.
    EXPECT_NE(bytes.find("200 ms: system w\xB3\xB9" "czony: OK;\r\n"), std::string::npos) << bytes;
}

TEST(TesterDemo, ControllerWithADisconnectedPumpFailsWithTheRedLampAndOneTone)
{
    TesterRig rig;
    rig.model.setStatusHook([](sim::SimStatus& s) { s.auxFlags |= sim::kAuxPump2NotConnected; });
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    rig.enterSerial(kSerial);
    rig.ticks(kWholeTestTicks);

    EXPECT_FALSE(rig.controller.tester().running());
    EXPECT_EQ(rig.controller.tester().errorCount(), 1);
    const QString memo = rig.memo();
    EXPECT_TRUE(memo.startsWith(QString::fromUtf8("UWAGA STEROWNIK NIE JEST SPRAWNY! BLĘDY : 1;")))
        << memo.toStdString();
    EXPECT_TRUE(memo.contains(QString::fromUtf8("4500 ms: pompa 2 podłączona: BŁĄD;")));
    EXPECT_TRUE(memo.contains(QString::fromUtf8("4500 ms: pompa 1 podłączona: OK;")));
    EXPECT_EQ(rig.lampOffColour(), QColor(255, 0, 0));
    ASSERT_EQ(rig.tone.played.size(), 1u);
    EXPECT_EQ(rig.tone.played[0], std::make_pair(uint32_t{4000}, uint32_t{1000}));
    const std::string bytes = readBytes(rig.resultFile());
    EXPECT_EQ(bytes.rfind("UWAGA STEROWNIK NIE JEST SPRAWNY! BL\xCA" "DY : 1;\r\n", 0), 0u);

    // The next serial number starts a new test: the lamp turns back, no further tone.
    rig.model.setStatusHook({});
    rig.enterSerial(kSerial);
    rig.ticks(4);
    EXPECT_TRUE(rig.controller.tester().running());
    EXPECT_EQ(rig.lampOffColour(), QColor(0, 255, 0));
    rig.ticks(kWholeTestTicks);
    EXPECT_EQ(rig.controller.tester().errorCount(), 0);
    EXPECT_EQ(rig.tone.played.size(), 1u);
}

TEST(TesterDemo, SoundControllerWithBothPumpsRunningPasses)
{
    TesterRig rig;
    rig.window->AutoConnect1Click();
    ASSERT_TRUE(rig.context.state.connected);
    // The service run with no off time keeps both pumps on through the test.
    rig.model.memory().setWordAt(sim::ParameterMemory::kSerwisToff, 0);
    rig.window->ButtonSerwisClick();
    rig.window->ButtonSerwisStartClick();
    rig.enterSerial(kSerial);
    rig.ticks(kWholeTestTicks);

    EXPECT_TRUE(rig.model.behaviour().pumpOn(0));
    EXPECT_TRUE(rig.model.behaviour().pumpOn(1));
    EXPECT_EQ(rig.controller.tester().errorCount(), 0) << rig.memo().toStdString();
    EXPECT_TRUE(rig.memo().startsWith("STEROWNIK SPRAWNY :);"));
    EXPECT_TRUE(rig.tone.played.empty());
}

TEST(TesterDemo, EachFaultFailsItsOwnCheck)
{
    struct Case {
        const char* failedLine;
        sim::ControllerModel::StatusHook fault;
    } cases[] = {
        {"900 ms: brak bieżących błędów: BŁĄD;", [](sim::SimStatus& s) { s.errorAct = 0x0008; }},
        {"1700 ms: napięcie zasilania 9-32 V: BŁĄD;",
         [](sim::SimStatus& s) { s.supplyVoltage = 841; }}, // 8.0 V
        {"4500 ms: pompa 1 podłączona: BŁĄD;",
         [](sim::SimStatus& s) { s.auxFlags |= sim::kAuxPump1NotConnected; }},
        {"4500 ms: prąd pompy 1: BŁĄD;", // running, but no current flows
         [](sim::SimStatus& s) {
             s.flag |= sim::kFlagPump1Running;
             s.current1 = 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failedLine);
        TesterRig rig;
        rig.model.setStatusHook(c.fault);
        rig.window->AutoConnect1Click();
        ASSERT_TRUE(rig.context.state.connected);
        rig.enterSerial(kSerial);
        rig.ticks(kWholeTestTicks);
        EXPECT_EQ(rig.controller.tester().errorCount(), 1) << rig.memo().toStdString();
        EXPECT_TRUE(rig.memo().contains(QString::fromUtf8(c.failedLine))) << rig.memo().toStdString();
        EXPECT_EQ(rig.tone.played.size(), 1u);
    }
}
