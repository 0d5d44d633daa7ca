#pragma once

#include "params/ParameterDiff.h"

#include <QDialog>

class QTableWidget;

namespace kdx {

// The difference view: warnings on top, the changed fields as a list (name,
// left value, right value), then each map with a changed cell as a grid in
// which the changed cells read "left -> right" on yellow. When the view asks
// to write, its buttons are "Write to ECU" and "Cancel", else "Close".
class DifferenceDialog : public QDialog {
public:
    DifferenceDialog(const DifferenceView& view, QWidget* parent = nullptr);

    // Cell colour of a changed map cell.
    static constexpr unsigned kChangedRgb = 0xFFFF00;

private:
    QTableWidget* buildList(const DifferenceView& view);
    QTableWidget* buildGrid(const DifferenceGrid& grid, const DifferenceView& view);
};

} // namespace kdx
