#include "live/Tester.h"

#include "LiveFakes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace kdx {
namespace {

namespace fs = std::filesystem;

const std::string kSerial = "RQ412A0000001H02S4.7";
const std::string kWrongSerialMsg = "To nie jest numer seryjny do tego produktu!";

// A healthy controller on a lab supply: system on, 12.4 V, 21.5 degC, 45.5 %.
StatusFrame soundFrame()
{
    return test::frameWith({{0, 0x02}, {38, 0x14}, {39, 0x05}, {28, 215}, {26, 0xC7}, {27, 0x01}});
}

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

    std::string readFile(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // Feeds frames until the verdict; returns how many frames it took.
    int runToVerdict(const StatusFrame& f, Tester::FrameOutcome& verdict)
    {
        for (int n = 1; n <= 200; ++n) {
            verdict = tester->onFrame(f);
            if (verdict.verdict)
                return n;
        }
        return -1;
    }

    test::RecordingPrompts prompts;
    test::RecordingTone tone;
    fs::path dir;
    std::unique_ptr<Tester> tester;
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

TEST_F(TesterTest, WaitsForSystemOnThenRunsToTheVerdictOnThe101stFrame)
{
    const std::string idle = "CZAS: 0 [ms], ILOŚĆ BŁĘDÓW: 0";
    EXPECT_EQ(tester->onFrame(soundFrame()).timeLabel, idle); // no test yet
    tester->checkSerial(kSerial);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tester->onFrame(StatusFrame()).timeLabel, idle); // system off
        EXPECT_FALSE(tester->running());
    }
    EXPECT_TRUE(tester->armed());

    const auto start = tester->onFrame(soundFrame());
    EXPECT_TRUE(start.logChanged);
    EXPECT_FALSE(tester->armed());
    EXPECT_TRUE(tester->running());
    EXPECT_EQ(tester->testClock(), 50);
    EXPECT_EQ(tester->onFrame(soundFrame()).timeLabel, "CZAS: 50 [ms], ILOŚĆ BŁĘDÓW: 0");

    Tester::FrameOutcome verdict;
    EXPECT_EQ(runToVerdict(soundFrame(), verdict), 99); // frames 3..101
    EXPECT_EQ(verdict.timeLabel, "CZAS: 5000 [ms], ILOŚĆ BŁĘDÓW: 0");
    EXPECT_TRUE(*verdict.verdict);
    EXPECT_FALSE(tester->running());
    EXPECT_EQ(tester->testClock(), 0);
    EXPECT_TRUE(tone.played.empty());
    EXPECT_FALSE(tester->resultLampRed());
    const auto& log = tester->logLines();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "STEROWNIK SPRAWNY :);");
    EXPECT_EQ(log[1], "-----------------------------;");
    EXPECT_EQ(log[2], "--------Wyniki Testu----------;");
    EXPECT_EQ(log.back(), kSerial + ";");
    EXPECT_EQ(log.size(), 4u + TesterCheck::standard().size());
    for (size_t i = 3; i + 1 < log.size(); ++i)
        EXPECT_NE(log[i].find(": OK;"), std::string::npos) << log[i];

    // The sound verdict ends the test: frames do not move the clock until the
    // next serial number arms it again.
    tester->onFrame(soundFrame());
    EXPECT_EQ(tester->testClock(), 0);
}

TEST_F(TesterTest, FaultyControllerFailsWithToneRedLampAndNamedCheck)
{
    tester->checkSerial(kSerial);
    auto faulty = soundFrame();
    auto bytes = faulty.bytes();
    bytes[5] = 0x04; // pump 2 not connected
    faulty = StatusFrame(bytes);

    Tester::FrameOutcome verdict;
    EXPECT_EQ(runToVerdict(faulty, verdict), 101);
    EXPECT_FALSE(*verdict.verdict);
    EXPECT_EQ(tone.played, (std::vector<std::pair<uint32_t, uint32_t>>{{4000, 1000}}));
    EXPECT_TRUE(tester->resultLampRed());
    EXPECT_FALSE(tester->running());
    EXPECT_EQ(tester->testClock(), 0);
    const auto& log = tester->logLines();
    EXPECT_EQ(log[0], "UWAGA STEROWNIK NIE JEST SPRAWNY! BLĘDY : 1;");
    EXPECT_EQ(log[1], "-----------------------------;");
    EXPECT_EQ(log[2], "--------Wyniki Testu----------;");
    EXPECT_EQ(std::count(log.begin(), log.end(), "4500 ms: pompa 2 podłączona: BŁĄD;"), 1);

    // The next controller passes; the lamp is lime again for it.
    tester->checkSerial("RQ412A0000002H02S4.7");
    EXPECT_EQ(runToVerdict(soundFrame(), verdict), 101);
    EXPECT_TRUE(*verdict.verdict);
    EXPECT_FALSE(tester->resultLampRed());
    EXPECT_EQ(tone.played.size(), 1u);
}

TEST_F(TesterTest, ResultFileIsNamedAfterTheSerialInWindows1250WithCrLf)
{
    tester->checkSerial(kSerial);
    auto faulty = soundFrame();
    auto bytes = faulty.bytes();
    bytes[0] = 0x00; // system goes off after the start
    Tester::FrameOutcome verdict;
    tester->onFrame(soundFrame());
    ASSERT_EQ(runToVerdict(StatusFrame(bytes), verdict), 100);
    ASSERT_TRUE(verdict.savedFile);
    const fs::path expected = dir / "RQ412A0000001H02S4.7.txt";
    EXPECT_EQ(fs::path(*verdict.savedFile), expected);
    const std::string file = readFile(expected);
    // Newest entry first; Ę is 0xCA and Ł 0xA3 in the Central European code page.
    const std::string head = "UWAGA STEROWNIK NIE JEST SPRAWNY! BL\xCA" "DY : 1;\r\n"
                             "-----------------------------;\r\n"
                             "--------Wyniki Testu----------;\r\n";
    EXPECT_EQ(file.substr(0, head.size()), head);
    EXPECT_NE(file.find("200 ms: system w\xB3\xB9" "czony: B\xA3\xA5" "D;\r\n"), std::string::npos);
    EXPECT_EQ(file.substr(file.size() - kSerial.size() - 3), kSerial + ";\r\n");
    EXPECT_EQ(file.find('\n', 0), file.find("\r\n", 0) + 1);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), std::count(file.begin(), file.end(), '\r'));
}

TEST_F(TesterTest, ASerialEnteredDuringATestDoesNotRenameItsResult)
{
    tester->checkSerial(kSerial);
    for (int i = 0; i < 10; ++i)
        tester->onFrame(soundFrame());
    tester->checkSerial("RQ412/../../etc/pass"); // refused: the test runs on
    EXPECT_TRUE(tester->running());
    Tester::FrameOutcome verdict;
    EXPECT_EQ(runToVerdict(soundFrame(), verdict), 91);
    ASSERT_TRUE(verdict.savedFile);
    EXPECT_EQ(fs::path(*verdict.savedFile), dir / (kSerial + ".txt"));
    EXPECT_EQ(tester->logLines().back(), kSerial + ";");
}

TEST_F(TesterTest, FileBytesReplaceWhatTheCodePageLacks)
{
    EXPECT_EQ(Tester::fileBytes({"a€ść", "日本"}), "a\x80\x9C\xE6\r\n??\r\n");
}

} // namespace
} // namespace kdx
