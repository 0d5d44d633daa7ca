#pragma once

#include "live/SampleHistory.h"
#include "live/StatusPoller.h"
#include "live/StatusRecorder.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class QLabel;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QWidget;

namespace kdx {

class ChartsGlue;
class MainWindow;
class LanguageTexts;
class StripChart;
struct AppContext;

// Adds the "charts" page (TabSheetCharts) to the window's pages, before the
// tester page, with its glue.
ChartsGlue* addChartsPage(MainWindow& window);

// Glue of the "charts" page: strip charts of the live status on one time
// axis, the recording of the status to a file and the review of a recorded
// file. It is handed the controls the page built. The history and the recorder are the Qt-free
// ones of the live subsystem; this class hands their trace to the chart, at
// most kRefreshMs apart and only while the page is on screen. A period
// without frames goes into the history and the recording as one gap row
// naming its cause (link lost, or polling paused by the tool).
class ChartsGlue : public QObject {
    Q_OBJECT
public:
    // Redraws come no closer than kRefreshMs and, on a longer span, only
    // once the curves have moved by about kRefreshPixels.
    static constexpr int64_t kRefreshMs = 500;
    static constexpr int64_t kMaxRefreshMs = 2000;
    static constexpr int kRefreshPixels = 6;
    static constexpr int kMinSpanMinutes = 1;
    static constexpr int kMaxSpanMinutes = 10;
    // Points per curve above which a curve is thinned to its extremes: at
    // most a low and a high point per pixel of the plot, which draws the
    // same line as every frame would.
    static constexpr size_t kMaxPointsPerCurve = 2000;
    static constexpr size_t kMinPointsPerCurve = 200;
    // Live history: ten minutes of frames (or gaps) at 10 a second, and some.
    static constexpr size_t kLiveCapacity = 6400;
    static constexpr int64_t kLiveKeepMs = kMaxSpanMinutes * 60000 + 5000;
    // The cursor shows a sample at most this far from it.
    static constexpr int64_t kCursorReachMs = 2000;


    // The page's controls, built by addChartsPage.
    struct Controls {
        QSpinBox* span = nullptr;
        QPushButton* record = nullptr;
        QPushButton* open = nullptr;
        QPushButton* live = nullptr;
        QLabel* recording = nullptr;
        QLabel* cursor = nullptr;
        QLabel* indicator = nullptr; // LabelRecordingState, in the status bar
        QScrollBar* reviewScroll = nullptr;
        StripChart* chart = nullptr;
    };

    ChartsGlue(MainWindow& window, QWidget& page, const Controls& controls);
    ~ChartsGlue() override;

    // The glue of a window's charts page, if it has one.
    static ChartsGlue* of(MainWindow& window);

    // One status tick's outcome: a frame or a gap goes into the history and
    // into the recording. serialNumber: the connected controller's.
    void onTick(const TickResult& result, uint32_t serialNumber);

    // Redraws the charts now (the page being visible or not).
    void refresh();
    // Starts or stops the recording as the "record" button does; false with
    // the reason shown when it could not start.
    bool startRecording();
    void stopRecording();
    // Shows a recorded file instead of the live status; false (reason shown)
    // when it cannot be read.
    bool openRecording(const std::string& path);
    void showLive();

    // The file dialog of "open recording"; tests answer it themselves.
    using FilePicker = std::function<std::optional<std::string>(const std::string& folder)>;
    void setFilePicker(FilePicker picker) { m_picker = std::move(picker); }

    const SampleHistory& liveHistory() const { return m_live; }
    const StatusRecorder& recorder() const { return m_recorder; }
    bool reviewing() const { return m_review != nullptr; }
    StripChart& chart() const { return *m_chart; }
    // The time range the strips show, UTC ms.
    std::pair<int64_t, int64_t> timeRange() const;
    int spanMinutes() const;
    // UTC time of the clock's now.
    int64_t utcNow() const;
    // Shows the values nearest to a time under the cursor line; outside the
    // shown recording or the history, nothing.
    void showCursor(int64_t utcMs);
    void clearCursor();
    // Redraws while no frame comes (its own timer runs it, inside dialogs too).
    void silenceTick();
    // Names of the curves, lanes and gap causes, and the record button, in
    // the window's language (null: the built-in English).
    void retranslate(const LanguageTexts* texts = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const SampleHistory& shown() const { return m_review ? *m_review : m_live; }
    void add(const StatusSample& sample);
    int64_t refreshIntervalMs() const;
    std::optional<StatusSample::State> ongoingGap() const;
    QString text(int key, const char* english) const;
    void recordingFailed(const std::string& why);
    void showRecordingState();
    void showRecordingIndicator();
    void setRecordingText(const QString& text);
    void updateReviewScroll();
    void openClicked();

    MainWindow& m_window;
    AppContext& m_ctx;
    QWidget& m_page;
    QSpinBox* m_span;
    QPushButton* m_record;
    QPushButton* m_open;
    QPushButton* m_liveButton;
    QLabel* m_recordingLabel;
    QLabel* m_cursorLabel;
    QLabel* m_statusIndicator; // LabelRecordingState, in the status bar on every page
    QScrollBar* m_reviewScroll;
    StripChart* m_chart;
    std::pair<int64_t, int64_t> m_range{0, 1};

    SampleHistory m_live{kLiveCapacity, kLiveKeepMs};
    std::unique_ptr<SampleHistory> m_review;
    std::string m_reviewName;
    StatusRecorder m_recorder;
    std::optional<uint32_t> m_serial;
    int64_t m_recordingSinceUtc = 0;
    const LanguageTexts* m_texts = nullptr;
    int64_t m_utcAnchor;
    uint64_t m_clockAnchor;
    int64_t m_lastRefreshMs = 0;
    bool m_dirty = true;
    std::optional<int64_t> m_cursorMs;
    FilePicker m_picker;
};

} // namespace kdx
