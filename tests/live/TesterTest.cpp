#include "live/Tester.h"

#include "LiveFakes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sys/resource.h>
#include <unistd.h>

namespace kdx {
namespace {

namespace fs = std::filesystem;
using Cmd = TesterCommand;
using Kind = TesterCommand::Kind;

const std::string kSerial = "RQ412A0000001H02S4.7";
const std::string kWrongSerialMsg = "To nie jest numer seryjny do tego produktu!";
constexpr uint32_t kBoardSn = 0x0001E240;

// What a board reports; frame() encodes it as the controller does.
struct Board {
    bool systemOn = true;
    uint8_t mode = 0;           // auto
    bool serviceRun = false;
    double volts = 12.4;
    int16_t tempTenths = 215;
    uint16_t humTenths = 455;
    bool pumps[2] = {true, true};
    double amps[2] = {1.6, 1.6};
    bool ionisers[2] = {true, true};
    bool notConnected[2] = {false, false};
    uint16_t errorAct = 0;
    uint16_t errorMemo = 0;
    bool fatal1 = false;

    StatusFrame frame() const
    {
        std::array<uint8_t, StatusFrame::kSize> b{};
        auto word = [&](size_t at, uint16_t v) {
            b[at] = static_cast<uint8_t>(v & 0xFF);
            b[at + 1] = static_cast<uint8_t>(v >> 8);
        };
        b[0] = systemOn ? 0x06 : 0;
        b[1] = static_cast<uint8_t>((pumps[0] ? 0x10 : 0) | (pumps[1] ? 0x20 : 0) | (ionisers[0] ? 0x40 : 0)
                                    | (ionisers[1] ? 0x80 : 0));
        b[4] = serviceRun ? 1 : 0;
        b[5] = static_cast<uint8_t>((notConnected[0] ? 0x02 : 0) | (notConnected[1] ? 0x04 : 0));
        b[21] = fatal1 ? 0x04 : 0;
        word(26, humTenths);
        word(28, static_cast<uint16_t>(tempTenths));
        for (int p = 0; p < 2; ++p)
            word(30 + 2 * p, static_cast<uint16_t>(pumps[p] ? amps[p] / (0.00122 * 0.0005 * 2190) + 0.5 : 3));
        word(38, static_cast<uint16_t>(volts / (0.00122 * 7.8) + 0.5));
        word(72, errorAct);
        word(74, errorMemo);
        b[76] = mode;
        return StatusFrame(b);
    }
};

class TesterTest : public ::testing::Test {
protected:
    TesterTest()
    {
        dir = fs::temp_directory_path()
              / ("kdx-tester-" + std::to_string(::getpid()) + "-"
                 + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        tester = std::make_unique<Tester>(prompts, tone, dir.string());
    }
    ~TesterTest() override { fs::remove_all(dir); }

    static std::string readFile(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // One frame 100 ms after the previous one.
    Tester::Outcome feed(const Board& b, uint32_t sn = kBoardSn)
    {
        now += 100;
        return tester->onFrame(b.frame(), now, sn);
    }

    // Feeds frames until the verdict, the board as `at` makes it at each test
    // time; returns how many frames it took (the outcomes are kept).
    int runToVerdict(const std::function<Board(int32_t clock)>& at)
    {
        outcomes.clear();
        for (int n = 1; n <= 200; ++n) {
            outcomes.push_back(feed(at(tester->testClock())));
            if (outcomes.back().verdict)
                return n;
        }
        return -1;
    }
    int runToVerdict(const Board& b)
    {
        return runToVerdict([&](int32_t) { return b; });
    }

    size_t linesContaining(const std::string& text) const
    {
        const auto& log = tester->logLines();
        return static_cast<size_t>(std::count_if(log.begin(), log.end(), [&](const std::string& l) {
            return l.find(text) != std::string::npos;
        }));
    }
    std::string log() const
    {
        return tester->logText();
    }

    test::RecordingPrompts prompts;
    test::RecordingTone tone;
    fs::path dir;
    std::unique_ptr<Tester> tester;
    uint64_t now = 10000;
    std::vector<Tester::Outcome> outcomes;
};

TEST_F(TesterTest, AcceptsOnlySerialNumbersOfThisProduct)
{
    struct Case {
        std::string text;
        bool accepted;
    };
    const Case cases[] = {
        {kSerial, true},
        {"rq412A0000001H02S4.7", false},       // prefix is case-sensitive
        {"RQ412A0000001H02S4.", false},        // 19 characters
        {"RQ412A0000001H02S4.77", false},      // 21
        {"RQ413A0000001H02S4.7", false},
        {"RQ412A0000001H02/4.7", false},       // would leave the result folder
        {"RQ412A0000001H02:4.7", false},
        {"RQ412A000000\t1H02S4.", false},
        {"RQ412A0000001H02Ł4.7", true},        // 20 characters, 21 bytes
    };
    for (const auto& c : cases) {
        prompts.messages.clear();
        EXPECT_TRUE(tester->serialKeyUp(Tester::kEnterKey, c.text, true)) << c.text; // field cleared
        EXPECT_EQ(tester->armed(), c.accepted) << c.text;
        EXPECT_EQ(tester->serialLabel(), c.text);
        EXPECT_EQ(prompts.messages.empty(), c.accepted) << c.text;
        if (!c.accepted) {
            EXPECT_EQ(prompts.messages.at(0), kWrongSerialMsg);
        }
    }
}

TEST_F(TesterTest, EnterWithoutConnectionOnlyWarns)
{
    EXPECT_FALSE(tester->serialKeyUp(Tester::kEnterKey, kSerial, false));
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"Brak połączenia, nacisnij przycisk 'POŁĄCZ' !"});
    EXPECT_FALSE(tester->armed());
    EXPECT_EQ(tester->serialLabel(), "Numer Seryjny");

