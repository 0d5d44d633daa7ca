#pragma once

#include <functional>
#include <map>
#include <string>

namespace kdx {

// Texts the program composes its displays from (status lines, grid labels,
// lamp captions, the editors' labels in the difference views), each
// addressed by its six-digit key. They start with the
// built-in English defaults; a language file replaces them one by one, and
// nothing resets them afterwards.
class LanguageTexts {
public:
    LanguageTexts();
    // The current text of key (UTF-8); empty for a key that has none.
    const std::string& text(int key) const;
    void set(int key, std::string text);
    bool has(int key) const;

    // What every view that composes a text asks: the text of key in the
    // current language, english where key has none.
    std::string word(int key, const char* english) const;
    // word() as the function link code takes for its texts; it reads this
    // object at each call, so it follows a language loaded later.
    std::function<std::string(int key, const char* english)> words() const;

private:
    std::map<int, std::string> m_texts;
};

} // namespace kdx
