#pragma once

#include <array>

class QComboBox;
class QLineEdit;
class QWidget;

namespace kdx {

class LanguageRegistry;

// The "manual const" page: each pump's rpm window, and its on and off times
// (kept, never shown).
struct ManualConstPage {
    // Registers the texts that follow the language with texts.
    ManualConstPage(QWidget* page, LanguageRegistry& texts);

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
