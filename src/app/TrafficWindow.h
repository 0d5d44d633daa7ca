#pragma once

#include "app/AppContext.h"
#include "link/TrafficLog.h"

#include <QWidget>

#include <deque>
#include <string>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace kdx {

class MainWindow;

// The traffic view: the last few thousand frames on the line (time, sender,
// kind, bytes), pausable, exportable as text in the format kdx-sim --trace
// writes. Recording runs only while the window is shown.
class TrafficWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 200;

    TrafficWindow(MainWindow& window, AppContext& context);

    // Shows the window and starts recording.
    void open();
    // Takes what the capture holds into the view (the refresh timer does
    // this while shown, between two exchanges).
    void refresh();
    // Writes the frames shown, one line each; false with the reason.
    bool exportTo(const QString& path, std::string& error) const;
    const std::deque<TrafficRecord>& records() const { return m_records; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void exportClicked();
    void clearClicked();
    // The window's text of key; English where it has none.
    QString say(int key, const char* english) const;

    TrafficExportFacts exportFacts() const;

    MainWindow& m_window;
    AppContext& m_ctx;
    QString m_startDirectory;
    bool m_startedHere = false; // this view started the capture (none ran from start-up)
    std::deque<TrafficRecord> m_records;
    uint64_t m_next = 0;

    QPlainTextEdit* m_memo = nullptr;    // MemoTraffic
    QCheckBox* m_pause = nullptr;        // CheckBoxTrafficPause
    QPushButton* m_export = nullptr;     // ButtonTrafficExport
    QPushButton* m_clear = nullptr;      // ButtonTrafficClear
    QLabel* m_count = nullptr;           // LabelTrafficCount
    QTimer* m_timer = nullptr;
};

} // namespace kdx
