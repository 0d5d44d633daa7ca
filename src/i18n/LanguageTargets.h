#pragma once

#include <string>
#include <vector>

namespace kdx {

// What loading a language does to the window. Texts are UTF-8.
class LanguageTargets {
public:
    virtual ~LanguageTargets() = default;
    virtual void setCaption(const std::string& object, const std::string& text) = 0;
    virtual void setGridCell(const std::string& grid, int column, int row, const std::string& text) = 0;
    virtual void setComboItem(const std::string& combo, int index, const std::string& text) = 0;
    // Font of every control in textTargets(): family and character set.
    virtual void setTextFont(const std::string& family, int charset) = 0;
    virtual void message(const std::string& text) = 0;
};

// The controls whose font follows the language.
const std::vector<std::string>& textTargets();

} // namespace kdx
