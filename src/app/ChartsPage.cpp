#include "app/ChartsPage.h"

#include "app/AppContext.h"
#include "app/FileChooser.h"
#include "app/MainWindow.h"
#include "live/ChartPoints.h"
#include "live/StatusCsv.h"
#include "live/UtcTime.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGraphicsLayout>
#include <QGraphicsLineItem>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kdx {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

struct CurveInfo {
    const char* objectName;
    const char* legend;
    size_t strip;
    QColor colour;
};
// Strips: 0 engine speed, 1 humidity and temperature, 2 voltages, 3 pump
// currents, 4 the on/off lanes.
const CurveInfo kCurves[ChartsGlue::kCurveCount] = {
    {"SeriesEngineSpeed", "engine speed [rpm]", 0, QColor(0, 0, 160)},
    {"SeriesHumidity", "humidity [%]", 1, QColor(0, 130, 200)},
    {"SeriesTemperature", "temperature [\u00B0C]", 1, QColor(200, 60, 0)},
    {"SeriesSupplyVoltage", "supply voltage [V]", 2, QColor(160, 0, 160)},
    {"SeriesWaterLevel", "water level [V]", 2, QColor(0, 150, 150)},
    {"SeriesPump1Current", "pump 1 current [A]", 3, QColor(0, 140, 0)},
    {"SeriesPump2Current", "pump 2 current [A]", 3, QColor(220, 130, 0)},
    {"SeriesIgnition", "ignition", 4, QColor(90, 90, 90)},
    {"SeriesPump1", "pump 1", 4, QColor(0, 140, 0)},
    {"SeriesPump2", "pump 2", 4, QColor(220, 130, 0)},
    {"SeriesIoniser1", "ioniser 1", 4, QColor(0, 0, 200)},
    {"SeriesIoniser2", "ioniser 2", 4, QColor(120, 0, 200)},
    {"SeriesLink", "link", 4, QColor(200, 0, 0)},
};
const char* const kViewNames[] = {"ChartViewEngineSpeed", "ChartViewClimate", "ChartViewVoltage",
                                  "ChartViewCurrent", "ChartViewStates"};
const Channel kCurveChannels[] = {Channel::EngineSpeed,   Channel::Humidity,   Channel::Temperature,
                                  Channel::SupplyVoltage, Channel::WaterLevel, Channel::Pump1Current,
                                  Channel::Pump2Current};
const Switch kLaneSwitches[] = {Switch::Ignition, Switch::Pump1, Switch::Pump2, Switch::Ioniser1, Switch::Ioniser2};
constexpr size_t kAnalogCurves = 7;
constexpr float kLaneLow = 0.15f, kLaneHigh = 0.85f;
// A lane is drawn from its corners alone (where the state changes, and its
// ends): the same line as a point per frame at a fraction of the cost.
constexpr size_t kLaneCornersOnly = 0;
// Smallest value range an axis of each analog strip shows (a flat curve
// stays a line in the middle rather than noise blown up to full height).
constexpr double kMinRange[] = {1000, 10, 4, 1};

