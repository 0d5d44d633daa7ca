#include "app/LinkStatusPanel.h"

#include "app/MainWindow.h"
#include "app/SteadyLabel.h"
#include "app/pages/DashboardPanel.h"
#include "link/PortDoctor.h"
#include "i18n/LanguageTexts.h"
#include "live/StatusPoller.h"

#include <cerrno>
#include <cstring>

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace kdx {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The dashboard's live values end this far above the mode buttons.
constexpr int kValuesGapPx = 4;
// Below the progress bar, at the panel's foot whatever its height.
constexpr int kCountersHeightPx = 16;
constexpr int kCountersMinTopPx = 612;

} // namespace

LinkStatusPanel::LinkStatusPanel(MainWindow& window, AppContext& context, const StatusPoller& poller)
    : QObject(&window), m_window(window), m_ctx(context), m_poller(poller)
{
    QFrame* panel = window.dashboardFrame();
    m_idleCaption = window.windowTitle();
    m_dayOffsetMs = static_cast<int64_t>(QTime::currentTime().msecsSinceStartOfDay())
        - static_cast<int64_t>(context.clock.nowMs());
    // The link's changes go into the traffic capture beside the frames.
    m_watch.setEventSink([&capture = context.capture](const std::string& kind, const std::string& text) {
        capture.note(kind, text);
    });

    // Created now, so the page does not move when the first message comes.
    QStatusBar* bar = window.statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    m_area = new QLabel(bar);
    m_area->setObjectName(QStringLiteral("LabelLinkState"));
    m_area->setAccessibleName(QStringLiteral("link state"));
    bar->addPermanentWidget(m_area);
    // A long reason is cut by the permanent area: its full text is one
    // hover away.
    connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& text) { bar->setToolTip(text); });

    m_counters = new QLabel(panel);
    m_counters->setObjectName(QStringLiteral("LabelLinkCounters"));
    m_counters->setAccessibleName(QStringLiteral("link counters"));
    QFont small = m_counters->font();
    small.setPointSize(std::max(6, small.pointSize() - 1));
    m_counters->setFont(small);
    panel->installEventFilter(this);

    m_staleCover = new QWidget(panel);
    m_staleCover->setObjectName(QStringLiteral("PanelStale"));
    m_staleCover->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_staleCover->setAutoFillBackground(true);
    QPalette veil = m_staleCover->palette();
    veil.setColor(QPalette::Window, QColor(236, 236, 236, 170));
    m_staleCover->setPalette(veil);
    auto* layout = new QVBoxLayout(m_staleCover);
    m_staleText = new QLabel(m_staleCover);
    m_staleText->setObjectName(QStringLiteral("LabelNoDataSince"));
    m_staleText->setAlignment(Qt::AlignCenter);
    QFont big = m_staleText->font();
    big.setBold(true);
    big.setPointSize(big.pointSize() + 3);
    m_staleText->setFont(big);
    m_staleText->setStyleSheet(QStringLiteral("color: rgb(160, 0, 0); background: rgba(255,255,255,200);"));
    layout->addWidget(m_staleText, 0, Qt::AlignCenter);
    m_staleCover->hide();
    // The dashboard zooms on a large window: the cover follows its buttons.
    window.dashboard().modeButton(ModeButton::Auto)->installEventFilter(this);
    placeCounters(panel->height());

    // Ticks are held off while a dialog is open or the tool works: this
    // timer runs then, so the dashboard shows that its values stopped, and
    // while a finished operation's progress is on show. Otherwise it sleeps.
    m_pauseTimer = new QTimer(this);
    m_pauseTimer->setObjectName(QStringLiteral("TimerPauseWatch"));
    m_pauseTimer->setInterval(kPauseWatchMs);
    connect(m_pauseTimer, &QTimer::timeout, this, &LinkStatusPanel::watchPause);
    connect(window.dashboard().progress(), &QProgressBar::valueChanged, this, [this](int value) {
        if (value > m_window.dashboard().progress()->minimum())
            startPauseWatch();
    });

    m_replugTimer = new QTimer(this);
    m_replugTimer->setObjectName(QStringLiteral("TimerReplug"));
    m_replugTimer->setInterval(kReplugPollMs);
    connect(m_replugTimer, &QTimer::timeout, this, &LinkStatusPanel::pollReplug);
    // The notifier for the system's notices is made when a watch first has them.
    m_retryTimer = new QTimer(this);
    m_retryTimer->setObjectName(QStringLiteral("TimerReplugRetry"));
    m_retryTimer->setSingleShot(true);
    m_retryTimer->setInterval(static_cast<int>(ReplugRetry::kRetryEveryMs));
    connect(m_retryTimer, &QTimer::timeout, this, &LinkStatusPanel::searchAfterReplug);
    refresh();
}

