#pragma once

#include "i18n/LanguageTargets.h"
#include "i18n/LanguageTexts.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kdx {

// The three link error counters, shown after their (translated) headings.
struct LinkCounts {
    uint32_t crcErrors = 0;
    uint32_t badPackets = 0;
    uint32_t lostPackets = 0;
};

// Applies the language chosen in lan.txt and switches it from the menu.
// lan.txt is the one in the start directory, wherever the process is now;
// language files below the start directory first, then below the fallback
// folders (beside the program, the installed data folder).
class LanguageSwitcher {
public:
    LanguageSwitcher(LanguageTexts& texts, LanguageTargets& targets, std::string startDirectory,
                     std::vector<std::string> fallbackDirectories = {});

    void loadLanguage(const LinkCounts& counts);
    // Stores the code in lan.txt (created when missing) and loads again. The
    // caller refills the editors afterwards.
    void switchLanguage(uint8_t code, const LinkCounts& counts);

    // Applies one file's entries; false when the file could not be opened.
    bool readLanguageFile(const std::string& path, const char* codePage);

    // Keys from here on address what was added beyond the original window.
    static constexpr int kFirstAddedKey = 102000;

    const std::string& lastLanguageFile() const { return m_lastFile; }
    // The language choice file: lan.txt in the start directory.
    std::string choiceFile() const;

private:
    std::string findLanguageFile(const std::string& relative) const;
    void apply(int key, const std::string& text);

    LanguageTexts& m_texts;
    LanguageTargets& m_targets;
    std::string m_startDirectory;
    std::vector<std::string> m_fallbacks;
    std::string m_lastFile;
};

} // namespace kdx
