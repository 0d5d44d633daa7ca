#pragma once

#include "live/ConnectionLog.h"
#include "live/StatusPoller.h"

class QCheckBox;
class QComboBox;
class QKeySequenceEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace kdx {

class EditorWiring;
class LanguageRegistry;

class StringGrid;

// The "parametry" page: connecting, the link counters, the controller's
// connection log, the active pumps, the level, delay and rpm input settings,
// the vehicle presets, the reset, and the hidden procedure buttons.
struct ParametersPage {
    // Registers the texts that follow the language with texts.
    ParametersPage(QWidget* page, LanguageRegistry& texts);

    // The parameter controls commit through the editors; the connection
    // log's rows are painted in the colours the controller's log gives them.
    void bind(const EditorWiring& editors, const ConnectionLog& log);
    // The log's rows as last read, below the heading.
    void showConnectionLog(const std::array<ConnectionLog::Row, live::kLogSlots>& rows) const;

    QPushButton* connectButton = nullptr;
    // Link counters: CRC errors, bad packets, lost packets.
    QLabel* crcErrors = nullptr;
    QLabel* badPackets = nullptr;
    QLabel* lostPackets = nullptr;
    QLabel* counter(CounterLabel which) const;
    StringGrid* connectionLog = nullptr;
    QCheckBox* pump1Active = nullptr;
    QCheckBox* pump2Active = nullptr;
    QLineEdit* minLevH = nullptr;
    QLineEdit* minLevL = nullptr;
    QLineEdit* generalDelay = nullptr;
    QLineEdit* rpmDivide = nullptr;
    QComboBox* rpmIn = nullptr;
    QComboBox* comparator = nullptr;
    QComboBox* fuelType = nullptr;
    QComboBox* averageConsumption = nullptr;
    QPushButton* setDefaults = nullptr;
    // Procedures a technician never sees; pressed by the program.
    QPushButton* loadAllData = nullptr;
    QPushButton* readAll = nullptr;
    QPushButton* showAllData = nullptr;
    QKeySequenceEdit* connectKey = nullptr;
    StringGrid* rawWords = nullptr;
    QLabel* footer = nullptr;
};

} // namespace kdx
