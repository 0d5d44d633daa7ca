#pragma once

#include <string>

namespace kdx {

// What loading a language does to the window. The window knows which of its
// controls each language key addresses; texts are UTF-8.
class LanguageTargets {
public:
    virtual ~LanguageTargets() = default;
    // The caption of every control the key addresses.
    virtual void setCaption(int key, const std::string& text) = 0;
    virtual void setGridCell(int key, int column, int row, const std::string& text) = 0;
    virtual void setComboItem(int key, int index, const std::string& text) = 0;
    // Font of every control whose text follows the language: family and character set.
    virtual void setTextFont(const std::string& family, int charset) = 0;
    virtual void message(const std::string& text) = 0;
};

} // namespace kdx
