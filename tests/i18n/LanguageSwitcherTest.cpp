#include "i18n/LanguageSwitcher.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

using namespace kdx;

namespace {

class RecordingTargets : public LanguageTargets {
public:
    // By language key.
    void setCaption(int key, const std::string& text) override { captions[std::to_string(key)] = text; }
    void setGridCell(int key, int column, int row, const std::string& text) override
    {
        cells[std::to_string(key) + ":" + std::to_string(column) + ":" + std::to_string(row)] = text;
    }
    void setComboItem(int key, int index, const std::string& text) override
    {
        items[std::to_string(key) + ":" + std::to_string(index)] = text;
    }
    void setTextFont(const std::string& family, int charset) override
    {
        fonts.push_back(family + "/" + std::to_string(charset));
    }
    void message(const std::string& text) override { messages.push_back(text); }

    std::map<std::string, std::string> captions, cells, items;
    std::vector<std::string> fonts, messages;
};

class LanguageSwitcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(m_oldCwd, sizeof m_oldCwd), nullptr);
        char dir[] = "/tmp/kdx-langXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        root = dir;
        start = root + "/start";
        mkdir(start.c_str(), 0755);
        mkdir((start + "/lang").c_str(), 0755);
        ASSERT_EQ(chdir(start.c_str()), 0);
    }
    void TearDown() override
    {
        (void)chdir(m_oldCwd);
        (void)std::system(("rm -rf " + root).c_str());
    }
    void write(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string cwd()
    {
        char buf[4096];
        return getcwd(buf, sizeof buf) ? buf : "";
    }

    std::string root, start;
    LanguageTexts texts;
    RecordingTargets targets;
    LinkCounts counts{3, 2, 1};
    char m_oldCwd[4096]{};
};

} // namespace

TEST_F(LanguageSwitcherTest, MissingChoiceFileLoadsEnglishAndRefreshesCounters)
{
    write(start + "/lang/ang.txt", "# english\n100006 Update\n");
    LanguageSwitcher sw(texts, targets, start);
    sw.loadLanguage(counts);
    EXPECT_EQ(targets.fonts, (std::vector<std::string>{"Arial/1"}));
    EXPECT_EQ(targets.captions.at("100006"), "Update");
    EXPECT_EQ(targets.captions.at("100120"), "Pakiet Blad CRC: 3");
    EXPECT_EQ(targets.captions.at("100121"), "Pakiet blad: 2");
    EXPECT_EQ(targets.captions.at("100122"), "Pakiet utracony: 1");
    EXPECT_EQ(targets.captions.size(), 4u); // nothing else changed
    EXPECT_TRUE(targets.messages.empty());
}

