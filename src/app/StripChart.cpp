#include "app/StripChart.h"

#include <QDateTime>
#include <QEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace kdx {

namespace {

constexpr int kTickGapPx = 6;      // between a value label and its plot
constexpr int kStripGapPx = 4;     // between one strip's plot and the next title
constexpr int kLabelSpacingPx = 4; // at least this much between two value labels
constexpr int kTimeLabelGapPx = 18;
// Round time steps for the time labels, the smallest that leaves room between them.
constexpr int64_t kTimeStepsMs[] = {1000,   2000,   5000,    10000,   15000,   30000,   60000,
                                    120000, 300000, 600000, 900000, 1800000, 3600000};
const QColor kGapColours[] = {QColor(250, 196, 196), QColor(252, 226, 168), QColor(205, 218, 240)};
const QColor kGridColour(226, 226, 226);
const QColor kFrameColour(150, 150, 150);

QString timeText(int64_t utcMs, int64_t stepMs)
{
    return QDateTime::fromMSecsSinceEpoch(utcMs).toString(stepMs >= 60000 ? QStringLiteral("HH:mm")
                                                                           : QStringLiteral("HH:mm:ss"));
}

int decimalsFor(double step)
{
    int d = 0;
    while (d < 4 && std::fabs(step * std::pow(10.0, d) - std::round(step * std::pow(10.0, d))) > 1e-6)
        ++d;
    return d;
}

} // namespace

StripChart::StripChart(std::vector<StripStyle> strips, std::vector<CurveStyle> curves, std::vector<LaneStyle> lanes,
                       QWidget* parent)
    : QWidget(parent), m_strips(std::move(strips)), m_curves(std::move(curves)), m_lanes(std::move(lanes)),
      m_curveNames(m_curves.size()), m_laneNames(m_lanes.size()), m_plots(m_strips.size()), m_axes(m_strips.size())
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    relayout();
}

void StripChart::setCurveNames(const std::vector<QString>& names)
{
    m_curveNames = names;
    m_curveNames.resize(m_curves.size());
    relayout();
    update();
}

void StripChart::setLaneNames(const std::vector<QString>& names)
{
    m_laneNames = names;
    m_laneNames.resize(m_lanes.size());
    updateGeometry();
    relayout();
    update();
}

void StripChart::setGapNames(const std::array<QString, static_cast<size_t>(GapKind::kCount)>& names)
{
    m_gapNames = names;
    update();
}

void StripChart::setTrace(ChartTrace trace, int64_t t0, int64_t t1)
{
    m_trace = std::move(trace);
    m_t0 = t0;
    m_t1 = std::max(t1, t0 + 1);
    relayout();
    update();
}

void StripChart::setCursor(std::optional<int64_t> utcMs)
{
    if (m_cursor == utcMs)
        return;
    m_cursor = utcMs;
    update();
}

StripChart::GapKind StripChart::gapKind(StatusSample::State cause)
{
    switch (cause) {
    case StatusSample::State::NoLink: return GapKind::LinkLost;
    case StatusSample::State::Paused: return GapKind::Paused;
    default: return GapKind::BadAnswers;
    }
}

int StripChart::titleHeight() const { return fontMetrics().height() + 4; }
int StripChart::timeAxisHeight() const { return fontMetrics().height() + 6; }

int StripChart::minPlotHeight(size_t strip) const
{
    const int line = fontMetrics().height();
    if (m_strips[strip].lanes)
        return static_cast<int>(m_lanes.size()) * (line + 2);
    // Three labels one above the other, with room between them.
    return 2 * (line + kLabelSpacingPx) + line / 2;
}

QSize StripChart::minimumSizeHint() const
{
    int h = timeAxisHeight() + 2;
    for (size_t s = 0; s < m_strips.size(); ++s)
        h += titleHeight() + minPlotHeight(s) + kStripGapPx;
    return {240, h};
}

QSize StripChart::sizeHint() const { return {600, minimumSizeHint().height() * 3 / 2}; }

