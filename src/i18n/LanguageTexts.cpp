#include "i18n/LanguageTexts.h"

#include "i18n/KeyTable.h"

namespace kdx {

LanguageTexts::LanguageTexts()
{
    // Captions too: the difference views name an editor by its label.
    for (const auto& t : keyTable())
        m_texts[t.key] = t.defaultText;
    // Used by the live displays but not settable from a language file.
    m_texts[100202] = "Bin, LSB:";
    m_texts[100227] = " shortOff: ";
}

const std::string& LanguageTexts::text(int key) const
{
    static const std::string empty;
    auto it = m_texts.find(key);
    return it == m_texts.end() ? empty : it->second;
}

void LanguageTexts::set(int key, std::string text)
{
    // The dashboard composes its pump captions from 100227, which the
    // original key table leaves out; a file reaches it through 102050.
    if (key == 102050)
        m_texts[100227] = text;
    m_texts[key] = std::move(text);
}

bool LanguageTexts::has(int key) const { return m_texts.count(key) != 0; }

std::string LanguageTexts::word(int key, const char* english) const
{
    const auto it = m_texts.find(key);
    return it == m_texts.end() ? std::string(english) : it->second;
}

std::function<std::string(int key, const char* english)> LanguageTexts::words() const
{
    return [this](int key, const char* english) { return word(key, english); };
}

} // namespace kdx
