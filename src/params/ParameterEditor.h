#pragma once

#include "params/EditorId.h"

#include "params/EditResult.h"
#include "params/ParameterImage.h"
#include "params/ParameterTable.h"

#include <optional>
#include <string>

namespace kdx {

// The parameter editors: each converts the technician's entry to the stored
// integer, stores it in its image field and names the write that sends it,
// as its row of the ParameterTable says. An editor of another kind than the
// call is for, or a cell that has no field, does nothing. Decimal texts use the given separator.
// An entry whose value does not fit its field (width and sign) is refused
// with the conversion message and nothing is stored or sent. The text shown
// for the value a field holds stands for exactly that value.
class ParameterEditor {
public:
    // Enter released in an edit box, with the edit's whole text.
    static EditResult editEntered(ParameterImage& image, EditorId control, const std::string& text,
                                  char separator);
    // The technician picked item `index` (-1: typed text matching no item).
    static EditResult comboChosen(ParameterImage& image, EditorId control, int index, char separator);
    // A pump check box was clicked into the given state.
    static EditResult checkClicked(ParameterImage& image, EditorId control, bool checked);
    // Enter released in a map grid on cell (column, row) holding `text`.
    static EditResult gridCellEntered(ParameterImage& image, EditorId grid, int column, int row,
                                      const std::string& text, char separator);

    // The entry of the edit box or map cell that shows field entry `name`
    // ("GeneralDelay", "ManualTrigP1Ton[3]"), as if typed there: the same
    // conversion and range check. A name no edit box or cell shows is
    // refused with a message naming it.
    static EditResult enterByName(ParameterImage& image, const std::string& name, const std::string& text,
                                  char separator);

    // A click on this cell opens the in-place editor (and marks it green).
    static bool isEditableCell(EditorId grid, int column, int row);

private:
    static EditResult storeDecimal(ParameterImage& image, const EditorRow& row, const std::string& text,
                                   char separator);
    static EditResult storeInteger(ParameterImage& image, const EditorRow& row, const std::string& text);
    static EditResult setConfigBit(ParameterImage& image, uint8_t bit, bool on);
};

} // namespace kdx