    EXPECT_FALSE(tester->serialKeyUp('A', kSerial, true)); // only Enter acts
    EXPECT_FALSE(tester->armed());
}

TEST_F(TesterTest, SoundBoardPassesOnThe101stFrameAndTheControllerIsPutBack)
{
    const std::string idle = "CZAS: 0 [ms], ILOŚĆ BŁĘDÓW: 0";
    Board board;
    EXPECT_EQ(feed(board).timeLabel, idle); // no test yet
    EXPECT_EQ(tester->lamp(), Tester::Lamp::Idle);
    tester->checkSerial(kSerial);
    Board off;
    off.systemOn = false;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(feed(off).timeLabel, idle); // system off: not started
        EXPECT_FALSE(tester->running());
    }
    EXPECT_TRUE(tester->armed());

    const auto start = feed(board);
    EXPECT_TRUE(start.logChanged);
    EXPECT_EQ(start.commands, (std::vector<Cmd>{{Kind::SetWorkMode, 3}, {Kind::ServiceOn, 0}}));
    EXPECT_FALSE(tester->armed());
    EXPECT_TRUE(tester->running());
    EXPECT_EQ(tester->lamp(), Tester::Lamp::Running);
    EXPECT_EQ(feed(board).timeLabel, "CZAS: 50 [ms], ILOŚĆ BŁĘDÓW: 0");

    EXPECT_EQ(runToVerdict(board), 99); // frames 3..101
    const Tester::Outcome& verdict = outcomes.back();
    EXPECT_TRUE(*verdict.verdict) << log();
    EXPECT_EQ(verdict.timeLabel, "CZAS: 5000 [ms], ILOŚĆ BŁĘDÓW: 0");
    // Back to automatic mode, the service run off.
    EXPECT_EQ(verdict.commands, (std::vector<Cmd>{{Kind::ServiceOff, 0}, {Kind::SetWorkMode, 0}}));
    EXPECT_FALSE(tester->running());
    EXPECT_EQ(tester->testClock(), 0);
    EXPECT_TRUE(tone.played.empty());
    EXPECT_EQ(tester->lamp(), Tester::Lamp::Passed);
    EXPECT_TRUE(prompts.messages.empty());