QChartView* makeStrip(QWidget* page, size_t strip, bool timeLabels)
{
    auto* chart = new QChart;
    chart->setMargins(QMargins(2, 0, 2, 0));
    chart->setBackgroundRoundness(0);
    chart->legend()->setAlignment(Qt::AlignTop);
    QFont small = page->font();
    small.setPointSize(7);
    chart->legend()->setFont(small);
    // Only the bottom strip writes the clock times; the strips above share
    // its range on a plain axis, which costs far less to move.
    QAbstractAxis* time = nullptr;
    if (timeLabels) {
        auto* clock = new QDateTimeAxis;
        clock->setFormat(QStringLiteral("HH:mm:ss"));
        clock->setTickCount(7);
        time = clock;
    } else {
        auto* plain = new QValueAxis;
        plain->setTickCount(7);
        plain->setLabelsVisible(false);
        time = plain;
    }
    time->setLabelsFont(small);
    chart->addAxis(time, Qt::AlignBottom);
    QAbstractAxis* values = nullptr;
    if (strip == 4) {
        auto* lanes = new QCategoryAxis;
        const char* names[] = {"ignition", "pump 1", "pump 2", "ioniser 1", "ioniser 2", "link"};
        for (int k = 0; k < 6; ++k)
            lanes->append(QString::fromLatin1(names[k]), k + 1);
        lanes->setRange(0, 6);
        lanes->setGridLineVisible(false);
        lanes->setTruncateLabels(false);
        values = lanes;
        chart->legend()->setVisible(false);
    } else {
        auto* axis = new QValueAxis;
        axis->setTickCount(3);
        axis->setLabelFormat(QStringLiteral("%g"));
        values = axis;
    }
    values->setLabelsFont(small);
    chart->addAxis(values, Qt::AlignLeft);
    for (size_t c = 0; c < ChartsGlue::kCurveCount; ++c) {
        if (kCurves[c].strip != strip)
            continue;
        auto* series = new QLineSeries;
        series->setObjectName(QString::fromLatin1(kCurves[c].objectName));
        series->setName(QString::fromUtf8(kCurves[c].legend));
        QPen pen(kCurves[c].colour);
        pen.setWidth(1);
        series->setPen(pen);
        chart->addSeries(series);
        series->attachAxis(time);
        series->attachAxis(values);
    }
    auto* view = new QChartView(chart, page);
    view->setObjectName(QString::fromLatin1(kViewNames[strip]));
    view->setRenderHint(QPainter::Antialiasing, false);
    view->setMouseTracking(true);
    view->setMinimumHeight(60);
    return view;
}

} // namespace

ChartsGlue* addChartsPage(MainWindow& window)
{
    QTabWidget* pages = window.pageControl();
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetCharts"));
    const int tester = pages->indexOf(window.testerTab());
    pages->insertTab(tester < 0 ? pages->count() : tester, page, QStringLiteral("charts"));

    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(2);
    auto* controls = new QHBoxLayout;
    auto* spanLabel = new QLabel(QStringLiteral("last [min]:"), page);
    auto* span = new QSpinBox(page);
    span->setObjectName(QStringLiteral("SpinBoxChartsSpan"));
    span->setRange(ChartsGlue::kMinSpanMinutes, ChartsGlue::kMaxSpanMinutes);
    span->setValue(2);
    spanLabel->setBuddy(span);
    auto* record = new QPushButton(QStringLiteral("record"), page);
    record->setObjectName(QStringLiteral("ButtonChartsRecord"));
    auto* open = new QPushButton(QStringLiteral("open recording..."), page);
    open->setObjectName(QStringLiteral("ButtonChartsOpen"));
    auto* live = new QPushButton(QStringLiteral("live"), page);
    live->setObjectName(QStringLiteral("ButtonChartsLive"));
    live->setVisible(false);
    for (QPushButton* b : {record, open, live})
        b->setMinimumWidth(b->sizeHint().width() + 8); // a longer caption must not be cut
    controls->addWidget(spanLabel);
    controls->addWidget(span);
    controls->addSpacing(12);
    controls->addWidget(record);
    controls->addWidget(open);
    controls->addWidget(live);
    controls->addStretch(1);
    column->addLayout(controls);
    auto* recording = new QLabel(page);
    recording->setObjectName(QStringLiteral("LabelChartsRecording"));
    recording->setTextInteractionFlags(Qt::TextSelectableByMouse);
    column->addWidget(recording);
    auto* cursor = new QLabel(page);
    cursor->setObjectName(QStringLiteral("LabelChartsCursor"));
    cursor->setWordWrap(true);
    cursor->setMinimumHeight(2 * cursor->fontMetrics().height());
    cursor->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cursor->setAccessibleName(QStringLiteral("values under the cursor"));
    column->addWidget(cursor);
    const int stretch[] = {3, 3, 3, 3, 4};
    for (size_t strip = 0; strip < 5; ++strip)
        column->addWidget(makeStrip(page, strip, strip == 4), stretch[strip]);
    auto* scroll = new QScrollBar(Qt::Horizontal, page);
    scroll->setObjectName(QStringLiteral("ScrollBarChartsReview"));
    scroll->setAccessibleName(QStringLiteral("position in the recording"));
    scroll->setVisible(false);
    column->addWidget(scroll);

    return new ChartsGlue(window, *page);
}

