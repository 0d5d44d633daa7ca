#pragma once

#include <functional>
#include <string>

namespace kdx {

// Looks up a keyed display text at the moment it is used, so a language switch
// takes effect with the next tick. The window passes the program's language
// texts; tests and early wiring use LiveTexts::defaults().
using TextLookup = std::function<std::string(int key)>;

// Built-in English texts of the keys the live displays compose from
// (100120..100122 and 100201..100235).
class LiveTexts {
public:
    // Default text of key; empty for a key that is not a live-display key.
    static std::string defaultText(int key);
    static TextLookup defaults();
};

} // namespace kdx
