#pragma once

#include "live/DashboardView.h"

#include <array>

class QCheckBox;
class QPushButton;
class QWidget;

namespace kdx {

class ControllerCommands;
class LanguageRegistry;
class ProcedureRunner;
class LedIndicator;
class StringGrid;

// The "diag" page: the controller's errors now and in memory, the pump
// warnings and the live diagnostic values.
class DiagPage {
public:
    // Registers the texts that follow the language with texts.
    DiagPage(QWidget* page, LanguageRegistry& texts);

    // "erase erros" clears the controller's error memory, as a handler.
    void bind(ControllerCommands& commands, const ProcedureRunner& runner);

    // The error boxes, warnings and diagnostic values of one status frame.
    void apply(const DashboardView& view);

    QPushButton* eraseButton() const { return m_erase; }
    // Pump 1 or 2 not connected; clicked, it shows this page.
    LedIndicator* pumpWarning(int pump) const { return m_pumpWarnings[pump == 2 ? 1 : 0]; }
    StringGrid* values() const { return m_values; }

private:
    std::array<QCheckBox*, kNamedErrorBits> m_actualErrors{};
    std::array<QCheckBox*, kNamedErrorBits> m_memoryErrors{};
    QPushButton* m_erase = nullptr;
    std::array<LedIndicator*, 2> m_pumpWarnings{};
    StringGrid* m_values = nullptr;
    QCheckBox* m_comparatorOut = nullptr;
    QCheckBox* m_comparatorEvent = nullptr;
};

} // namespace kdx