template <typename T>
T* ChartsGlue::need(const char* name)
{
    T* found = m_page.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("charts page: control %s is missing", name);
    return found;
}

ChartsGlue::ChartsGlue(MainWindow& window, QWidget& page)
    : QObject(&page), m_window(window), m_ctx(window.context()), m_page(page),
      m_span(need<QSpinBox>("SpinBoxChartsSpan")), m_record(need<QPushButton>("ButtonChartsRecord")),
      m_open(need<QPushButton>("ButtonChartsOpen")), m_liveButton(need<QPushButton>("ButtonChartsLive")),
      m_recordingLabel(need<QLabel>("LabelChartsRecording")), m_cursorLabel(need<QLabel>("LabelChartsCursor")),
      m_reviewScroll(need<QScrollBar>("ScrollBarChartsReview")), m_utcAnchor(UtcTime::nowMs()),
      m_clockAnchor(window.context().clock.nowMs())
{
    setObjectName(QStringLiteral("ChartsGlue"));
    for (size_t s = 0; s < kStrips; ++s) {
        m_views[s] = need<QChartView>(kViewNames[s]);
        QChart* chart = m_views[s]->chart();
        m_timeAxes[s] = chart->axes(Qt::Horizontal).value(0);
        if (!m_timeAxes[s] || (s == kStrips - 1 && !qobject_cast<QDateTimeAxis*>(m_timeAxes[s])))
            qFatal("charts page: strip %zu has no time axis", s);
        if (s < kStrips - 1) {
            m_valueAxes[s] = qobject_cast<QValueAxis*>(chart->axes(Qt::Vertical).value(0));
            if (!m_valueAxes[s])
                qFatal("charts page: strip %zu has no value axis", s);
        }
        m_cursorLines[s] = new QGraphicsLineItem(chart);
        m_cursorLines[s]->setPen(QPen(QColor(255, 0, 0), 1));
        m_cursorLines[s]->setZValue(100);
        m_cursorLines[s]->setVisible(false);
        m_views[s]->viewport()->installEventFilter(this);
    }
    for (size_t c = 0; c < kCurveCount; ++c) {
        m_curves[c] = m_views[kCurves[c].strip]->chart()->findChild<QLineSeries*>(
            QString::fromLatin1(kCurves[c].objectName));
        if (!m_curves[c])
            qFatal("charts page: curve %s is missing", kCurves[c].objectName);
    }
    m_page.installEventFilter(this);
    m_span->installEventFilter(this);
    connect(m_span, &QSpinBox::valueChanged, this, [this] {
        updateReviewScroll();
        m_dirty = true;
        if (m_page.isVisible())
            refresh();
    });
    connect(m_record, &QPushButton::clicked, this, [this] {
        if (m_recorder.recording())
            stopRecording();
        else
            startRecording();
    });
    connect(m_open, &QPushButton::clicked, this, &ChartsGlue::openClicked);
    connect(m_liveButton, &QPushButton::clicked, this, &ChartsGlue::showLive);
    connect(m_reviewScroll, &QScrollBar::valueChanged, this, [this] {
        if (m_review)
            refresh();
    });
    m_picker = [this](const std::string& folder) -> std::optional<std::string> {
        FileChooser c;
        c.objectName = QStringLiteral("OpenRecordingDialog");
        c.caption = QStringLiteral("open recording");
        c.folder = qs(folder);
        c.nameFilter = QStringLiteral("Status recording (*.csv)");
        return c.choose(&m_window);
    };
    showRecordingState();
}

ChartsGlue::~ChartsGlue() = default;

