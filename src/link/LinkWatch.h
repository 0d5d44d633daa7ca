#pragma once

#include "link/TextFormat.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

// What the technician is told about the link, decided without the window:
// the permanent status area (port, state, last valid answer), the stale look
// of the dashboard, and the status-line texts of a lost link, a reconnection
// and a search that found nothing. Times are milliseconds of the day as the
// caller's clock gives them.
class LinkWatch {
public:
    enum class Phase { NoPort, Searching, Connected, NotFound, Lost };
    // Data older than this is no longer shown as live.
    static constexpr uint64_t kStaleAfterMs = 1000;

    struct PortTried {
        std::string port;
        std::string problem; // why it could not be opened; empty when it opened but nothing answered
    };

    // Receives a line for each change of the link (search started, connected,
    // reconnected, nothing found, lost), for the traffic capture.
    void setEventSink(std::function<void(const std::string& kind, const std::string& text)> sink)
    {
        m_events = std::move(sink);
    }

    // The words of the status area and the stale notice in the window's
    // language: key, English text -> text (unset: English).
    using Words = kdx::Words;
    void setWords(Words words) { m_words = std::move(words); }
    std::string word(int key, const char* english) const { return textOf(m_words, key, english); }

    void searchStarted(bool afterReplug);
    void tryingPort(const std::string& port);
    // found: a controller answered and was taken; returns the status-line text
    // (empty: leave the status line as it is).
    std::string searchEnded(bool found, const std::string& port, const std::vector<PortTried>& tried,
                            uint64_t nowMs);
    // The open device went away: the status-line text.
    std::string lost(uint64_t nowMs);
    // The same for a device known by name (it went away in the middle of a
    // search, which had not taken it yet).
    std::string lostOn(const std::string& port, uint64_t nowMs)
    {
        if (!port.empty())
            m_port = port;
        return lost(nowMs);
    }
    void validAnswer(uint64_t nowMs);

    Phase phase() const { return m_phase; }
    const std::string& port() const { return m_port; }
    std::optional<uint64_t> lastAnswerMs() const { return m_lastAnswer; }
    // The dashboard's data is old: nothing valid for more than a second while
    // connected, the link is lost, a search runs or found nothing while old
    // values are on show, or a new connection has not sent its first frame
    // yet. Values stay; only their look changes.
    bool stale(uint64_t nowMs) const;
    // Why it is stale, for the dashboard's notice; pause: what holds the
    // polling off, if anything (used while connected).
    std::string staleReason(const std::string& pause) const;

    static const char* phaseText(Phase phase);
    // "PORT · STATE · last answer HH:MM:SS".
    std::string areaText() const;
    // "no data since HH:MM:SS" (or "no data yet").
    std::string staleText() const;

private:
    Phase m_phase = Phase::NoPort;
    std::string m_port;
    std::optional<uint64_t> m_lastAnswer;
    uint64_t m_connectedAt = 0;
    bool m_afterReplug = false;
    bool m_staleAtConnect = false;
    Words m_words;
    std::function<void(const std::string&, const std::string&)> m_events;
    void event(const std::string& kind, const std::string& text) const
    {
        if (m_events)
            m_events(kind, text);
    }
};

} // namespace kdx
