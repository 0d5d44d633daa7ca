#pragma once

#include "live/DashboardView.h"

#include <array>
#include <optional>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace kdx {

class LanguageRegistry;
class LedIndicator;
class Meter270;

// The panel right of the pages: the engine speed meter, the controller's
// lamps and measurements, the work mode buttons and the transfer progress.
// Each status frame's view is applied through the controls it keeps.
class DashboardPanel {
public:
    // Builds the controls on panel, which is width pixels wide.
    DashboardPanel(QWidget* panel, int width);

    // The lamps, captions, measurements and the mode button in bold. Only
    // what differs from the view applied before reaches the controls, so a
    // steady controller costs no layout and no repaint.
    void apply(const DashboardView& view);

    // Holds every lamp still while the values are covered as old (see
    // LedIndicator::setHeld), and lets them flash again when they are not.
    void holdLamps(bool held);

    QPushButton* modeButton(ModeButton which) const { return m_modeButtons[static_cast<size_t>(which)]; }
    LedIndicator* lamp(Lamp which) const { return m_lamps[static_cast<size_t>(which)]; }
    // Any error in the controller's memory; clicked, it shows the diagnostics.
    LedIndicator* memoryErrorLamp() const { return m_memoryError; }
    // The deferred save to the controller's memory.
    LedIndicator* savingLamp() const { return m_saving; }
    QProgressBar* progress() const { return m_progress; }
    // An operation's progress. A bar repaints itself at once when it moves,
    // which between two frames of a long operation would lengthen the gap
    // on the wire: a position between the first and the last is painted at
    // the window's next turn (inside the next pause) instead; the first, the
    // last and a new maximum show at once.
    void showProgress(int position, int maximum);
    QPushButton* saveEepromButton() const { return m_saveEeprom; }

    // The lamps, buttons and texts whose captions follow the language.
    void registerTexts(LanguageRegistry& texts) const;

private:
    // What the controls show from the last view applied; none before the first.
    struct Shown {
        std::string opPerSecond, pump1Caption, pump2Caption, systemOnCaption, vdcText, humidityText,
            temperatureText;
    };
    std::optional<Shown> m_shown;

    Meter270* m_meter = nullptr;
    std::array<LedIndicator*, kLampCount> m_lamps{};
    LedIndicator* m_memoryError = nullptr;
    LedIndicator* m_saving = nullptr;
    QLabel* m_humidity = nullptr;
    QLabel* m_temperature = nullptr;
    QLabel* m_supply = nullptr;
    QLabel* m_operations = nullptr;
    std::array<QPushButton*, kModeButtonCount> m_modeButtons{};
    QProgressBar* m_progress = nullptr;
    std::optional<int> m_pendingProgress; // to be shown at the window's next turn
    QPushButton* m_saveEeprom = nullptr;
};

} // namespace kdx