ChartsGlue* ChartsGlue::of(MainWindow& window)
{
    return window.charts();
}

int ChartsGlue::spanMinutes() const { return m_span->value(); }

std::pair<int64_t, int64_t> ChartsGlue::timeRange(size_t strip) const
{
    if (auto* clock = qobject_cast<QDateTimeAxis*>(m_timeAxes[strip]))
        return {clock->min().toMSecsSinceEpoch(), clock->max().toMSecsSinceEpoch()};
    auto* plain = static_cast<QValueAxis*>(m_timeAxes[strip]);
    return {std::llround(plain->min()), std::llround(plain->max())};
}

int64_t ChartsGlue::utcNow() const
{
    return m_utcAnchor + static_cast<int64_t>(m_ctx.clock.nowMs() - m_clockAnchor);
}

void ChartsGlue::onTick(const TickResult& r, uint32_t serialNumber)
{
    if (r.kind != TickResult::Kind::Received)
        return;
    if (m_recorder.recording() && serialNumber != m_recorder.serialNumber()) {
        stopRecording();
        char text[96];
        std::snprintf(text, sizeof text, "recording stopped: another controller (SN: 0x%08X) is connected",
                      static_cast<unsigned>(serialNumber));
        m_recordingLabel->setText(QString::fromLatin1(text));
    }
    m_serial = serialNumber;
    if (const auto sample = StatusSample::fromTick(r, utcNow()))
        add(*sample);
}

void ChartsGlue::add(const StatusSample& sample)
{
    if (!m_live.empty() && sample.utcMs - m_live.newest().utcMs > StatusRecorder::kNoLinkAfterMs)
        m_live.push(StatusSample::gap(StatusSample::State::NoLink, sample.utcMs));
    m_live.push(sample);
    if (m_recorder.recording() && !m_recorder.write(sample))
        recordingFailed(m_recorder.error());
    m_dirty = true;
    if (!m_review && m_page.isVisible() && sample.utcMs - m_lastRefreshMs >= refreshIntervalMs())
        refresh();
}

int64_t ChartsGlue::refreshIntervalMs() const
{
    const int width = std::max(100, static_cast<int>(m_views[0]->chart()->plotArea().width()));
    const int64_t spanMs = static_cast<int64_t>(spanMinutes()) * 60000;
    return std::clamp<int64_t>(spanMs * kRefreshPixels / width, kRefreshMs, kMaxRefreshMs);
}

