#pragma once

#include "live/ChartTrace.h"

#include <QColor>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kdx {

// The charts of the live status in one widget: strips stacked on one time
// axis, each with its own value axis at the same x, so every plot starts and
// ends at the same pixel and one cursor line crosses them all. The layout is
// worked out again on every resize and every new range: value steps and
// axis width are chosen so that every label fits whole, and the time ticks
// fall on round local times, so they stay put while the curves move under
// them. Periods without frames are shaded in the colour of their cause.
class StripChart : public QWidget {
    Q_OBJECT
public:
    struct CurveStyle {
        Channel channel;
        size_t strip;
        QColor colour;
    };
    struct StripStyle {
        int weight = 1;
        double minRange = 1; // smallest value range shown
        bool fromZero = true; // read against zero (speeds, voltages, currents)
        bool lanes = false;   // the on/off lanes, one row each
    };
    // A lane: an on/off state, or (no switch) the link itself.
    struct LaneStyle {
        std::optional<Switch> state;
        QColor colour;
    };
    // What the layout placed, for tests: a text, its box and the width it needs.
    struct LabelBox {
        QString text;
        QRect box;
        int needed = 0;
    };
    enum class GapKind { LinkLost, BadAnswers, Paused, kCount };

    StripChart(std::vector<StripStyle> strips, std::vector<CurveStyle> curves, std::vector<LaneStyle> lanes,
               QWidget* parent = nullptr);

    // Names in the window's language.
    void setCurveNames(const std::vector<QString>& names);
    void setLaneNames(const std::vector<QString>& names);
    void setGapNames(const std::array<QString, static_cast<size_t>(GapKind::kCount)>& names);

    // Shows trace over [t0, t1] (UTC ms).
    void setTrace(ChartTrace trace, int64_t t0, int64_t t1);
    // The cursor line at a time, or none.
    void setCursor(std::optional<int64_t> utcMs);

    static GapKind gapKind(StatusSample::State cause);

    size_t stripCount() const { return m_strips.size(); }
    QRect plotArea(size_t strip) const { return m_plots[strip]; }
    // Value axis of a strip: lowest, highest and step of its labels.
    struct Axis {
        double lo = 0, hi = 1, step = 1;
    };
    Axis valueAxis(size_t strip) const { return m_axes[strip]; }
    const std::vector<int64_t>& timeTicks() const { return m_timeTicks; }
    const std::vector<LabelBox>& labels() const { return m_labels; }
    const ChartTrace& trace() const { return m_trace; }
    std::pair<int64_t, int64_t> timeRange() const { return {m_t0, m_t1}; }
    // Time at an x of the widget (the plots share it).
    int64_t timeAt(int x) const;
    int xOf(int64_t utcMs) const;

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

signals:
    void cursorMoved(qint64 utcMs);
    void cursorLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void relayout();
    Axis chooseAxis(size_t strip, int plotHeight) const;
    int titleHeight() const;
    int timeAxisHeight() const;
    int minPlotHeight(size_t strip) const;
    int valueY(size_t strip, double v) const;

    std::vector<StripStyle> m_strips;
    std::vector<CurveStyle> m_curves;
    std::vector<LaneStyle> m_lanes;
    std::vector<QString> m_curveNames;
    std::vector<QString> m_laneNames;
    std::array<QString, static_cast<size_t>(GapKind::kCount)> m_gapNames;

    ChartTrace m_trace;
    int64_t m_t0 = 0, m_t1 = 1;
    std::optional<int64_t> m_cursor;

    std::vector<QRect> m_plots;
    std::vector<Axis> m_axes;
    std::vector<int64_t> m_timeTicks;
    int64_t m_timeStepMs = 1000;
    std::vector<LabelBox> m_labels;
};

} // namespace kdx