    const auto& lines = tester->logLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "STEROWNIK SPRAWNY :);");
    EXPECT_EQ(lines[1], "-----------------------------;");
    EXPECT_EQ(lines[2], "--------Wyniki Testu----------;");
    EXPECT_EQ(lines.back(), kSerial + ";");
    // Each window check, both pump currents, both ionisers, the stored errors.
    EXPECT_EQ(lines.size(), 4u + TesterCheck::standard().size() + 4 + 1) << log();
    for (size_t i = 3; i + 1 < lines.size(); ++i)
        EXPECT_NE(lines[i].find(": OK"), std::string::npos) << lines[i];
    EXPECT_EQ(linesContaining("200-5000 ms: system włączony: OK;"), 1u);
    EXPECT_EQ(linesContaining("200-5000 ms: prąd pompy 2 podczas pracy: OK (1.60-1.60 A);"), 1u);
    EXPECT_EQ(linesContaining("200-5000 ms: jonizator 1 włączony: OK;"), 1u);
    EXPECT_EQ(linesContaining("5000 ms: brak błędów zapisanych w pamięci: OK;"), 1u);

    // The sound verdict ends the test: frames do not move the clock until the
    // next serial number arms it again.
    feed(board);
    EXPECT_EQ(tester->testClock(), 0);
    EXPECT_EQ(tester->lamp(), Tester::Lamp::Passed);
}

