#pragma once

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace kdx {

class LedIndicator;

// The controls of the production tester's page, built once on the page; the
// tester glue drives them.
struct TesterControls {
    explicit TesterControls(QWidget* page);

    QLineEdit* serialEdit = nullptr;   // the scanned serial number
    QLabel* serialLabel = nullptr;     // what the tester expects next
    QLabel* timeLabel = nullptr;       // the running test's time
    QLabel* resultFile = nullptr;      // where the result was written
    QPlainTextEdit* log = nullptr;
    LedIndicator* resultLamp = nullptr;
};

} // namespace kdx