StripChart::Axis StripChart::chooseAxis(size_t strip, int plotHeight) const
{
    const StripStyle& style = m_strips[strip];
    double lo = HUGE_VAL, hi = -HUGE_VAL;
    for (size_t c = 0; c < m_curves.size(); ++c) {
        if (m_curves[c].strip != strip)
            continue;
        for (const auto& seg : m_trace.curves[static_cast<size_t>(m_curves[c].channel)])
            for (const auto& p : seg) {
                if (p.utcMs < m_t0 || p.utcMs > m_t1)
                    continue;
                lo = std::min(lo, static_cast<double>(p.y));
                hi = std::max(hi, static_cast<double>(p.y));
            }
    }
    if (lo > hi)
        lo = hi = 0; // nothing in view
    if (style.fromZero) {
        lo = std::min(lo, 0.0);
        hi = std::max(hi, lo + style.minRange);
    } else if (hi - lo < style.minRange) {
        const double mid = (lo + hi) / 2;
        lo = mid - style.minRange / 2;
        hi = mid + style.minRange / 2;
    }
    const int line = fontMetrics().height();
    const int maxLabels = std::max(3, plotHeight / (line + kLabelSpacingPx) + 1);
    const double range = hi - lo;
    double magnitude = std::pow(10.0, std::floor(std::log10(range / (maxLabels - 1))));
    Axis axis;
    for (int round = 0; round < 8; ++round, magnitude *= 10) {
        bool found = false;
        for (double f : {1.0, 2.0, 2.5, 5.0}) {
            const double step = f * magnitude;
            const double a = std::floor(lo / step + 1e-9) * step;
            const double b = std::ceil(hi / step - 1e-9) * step;
            const long count = std::lround((b - a) / step) + 1;
            if (count <= maxLabels) {
                axis = {a, b, step};
                if (count < 3)
                    axis.hi = a + 2 * step; // three labels at least
                found = true;
                break;
            }
        }
        if (found)
            break;
    }
    return axis;
}

void StripChart::relayout()
{
    const QFontMetrics fm = fontMetrics();
    const int line = fm.height();
    const int titleH = titleHeight();
    const int bottom = height() - timeAxisHeight();
    // Heights: the extra above the minimum shared by weight.
    int minimum = 0, weights = 0;
    for (size_t s = 0; s < m_strips.size(); ++s) {
        minimum += titleH + minPlotHeight(s) + kStripGapPx;
        weights += m_strips[s].weight;
    }
    const int extra = std::max(0, bottom - minimum);
    std::vector<int> plotHeights(m_strips.size());
    int given = 0;
    for (size_t s = 0; s < m_strips.size(); ++s) {
        const int share = s + 1 == m_strips.size() ? extra - given : extra * m_strips[s].weight / weights;
        given += share;
        plotHeights[s] = minPlotHeight(s) + share;
    }
    // Value axes, then the width their labels need.
    std::vector<std::vector<QString>> valueTexts(m_strips.size());
    int axisWidth = 0;
    const QLocale locale;
    for (size_t s = 0; s < m_strips.size(); ++s) {
        if (m_strips[s].lanes) {
            for (const QString& name : m_laneNames)
                axisWidth = std::max(axisWidth, fm.horizontalAdvance(name));
            continue;
        }
        m_axes[s] = chooseAxis(s, plotHeights[s]);
        const Axis& a = m_axes[s];
        const int decimals = decimalsFor(a.step);
        for (double v = a.lo; v <= a.hi + a.step / 2; v += a.step) {
            const QString text = locale.toString(std::fabs(v) < a.step / 1e6 ? 0.0 : v, 'f', decimals);
            valueTexts[s].push_back(text);
            axisWidth = std::max(axisWidth, fm.horizontalAdvance(text));
        }
    }
    axisWidth += kTickGapPx + 4;
    const int timeLabelWidth = fm.horizontalAdvance(QStringLiteral("00:00:00"));
    const int left = axisWidth;
    const int right = std::max(left + 10, width() - timeLabelWidth / 2 - 4);

    m_labels.clear();
    int y = 0;
    for (size_t s = 0; s < m_strips.size(); ++s) {
        m_plots[s] = QRect(QPoint(left, y + titleH), QPoint(right - 1, y + titleH + plotHeights[s] - 1));
        y += titleH + plotHeights[s] + kStripGapPx;
        const QRect& plot = m_plots[s];
        if (m_strips[s].lanes) {
            const int rows = static_cast<int>(m_lanes.size());
            for (int k = 0; k < rows; ++k) {
                const QString& text = m_laneNames[static_cast<size_t>(k)];
                const int rowBottom = plot.bottom() - plot.height() * k / rows;
                const int rowTop = plot.bottom() - plot.height() * (k + 1) / rows;
                const int centre = (rowTop + rowBottom) / 2;
                m_labels.push_back({text, QRect(0, centre - line / 2, left - kTickGapPx, line),
                                    fm.horizontalAdvance(text)});
            }
            continue;
        }
        for (size_t i = 0; i < valueTexts[s].size(); ++i) {
            const int vy = valueY(s, m_axes[s].lo + static_cast<double>(i) * m_axes[s].step);
            m_labels.push_back({valueTexts[s][i], QRect(0, vy - line / 2, left - kTickGapPx, line),
                                fm.horizontalAdvance(valueTexts[s][i])});
        }
    }
    // Time ticks on round local times, so they stay where they are while
    // the range moves on.
    const int plotWidth = std::max(1, right - left);
    const double msPerPx = static_cast<double>(m_t1 - m_t0) / plotWidth;
    m_timeStepMs = kTimeStepsMs[std::size(kTimeStepsMs) - 1];
    for (int64_t step : kTimeStepsMs) {
        if (static_cast<double>(step) / msPerPx >= timeLabelWidth + kTimeLabelGapPx) {
            m_timeStepMs = step;
            break;
        }
    }
    const int64_t offset =
        static_cast<int64_t>(QDateTime::fromMSecsSinceEpoch(m_t0).offsetFromUtc()) * 1000;
    m_timeTicks.clear();
    int64_t t = ((m_t0 + offset + m_timeStepMs - 1) / m_timeStepMs) * m_timeStepMs - offset;
    const int timeTop = bottom + 3;
    for (; t <= m_t1; t += m_timeStepMs) {
        m_timeTicks.push_back(t);
        const QString text = timeText(t, m_timeStepMs);
        const int w = fm.horizontalAdvance(text);
        const QRect box(xOf(t) - w / 2 - 1, timeTop, w + 2, line);
        // A tick at the very left keeps its grid line; its label would run
        // into the value labels.
        if (box.left() >= left - kTickGapPx && box.right() < width())
            m_labels.push_back({text, box, w});
    }
}

