#include "i18n/LanguageSwitcher.h"

#include "i18n/KeyTable.h"
#include "i18n/LanguageChoice.h"
#include "i18n/LanguageFile.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace kdx {

namespace {

constexpr const char* kFontFamily = "Arial";
constexpr const char* kChoiceFile = "lan.txt";
// Language files are a few kilobytes; anything far larger is not one.
constexpr std::streamsize kMaxLanguageFileBytes = 1 << 20;

bool isFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A text cut at its length limit may end inside a multi-byte character.
std::string dropCutUtf8Tail(std::string text)
{
    size_t i = text.size();
    size_t back = 0;
    while (i > 0 && back < 4 && (static_cast<unsigned char>(text[i - 1]) & 0xC0) == 0x80) {
        --i;
        ++back;
    }
    if (i > 0) {
        const auto lead = static_cast<unsigned char>(text[i - 1]);
        size_t len = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
        if (lead >= 0x80 && back + 1 < len)
            text.resize(i - 1);
    }
    return text;
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

void LanguageSwitcher::loadLanguage(const LinkCounts& counts)
{
    const auto code = readLanguageCode(kChoiceFile);
    const auto info = code ? languageInfo(*code) : std::nullopt;
    if (info) {
        m_targets.setTextFont(kFontFamily, info->charset);
        // The firmware dialog may have moved the process elsewhere.
        (void)::chdir(m_startDirectory.c_str());
        m_lastFile = findLanguageFile(info->file);
        if (!readLanguageFile(m_lastFile, info->codePage))
            m_targets.message("Lang ERROR");
    }
    m_targets.setCaption("LabeBladCRC", m_texts.text(100120) + std::to_string(counts.crcErrors));
    m_targets.setCaption("LabelPakietBlad", m_texts.text(100121) + std::to_string(counts.badPackets));
    m_targets.setCaption("LabelPakietUtracony", m_texts.text(100122) + std::to_string(counts.lostPackets));
}

void LanguageSwitcher::switchLanguage(uint8_t code, const LinkCounts& counts)
{
    (void)storeLanguageCode(kChoiceFile, code);
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

    // The whole file decides: valid UTF-8 is taken as it is, anything else
    // is the language's 8-bit code page.
    const bool utf8 = isValidUtf8(bytes);
    const auto content = parseLanguageFile(bytes);
    for (const auto& entry : content.entries)
        apply(entry.key, utf8 ? dropCutUtf8Tail(entry.text) : decodeLanguageText(entry.text, codePage));
    if (content.error)
        m_targets.message(*content.error);
    return true;
}

void LanguageSwitcher::apply(int key, const std::string& text)
{
    const KeyTarget* t = findKey(key);
    if (!t)
        return;
    switch (t->kind) {
    case TargetKind::Caption:
        m_targets.setCaption(t->object, text);
        break;
    case TargetKind::GridCell:
        m_targets.setGridCell(t->object, t->column, t->row, text);
        break;
    case TargetKind::GridHeading:
        m_targets.setGridCell(t->object, t->column, t->row, text);
        m_texts.set(key, text);
        break;
    case TargetKind::ComboItem:
        m_targets.setComboItem(t->object, t->column, text);
        break;
    case TargetKind::Text:
        m_texts.set(key, text);
        break;
    case TargetKind::CheckBoxPair:
        m_targets.setCaption(t->object, text);
        m_targets.setCaption(t->secondObject, text);
        break;
    }
}

} // namespace kdx
