#include "i18n/KeyTable.h"
#include "i18n/LanguageSwitcher.h"
#include "i18n/LanguageChoice.h"
#include "i18n/LanguageFile.h"
#include "i18n/LanguageTexts.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>

using namespace kdx;

namespace {

std::vector<std::pair<int, std::string>> entries(const std::string& bytes)
{
    std::vector<std::pair<int, std::string>> out;
    for (const auto& e : parseLanguageFile(bytes).entries)
        out.emplace_back(e.key, e.text);
    return out;
}

using Entries = std::vector<std::pair<int, std::string>>;

} // namespace

TEST(LanguageFile, LineRules)
{
    struct Case {
        const char* name;
        std::string bytes;
        Entries expected;
    };
    const std::vector<Case> cases = {
        {"single entry", "100006 Update\n", {{100006, "Update"}}},
        {"separator is any character", "100006:Update", {{100006, "Update"}}},
        {"key alone gives an empty text", "100700\n", {{100700, ""}}},
        {"key and separator only", "100700 \r\n", {{100700, ""}}},
        {"CR before LF dropped", "100001 a\r\n100002 b\r\n", {{100001, "a"}, {100002, "b"}}},
        {"CR inside a text kept", "100001 a\rb\n", {{100001, "a\rb"}}},
        {"comments skipped", "# header\n#100001 x\n100002 y\n", {{100002, "y"}}},
        {"comment at end without line end", "100002 y\n# tail", {{100002, "y"}}},
        {"last line without line end", "100001 a\n100002 b", {{100001, "a"}, {100002, "b"}}},
        {"end of data inside a key", "100001 a\n1000", {{100001, "a"}}},
        {"short line skipped, next read normally", "1001\n100002 b\n", {{100002, "b"}}},
        {"empty line skipped", "100001 a\n\n100002 b\n", {{100001, "a"}, {100002, "b"}}},
        {"duplicate keys both reported in order", "100001 a\n100001 b\n", {{100001, "a"}, {100001, "b"}}},
        {"text keeps spaces", "100226  Toff: \n", {{100226, " Toff: "}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(entries(c.bytes), c.expected) << c.name;
}

TEST(LanguageFile, LongTextIsCutAndTheNextLineStillReads)
{
    const std::string longText(300, 'x');
    const auto got = entries("100001 " + longText + "\n100002 b\n");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].second, std::string(kMaxLanguageTextLength, 'x'));
    EXPECT_EQ(got[1], (std::pair<int, std::string>{100002, "b"}));
}

TEST(LanguageFile, NonNumericKeyStopsWithTheConversionMessage)
{
    const auto content = parseLanguageFile("100001 a\nabcdef x\n100002 b\n");
    ASSERT_EQ(content.entries.size(), 1u);
    EXPECT_EQ(content.entries[0].key, 100001);
    ASSERT_TRUE(content.error.has_value());
    EXPECT_EQ(*content.error, "'abcdef' is not a valid integer value");
}

TEST(KeyTable, TargetsAndDefaults)
{
    // The original window's 132 keys, then those of what was added beyond
    // it, all from 102000 on; the table stays sorted for the search.
    const auto added = std::count_if(keyTable().begin(), keyTable().end(),
                                     [](const KeyTarget& k) { return k.key >= LanguageSwitcher::kFirstAddedKey; });
    EXPECT_EQ(keyTable().size() - static_cast<size_t>(added), 132u);
    EXPECT_TRUE(std::is_sorted(keyTable().begin(), keyTable().end(),
                               [](const KeyTarget& a, const KeyTarget& b) { return a.key < b.key; }));
    for (const KeyTarget& k : keyTable())
        EXPECT_EQ(findKey(k.key), &k) << k.key;
    const KeyTarget* t = findKey(100006);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->kind, TargetKind::Caption);
    EXPECT_STREQ(t->defaultText, "firmware upgreade");

    t = findKey(100904);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->kind, TargetKind::CheckBoxPair);

    t = findKey(100303);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->kind, TargetKind::GridHeading);
    EXPECT_EQ(t->column, 3);
    EXPECT_EQ(t->row, 0);

    t = findKey(100114);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->kind, TargetKind::ComboItem);
    EXPECT_EQ(t->column, 2);

    EXPECT_EQ(findKey(100202), nullptr);
    EXPECT_EQ(findKey(999999), nullptr);
    EXPECT_STREQ(findKey(100312)->defaultText, "min. temperature[\xC2\xB0" "C]");
}

TEST(LanguageTexts, DefaultsAndReplacement)
{
    LanguageTexts texts;
    EXPECT_EQ(texts.text(100120), "Pakiet Blad CRC: ");
    EXPECT_EQ(texts.text(100202), "Bin, LSB:");
    EXPECT_EQ(texts.text(100227), " shortOff: ");
    EXPECT_EQ(texts.text(100300), "Vector[rpm]");
    EXPECT_EQ(texts.text(100109), "general delay [s]"); // a label: the difference views name its editor by it
    EXPECT_FALSE(texts.has(999999));
    texts.set(100235, "KDX AN");
    EXPECT_EQ(texts.text(100235), "KDX AN");
}

TEST(LanguageChoice, CodesAndFiles)
{
    EXPECT_STREQ(languageInfo(1)->file, "lang/ang.txt");
    EXPECT_STREQ(languageInfo(2)->codePage, "CP1250");
    EXPECT_EQ(languageInfo(3)->charset, 204);
    EXPECT_STREQ(languageInfo(4)->file, "lang/ger.txt");
    for (int code : {0, 5, 0x31, 0x32, 0xFF})
        EXPECT_FALSE(languageInfo(static_cast<uint8_t>(code)).has_value()) << code;
}

