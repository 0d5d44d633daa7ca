#include "app/ChartsPage.h"

#include "app/AppContext.h"
#include "app/FileChooser.h"
#include "app/MainWindow.h"
#include "app/SteadyLabel.h"
#include "app/StripChart.h"
#include "app/pages/LanguageRegistry.h"
#include "i18n/LanguageTexts.h"
#include "live/ChartTrace.h"
#include "live/StatusCsv.h"
#include "live/UtcTime.h"

#include <QDateTime>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace kdx {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

struct CurveInfo {
    int key;
    const char* legend;
    Channel channel;
    size_t strip;
    QColor colour;
};
// Strips: 0 engine speed, 1 humidity and temperature, 2 voltages, 3 pump
// currents, 4 the on/off lanes.
const CurveInfo kCurves[] = {
    {102110, "engine speed [rpm]", Channel::EngineSpeed, 0, QColor(0, 0, 160)},
    {102111, "humidity [%]", Channel::Humidity, 1, QColor(0, 130, 200)},
    {102112, "temperature [\u00B0C]", Channel::Temperature, 1, QColor(200, 60, 0)},
    {102113, "supply voltage [V]", Channel::SupplyVoltage, 2, QColor(160, 0, 160)},
    {102114, "water level [V]", Channel::WaterLevel, 2, QColor(0, 150, 150)},
    {102115, "pump 1 current [A]", Channel::Pump1Current, 3, QColor(0, 140, 0)},
    {102116, "pump 2 current [A]", Channel::Pump2Current, 3, QColor(220, 130, 0)},
};
struct LaneInfo {
    int key;
    const char* name;
    std::optional<Switch> state;
    QColor colour;
};
// Bottom to top.
const LaneInfo kLanes[] = {
    {102120, "link", std::nullopt, QColor(120, 120, 120)},
    {102121, "ioniser 2", Switch::Ioniser2, QColor(120, 0, 200)},
    {102122, "ioniser 1", Switch::Ioniser1, QColor(0, 0, 200)},
    {102123, "pump 2", Switch::Pump2, QColor(220, 130, 0)},
    {102124, "pump 1", Switch::Pump1, QColor(0, 140, 0)},
    {102125, "ignition", Switch::Ignition, QColor(90, 90, 90)},
};
const char* const kGapNames[] = {"link lost", "answers bad", "paused by the tool"};
const int kGapKeys[] = {102130, 102131, 102132};
constexpr int kRecordKey = 102104;
// Captions of the page's tab and controls, set through the window's registry.
constexpr int kPageKey = 102100;
constexpr int kSpanKey = 102101;
constexpr int kOpenKey = 102102;
constexpr int kLiveKey = 102103;
constexpr int kStopKey = 102105;

StripChart* makeChart(QWidget* parent)
{
    // Extra height goes mostly to the engine speed and the lanes.
    std::vector<StripChart::StripStyle> strips = {
        {3, 1000, true, false}, {2, 10, false, false}, {2, 4, true, false}, {2, 1, true, false}, {2, 1, true, true}};
    std::vector<StripChart::CurveStyle> curves;
    for (const CurveInfo& c : kCurves)
        curves.push_back({c.channel, c.strip, c.colour});
    std::vector<StripChart::LaneStyle> lanes;
    for (const LaneInfo& l : kLanes)
        lanes.push_back({l.state, l.colour});
    auto* chart = new StripChart(std::move(strips), std::move(curves), std::move(lanes), parent);
    chart->setObjectName(QStringLiteral("ChartStrips"));
    chart->setAccessibleName(QStringLiteral("status charts"));
    return chart;
}

} // namespace

