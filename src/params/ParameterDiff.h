#pragma once

#include "params/ParameterImage.h"
#include "params/ParameterLabels.h"

#include <string>
#include <vector>

namespace kdx {

// One field entry (or one byte the program does not interpret) that differs
// between two images. Texts are in the editors' units.
struct FieldChange {
    const Field* field = nullptr; // null for an uninterpreted byte
    size_t entry = 0;             // entry of the field, or the byte offset
    std::string name;             // "GeneralDelay", "ManualTrigP1Ton[3]", "byte 410"
    std::string label;            // what the technician calls it: "general delay [s]"
    std::string left;             // value in the first image
    std::string right;            // value in the second image
};

// A map grid with both images' cells, the changed ones marked.
struct DifferenceGrid {
    struct Cell {
        std::string left;
        std::string right;
        bool changed = false;
    };
    std::string title;
    std::vector<std::string> columnHeads;
    std::vector<std::string> rowHeads;
    std::vector<std::vector<Cell>> rows; // rows[row][column]
    bool anyChanged() const;
};

// What the difference view shows: fields outside the maps as a list, the
// maps as grids; with askToWrite the technician confirms or cancels.
struct DifferenceView {
    std::string title;
    std::string leftTitle;  // e.g. "controller"
    std::string rightTitle; // e.g. "file KDX_....kdx"
    std::vector<std::string> warnings;
    std::vector<FieldChange> rows;     // every change outside the map grids
    std::vector<DifferenceGrid> grids; // only maps with a changed cell
    size_t changeCount = 0;            // rows plus changed cells
    bool askToWrite = false;
    std::string question;              // shown above the OK button when asking
    // The view's own texts in the current language.
    std::string summary;               // "3 values differ between controller and file ..."
    std::string listName;              // the list's accessible name
    std::string nameHead;              // heading of the list's first column
    std::string writeButton;           // "Write to ECU"
    std::string cancelButton;          // "Cancel"
    std::string closeButton;           // "Close"
    std::string changedCells;          // the grids' tool tip
};

// Pure difference of two parameter images, by field.
class ParameterDiff {
public:
    // Every differing field entry in layout order, then every differing
    // uninterpreted byte in ascending offset; labelled as the right image
    // shows them (map bands).
    static std::vector<FieldChange> changes(const ParameterImage& left, const ParameterImage& right, char separator,
                                            const ParameterLabels& labels = ParameterLabels());
    // The view of the changes: list rows and the three map grids, with the
    // grids headed as the editors are.
    static DifferenceView view(const ParameterImage& left, const ParameterImage& right, const std::string& leftTitle,
                               const std::string& rightTitle, char separator,
                               const ParameterLabels& labels = ParameterLabels());
    // True when the byte lies inside a field of the layout.
    static bool interpreted(size_t offset);
};

} // namespace kdx
