#pragma once

class QComboBox;
class QPushButton;
class QWidget;

namespace kdx {

class LanguageRegistry;

// The "serwis" page: the service run's on and off times, start and stop.
struct SerwisPage {
    // Registers the texts that follow the language with texts.
    SerwisPage(QWidget* page, LanguageRegistry& texts);

    QComboBox* onTime = nullptr;
    QComboBox* offTime = nullptr;
    QPushButton* start = nullptr;
    QPushButton* stop = nullptr;
};

} // namespace kdx