void LinkStatusPanel::placeCounters(int panelHeight)
{
    QWidget* panel = m_counters->parentWidget();
    // Of fixed size, so that its new text each second does not relayout the
    // panel and with it the window.
    const QSize size(std::max(0, panel->width() - 12), kCountersHeightPx);
    if (m_counters->minimumSize() != size || m_counters->maximumSize() != size) {
        m_counters->setFixedSize(size);
        // A label keeps its size hint until its text changes; it must not
        // go on claiming the width of a wider panel.
        const QString text = m_counters->text();
        m_counters->clear();
        m_counters->setText(text);
    }
    m_counters->move(6, std::max(kCountersMinTopPx, panelHeight - kCountersHeightPx - 1));
    // Over the live values, down to the mode buttons, at any zoom.
    const int valuesBottom = m_window.dashboard().modeButton(ModeButton::Auto)->y() - kValuesGapPx;
    m_staleCover->setGeometry(0, 0, panel->width(), std::max(0, valuesBottom));
}

bool LinkStatusPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_counters || !m_staleCover)
        return QObject::eventFilter(watched, event);
    QWidget* panel = m_counters->parentWidget();
    if ((event->type() == QEvent::Resize && watched == panel)
        || (event->type() == QEvent::Move && watched == m_window.dashboard().modeButton(ModeButton::Auto)))
        placeCounters(panel->height());
    return QObject::eventFilter(watched, event);
}

uint64_t LinkStatusPanel::timeOfDayMs() const
{
    return static_cast<uint64_t>(static_cast<int64_t>(m_ctx.clock.nowMs()) + m_dayOffsetMs);
}

bool LinkStatusPanel::replugWatching() const
{
    return m_recovering && (m_replugTimer->isActive() || (m_replugNotice && m_replugNotice->isEnabled()));
}

bool LinkStatusPanel::replugNotified() const { return m_replugNotice && m_replugNotice->isEnabled(); }

void LinkStatusPanel::watchReplug()
{
    if (!m_replug.notified()) {
        if (m_replugNotice)
            m_replugNotice->setEnabled(false);
        m_replugTimer->start();
        return;
    }
    m_replugTimer->stop();
    const int fd = m_replug.descriptor();
    if (m_replugNotice && m_replugNotice->socket() != fd) {
        delete m_replugNotice;
        m_replugNotice = nullptr;
    }
    if (!m_replugNotice) {
        m_replugNotice = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        m_replugNotice->setObjectName(QStringLiteral("NoticeReplug"));
        connect(m_replugNotice, &QSocketNotifier::activated, this, &LinkStatusPanel::replugNoticed);
    }
    m_replugNotice->setEnabled(true);
}

void LinkStatusPanel::stopReplugWatch()
{
    m_replugTimer->stop();
    if (m_replugNotice)
        m_replugNotice->setEnabled(false);
}

void LinkStatusPanel::searchStarted()
{
    // No stat() while the search runs; a search that finds nothing takes the
    // watch up again below.
    stopReplugWatch();
    m_retryTimer->stop();
    m_watch.searchStarted(m_replugSearch);
    refresh();
}

