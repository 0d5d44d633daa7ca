#pragma once

class QComboBox;
class QPushButton;
class QWidget;

namespace kdx {

// The "serwis" page: the service run's on and off times, start and stop.
struct SerwisPage {
    explicit SerwisPage(QWidget* page);

    QComboBox* onTime = nullptr;
    QComboBox* offTime = nullptr;
    QPushButton* start = nullptr;
    QPushButton* stop = nullptr;
};

} // namespace kdx