void ChartsGlue::refresh()
{
    const SampleHistory& h = shown();
    const int64_t spanMs = static_cast<int64_t>(spanMinutes()) * 60000;
    int64_t end = utcNow();
    if (m_review) {
        end = h.empty() ? end : h.at(0).utcMs + spanMs + static_cast<int64_t>(m_reviewScroll->value()) * 1000;
    }
    const int64_t start = end - spanMs;
    m_lastRefreshMs = m_review ? m_lastRefreshMs : end;
    m_dirty = false;

    auto toList = [](const std::vector<ChartPoint>& points) {
        QList<QPointF> list;
        list.reserve(static_cast<qsizetype>(points.size()));
        for (const ChartPoint& p : points)
            list.append(QPointF(static_cast<double>(p.utcMs), p.y));
        return list;
    };
    std::array<double, kStrips> lo, hi;
    lo.fill(HUGE_VAL);
    hi.fill(-HUGE_VAL);
    const size_t plotWidth = static_cast<size_t>(std::max(0.0, m_views[0]->chart()->plotArea().width()));
    const size_t maxPoints = std::clamp(2 * plotWidth, kMinPointsPerCurve, kMaxPointsPerCurve);
    std::array<QList<QPointF>, kCurveCount> lists;
    for (size_t c = 0; c < kAnalogCurves; ++c) {
        const auto points = ChartPoints::channel(h, kCurveChannels[c], start, end, maxPoints);
        const size_t s = kCurves[c].strip;
        for (const ChartPoint& p : points) {
            lo[s] = std::min(lo[s], static_cast<double>(p.y));
            hi[s] = std::max(hi[s], static_cast<double>(p.y));
        }
        lists[c] = toList(points);
    }
    for (size_t k = 0; k < std::size(kLaneSwitches); ++k)
        lists[IgnitionLane + k] = toList(ChartPoints::steps(h, kLaneSwitches[k], start, end, k + kLaneLow,
                                                            k + kLaneHigh, kLaneCornersOnly));
    const float linkBase = static_cast<float>(std::size(kLaneSwitches));
    lists[LinkLane] =
        toList(ChartPoints::link(h, start, end, linkBase + kLaneLow, linkBase + kLaneHigh, kLaneCornersOnly));
    // A chart works out every point's place again whenever an axis moves:
    // the curves are emptied first and filled once the axes stand, so each
    // point is placed once per redraw instead of three times.
    for (QLineSeries* curve : m_curves)
        curve->clear();

    const QDateTime from = QDateTime::fromMSecsSinceEpoch(start);
    const QDateTime to = QDateTime::fromMSecsSinceEpoch(end);
    for (size_t s = 0; s + 1 < kStrips; ++s)
        static_cast<QValueAxis*>(m_timeAxes[s])->setRange(static_cast<double>(start), static_cast<double>(end));
    static_cast<QDateTimeAxis*>(m_timeAxes[kStrips - 1])->setRange(from, to);
    for (size_t s = 0; s + 1 < kStrips; ++s) {
        if (lo[s] > hi[s])
            continue; // nothing in view: keep the scale
        double a = lo[s], b = hi[s];
        if (s == 1) {
            if (b - a < kMinRange[s]) {
                const double mid = (a + b) / 2;
                a = mid - kMinRange[s] / 2;
                b = mid + kMinRange[s] / 2;
            }
        } else {
            // Speeds, voltages and currents are read against zero.
            a = std::min(a, 0.0);
            b = std::max(b, a + kMinRange[s]);
        }
        // Round steps (1, 2 or 5 times a power of ten), two to four of them.
        const double raw = (b - a) / 3;
        const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
        const double step = raw <= magnitude ? magnitude : raw <= 2 * magnitude ? 2 * magnitude
                            : raw <= 5 * magnitude                             ? 5 * magnitude
                                                                               : 10 * magnitude;
        a = std::floor(a / step) * step;
        b = std::ceil(b / step) * step;
        QValueAxis* axis = m_valueAxes[s];
        if (axis->min() != a || axis->max() != b) {
            axis->setRange(a, b);
            axis->setTickCount(static_cast<int>(std::lround((b - a) / step)) + 1);
            m_alignedWidth = -1; // wider or narrower value labels move the plot's left edge
        }
    }
    for (size_t c = 0; c < kCurveCount; ++c)
        m_curves[c]->replace(lists[c]);
    alignPlots();
    if (m_cursorMs)
        showCursor(*m_cursorMs);
    showRecordingState();
}

void ChartsGlue::alignPlots()
{
    // One time axis for all strips: their plot areas start and end at the
    // same x, whatever width each strip's value labels take. Worked out
    // again when the page's width or a value scale changes.
    const int width = m_views[0]->width();
    if (width == m_alignedWidth)
        return;
    m_alignedWidth = width;
    qreal left = 0, right = 1e9;
    for (QChartView* v : m_views) {
        v->chart()->setPlotArea(QRectF());
        v->chart()->resize(v->viewport()->size());
        v->chart()->layout()->activate();
        left = std::max(left, v->chart()->plotArea().left());
        right = std::min(right, v->chart()->plotArea().right());
    }
    for (QChartView* v : m_views) {
        const QRectF area = v->chart()->plotArea();
        v->chart()->setPlotArea(QRectF(left, area.top(), right - left, area.height()));
    }
}