TEST(LanguageChoice, LanTxtReadAndStore)
{
    char dir[] = "/tmp/kdx-lanXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/lan.txt";

    EXPECT_EQ(readLanguageCode(path), std::optional<uint8_t>(kLanguageEnglish)); // missing
    ASSERT_TRUE(storeLanguageCode(path, 2));                                     // created
    EXPECT_EQ(readLanguageCode(path), std::optional<uint8_t>(2));
    std::remove(path.c_str());
    EXPECT_NE(access(path.c_str(), F_OK), 0);

    { std::ofstream(path, std::ios::binary); }
    EXPECT_EQ(readLanguageCode(path), std::nullopt); // empty: no valid code

    { std::ofstream(path, std::ios::binary) << "2rest"; }
    EXPECT_EQ(readLanguageCode(path), std::optional<uint8_t>(0x32));
    ASSERT_TRUE(storeLanguageCode(path, 4));
    EXPECT_EQ(readLanguageCode(path), std::optional<uint8_t>(4));
    std::ifstream in(path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(all, std::string("\x04rest"));

    std::remove(path.c_str());
    rmdir(dir);
}

TEST(LanguageChoice, CodePageDecoding)
{
    // Polish "Łódź" in Windows-1250.
    EXPECT_EQ(decodeCodePage("\xA3\xF3\x64\x9F", "CP1250"), "\xC5\x81\xC3\xB3\x64\xC5\xBA");
    // Russian "Да" in Windows-1251.
    EXPECT_EQ(decodeCodePage("\xC4\xE0", "CP1251"), "\xD0\x94\xD0\xB0");
    // The file decides, not the entry: a whole UTF-8 file is taken as it is,
    // the same bytes among code-page ones are code-page letters.
    EXPECT_EQ(decodeLanguageFile("100001 \xC5\x81\xC3\xB3\n", "CP1250").content.entries.at(0).text,
              "\xC5\x81\xC3\xB3");
    EXPECT_EQ(decodeLanguageFile("100001 \xC5\x81\xC3\xB3\n100002 \xA3\n", "CP1250").content.entries.at(0).text,
              decodeCodePage("\xC5\x81\xC3\xB3", "CP1250"));
    EXPECT_NE(decodeCodePage("\xC5\x81\xC3\xB3", "CP1250"), "\xC5\x81\xC3\xB3");
    // A multi-byte separator in a UTF-8 file is skipped whole: the text
    // starts after it, not inside it.
    EXPECT_EQ(decodeLanguageFile("100001\xEF\xBB\xBF ok\n", "CP1250").content.entries.at(0).text, " ok");
    EXPECT_EQ(decodeLanguageFile("100001\xC5\x81\n", "CP1250").content.entries.at(0).text, "");
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_FALSE(isValidUtf8("\xC0\x80"));      // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(isValidUtf8("\xE2\x82"));      // cut short
}

TEST(ShippedLanguageFiles, EveryFileSetsEveryKeyOnce)
{
    for (uint8_t code = kLanguageEnglish; code <= kLanguageGerman; ++code) {
        const auto info = languageInfo(code);
        ASSERT_TRUE(info.has_value());
        SCOPED_TRACE(info->file);
        std::ifstream in(std::string(KDX_SOURCE_DIR) + "/" + info->file, std::ios::binary);
        ASSERT_TRUE(in.good());
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        const auto content = decodeLanguageFile(bytes, info->codePage).content;
        EXPECT_FALSE(content.error.has_value());
        std::map<int, int> seen;
        for (const auto& e : content.entries) {
            ++seen[e.key];
            EXPECT_NE(findKey(e.key), nullptr) << e.key;
            EXPECT_FALSE(e.text.empty()) << e.key;
        }
        EXPECT_EQ(seen.size(), keyTable().size());
        for (const auto& [key, count] : seen)
            EXPECT_EQ(count, 1) << key;
    }
}

TEST(ShippedLanguageFiles, EnglishIsTheBuiltInTextsAndOthersAreInTheirCodePage)
{
    auto load = [](uint8_t code) {
        const auto info = languageInfo(code);
        std::ifstream in(std::string(KDX_SOURCE_DIR) + "/" + info->file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        std::map<int, std::string> texts;
        for (const auto& e : decodeLanguageFile(bytes, info->codePage).content.entries)
            texts[e.key] = e.text;
        return texts;
    };
    const auto english = load(kLanguageEnglish);
    for (const auto& t : keyTable())
        EXPECT_EQ(english.at(t.key), t.defaultText) << t.key;
    // Polish diacritics and Cyrillic come through their 8-bit code pages.
    EXPECT_EQ(load(kLanguagePolish).at(100116), "PO\xC5\x81\xC4\x84" "CZ");
    EXPECT_EQ(load(kLanguageRussian).at(100001), "\xD0\xBF\xD0\xB0\xD1\x80\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD1\x80\xD1\x8B");
    EXPECT_EQ(load(kLanguageGerman).at(100106), "PARAMETER ZUR\xC3\x9C" "CKSETZEN!");
    // Composed texts keep their surrounding spaces.
    EXPECT_EQ(load(kLanguageGerman).at(100226), " Aus: ");
}