int StripChart::valueY(size_t strip, double v) const
{
    const QRect& plot = m_plots[strip];
    const Axis& a = m_axes[strip];
    const double f = (v - a.lo) / (a.hi - a.lo);
    return plot.bottom() - static_cast<int>(std::lround(f * (plot.height() - 1)));
}

int StripChart::xOf(int64_t utcMs) const
{
    const QRect& plot = m_plots.front();
    const double f = static_cast<double>(utcMs - m_t0) / static_cast<double>(m_t1 - m_t0);
    return plot.left() + static_cast<int>(std::lround(f * (plot.width() - 1)));
}

int64_t StripChart::timeAt(int x) const
{
    const QRect& plot = m_plots.front();
    const double f = static_cast<double>(x - plot.left()) / std::max(1, plot.width() - 1);
    return m_t0 + static_cast<int64_t>(std::llround(f * static_cast<double>(m_t1 - m_t0)));
}

void StripChart::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void StripChart::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    relayout();
}

void StripChart::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        relayout();
    }
}

void StripChart::mouseMoveEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x();
    const QRect& plot = m_plots.front();
    if (x < plot.left() || x > plot.right()) {
        emit cursorLeft();
        return;
    }
    emit cursorMoved(timeAt(x));
}

void StripChart::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    emit cursorLeft();
}

