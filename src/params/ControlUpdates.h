#pragma once

#include "params/EditorId.h"

#include <optional>
#include <string>
#include <vector>

namespace kdx {

// What the window must apply to its parameter editors, addressed by id, in
// the order listed. Combo indices of -1 mean "no selection". The window sets
// these programmatically; the editors react only to user actions (activated,
// clicked, Enter), so applying them sends nothing.
struct ControlUpdates {
    struct Flag {
        EditorId control;
        bool on;
    };
    struct Index {
        EditorId control;
        int index;
    };
    struct Text {
        EditorId control;
        std::string text; // UTF-8
    };
    struct Cell {
        EditorId grid;
        int column;
        int row;
        std::string text; // UTF-8
    };

    std::vector<Flag> visible;
    std::vector<Flag> checked;
    std::vector<Index> indices;
    std::vector<Text> texts;
    std::vector<Cell> cells;

    bool empty() const
    {
        return visible.empty() && checked.empty() && indices.empty() && texts.empty() && cells.empty();
    }
    void append(const ControlUpdates& other);

    // Lookups (the last update of a control wins).
    std::optional<bool> visibleOf(EditorId control) const;
    std::optional<bool> checkedOf(EditorId control) const;
    std::optional<int> indexOf(EditorId control) const;
    std::optional<std::string> textOf(EditorId control) const;
    std::optional<std::string> cellOf(EditorId grid, int column, int row) const;
};

} // namespace kdx
