#pragma once

#include "params/ControlUpdates.h"
#include "params/EditResult.h"
#include "params/GridPaint.h"
#include "params/ParameterImage.h"
#include "params/RegisterWriter.h"

#include <functional>
#include <map>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPainter;
class QRect;
class QWidget;

namespace kdx {

class MainWindow;
class StringGrid;
class UnsentTextMark;
class UserPrompts;

// The window side of the parameter editors: the edit boxes, combo boxes,
// check boxes and map grids of the parameter pages, each under the editor id
// the parameter procedures address it by. It hands the
// technician's entries to ParameterEditor, applies what comes back, sends
// the writes, and shows plainly which texts the controller was not sent.
class ParameterEditorsGlue {
public:
    // Live markers of the map grids from the last valid status frame.
    using MarkerSource = std::function<LiveMarkers()>;

    ParameterEditorsGlue(MainWindow& window, ParameterImage& image, RegisterWriter& writer, UserPrompts& prompts,
                         MarkerSource markers);
    ~ParameterEditorsGlue();

    // Contents written by the program (the parameters shown, a preset): shown
    // texts, nothing pending.
    void applyShown(const ControlUpdates& updates);

    // Enter released in an edit box; an item picked; a check box clicked.
    void editEntered(EditorId name);
    void comboChosen(EditorId name);
    void checkClicked(EditorId name);
    // A map grid cell clicked; Enter released in a map grid; a cell painted.
    void gridClicked(EditorId name);
    void gridEntered(EditorId name);
    void paintMapCell(EditorId name, QPainter& painter, int column, int row, const QRect& rect);
    // The maps follow a new status frame; the green mark of a click goes.
    void repaintMapGrids();

    // The decimal separator texts are written and read with.
    static char decimalSeparator();

private:
    StringGrid* grid(EditorId name) const;
    // Shows the error, or applies the updates and sends the writes; the
    // updated texts count as sent only when every write reached the port.
    bool applyEdit(const EditResult& result);
    void clearMarkedCell();

    MainWindow& m_window;
    ParameterImage& m_image;
    RegisterWriter& m_writer;
    UserPrompts& m_prompts;
    MarkerSource m_markers;
    std::map<EditorId, QLineEdit*> m_edits;
    std::map<EditorId, QComboBox*> m_combos;
    std::map<EditorId, QCheckBox*> m_checks;
    std::map<EditorId, StringGrid*> m_grids;
    QWidget* m_anKompSett = nullptr;
    UnsentTextMark* m_unsent = nullptr;
    // The data cell a click marked green until the next repaint of the maps.
    struct MarkedCell {
        StringGrid* grid = nullptr;
        int column = 0;
        int row = 0;
    } m_marked;
};

} // namespace kdx
