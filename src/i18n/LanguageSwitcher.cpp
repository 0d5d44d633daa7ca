#include "i18n/LanguageSwitcher.h"

#include "i18n/KeyTable.h"
#include "i18n/LanguageChoice.h"
#include "i18n/LanguageFile.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kdx {

namespace {

constexpr const char* kFontFamily = "Arial";
constexpr const char* kChoiceFile = "lan.txt";
// Language files are a few kilobytes; anything far larger is not one.
constexpr std::streamsize kMaxLanguageFileBytes = 1 << 20;

bool isFile(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace

LanguageSwitcher::LanguageSwitcher(LanguageTexts& texts, LanguageTargets& targets,
                                   std::string startDirectory, std::vector<std::string> fallbackDirectories)
    : m_texts(texts), m_targets(targets), m_startDirectory(std::move(startDirectory)),
      m_fallbacks(std::move(fallbackDirectories))
{
}

std::string LanguageSwitcher::findLanguageFile(const std::string& relative) const
{
    const std::string first = m_startDirectory + "/" + relative;
    if (isFile(first))
        return first;
    for (const auto& dir : m_fallbacks) {
        const std::string candidate = dir + "/" + relative;
        if (isFile(candidate))
            return candidate;
    }
    return first;
}

std::string LanguageSwitcher::choiceFile() const { return m_startDirectory + "/" + kChoiceFile; }

void LanguageSwitcher::loadLanguage(const LinkCounts& counts)
{
    const auto code = readLanguageCode(choiceFile());
    const auto info = code ? languageInfo(*code) : std::nullopt;
    if (info) {
        m_targets.setTextFont(kFontFamily, info->charset);
        // The firmware dialog may have moved the process elsewhere.
        std::error_code ec;
        std::filesystem::current_path(m_startDirectory, ec);
        m_lastFile = findLanguageFile(info->file);
        if (!readLanguageFile(m_lastFile, info->codePage))
            m_targets.message("Lang ERROR");
    }
    // The link counters show their prefix text and their count.
    m_targets.setCaption(kKeyCrcErrors, m_texts.text(kKeyCrcErrors) + std::to_string(counts.crcErrors));
    m_targets.setCaption(kKeyBadPackets, m_texts.text(kKeyBadPackets) + std::to_string(counts.badPackets));
    m_targets.setCaption(kKeyLostPackets, m_texts.text(kKeyLostPackets) + std::to_string(counts.lostPackets));
}

void LanguageSwitcher::switchLanguage(uint8_t code, const LinkCounts& counts)
{
    (void)storeLanguageCode(choiceFile(), code);
    loadLanguage(counts);
}

bool LanguageSwitcher::readLanguageFile(const std::string& path, const char* codePage)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string bytes;
    bytes.resize(static_cast<size_t>(kMaxLanguageFileBytes));
    in.read(bytes.data(), kMaxLanguageFileBytes);
    bytes.resize(static_cast<size_t>(in.gcount()));

    const auto file = decodeLanguageFile(bytes, codePage);
    for (const auto& entry : file.content.entries)
        apply(entry.key, entry.text);
    if (file.content.error)
        m_targets.message(*file.content.error);
    return true;
}

void LanguageSwitcher::apply(int key, const std::string& text)
{
    const KeyTarget* t = findKey(key);
    if (!t)
        return;
    switch (t->kind) {
    case TargetKind::Caption:
    case TargetKind::CheckBoxPair:
        m_targets.setCaption(key, text);
        break;
    case TargetKind::GridCell:
    case TargetKind::GridHeading:
        m_targets.setGridCell(key, t->column, t->row, text);
        break;
    case TargetKind::ComboItem:
        m_targets.setComboItem(key, t->column, text);
        break;
    case TargetKind::Text:
        break;
    }
    // Every text is also kept: the program composes some (status lines,
    // headings) and names editors by their labels.
    m_texts.set(key, text);
}

} // namespace kdx