TEST_F(LanguageSwitcherTest, ChoiceByteSelectsFileAndCharset)
{
    write(start + "/lang/rus.txt", "100001 \xEF\xE0\xF0\n");
    write(start + "/lang/pol.txt", "100001 x\n");
    struct Case {
        std::string choice;
        std::vector<std::string> fonts;
        const char* tab; // caption of TabSheetPar afterwards, or nullptr
    };
    const std::vector<Case> cases = {
        {"\x03", {"Arial/204"}, "\xD0\xBF\xD0\xB0\xD1\x80"},
        {"2", {}, nullptr}, // the digit character is not a code
        {"", {}, nullptr},  // empty file: no valid code
        {std::string(1, '\0'), {}, nullptr},
        {"\x02rest", {"Arial/1"}, "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.choice));
        write(start + "/lan.txt", c.choice);
        RecordingTargets t;
        LanguageSwitcher sw(texts, t, start);
        sw.loadLanguage(counts);
        EXPECT_EQ(t.fonts, c.fonts);
        if (c.tab)
            EXPECT_EQ(t.captions.at("100001"), c.tab);
        else
            EXPECT_EQ(t.captions.count("100001"), 0u);
        EXPECT_EQ(t.captions.count("100120"), 1u);
    }
}

TEST_F(LanguageSwitcherTest, MissingLanguageFileReportsAndKeepsTexts)
{
    write(start + "/lan.txt", "\x04");
    LanguageSwitcher sw(texts, targets, start);
    sw.loadLanguage(counts);
    EXPECT_EQ(targets.messages, (std::vector<std::string>{"Lang ERROR"}));
    EXPECT_EQ(targets.fonts, (std::vector<std::string>{"Arial/1"}));
    EXPECT_EQ(texts.text(100235), "KDX ON");
}

TEST_F(LanguageSwitcherTest, EveryKindOfTarget)
{
    write(start + "/lang/ang.txt",
          "100700\n"                 // empty caption
          "100102 PC\n"              // grid cell
          "100301 P1 on\n"           // grid heading, also kept as text
          "100104 analog\n"          // drop-down item
          "100235 KDX AN\n"          // text of the program
          "100903 J1 out\n"          // the two error boxes of a bit
          "123456 unknown\n");
    LanguageSwitcher sw(texts, targets, start);
    sw.loadLanguage(counts);
    EXPECT_EQ(targets.captions.at("100700"), "");
    EXPECT_EQ(targets.cells.at("100102:1:0"), "PC");
    EXPECT_EQ(targets.cells.at("100301:1:0"), "P1 on");
    EXPECT_EQ(texts.text(100301), "P1 on");
    EXPECT_EQ(targets.items.at("100104:1"), "analog");
    EXPECT_EQ(texts.text(100235), "KDX AN");
    EXPECT_EQ(targets.captions.at("100903"), "J1 out");
}

TEST_F(LanguageSwitcherTest, SwitchStoresChoiceAndKeepsTextsTheNewFileOmits)
{
    write(start + "/lan.txt", "\x02");
    write(start + "/lang/pol.txt", "100235 KDX WL\n100234 Wysylanie\n");
    write(start + "/lang/ger.txt", "100235 KDX EIN\n");
    LanguageSwitcher sw(texts, targets, start);
    sw.loadLanguage(counts);
    EXPECT_EQ(texts.text(100234), "Wysylanie");
    sw.switchLanguage(4, counts);
    EXPECT_EQ(texts.text(100235), "KDX EIN");
    EXPECT_EQ(texts.text(100234), "Wysylanie"); // nothing resets it
    std::ifstream in(start + "/lan.txt", std::ios::binary);
    EXPECT_EQ(in.get(), 4);
}

TEST_F(LanguageSwitcherTest, ChoiceFileIsTheStartDirectorysWhereverTheProcessIs)
{
    write(start + "/lan.txt", "\x02");
    write(start + "/lang/pol.txt", "100235 polski\n");
    write(start + "/lang/ger.txt", "100235 deutsch\n");
    const std::string elsewhere = root + "/fw";
    mkdir(elsewhere.c_str(), 0755);
    // A lan.txt in the folder the process was moved to is not the tool's.
    write(elsewhere + "/lan.txt", "\x01");
    ASSERT_EQ(chdir(elsewhere.c_str()), 0);

    LanguageSwitcher sw(texts, targets, start);
    sw.loadLanguage(counts);
    EXPECT_EQ(texts.text(100235), "polski");
    ASSERT_EQ(chdir(elsewhere.c_str()), 0);
    sw.switchLanguage(4, counts);
    EXPECT_EQ(texts.text(100235), "deutsch");
    std::ifstream in(start + "/lan.txt", std::ios::binary);
    EXPECT_EQ(in.get(), 4);
    std::ifstream other(elsewhere + "/lan.txt", std::ios::binary);
    EXPECT_EQ(other.get(), 1);
}

TEST_F(LanguageSwitcherTest, FirstChoiceCreatesTheChoiceFile)
{
    write(start + "/lang/ang.txt", "100235 english\n");
    write(start + "/lang/ger.txt", "100235 deutsch\n");
    LanguageSwitcher sw(texts, targets, start);
    sw.loadLanguage(counts); // no lan.txt: English
    EXPECT_EQ(texts.text(100235), "english");
    sw.switchLanguage(4, counts);
    EXPECT_EQ(texts.text(100235), "deutsch");
    std::ifstream in(start + "/lan.txt", std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(all, std::string("\x04"));
    // The next start remembers it.
    LanguageTexts fresh;
    RecordingTargets t;
    LanguageSwitcher next(fresh, t, start);
    next.loadLanguage(counts);
    EXPECT_EQ(fresh.text(100235), "deutsch");
}

TEST_F(LanguageSwitcherTest, FallbackFolderWhenStartHasNoLanguageFiles)
{
    const std::string installed = root + "/share";
    mkdir(installed.c_str(), 0755);
    mkdir((installed + "/lang").c_str(), 0755);
    write(installed + "/lang/ang.txt", "100235 installed\n");
    LanguageSwitcher sw(texts, targets, start, {root + "/nowhere", installed});
    sw.loadLanguage(counts);
    EXPECT_EQ(texts.text(100235), "installed");
    EXPECT_TRUE(targets.messages.empty());
}

TEST_F(LanguageSwitcherTest, BadKeyStopsWithMessageAndUtf8FilesCutAtCharacters)
{
    // 300 two-byte characters: 254 characters are kept, none split.
    std::string longUtf8;
    for (int i = 0; i < 300; ++i)
        longUtf8 += "\xC5\x81";
    write(start + "/lang/ang.txt", "100001 a" + longUtf8 + "\n10x001 bad\n100002 never\n");
    LanguageSwitcher sw(texts, targets, start);
    sw.loadLanguage(counts);
    EXPECT_EQ(targets.captions.at("100001"), "a" + longUtf8.substr(0, 2 * 253));
    EXPECT_EQ(targets.captions.count("100002"), 0u);
    EXPECT_EQ(targets.messages, (std::vector<std::string>{"'10x001' is not a valid integer value"}));
}

TEST_F(LanguageSwitcherTest, EncodingIsDecidedOnceForTheWholeFile)
{
    struct Case {
        const char* name;
        uint8_t code;
        std::string file;
        std::map<std::string, std::string> captions; // key -> text shown
    };
    // "WSPÓŁCZYNNIK" in CP1250: Ó = D3, Ł = A3; the bytes D3 A3 happen to be
    // a valid UTF-8 character (U+04E3) on their own.
    const std::string cp1250Word = "WSP\xD3\xA3" "CZYNNIK";
    std::string russian254;
    for (int i = 0; i < 254; ++i)
        russian254 += "\xD0\x96"; // Ж
    const std::vector<Case> cases = {
        {"code page file with a UTF-8-looking entry", 2,
         "100001 " + cp1250Word + "\n100002 \xB9\n", // ą alone is not UTF-8
         {{"100001", "WSP\xC3\x93\xC5\x81" "CZYNNIK"}, {"100002", "\xC4\x85"}}},
        {"byte-order mark skipped, every entry applied", 2,
         "\xEF\xBB\xBF" "100001 \xC5\x81\xC3\xB3" "d\xC5\xBA\n100002 b\n",
         {{"100001", "\xC5\x81\xC3\xB3" "d\xC5\xBA"}, {"100002", "b"}}},
        {"254 Russian letters kept whole", 3, "100001 " + russian254 + "\n", {{"100001", russian254}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write(start + "/lan.txt", std::string(1, static_cast<char>(c.code)));
        write(start + "/lang/pol.txt", c.file);
        write(start + "/lang/rus.txt", c.file);
        RecordingTargets t;
        LanguageTexts x;
        LanguageSwitcher sw(x, t, start);
        sw.loadLanguage(counts);
        EXPECT_TRUE(t.messages.empty());
        for (const auto& [control, text] : c.captions) {
            ASSERT_EQ(t.captions.count(control), 1u) << control;
            EXPECT_EQ(t.captions.at(control), text) << control;
        }
    }
}