void StripChart::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const QFontMetrics fm = fontMetrics();
    const int line = fm.height();

    for (size_t s = 0; s < m_strips.size(); ++s) {
        const QRect& plot = m_plots[s];
        p.fillRect(plot, Qt::white);
        p.setClipRect(plot);
        // The periods without frames, in the colour of their cause.
        for (const auto& g : m_trace.gaps) {
            const int x0 = xOf(g.fromMs), x1 = std::max(xOf(g.toMs), x0 + 1);
            p.fillRect(QRect(QPoint(x0, plot.top()), QPoint(x1, plot.bottom())),
                       kGapColours[static_cast<size_t>(gapKind(g.cause))]);
        }
        p.setPen(kGridColour);
        for (int64_t t : m_timeTicks)
            p.drawLine(xOf(t), plot.top(), xOf(t), plot.bottom());
        if (!m_strips[s].lanes) {
            const Axis& a = m_axes[s];
            for (double v = a.lo; v <= a.hi + a.step / 2; v += a.step)
                p.drawLine(plot.left(), valueY(s, v), plot.right(), valueY(s, v));
            p.setRenderHint(QPainter::Antialiasing, true);
            for (const CurveStyle& c : m_curves) {
                if (c.strip != s)
                    continue;
                p.setPen(QPen(c.colour, 1.3));
                for (const auto& seg : m_trace.curves[static_cast<size_t>(c.channel)]) {
                    if (seg.size() == 1) {
                        p.drawPoint(xOf(seg[0].utcMs), valueY(s, seg[0].y));
                        continue;
                    }
                    QPolygonF poly;
                    poly.reserve(static_cast<qsizetype>(seg.size()));
                    for (const auto& pt : seg)
                        poly << QPointF(xOf(pt.utcMs), valueY(s, pt.y));
                    p.drawPolyline(poly);
                }
            }
            p.setRenderHint(QPainter::Antialiasing, false);
        } else {
            // Each lane: a baseline, and a filled bar over it while on.
            const int rows = static_cast<int>(m_lanes.size());
            for (int k = 0; k < rows; ++k) {
                const int rowBottom = plot.bottom() - plot.height() * k / rows - 1;
                const int rowTop = plot.bottom() - plot.height() * (k + 1) / rows;
                const int barTop = rowTop + std::max(2, (rowBottom - rowTop) / 5);
                const LaneStyle& lane = m_lanes[static_cast<size_t>(k)];
                const auto& spans = lane.state ? m_trace.on[static_cast<size_t>(*lane.state)] : m_trace.link;
                for (const auto& span : spans) {
                    const int x0 = xOf(span.fromMs), x1 = std::max(xOf(span.toMs), x0 + 1);
                    p.fillRect(QRect(QPoint(x0, barTop), QPoint(x1, rowBottom)), lane.colour);
                }
                p.setPen(QColor(90, 90, 90));
                p.drawLine(plot.left(), rowBottom, plot.right(), rowBottom);
            }
        }
        if (m_cursor && *m_cursor >= m_t0 && *m_cursor <= m_t1) {
            p.setPen(QPen(QColor(60, 60, 60), 1, Qt::DashLine));
            p.drawLine(xOf(*m_cursor), plot.top(), xOf(*m_cursor), plot.bottom());
        }
        p.setClipping(false);
        p.setPen(kFrameColour);
        p.drawRect(plot.adjusted(0, 0, -1, -1));

        // The title row: each curve's colour and name (the lanes strip: the
        // colours of the gaps' causes).
        int x = plot.left();
        const int ty = plot.top() - titleHeight();
        auto legend = [&](const QColor& colour, const QString& name, bool block) {
            if (block)
                p.fillRect(QRect(x, ty + line / 4 + 1, 12, line / 2 + 2), colour);
            else
                p.fillRect(QRect(x, ty + line / 2, 14, 2), colour);
            x += 18;
            p.setPen(palette().windowText().color());
            p.drawText(QRect(x, ty, fm.horizontalAdvance(name) + 1, line + 2), Qt::AlignLeft | Qt::AlignVCenter,
                       name);
            x += fm.horizontalAdvance(name) + 16;
        };
        if (m_strips[s].lanes) {
            for (size_t g = 0; g < m_gapNames.size(); ++g)
                legend(kGapColours[g], m_gapNames[g], true);
        } else {
            for (size_t c = 0; c < m_curves.size(); ++c)
                if (m_curves[c].strip == s)
                    legend(m_curves[c].colour, m_curveNames[c], false);
        }
    }
    // The time ticks' marks and the labels of both axes.
    p.setPen(kFrameColour);
    const int bottom = m_plots.back().bottom();
    for (int64_t t : m_timeTicks)
        p.drawLine(xOf(t), bottom, xOf(t), bottom + 3);
    p.setPen(palette().windowText().color());
    for (const LabelBox& l : m_labels) {
        const bool timeLabel = l.box.top() > bottom;
        p.drawText(l.box, (timeLabel ? Qt::AlignHCenter : Qt::AlignRight) | Qt::AlignVCenter, l.text);
    }
}

} // namespace kdx