void LinkStatusPanel::tryingPort(const std::string& port)
{
    m_watch.tryingPort(port);
    refresh();
}

void LinkStatusPanel::searchEnded(const SearchOutcome& outcome)
{
    std::vector<LinkWatch::PortTried> tried;
    if (!outcome.found) {
        PortDoctor doctor;
        // The reason in the status line in the window's language.
        doctor.setWords([this](int key, const char* english) { return m_watch.word(key, english); });
        for (const auto& a : outcome.tried) {
            std::string problem;
            if (!a.openError.empty()) {
                const bool busy = a.openError.find(std::strerror(EBUSY)) != std::string::npos;
                problem = doctor.explain(a.port, busy);
                if (problem.empty())
                    problem = a.openError;
            }
            tried.push_back({a.port, problem});
        }
    }
    const std::string text = m_watch.searchEnded(outcome.found, outcome.port, tried, timeOfDayMs());
    if (!outcome.found) {
        // No banner of a controller that is not there.
        m_window.setWindowTitle(m_idleCaption);
        if (!outcome.refused)
            m_window.statusBar()->showMessage(qs(text));
        if (m_recovering && m_replugSearch && m_retry.retryAfter(outcome, m_ctx.clock.nowMs())) {
            m_retryTimer->start(); // the adapter is back but not ready yet
        } else if (m_recovering) {
            // Only a further change of the device starts the next search.
            m_replug.arm(m_replug.name());
            watchReplug();
        }
    } else {
        m_recovering = false;
        m_replug.disarm();
        stopReplugWatch();
        if (!text.empty())
            m_window.statusBar()->showMessage(qs(text));
    }
    refresh();
}

void LinkStatusPanel::afterTick(bool validFrame)
{
    if (validFrame)
        m_watch.validAnswer(timeOfDayMs());
    refresh();
}

void LinkStatusPanel::linkLost()
{
    const std::string port = m_ctx.link.selectedPort();
    m_ctx.gaps.linkLost();
    m_ctx.link.closePort(); // also clears connected: the tick goes idle
    m_window.timer1()->stop();
    m_window.statusBar()->showMessage(qs(m_watch.lostOn(port, timeOfDayMs())));
    refresh(); // the area and the stale look at once, not at the next tick
    // A pseudo-terminal's number, once freed, is soon another terminal's:
    // only a stable name (a by-id link, a link of kdx-sim) can come back.
    const std::string name = ReplugWatch::stableName(port);
    if (name.rfind("/dev/pts/", 0) == 0)
        return;
    m_replug.arm(name);
    m_recovering = true;
    watchReplug();
}

void LinkStatusPanel::setTexts(const LanguageTexts* texts)
{
    ++m_wordsVersion;
    m_watch.setWords(texts ? texts->words() : Words{});
    refresh();
}

std::string LinkStatusPanel::pauseText() const
{
    switch (m_ctx.gaps.pausedNow()) {
    case GapCause::Pause::Dialog: return m_watch.word(102213, "polling paused: a dialog is open");
    case GapCause::Pause::Operation: return m_watch.word(102214, "polling paused while the tool works");
    case GapCause::Pause::None: break;
    }
    return {};
}

void LinkStatusPanel::tickHeld() { startPauseWatch(); }

void LinkStatusPanel::startPauseWatch()
{
    if (!m_pauseTimer->isActive())
        m_pauseTimer->start();
}

bool LinkStatusPanel::pauseWatching() const { return m_pauseTimer->isActive(); }

void LinkStatusPanel::watchPause()
{
    const bool held = m_ctx.busy.busy();
    if (!held)
        m_ctx.gaps.resumed();
    refresh();
    emptyIdleProgress();
    // The ticks run again and no progress lingers: the tick's own refresh
    // follows the link from here.
    QProgressBar* bar = m_window.dashboard().progress();
    if (!held && bar->value() <= bar->minimum())
        m_pauseTimer->stop();
}