void ChartsGlue::showCursor(int64_t utcMs)
{
    m_cursorMs = utcMs;
    const SampleHistory& h = shown();
    const auto index = h.nearest(utcMs);
    for (size_t s = 0; s < kStrips; ++s) {
        QChart* chart = m_views[s]->chart();
        const QPointF at = chart->mapToPosition(QPointF(static_cast<double>(utcMs), 0), chart->series().value(0));
        const QRectF area = chart->plotArea();
        const bool inside = at.x() >= area.left() && at.x() <= area.right();
        m_cursorLines[s]->setLine(at.x(), area.top(), at.x(), area.bottom());
        m_cursorLines[s]->setVisible(inside);
    }
    if (!index) {
        m_cursorLabel->clear();
        return;
    }
    const StatusSample& x = h.at(*index);
    if (std::llabs(x.utcMs - utcMs) > kCursorReachMs) {
        m_cursorLabel->setText(QDateTime::fromMSecsSinceEpoch(utcMs).toString(QStringLiteral("HH:mm:ss"))
                               + QStringLiteral("  no status at this time"));
        return;
    }
    QString text = QDateTime::fromMSecsSinceEpoch(x.utcMs).toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral("  ");
    if (!x.ok()) {
        text += QStringLiteral("no status (%1)").arg(QString::fromLatin1(StatusCsv::stateText(x.state)));
    } else {
        const QLocale locale;
        const int decimals[] = {0, 1, 1, 2, 2, 2, 2};
        QStringList parts;
        for (size_t c = 0; c < kAnalogCurves; ++c) {
            QString legend = QString::fromUtf8(kCurves[c].legend);
            const int bracket = legend.indexOf(QLatin1Char('['));
            const QString unit = legend.mid(bracket + 1, legend.size() - bracket - 2);
            parts << legend.left(bracket) + locale.toString(x.value(kCurveChannels[c]), 'f', decimals[c])
                         + QLatin1Char(' ') + unit;
        }
        QStringList states;
        for (size_t k = 0; k < std::size(kLaneSwitches); ++k)
            states << QString::fromLatin1(kCurves[IgnitionLane + k].legend)
                          + (x.on(kLaneSwitches[k]) ? QStringLiteral(" on") : QStringLiteral(" off"));
        text += parts.join(QStringLiteral(", ")) + QStringLiteral("; ") + states.join(QStringLiteral(", "));
    }
    m_cursorLabel->setText(text);
}

bool ChartsGlue::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_span && event->type() == QEvent::KeyPress) {
        // Ctrl+PgUp and Ctrl+PgDn switch pages as everywhere else, rather
        // than stepping the span by ten.
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & Qt::ControlModifier)
            && (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown)) {
            QCoreApplication::sendEvent(m_window.pageControl(), event);
            return true;
        }
        return false;
    }
    if (watched == &m_page) {
        if (event->type() == QEvent::Show && (m_dirty || !m_review))
            refresh();
        return false;
    }
    // Only these events of the charts' viewports matter; the others also come
    // while a chart view is being destroyed, when it must not be called.
    if (event->type() != QEvent::Resize && event->type() != QEvent::MouseMove && event->type() != QEvent::Leave)
        return false;
    for (size_t s = 0; s < kStrips; ++s) {
        // A viewport is a child of its chart view: compared without calling it.
        if (watched->parent() != m_views[s])
            continue;
        if (event->type() == QEvent::Resize) {
            m_alignedWidth = -1;
            if (m_page.isVisible())
                QTimer::singleShot(0, this, [this] { alignPlots(); });
        }
        if (event->type() == QEvent::MouseMove) {
            const auto* me = static_cast<QMouseEvent*>(event);
            QChart* chart = m_views[s]->chart();
            const QPointF inChart = chart->mapFromScene(m_views[s]->mapToScene(me->position().toPoint()));
            const QPointF value = chart->mapToValue(inChart, chart->series().value(0));
            showCursor(static_cast<int64_t>(std::llround(value.x())));
        } else if (event->type() == QEvent::Leave) {
            m_cursorMs.reset();
            for (auto* line : m_cursorLines)
                line->setVisible(false);
        }
    }
    return false;
}

