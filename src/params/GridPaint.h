#pragma once

#include "params/EditorId.h"

#include "params/ParameterImage.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kdx {

// The controller's active row or cell as reported in the live status
// (zero-based; a value outside a grid marks nothing, e.g. 0xFF).
struct LiveMarkers {
    int trigMapRow = -1;  // manual trigger map row
    int pumpOnRow = -1;   // automatic rpm band
    int pumpStopCol = -1; // automatic humidity band
    int pumpStopRow = -1; // automatic temperature band
};

// How one map grid cell is painted after the grid's own drawing: the final
// fill (later fills cover earlier ones), whether the red 1-pixel outline of
// the live marker is still visible, and the text colour. The text is drawn
// 1 pixel right of and below the cell's top-left corner.
struct CellPaint {
    std::optional<uint32_t> fill; // RGB; empty: keep the grid's own background
    bool markerOutline = false;   // red (FF0000) outline, transparent inside
    uint32_t textColour = 0;
};

class GridPaint {
public:
    static CellPaint cell(const ParameterImage& image, EditorId grid, int column, int row,
                          const LiveMarkers& markers);
    // The cell is the controller's active row/cell.
    static bool isLiveMarker(EditorId grid, int column, int row, const LiveMarkers& markers);
};

} // namespace kdx