void LinkStatusPanel::emptyIdleProgress()
{
    // A bar left full (or half full after a failure) would say that
    // something still runs: once nothing has run for a moment, it empties.
    QProgressBar* bar = m_window.dashboard().progress();
    if (m_ctx.busy.busy() || bar->value() <= bar->minimum()) {
        m_progressIdleSince.reset();
        return;
    }
    const uint64_t now = m_ctx.clock.nowMs();
    if (!m_progressIdleSince)
        m_progressIdleSince = now;
    else if (now - *m_progressIdleSince >= kProgressLingerMs) {
        bar->setValue(bar->minimum());
        m_progressIdleSince.reset();
    }
}

void LinkStatusPanel::pollReplug()
{
    if (m_ctx.busy.busy())
        return;
    if (m_replug.poll())
        replugSeen();
    else if (m_replug.notified())
        watchReplug(); // notices again after a busy moment
}

void LinkStatusPanel::replugNoticed()
{
    if (m_ctx.busy.busy()) {
        // The notice stays queued; the timer looks once the tool is free,
        // and the notifier does not fire again and again meanwhile.
        m_replugNotice->setEnabled(false);
        m_replugTimer->start();
        return;
    }
    if (m_replug.noticed())
        replugSeen();
    else if (!m_replug.notified())
        watchReplug(); // no folder left to follow: the timer
}

void LinkStatusPanel::replugSeen()
{
    stopReplugWatch();
    m_retry.replugSeen(m_ctx.clock.nowMs());
    searchAfterReplug();
}

void LinkStatusPanel::searchAfterReplug()
{
    if (m_ctx.busy.busy()) {
        m_retryTimer->start();
        return;
    }
    m_replugSearch = true;
    m_window.AutoConnect1Click();
    m_replugSearch = false;
}

void LinkStatusPanel::updateCounters(const std::optional<uint64_t>& last)
{
    const QString counters = qs(m_watch.word(102215, "lost") + " %1  \u00b7  " + m_watch.word(102216, "bad")
                                + " %2  \u00b7  " + m_watch.word(102217, "CRC") + " %3  \u00b7  "
                                + m_watch.word(102206, "last answer") + " %4")
                                 .arg(m_poller.lostPacketCount())
                                 .arg(m_poller.badPacketCount())
                                 .arg(m_poller.crcErrorCount())
                                 .arg(last ? QTime::fromMSecsSinceStartOfDay(static_cast<int>(*last % 86400000))
                                                 .toString(QStringLiteral("HH:mm:ss"))
                                           : qs(m_watch.word(102207, "none")));
    if (m_counters->text() != counters)
        m_counters->setText(counters);
}

void LinkStatusPanel::refresh()
{
    // The area and the counters' line are made again only when what they
    // show changed: on a steady link that is once a second, not on every
    // tick.
    const auto last = m_watch.lastAnswerMs();
    Shown shown{m_poller.lostPacketCount(), m_poller.badPacketCount(), m_poller.crcErrorCount(),
                last ? std::optional<uint64_t>(*last / 1000) : std::nullopt, m_wordsVersion, m_watch.phase(),
                m_watch.port()};
    if (!m_shown || !(*m_shown == shown)) {
        m_shown = std::move(shown);
        setSteadyText(*m_area, qs(m_watch.areaText()));
        updateCounters(last);
    }

    const bool stale = m_watch.stale(timeOfDayMs());
    if (stale) {
        const QString text = qs(m_watch.staleText() + "\n" + m_watch.staleReason(pauseText()));
        if (m_staleText->text() != text)
            m_staleText->setText(text);
    }
    if (stale != m_shownStale) {
        m_shownStale = stale;
        m_staleCover->setVisible(stale);
        m_window.dashboard().holdLamps(stale);
        if (stale)
            m_staleCover->raise();
    }
}

} // namespace kdx
