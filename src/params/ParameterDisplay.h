#pragma once

#include "params/ControlUpdates.h"
#include "params/ParameterImage.h"

#include <string>

namespace kdx {

// Everything the parameter pages show for an image.
struct ParameterView {
    ControlUpdates updates;
    // The image's marker is not the initialised value: the window shows
    // "NEW ECU, PARAMETERS RESET !" after applying the updates.
    bool markerMessageDue = false;
};

// Turns the parameter image into control contents; sends nothing and keeps
// no state. The window applies the updates, shows the marker message when
// due and then refreshes the shadow copy used by the deferred save.
class ParameterDisplay {
public:
    static ParameterView showAllData(const ParameterImage& image, char separator);

    // Rows 1..5 of the automatic on-time grid: rpm ranges and on times.
    static ControlUpdates autoPumpOnRows(const ParameterImage& image, char separator);
    // Humidity (row 0) and temperature (column 0) range headings of the pause grid.
    static ControlUpdates autoPumpStopHeadings(const ParameterImage& image, char separator);
    // Pause grid data cells (H+1, T+1) with the given precision, one decimal.
    static ControlUpdates autoPumpStopCells(const ParameterImage& image, int precision, char separator);
    // Rows 1..24 of the manual trigger map: rpm ranges and the four times.
    static ControlUpdates manualTrigRows(const ParameterImage& image, char separator);

    // A field entry (signedness and scale from the field) as fixed text.
    static std::string fieldText(const ParameterImage& image, const Field& field, size_t entry,
                                 int precision, int decimals, char separator);
    // Item index for a list of `items` entries, -1 when out of range.
    static int itemIndex(long long index, int items);
};

} // namespace kdx
