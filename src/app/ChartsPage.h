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

class QAbstractAxis;
class QChart;
class QChartView;
class QDateTimeAxis;
class QGraphicsLineItem;
class QLabel;
class QLineSeries;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QValueAxis;
class QWidget;

namespace kdx {

class ChartsGlue;
class MainWindow;
struct AppContext;

// Adds the "charts" page (TabSheetCharts) to the window's pages, before the
// tester page, with its glue.
ChartsGlue* addChartsPage(MainWindow& window);

// Glue of the "charts" page: strip charts of the live status on one time
// axis, the recording of the status to a file and the review of a recorded
// file. Its controls are resolved by name once, when it is made; a missing
// one stops the program there. The history and the recorder are the Qt-free
// ones of the live subsystem; this class only copies their points into the
// charts, at most kRefreshMs apart and only while the page is on screen.
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
    static constexpr size_t kMaxPointsPerCurve = 1000;
    static constexpr size_t kMinPointsPerCurve = 200;
    // Live history: ten minutes of frames (or gaps) at 10 a second, and some.
    static constexpr size_t kLiveCapacity = 6400;
    static constexpr int64_t kLiveKeepMs = kMaxSpanMinutes * 60000 + 5000;
    // The cursor shows a sample at most this far from it.
    static constexpr int64_t kCursorReachMs = 2000;

    // The charts' curves, in the order of the series names below.
    enum Curve {
        EngineSpeed, Humidity, Temperature, SupplyVoltage, WaterLevel, Pump1Current, Pump2Current,
        IgnitionLane, Pump1Lane, Pump2Lane, Ioniser1Lane, Ioniser2Lane, LinkLane, kCurveCount
    };

    ChartsGlue(MainWindow& window, QWidget& page);
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
    QLineSeries* curve(Curve c) const { return m_curves[c]; }
    // The time range a strip shows, UTC ms (strip 4, the lowest, writes the times).
    std::pair<int64_t, int64_t> timeRange(size_t strip) const;
    int spanMinutes() const;
    // UTC time of the clock's now.
    int64_t utcNow() const;
    // Shows the values nearest to a time under the cursor line.
    void showCursor(int64_t utcMs);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr size_t kStrips = 5;
    template <typename T>
    T* need(const char* name);
    const SampleHistory& shown() const { return m_review ? *m_review : m_live; }
    void add(const StatusSample& sample);
    int64_t refreshIntervalMs() const;
    void alignPlots();
    void recordingFailed(const std::string& why);
    void showRecordingState();
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
    QScrollBar* m_reviewScroll;
    std::array<QChartView*, kStrips> m_views{};
    std::array<QAbstractAxis*, kStrips> m_timeAxes{};
    std::array<QValueAxis*, kStrips - 1> m_valueAxes{};
    std::array<QLineSeries*, kCurveCount> m_curves{};
    std::array<QGraphicsLineItem*, kStrips> m_cursorLines{};

    SampleHistory m_live{kLiveCapacity, kLiveKeepMs};
    std::unique_ptr<SampleHistory> m_review;
    std::string m_reviewName;
    StatusRecorder m_recorder;
    std::optional<uint32_t> m_serial;
    int64_t m_utcAnchor;
    uint64_t m_clockAnchor;
    int64_t m_lastRefreshMs = 0;
    int m_alignedWidth = -1;
    bool m_dirty = true;
    std::optional<int64_t> m_cursorMs;
    FilePicker m_picker;
};

} // namespace kdx
