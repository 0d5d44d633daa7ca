#pragma once

#include "params/EditorId.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace kdx {

class EnterKeyWatch;
class ParameterEditorsGlue;
class ProcedureRunner;
class StringGrid;

// How a page ties its parameter controls to the editors: an edit box commits
// on the release of Enter, a drop-down on the technician's pick (not on a
// change the program makes), a check box on its click, a map grid on a cell
// click and on Enter, and paints its cells through the editors. Every entry
// runs as a short procedure. The editors, the watch and the runner outlive
// the controls; the wiring itself may go once the page is bound.
class EditorWiring {
public:
    EditorWiring(ParameterEditorsGlue& editors, EnterKeyWatch& enter, const ProcedureRunner& runner)
        : m_editors(editors), m_enter(enter), m_runner(runner)
    {
    }

    void edit(QLineEdit* control, EditorId id) const;
    void combo(QComboBox* control, EditorId id) const;
    void check(QCheckBox* control, EditorId id) const;
    void grid(StringGrid* control, EditorId id) const;

private:
    ParameterEditorsGlue& m_editors;
    EnterKeyWatch& m_enter;
    const ProcedureRunner& m_runner;
};

} // namespace kdx
