#pragma once

#include <array>

class QComboBox;
class QLineEdit;
class QWidget;

namespace kdx {

class EditorWiring;
class LanguageRegistry;

// The "manual const" page: each pump's rpm window, and its on and off times
// (kept, never shown).
struct ManualConstPage {
    // Registers the texts that follow the language with texts.
    ManualConstPage(QWidget* page, LanguageRegistry& texts);

    // Both pumps' settings commit through the editors.
    void bind(const EditorWiring& editors);

    struct Pump {
        QComboBox* minRpm = nullptr;
        QComboBox* maxRpm = nullptr;
        QLineEdit* onTime = nullptr;
        QLineEdit* offTime = nullptr;
    };
    // Pump 1 first.
    std::array<Pump, 2> pumps{};
};

} // namespace kdx
