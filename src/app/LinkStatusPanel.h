#pragma once

#include "app/AppContext.h"
#include "link/ConnectionHost.h"
#include "link/LinkWatch.h"
#include "link/ReplugRetry.h"
#include "link/ReplugWatch.h"

#include <QPointer>
#include <QObject>
#include <QString>

#include <optional>

class QLabel;
class QSocketNotifier;
class QTimer;
class QWidget;

namespace kdx {

class LanguageTexts;
class MainWindow;
class StatusPoller;

// Glue of the link's health on the window: the permanent status-bar area
// (port, state, last valid answer), the link counters on the dashboard panel,
// the stale look of the dashboard, the hang-up of the open device and the
// watch for it to come back. Decisions are LinkWatch's and ReplugWatch's;
// this class only applies them. Its controls exist from start-up.
class LinkStatusPanel : public QObject {
    Q_OBJECT
public:
    // How often the replug watch looks for the adapter (one stat() each)
    // where the system gives no notices, and for a moment after a busy one.
    static constexpr int kReplugPollMs = 500;
    // How often the dashboard's look is checked while the polling is held off.
    static constexpr int kPauseWatchMs = 250;
    // How long a finished operation's progress stays on show.
    static constexpr uint64_t kProgressLingerMs = 1500;

    LinkStatusPanel(MainWindow& window, AppContext& context, const StatusPoller& poller);

    // From the connection search (ConnectionHost).
    void searchStarted();
    void tryingPort(const std::string& port);
    void searchEnded(const SearchOutcome& outcome);
    // After every status tick; validFrame: a valid status frame came in.
    void afterTick(bool validFrame);
    // A tick came while the tool was busy and did not poll.
    void tickHeld();
    // The session found the device gone: say so, watch for it to come back.
    void linkLost();

    // Brings the dashboard's look up to date while no tick runs (a dialog
    // open, a long operation) and empties a lingering progress bar: run by
    // its own timer, which runs only while a tick was held off or progress
    // is on show, and stops itself once neither is the case.
    void watchPause();
    bool pauseWatching() const;
    // The words of the status area and the notice in the window's language.
    void setTexts(const LanguageTexts* texts);
    // Empties the progress bar once no operation has run for a moment.
    void emptyIdleProgress();

    const LinkWatch& watch() const { return m_watch; }
    bool replugWatching() const;
    // The watch waits on the system's notices, not on its timer.
    bool replugNotified() const;
    QTimer* replugTimer() const { return m_replugTimer; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeCounters(int panelHeight);
    std::string pauseText() const;
    void startPauseWatch();
    void pollReplug();
    void replugNoticed();
    void replugSeen();
    void watchReplug();
    void stopReplugWatch();
    void searchAfterReplug();
    void refresh();
    void updateCounters(const std::optional<uint64_t>& lastAnswerMs);
    uint64_t timeOfDayMs() const;

    MainWindow& m_window;
    AppContext& m_ctx;
    const StatusPoller& m_poller;
    LinkWatch m_watch;
    ReplugWatch m_replug;
    ReplugRetry m_retry;
    QString m_idleCaption;
    int64_t m_dayOffsetMs = 0;
    bool m_replugSearch = false; // the search running was started by the watch
    bool m_recovering = false;   // the device hung up and no search found it since
    bool m_shownStale = false;

    QLabel* m_area = nullptr;     // LabelLinkState, in the status bar
    // LabelLinkCounters, on the dashboard panel; the panel and its children
    // go before this object when the window closes, while their last
    // events still pass the filter.
    QPointer<QLabel> m_counters;
    QPointer<QWidget> m_staleCover; // PanelStale, over the dashboard's values
    QLabel* m_staleText = nullptr;   // LabelNoDataSince
    QTimer* m_replugTimer = nullptr;
    QSocketNotifier* m_replugNotice = nullptr; // NoticeReplug: the system's notices for the watch
    QTimer* m_retryTimer = nullptr; // TimerReplugRetry: the next search while the adapter is not ready
    QTimer* m_pauseTimer = nullptr;
    std::optional<uint64_t> m_progressIdleSince;
    // What the counters' line was made from.
    // What the area and the counters' line were last made from.
    struct Shown {
        uint32_t lost, bad, crc;
        std::optional<uint64_t> lastAnswerSecond;
        int wordsVersion;
        LinkWatch::Phase phase;
        std::string port;
        bool operator==(const Shown& o) const
        {
            return lost == o.lost && bad == o.bad && crc == o.crc && lastAnswerSecond == o.lastAnswerSecond
                && wordsVersion == o.wordsVersion && phase == o.phase && port == o.port;
        }
    };
    std::optional<Shown> m_shown;
    int m_wordsVersion = 0;
};

} // namespace kdx