ChartsGlue* addChartsPage(MainWindow& window)
{
    QTabWidget* pages = window.pageControl();
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheetCharts"));
    const int tester = pages->indexOf(window.testerTab());
    pages->insertTab(tester < 0 ? pages->count() : tester, page, QStringLiteral("charts"));
    ChartsGlue::Controls c;

    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(4, 4, 4, 4);
    column->setSpacing(2);
    auto* controls = new QHBoxLayout;
    auto* spanLabel = new QLabel(QStringLiteral("last [min]:"), page);
    spanLabel->setObjectName(QStringLiteral("LabelChartsSpan"));
    auto* span = c.span = new QSpinBox(page);
    span->setObjectName(QStringLiteral("SpinBoxChartsSpan"));
    span->setRange(ChartsGlue::kMinSpanMinutes, ChartsGlue::kMaxSpanMinutes);
    span->setValue(2);
    spanLabel->setBuddy(span);
    auto* record = c.record = new QPushButton(QStringLiteral("record"), page);
    record->setObjectName(QStringLiteral("ButtonChartsRecord"));
    auto* open = c.open = new QPushButton(QStringLiteral("open recording..."), page);
    open->setObjectName(QStringLiteral("ButtonChartsOpen"));
    auto* live = c.live = new QPushButton(QStringLiteral("live"), page);
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
    auto* recording = c.recording = new QLabel(page);
    recording->setObjectName(QStringLiteral("LabelChartsRecording"));
    recording->setTextInteractionFlags(Qt::TextSelectableByMouse);
    recording->setWordWrap(true);
    recording->hide();
    column->addWidget(recording);
    auto* cursor = c.cursor = new QLabel(page);
    cursor->setObjectName(QStringLiteral("LabelChartsCursor"));
    cursor->setWordWrap(true);
    cursor->setMinimumHeight(2 * cursor->fontMetrics().height());
    cursor->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cursor->setAccessibleName(QStringLiteral("values under the cursor"));
    column->addWidget(cursor);
    // Below the strips' useful minimum the page scrolls rather than squeezing them.
    auto* scrollArea = new QScrollArea(page);
    scrollArea->setObjectName(QStringLiteral("ScrollAreaCharts"));
    scrollArea->setWidgetResizable(true);
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    c.chart = makeChart(scrollArea);
    scrollArea->setWidget(c.chart);
    column->addWidget(scrollArea, 1);
    auto* scroll = c.reviewScroll = new QScrollBar(Qt::Horizontal, page);
    scroll->setObjectName(QStringLiteral("ScrollBarChartsReview"));
    scroll->setAccessibleName(QStringLiteral("position in the recording"));
    scroll->setVisible(false);
    column->addWidget(scroll);

    // The recording goes on whatever page is shown: the status bar says so.
    auto* indicator = c.indicator = new QLabel(window.statusBar());
    indicator->setObjectName(QStringLiteral("LabelRecordingState"));
    indicator->setAccessibleName(QStringLiteral("status recording"));
    indicator->setStyleSheet(QStringLiteral("color: rgb(190, 0, 0); font-weight: bold;"));
    indicator->hide();
    window.statusBar()->addPermanentWidget(indicator);

    LanguageRegistry& texts = window.languageTexts();
    texts.add(kPageKey, page);
    texts.add(kSpanKey, spanLabel);
    texts.add(kOpenKey, open);
    texts.add(kLiveKey, live);
    return new ChartsGlue(window, *page, c);
}