bool ChartsGlue::startRecording()
{
    if (!m_serial || !m_ctx.state.connected) {
        m_recordingLabel->setText(QStringLiteral("connect a controller to record its status"));
        return false;
    }
    const std::string folder = m_window.startDirectory().toStdString() + "/recordings";
    if (!m_recorder.startIn(folder, *m_serial, utcNow())) {
        const std::string why = m_recorder.error();
        m_recordingLabel->setText(qs("recording not started: " + why));
        m_ctx.prompts.message("Recording not started: " + why);
        return false;
    }
    showRecordingState();
    return true;
}

void ChartsGlue::stopRecording()
{
    const bool ok = m_recorder.stop();
    showRecordingState();
    if (!ok)
        recordingFailed(m_recorder.error());
}

void ChartsGlue::recordingFailed(const std::string& why)
{
    m_record->setText(QStringLiteral("record"));
    m_recordingLabel->setText(qs("recording stopped: " + why));
    m_ctx.prompts.message("Recording stopped: " + why);
}

void ChartsGlue::showRecordingState()
{
    if (m_recorder.recording()) {
        m_record->setText(QStringLiteral("stop"));
        m_recordingLabel->setText(qs("recording to " + m_recorder.path() + ": " + std::to_string(m_recorder.rows())
                                     + " rows, " + std::to_string(m_recorder.gapRows()) + " gaps"));
    } else {
        m_record->setText(QStringLiteral("record"));
        if (m_review)
            m_recordingLabel->setText(qs("review of " + m_reviewName + ": " + std::to_string(m_review->size())
                                         + " rows"));
        else if (!m_recorder.path().empty() && m_recorder.error().empty())
            m_recordingLabel->setText(qs("recorded " + std::to_string(m_recorder.rows()) + " rows to "
                                         + m_recorder.path()));
    }
}

void ChartsGlue::openClicked()
{
    if (!m_picker)
        return;
    const auto path = m_picker(m_window.startDirectory().toStdString() + "/recordings");
    if (path)
        openRecording(*path);
}

bool ChartsGlue::openRecording(const std::string& path)
{
    StatusCsv::ReadResult r = StatusCsv::readFile(path);
    if (r.ok() && r.samples.empty())
        r.error = "no status rows";
    if (!r.ok()) {
        m_recordingLabel->setText(qs("cannot show " + path + ": " + r.error));
        m_ctx.prompts.message("Cannot show " + path + ": " + r.error);
        return false;
    }
    constexpr int64_t kForever = int64_t{100} * 365 * 24 * 3600 * 1000;
    m_review = std::make_unique<SampleHistory>(r.samples.size(), kForever);
    for (const StatusSample& s : r.samples)
        m_review->push(s);
    const size_t slash = path.find_last_of('/');
    m_reviewName = slash == std::string::npos ? path : path.substr(slash + 1);
    if (r.cutShort)
        m_reviewName += " (its last line was cut short)";
    m_liveButton->setVisible(true);
    m_reviewScroll->setVisible(true);
    updateReviewScroll();
    m_reviewScroll->setValue(0);
    refresh();
    return true;
}

void ChartsGlue::showLive()
{
    m_review.reset();
    m_reviewName.clear();
    m_liveButton->setVisible(false);
    m_reviewScroll->setVisible(false);
    m_recordingLabel->clear();
    refresh();
}

void ChartsGlue::updateReviewScroll()
{
    if (!m_review || m_review->empty())
        return;
    const int64_t duration = m_review->newest().utcMs - m_review->at(0).utcMs;
    const int64_t spanMs = static_cast<int64_t>(spanMinutes()) * 60000;
    const int64_t steps = std::max<int64_t>(0, (duration - spanMs + 999) / 1000);
    m_reviewScroll->setRange(0, static_cast<int>(std::min<int64_t>(steps, 1 << 30)));
    m_reviewScroll->setPageStep(static_cast<int>(spanMs / 1000));
    m_reviewScroll->setSingleStep(std::max(1, static_cast<int>(spanMs / 10000)));
}

} // namespace kdx
