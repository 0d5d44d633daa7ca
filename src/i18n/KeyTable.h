#pragma once

#include <string>
#include <vector>

namespace kdx {

// What a language-file key addresses.
enum class TargetKind {
    Caption,      // caption of one control
    GridCell,     // one cell of a grid
    GridHeading,  // a grid cell whose text is also kept as the grid's heading
    ComboItem,    // one item of a drop-down list, replaced in place
    Text,         // a text held by the program (LanguageTexts), not by a control
    CheckBoxPair, // the same caption for an "actual" and a "memory" error box (both under one key)
};

struct KeyTarget {
    int key;
    TargetKind kind;
    int column;               // grid column, or combo item index
    int row;                  // grid row
    const char* defaultText;  // UTF-8, the window's text before any file is read
};

// The link counters' prefix texts; the counters' labels show them with the count.
constexpr int kKeyCrcErrors = 100120;
constexpr int kKeyBadPackets = 100121;
constexpr int kKeyLostPackets = 100122;

// Every key a language file may set, in key order.
const std::vector<KeyTarget>& keyTable();
// The entry for key, or nullptr when the key is unknown.
const KeyTarget* findKey(int key);
// The built-in English text of key; empty for an unknown key.
std::string builtInText(int key);

} // namespace kdx
