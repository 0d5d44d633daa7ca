#include "params/GridPaint.h"

#include "params/EditorId.h"
#include "params/ParameterTable.h"

namespace kdx {

bool GridPaint::isLiveMarker(EditorId grid, int column, int row, const LiveMarkers& m)
{
    // The manual and on-time maps mark a whole row, the pause map one cell.
    const auto extent = ParameterTable::mapExtent(grid);
    if (row < 1 || row > extent.rows)
        return false;
    if (grid == EditorId::ManualTrigMap)
        return row - 1 == m.trigMapRow;
    if (grid == EditorId::AutoPumpOnMap)
        return row - 1 == m.pumpOnRow;
    if (grid == EditorId::AutoPumpStopMap)
        return column >= 1 && column <= extent.columns && column - 1 == m.pumpStopCol && row - 1 == m.pumpStopRow;
    return false;
}

CellPaint GridPaint::cell(const ParameterImage& image, EditorId grid, int column, int row,
                          const LiveMarkers& markers)
{
    CellPaint p;
    p.textColour = params::kColourText;
    if (column % 2 == 1)
        p.fill = params::kColourWhite;
    if (isLiveMarker(grid, column, row, markers)) {
        p.fill = params::kColourYellow;
        p.markerOutline = true;
    }
    if (grid == EditorId::ManualTrigMap) {
        const auto target = ParameterTable::mapCell(grid, column, row);
        if (target && image.value(*target->field, target->entry) < 0) {
            p.fill = params::kColourRed; // covers the marker and its outline
            p.markerOutline = false;
        }
    }
    return p;
}

} // namespace kdx