ChartsGlue::ChartsGlue(MainWindow& window, QWidget& page, const Controls& controls)
    : QObject(&page), m_window(window), m_ctx(window.context()), m_page(page), m_span(controls.span),
      m_record(controls.record), m_open(controls.open), m_liveButton(controls.live),
      m_recordingLabel(controls.recording), m_cursorLabel(controls.cursor), m_statusIndicator(controls.indicator),
      m_reviewScroll(controls.reviewScroll), m_chart(controls.chart),
      m_utcAnchor(UtcTime::nowMs()),
      m_clockAnchor(window.context().clock.nowMs())
{
    setObjectName(QStringLiteral("ChartsGlue"));
    connect(m_chart, &StripChart::cursorMoved, this, [this](qint64 t) { showCursor(t); });
    connect(m_chart, &StripChart::cursorLeft, this, &ChartsGlue::clearCursor);
    retranslate();
    m_page.installEventFilter(this);
    auto* silence = new QTimer(this);
    silence->setObjectName(QStringLiteral("TimerChartsSilence"));
    silence->setInterval(static_cast<int>(kMaxRefreshMs));
    connect(silence, &QTimer::timeout, this, &ChartsGlue::silenceTick);
    silence->start();
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
        c.caption = text(102807, "open recording");
        c.folder = qs(folder);
        c.nameFilter = text(102808, "Status recording (*.csv)");
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

std::pair<int64_t, int64_t> ChartsGlue::timeRange() const { return m_range; }

int64_t ChartsGlue::utcNow() const
{
    return m_utcAnchor + static_cast<int64_t>(m_ctx.clock.nowMs() - m_clockAnchor);
}

QString ChartsGlue::text(int key, const char* english) const
{
    return qs((m_texts ? *m_texts : m_ctx.texts).word(key, english));
}

void ChartsGlue::retranslate(const LanguageTexts* texts)
{
    m_texts = texts;
    std::vector<QString> curves, lanes;
    for (const CurveInfo& c : kCurves)
        curves.push_back(text(c.key, c.legend));
    for (const LaneInfo& l : kLanes)
        lanes.push_back(text(l.key, l.name));
    m_chart->setCurveNames(curves);
    m_chart->setLaneNames(lanes);
    m_chart->setGapNames({text(kGapKeys[0], kGapNames[0]), text(kGapKeys[1], kGapNames[1]),
                          text(kGapKeys[2], kGapNames[2])});
    m_record->setText(m_recorder.recording() ? text(kStopKey, "stop") : text(kRecordKey, "record"));
    // A longer caption in another language must not be cut.
    for (QPushButton* b : {m_record, m_open, m_liveButton}) {
        b->setMinimumWidth(0);
        b->setMinimumWidth(b->sizeHint().width() + 8);
    }
}

void ChartsGlue::onTick(const TickResult& r, uint32_t serialNumber)
{
    if (r.kind != TickResult::Kind::Received)
        return;
    if (m_recorder.recording() && serialNumber != m_recorder.serialNumber()) {
        stopRecording();
        char serial[16];
        std::snprintf(serial, sizeof serial, "0x%08X", static_cast<unsigned>(serialNumber));
        setRecordingText(
            text(102790, "recording stopped: another controller (SN: %1) is connected").arg(QLatin1String(serial)));
    }
    m_serial = serialNumber;
    if (const auto sample = StatusSample::fromTick(r, utcNow()))
        add(*sample);
}

void ChartsGlue::add(const StatusSample& sample)
{
    // A silence longer than a missed answer or two becomes one gap row that
    // names why: the link went, or the tool held the polling off.
    if (!m_live.empty() && sample.utcMs - m_live.newest().utcMs > StatusRecorder::kNoLinkAfterMs) {
        const StatusSample gap =
            StatusSample::gap(m_ctx.gaps.cause().value_or(StatusSample::State::NoLink), sample.utcMs);
        m_live.push(gap);
        if (m_recorder.recording() && !m_recorder.write(gap))
            recordingFailed(m_recorder.error());
    }
    if (sample.ok())
        m_ctx.gaps.frameArrived();
    m_live.push(sample);
    if (m_recorder.recording() && !m_recorder.write(sample))
        recordingFailed(m_recorder.error());
    m_dirty = true;
    if (m_recorder.recording())
        showRecordingIndicator();
    if (!m_review && m_page.isVisible() && sample.utcMs - m_lastRefreshMs >= refreshIntervalMs())
        refresh();
}

int64_t ChartsGlue::refreshIntervalMs() const
{
    const int width = std::max(100, m_chart->plotArea(0).width());
    const int64_t spanMs = static_cast<int64_t>(spanMinutes()) * 60000;
    return std::clamp<int64_t>(spanMs * kRefreshPixels / width, kRefreshMs, kMaxRefreshMs);
}

std::optional<StatusSample::State> ChartsGlue::ongoingGap() const
{
    // Live only: frames have stopped for longer than a missed answer.
    if (m_review || m_live.empty() || utcNow() - m_live.newest().utcMs <= StatusRecorder::kNoLinkAfterMs)
        return std::nullopt;
    return m_ctx.gaps.cause().value_or(StatusSample::State::NoLink);
}

void ChartsGlue::refresh()
{
    const SampleHistory& h = shown();
    const int64_t spanMs = static_cast<int64_t>(spanMinutes()) * 60000;
    int64_t end = utcNow();
    if (m_review)
        end = h.empty() ? end : h.at(0).utcMs + spanMs + static_cast<int64_t>(m_reviewScroll->value()) * 1000;
    const int64_t start = end - spanMs;
    m_lastRefreshMs = m_review ? m_lastRefreshMs : end;
    m_dirty = false;
    const size_t plotWidth = static_cast<size_t>(std::max(0, m_chart->plotArea(0).width()));
    const size_t maxPoints = std::clamp(2 * plotWidth, kMinPointsPerCurve, kMaxPointsPerCurve);
    m_range = {start, end};
    m_chart->setTrace(ChartTrace::build(h, start, end, maxPoints, ongoingGap()), start, end);
    if (m_cursorMs)
        showCursor(*m_cursorMs);
    showRecordingState();
}

void ChartsGlue::clearCursor()
{
    m_cursorMs.reset();
    m_chart->setCursor(std::nullopt);
    m_cursorLabel->clear();
}

void ChartsGlue::showCursor(int64_t utcMs)
{
    const SampleHistory& h = shown();
    // Only times the history holds: in review, nothing before the
    // recording's first row or after its last.
    if (h.empty() || utcMs < h.at(0).utcMs - kCursorReachMs || utcMs > h.newest().utcMs + kCursorReachMs) {
        clearCursor();
        return;
    }
    m_cursorMs = utcMs;
    m_chart->setCursor(utcMs);
    const auto index = h.nearest(utcMs);
    const StatusSample& x = h.at(*index);
    // A gap row closes the silence before it: the cursor inside that silence names its cause.
    const size_t after = h.lowerBound(utcMs);
    if (after < h.size() && !h.at(after).ok() && after > 0 && h.at(after - 1).utcMs < utcMs
        && h.at(after).utcMs - h.at(after - 1).utcMs > StatusRecorder::kNoLinkAfterMs) {
        m_cursorLabel->setText(QDateTime::fromMSecsSinceEpoch(utcMs).toString(QStringLiteral("HH:mm:ss"))
                               + QStringLiteral("  ")
                               + text(102791, "no status (%1)")
                                     .arg(QString::fromLatin1(StatusCsv::stateText(h.at(after).state))));
        return;
    }
    if (std::llabs(x.utcMs - utcMs) > kCursorReachMs) {
        m_cursorLabel->setText(QDateTime::fromMSecsSinceEpoch(utcMs).toString(QStringLiteral("HH:mm:ss"))
                               + QStringLiteral("  ") + text(102792, "no status at this time"));
        return;
    }
    QString text = QDateTime::fromMSecsSinceEpoch(x.utcMs).toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral("  ");
    if (!x.ok()) {
        text += this->text(102791, "no status (%1)").arg(QString::fromLatin1(StatusCsv::stateText(x.state)));
    } else {
        const QLocale locale;
        const int decimals[] = {0, 1, 1, 2, 2, 2, 2};
        QStringList parts;
        for (size_t c = 0; c < std::size(kCurves); ++c) {
            QString legend = this->text(kCurves[c].key, kCurves[c].legend);
            const int bracket = legend.indexOf(QLatin1Char('['));
            const QString unit = legend.mid(bracket + 1, legend.size() - bracket - 2);
            parts << legend.left(bracket) + locale.toString(x.value(kCurves[c].channel), 'f', decimals[c])
                         + QLatin1Char(' ') + unit;
        }
        QStringList states;
        for (const LaneInfo& lane : kLanes)
            if (lane.state)
                states.prepend(this->text(lane.key, lane.name)
                               + QLatin1Char(' ')
                               + (x.on(*lane.state) ? this->text(102793, "on") : this->text(102794, "off")));
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
    if (watched == &m_page && event->type() == QEvent::Show && (m_dirty || !m_review))
        refresh();
    return false;
}

bool ChartsGlue::startRecording()
{
    if (!m_serial || !m_ctx.state.connected) {
        setRecordingText(text(102795, "connect a controller to record its status"));
        return false;
    }
    const std::string folder = m_window.startDirectory().toStdString() + "/recordings";
    m_recordingSinceUtc = utcNow();
    if (!m_recorder.startIn(folder, *m_serial, m_recordingSinceUtc)) {
        const std::string why = m_recorder.error();
        setRecordingText(text(102796, "recording not started: %1").arg(qs(why)));
        m_ctx.prompts.message(text(102797, "Recording not started: %1").arg(qs(why)).toStdString());
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
    m_record->setText(text(kRecordKey, "record"));
    setRecordingText(text(102798, "recording stopped: %1").arg(qs(why)));
    m_ctx.prompts.message(text(102799, "Recording stopped: %1").arg(qs(why)).toStdString());
}

void ChartsGlue::setRecordingText(const QString& text)
{
    // No empty line above the charts when there is nothing to say.
    m_recordingLabel->setText(text);
    m_recordingLabel->setVisible(!text.isEmpty());
}

void ChartsGlue::silenceTick()
{
    // While no frame comes (a lost link, a dialog open) the time axis
    // still moves on and the silence is shaded as it grows.
    if (!m_review && m_page.isVisible() && ongoingGap())
        refresh();
}

void ChartsGlue::showRecordingIndicator()
{
    if (!m_recorder.recording()) {
        m_statusIndicator->hide();
        return;
    }
    const int64_t seconds = std::max<int64_t>(0, (utcNow() - m_recordingSinceUtc) / 1000);
    const QString text = QStringLiteral("\u25CF REC %1:%2:%3  \u00b7  ")
                             .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                             .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                         + this->text(102805, "%1 rows").arg(m_recorder.rows());
    setSteadyText(*m_statusIndicator, text);
    m_statusIndicator->setToolTip(qs(m_recorder.path()));
    m_statusIndicator->show();
}

void ChartsGlue::showRecordingState()
{
    showRecordingIndicator();
    if (m_recorder.recording()) {
        m_record->setText(text(kStopKey, "stop"));
        setRecordingText(text(102800, "recording to %1: %2 rows, %3 gaps")
                             .arg(qs(m_recorder.path()), QString::number(m_recorder.rows()),
                                  QString::number(m_recorder.gapRows())));
    } else {
        m_record->setText(text(kRecordKey, "record"));
        if (m_review)
            setRecordingText(text(102801, "review of %1: %2 rows").arg(qs(m_reviewName), QString::number(m_review->size())));
        else if (!m_recorder.path().empty() && m_recorder.error().empty())
            setRecordingText(text(102802, "recorded %1 rows to %2").arg(QString::number(m_recorder.rows()), qs(m_recorder.path())));
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
        r.error = text(102806, "no status rows").toStdString();
    if (!r.ok()) {
        setRecordingText(text(102803, "cannot show %1: %2").arg(qs(path), qs(r.error)));
        m_ctx.prompts.message(text(102804, "Cannot show %1: %2").arg(qs(path), qs(r.error)).toStdString());
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
    setRecordingText(QString());
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