TEST_F(TesterTest, EachSingleFaultFailsWithItsOwnLineOnce)
{
    struct Case {
        const char* what;
        std::function<void(Board&, int32_t clock)> fault;
        std::string line; // the failure line, whole
    };
    const Case cases[] = {
        {"present error from 3 s", [](Board& b, int32_t t) { if (t >= 3000) b.errorAct = 0x0008; },
         "3000 ms: brak bieżących błędów: BŁĄD (ErrorAct 0x0008 (J1ErrorOut));"},
        {"fatal flag at 1 s only", [](Board& b, int32_t t) { b.fatal1 = t == 1000; },
         "1000 ms: brak bieżących błędów: BŁĄD (fatal error1);"},
        {"supply 8 V from 4 s", [](Board& b, int32_t t) { if (t >= 4000) b.volts = 8.0; },
         "4000 ms: napięcie zasilania 9-32 V: BŁĄD (8.00 V);"},
        {"pump 2 disconnected", [](Board& b, int32_t) { b.notConnected[1] = true; },
         "900 ms: pompa 2 podłączona: BŁĄD (pompa 2 niepodłączona);"},
        {"pump 1 runs without current", [](Board& b, int32_t) { b.amps[0] = 0.0; },
         "200 ms: prąd pompy 1 podczas pracy: BŁĄD (0.00 A);"},
        {"pump 2 overload late", [](Board& b, int32_t t) { if (t >= 2500) b.amps[1] = 9.5; },
         "2500 ms: prąd pompy 2 podczas pracy: BŁĄD (9.50 A);"},
        {"pump 1 driver never switches", [](Board& b, int32_t) { b.pumps[0] = false; },
         "200-5000 ms: pompa 1: NIE PRZETESTOWANO (nie pracowała);"},
        {"ioniser 2 never on", [](Board& b, int32_t) { b.ionisers[1] = false; },
         "200-5000 ms: jonizator 2: NIE PRZETESTOWANO (nie włączył się);"},
        {"stored error", [](Board& b, int32_t) { b.errorMemo = 0x0020; },
         "5000 ms: brak błędów zapisanych w pamięci: BŁĄD (ErrorMemo 0x0020 (P1ErrorOut));"},
        {"sensor gone at 3.5 s", [](Board& b, int32_t t) { if (t >= 3500) b.tempTenths = -550; },
         "3500 ms: czujnik temperatury i wilgotności: BŁĄD (temperatura -55.0 °C, wilgotność 45.5 %);"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        tone.played.clear();
        tester->checkSerial(kSerial);
        ASSERT_EQ(runToVerdict([&](int32_t t) {
                      Board b;
                      c.fault(b, t);
                      return b;
                  }),
                  101);
        EXPECT_FALSE(*outcomes.back().verdict);
        EXPECT_EQ(linesContaining("BŁĄD") + linesContaining("NIE PRZETESTOWANO"), 1u) << log(); // logged once
        EXPECT_EQ(linesContaining(c.line), 1u) << log();
        EXPECT_EQ(tester->errorCount(), 1) << log();
        EXPECT_EQ(tester->logLines()[0], "UWAGA STEROWNIK NIE JEST SPRAWNY! BLĘDY : 1;");
        EXPECT_EQ(tone.played, (std::vector<std::pair<uint32_t, uint32_t>>{{4000, 1000}}));
        EXPECT_EQ(tester->lamp(), Tester::Lamp::Failed);
    }
}

TEST_F(TesterTest, AllZeroFramesAfterAGoodStartFail)
{
    tester->checkSerial(kSerial);
    runToVerdict([](int32_t t) {
        Board b;
        if (t >= 2050) {
            b = Board{};
            b.systemOn = false;
            b.volts = 0;
            b.tempTenths = 0;
            b.humTenths = 0;
            b.pumps[0] = b.pumps[1] = b.ionisers[0] = b.ionisers[1] = false;
        }
        return b;
    });
    ASSERT_TRUE(outcomes.back().verdict);
    EXPECT_FALSE(*outcomes.back().verdict);
    EXPECT_EQ(linesContaining("2050 ms: system włączony: BŁĄD (system wyłączony);"), 1u) << log();
    EXPECT_EQ(linesContaining("2050 ms: napięcie zasilania 9-32 V: BŁĄD (0.00 V);"), 1u);
    EXPECT_EQ(linesContaining("3000 ms: czujnik temperatury i wilgotności: BŁĄD (temperatura 0.0 °C, wilgotność 0.0 %);"),
              1u);
    EXPECT_EQ(tester->errorCount(), 3);
}

TEST_F(TesterTest, ALinkGapOfMoreThanASecondEndsTheTestAsNotSound)
{
    Board board;
    tester->checkSerial(kSerial);
    for (int i = 0; i < 30; ++i)
        feed(board);
    const uint64_t last = now;
    EXPECT_FALSE(tester->onTick(last + 1000).verdict); // exactly one second: still on
    const auto ended = tester->onTick(last + 1050);
    ASSERT_TRUE(ended.verdict);
    EXPECT_FALSE(*ended.verdict);
    EXPECT_EQ(ended.commands, (std::vector<Cmd>{{Kind::ServiceOff, 0}, {Kind::SetWorkMode, 0}}));
    EXPECT_FALSE(tester->running());
    EXPECT_EQ(tester->lamp(), Tester::Lamp::Failed);
    EXPECT_EQ(tone.played.size(), 1u);
    const auto& lines = tester->logLines();
    ASSERT_EQ(lines.size(), 5u) << log();
    EXPECT_EQ(lines[0], "UWAGA STEROWNIK NIE JEST SPRAWNY! BLĘDY : 1;");
    EXPECT_EQ(lines[3], "1500 ms: TEST PRZERWANY: brak ramek statusu przez 1050 ms (utrata łączności);");
    EXPECT_EQ(lines[4], kSerial + ";");
    ASSERT_TRUE(ended.saved);
    EXPECT_TRUE(ended.saved->ok());

    // Frames coming back later do not resume or restart it.
    now = last + 3000;
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(feed(board).logChanged);
    EXPECT_FALSE(tester->running());
    EXPECT_EQ(tester->logLines().size(), 5u);
}

TEST_F(TesterTest, AGapSeenOnlyWhenTheNextFrameComesAlsoEndsTheTest)
{
    Board board;
    tester->checkSerial(kSerial);
    for (int i = 0; i < 5; ++i)
        feed(board);
    now += 1500; // no ticks meanwhile (the window was busy)
    const auto out = feed(board);
    ASSERT_TRUE(out.verdict);
    EXPECT_EQ(linesContaining("TEST PRZERWANY: brak ramek statusu przez 1600 ms"), 1u) << log();
}

TEST_F(TesterTest, ANewConnectionSearchOrAnotherBoardEndsTheTest)
{
    Board board;
    EXPECT_FALSE(tester->onConnectionSearch().verdict); // nothing running: nothing happens
    EXPECT_TRUE(tester->logLines().empty());

    tester->checkSerial(kSerial);
    for (int i = 0; i < 10; ++i)
        feed(board);
    auto out = tester->onConnectionSearch();
    ASSERT_TRUE(out.verdict);
    EXPECT_FALSE(*out.verdict);
    EXPECT_EQ(tester->logLines()[3], "500 ms: TEST PRZERWANY: nowe wyszukiwanie sterownika (połączenie przerwane);");
    EXPECT_EQ(out.commands.size(), 2u);

    tester->checkSerial(kSerial);
    for (int i = 0; i < 10; ++i)
        feed(board);
    out = feed(board, 0x0001E241);
    ASSERT_TRUE(out.verdict);
    EXPECT_FALSE(*out.verdict);
    EXPECT_EQ(tester->logLines()[3], "500 ms: TEST PRZERWANY: inny sterownik (SN 0x0001E241 zamiast 0x0001E240);");
    EXPECT_TRUE(out.commands.empty()); // nothing is sent to a board that is not under test
    EXPECT_EQ(tone.played.size(), 2u);
}

TEST_F(TesterTest, TheModeBeforeTheTestIsRestored)
{
    struct Case {
        uint8_t mode;
        bool serviceRun;
        std::vector<Cmd> restore;
    } cases[] = {
        {2, false, {{Kind::ServiceOff, 0}, {Kind::SetWorkMode, 2}}},
        {3, true, {{Kind::ServiceOff, 0}, {Kind::SetWorkMode, 3}, {Kind::ServiceOn, 0}}},
        {3, false, {{Kind::ServiceOff, 0}, {Kind::SetWorkMode, 3}}},
        {0xFF, false, {{Kind::ServiceOff, 0}, {Kind::SetWorkMode, 0xFF}}},
        {0x80, false, {{Kind::ServiceOff, 0}, {Kind::SetWorkMode, 0xFF}}}, // error mode: left off
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        tester->checkSerial(kSerial);
        Board before;
        before.mode = c.mode;
        before.serviceRun = c.serviceRun;
        feed(before);
        Board during;
        during.mode = 3;
        during.serviceRun = true;
        ASSERT_EQ(runToVerdict(during), 100);
        EXPECT_EQ(outcomes.back().commands, c.restore);
    }
}

TEST_F(TesterTest, ASerialEnteredDuringATestIsRefusedAndChangesNothing)
{
    Board board;
    tester->checkSerial(kSerial);
    for (int i = 0; i < 10; ++i)
        feed(board);
    prompts.messages.clear();
    EXPECT_FALSE(tester->serialKeyUp(Tester::kEnterKey, "RQ412A0000002H02S4.7", true)); // field kept
    EXPECT_EQ(prompts.messages, std::vector<std::string>{Tester::kMsgTestRunning});
    EXPECT_EQ(tester->serialLabel(), kSerial);
    EXPECT_FALSE(tester->armed());
    EXPECT_TRUE(tester->running());

    ASSERT_EQ(runToVerdict(board), 91);
    ASSERT_TRUE(outcomes.back().saved);
    EXPECT_EQ(fs::path(outcomes.back().saved->path), dir / (kSerial + ".txt"));
    EXPECT_EQ(tester->logLines().back(), kSerial + ";");
    // No second test starts on the board still connected.
    for (int i = 0; i < 5; ++i)
        feed(board);
    EXPECT_FALSE(tester->running());
}

TEST_F(TesterTest, ResultFileIsNamedAfterTheSerialInWindows1250WithCrLf)
{
    tester->checkSerial(kSerial);
    Board board;
    feed(board);
    Board off;
    off.systemOn = false; // system goes off after the start
    ASSERT_EQ(runToVerdict(off), 100);
    const auto& saved = outcomes.back().saved;
    ASSERT_TRUE(saved);
    ASSERT_TRUE(saved->ok()) << saved->error;
    const fs::path expected = dir / "RQ412A0000001H02S4.7.txt";
    EXPECT_EQ(fs::path(saved->path), expected);
    EXPECT_TRUE(saved->backup.empty());
    const std::string file = readFile(expected);
    // Newest entry first; Ę is 0xCA and Ł 0xA3 in the Central European code page.
    const std::string head = "UWAGA STEROWNIK NIE JEST SPRAWNY! BL\xCA" "DY : ";
    EXPECT_EQ(file.substr(0, head.size()), head);
    EXPECT_NE(file.find("-----------------------------;\r\n--------Wyniki Testu----------;\r\n"), std::string::npos);
    EXPECT_NE(file.find("200 ms: system w\xB3\xB9" "czony: B\xA3\xA5" "D (system wy\xB3\xB9" "czony);\r\n"),
              std::string::npos);
    EXPECT_EQ(file.substr(file.size() - kSerial.size() - 3), kSerial + ";\r\n");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), std::count(file.begin(), file.end(), '\r'));
    EXPECT_EQ(static_cast<size_t>(std::count(file.begin(), file.end(), '\n')), tester->logLines().size());
}

