#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kdx {

// What the window must apply to its controls, addressed by object name, in
// the order listed. Combo indices of -1 mean "no selection". The window sets
// these programmatically; the editors react only to user actions (activated,
// clicked, Enter), so applying them sends nothing.
struct ControlUpdates {
    struct Flag {
        std::string control;
        bool on;
    };
    struct Index {
        std::string control;
        int index;
    };
    struct Text {
        std::string control;
        std::string text; // UTF-8
    };
    struct Cell {
        std::string grid;
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
    std::optional<bool> visibleOf(const std::string& control) const;
    std::optional<bool> checkedOf(const std::string& control) const;
    std::optional<int> indexOf(const std::string& control) const;
    std::optional<std::string> textOf(const std::string& control) const;
    std::optional<std::string> cellOf(const std::string& grid, int column, int row) const;
};

} // namespace kdx
