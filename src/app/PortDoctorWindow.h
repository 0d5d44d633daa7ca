#pragma once

#include "app/AppContext.h"

#include <QWidget>

class QTextEdit;
class QPushButton;

namespace kdx {

class MainWindow;

// "Diagnose ports": every serial device with its by-id names, USB ids,
// driver, latency timer, access and holders, whether ModemManager or brltty
// run, and the one-line fix of each problem (the findings are PortDoctor's).
class PortDoctorWindow : public QWidget {
    Q_OBJECT
public:
    PortDoctorWindow(MainWindow& window, AppContext& context);

    // Examines the ports again and shows the window.
    void open();
    QString reportText() const;

private:
    // Examines the ports and shows the report in the window's language.
    void diagnose();

    AppContext& m_ctx;
    QTextEdit* m_report = nullptr;  // MemoPortDoctor
    QPushButton* m_again = nullptr;     // ButtonDiagnoseAgain
};

} // namespace kdx
