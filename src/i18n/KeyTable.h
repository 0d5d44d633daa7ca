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
    CheckBoxPair, // the same caption for an "actual" and a "memory" error box
};

struct KeyTarget {
    int key;
    TargetKind kind;
    const char* object;       // control object name (Caption, grid, combo, first box)
    const char* secondObject; // second check box of a pair
    int column;               // grid column, or combo item index
    int row;                  // grid row
    const char* defaultText;  // UTF-8, the window's text before any file is read
};

// Every key a language file may set, in key order.
const std::vector<KeyTarget>& keyTable();
// The entry for key, or nullptr when the key is unknown.
const KeyTarget* findKey(int key);

} // namespace kdx
