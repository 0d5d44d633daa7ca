#pragma once

#include <vector>

class QLineEdit;
class QWidget;

namespace kdx {

class EditorWiring;
class LanguageRegistry;

class StringGrid;

// The "automat" page: the automatic mode's pump on time per rpm band, its
// pause per humidity and temperature band, and its limits. Everything but
// the title is kept and never shown.
struct AutoPage {
    // Registers the texts that follow the language with texts.
    AutoPage(QWidget* page, LanguageRegistry& texts);

    // The limits and both maps commit through the editors.
    void bind(const EditorWiring& editors);

    StringGrid* pumpOn = nullptr;
    StringGrid* pumpStop = nullptr;
    QLineEdit* maxHumidity = nullptr;
    QLineEdit* minTemperature = nullptr;
    QLineEdit* rpmUpTime = nullptr;
    QLineEdit* shortOff = nullptr;

    // Once the window's texts are in: everything but the title goes.
    void hideUnshown();

private:
    std::vector<QWidget*> m_unshown;
};

} // namespace kdx
