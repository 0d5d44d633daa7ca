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
    // Pause grid data cells (H+1, T+1).
    static ControlUpdates autoPumpStopCells(const ParameterImage& image, char separator);
    // Rows 1..24 of the manual trigger map: rpm ranges and the four times.
    static ControlUpdates manualTrigRows(const ParameterImage& image, char separator);

    // The text shown for a stored value of a field, chosen so that it reads
    // back to the same value wherever the scale allows: tenths exactly with
    // one decimal ("123.4", "-3276.8"), level counts as volts rounded to
    // hundredths (counts x 0.00122), plain fields as whole numbers.
    static std::string valueText(const Field& field, int64_t stored, char separator);
    // valueText of a field entry of the image (signedness from the field).
    static std::string fieldText(const ParameterImage& image, const Field& field, size_t entry, char separator);
    // Item index for a list of `items` entries, -1 when out of range.
    static int itemIndex(long long index, int items);
};

} // namespace kdx
