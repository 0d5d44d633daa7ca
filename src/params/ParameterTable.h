#pragma once

#include "params/EditorId.h"
#include "params/ParameterLayout.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace kdx {

enum class EditorKind : uint8_t { EditBox, ComboBox, CheckBox, MapGrid };

// How an editor turns the technician's entry into the value it stores.
enum class EntryRule : uint8_t {
    Decimal,   // typed number x numerator / 10^denominatorPow10, truncated toward zero
    Integer,   // typed whole number as it is
    ListStep,  // item index x step + offset
    ItemIndex, // the item index itself
    FlagBit,   // one bit of ConfigFlags: the check box's state, or the item index & 1
    Preset,    // the item index, which also picks a preset of further fields
};

// One editable parameter: what the technician edits it with, how an entry
// becomes the stored value, which stored values the editor takes, and the
// language key of the label the window shows beside it.
struct EditorRow {
    EditorId id;
    EditorKind kind;
    EntryRule rule;
    const Field* field; // map grids: the field of their first data column
    // Decimal: the factor from the typed unit to stored counts. ListStep:
    // numerator is the step between items, offset the value of item 0.
    int64_t numerator = 1;
    int denominatorPow10 = 0;
    int64_t offset = 0;
    int items = 0;     // combo boxes: how many items the list has
    uint8_t bit = 0;   // FlagBit: the ConfigFlags bit
    // Stored values the editor takes; an entry outside is refused (edit
    // boxes, map cells) or cannot be picked (lists).
    int64_t minStored = 0;
    int64_t maxStored = 0;
    int labelKey = 0;  // the label beside the editor
    int groupKey = 0;  // the frame or page that tells two equal labels apart; 0 none

    bool accepts(int64_t stored) const { return stored >= minStored && stored <= maxStored; }
    // The item a stored value shows as (ListStep), -1 when it is none.
    int itemOf(int64_t stored) const;
};

// The field entry behind a data cell of a map grid.
struct MapCell {
    const Field* field;
    size_t entry;
    uint16_t word;
};

// The table of the window's parameter editors, one row per EditorId.
class ParameterTable {
public:
    static const std::vector<EditorRow>& rows();
    static const EditorRow& row(EditorId id);
    // The edit box whose field is named `name`, if any.
    static const EditorRow* editBoxOf(const char* name);
    // The editor that stores into the field (the first, for ConfigFlags).
    static const EditorRow* editorOf(const Field& field);

    // Map grids: data cells lie in columns and rows 1..these.
    struct Extent {
        int columns;
        int rows;
    };
    static Extent mapExtent(EditorId grid);
    static std::optional<MapCell> mapCell(EditorId grid, int column, int row);
    // The fields of the manual trigger map's data columns 1..4.
    static const Field* manualTrigColumn(int column);
    // The grid that shows the field's entries, if any.
    static std::optional<EditorId> mapOf(const Field& field);
    // The language key of the heading of a map's data column (0 when the
    // column heads are band ranges).
    static int columnHeadingKey(EditorId grid, int column);
};

} // namespace kdx