TEST_F(TesterTest, ASecondTestOfTheSameSerialKeepsTheFirstFileAsANumberedBackup)
{
    Board board;
    Board bad = board;
    bad.errorMemo = 1;
    const std::vector<Board> runs = {board, bad, board};
    for (const Board& b : runs) {
        tester->checkSerial(kSerial);
        ASSERT_EQ(runToVerdict(b), 101);
    }
    const fs::path main = dir / (kSerial + ".txt");
    const fs::path first = dir / (kSerial + "_1.txt");
    const fs::path second = dir / (kSerial + "_2.txt");
    EXPECT_EQ(outcomes.back().saved->backup, second.string());
    EXPECT_EQ(readFile(first).rfind("STEROWNIK SPRAWNY :);\r\n", 0), 0u);
    EXPECT_EQ(readFile(second).rfind("UWAGA STEROWNIK NIE JEST SPRAWNY!", 0), 0u);
    EXPECT_EQ(readFile(main).rfind("STEROWNIK SPRAWNY :);\r\n", 0), 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3); // no temporary left
}

TEST_F(TesterTest, AResultThatCannotBeWrittenIsReportedAndTheLogStays)
{
    Board board;
    tester = std::make_unique<Tester>(prompts, tone, (dir / "gone").string());
    tester->checkSerial(kSerial);
    ASSERT_EQ(runToVerdict(board), 101);
    const auto& saved = outcomes.back().saved;
    ASSERT_TRUE(saved);
    EXPECT_FALSE(saved->ok());
    EXPECT_EQ(saved->error, "No such file or directory");
    EXPECT_TRUE(*outcomes.back().verdict); // the controller is sound all the same
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_EQ(prompts.messages[0], "Nie można zapisać wyniku testu do pliku " + (dir / "gone" / (kSerial + ".txt")).string()
                                       + ": No such file or directory. Log testu pozostaje na stronie.");
    EXPECT_EQ(tester->logLines()[0], "STEROWNIK SPRAWNY :);");
    EXPECT_EQ(tester->logLines().back(), kSerial + ";");
}

TEST(ResultFile, AFullDiskLeavesTheEarlierFileAsItWas)
{
    const fs::path dir = fs::temp_directory_path() / ("kdx-full-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    ASSERT_TRUE(saveResultFile(dir.string(), "a.txt", "first\r\n").ok());

    // A file size limit fails the write part-way, as a full disk does.
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const ResultFileSave s = saveResultFile(dir.string(), "a.txt", "second, longer\r\n");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.error, "File too large");
    EXPECT_TRUE(s.backup.empty());
    std::ifstream in(dir / "a.txt", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "first\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}

TEST_F(TesterTest, FileBytesReplaceWhatTheCodePageLacks)
{
    EXPECT_EQ(Tester::fileBytes({"a€ść", "日本"}), "a\x80\x9C\xE6\r\n??\r\n");
}

} // namespace
} // namespace kdx
