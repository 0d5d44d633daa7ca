#include "link/LinkWatch.h"

#include "link/TextFormat.h"
#include "link/TrafficLog.h"

namespace kdx {

namespace {

// "HH:MM:SS" of the milliseconds of a day.
std::string clockText(uint64_t ms) { return timeOfDayText(ms).substr(0, 8); }

} // namespace

void LinkWatch::searchStarted(bool afterReplug)
{
    m_phase = Phase::Searching;
    m_afterReplug = afterReplug;
    event("search", afterReplug ? "search started (the device came back)" : "search started");
}

void LinkWatch::tryingPort(const std::string& port)
{
    m_phase = Phase::Searching;
    m_port = port;
}

std::string LinkWatch::searchEnded(bool found, const std::string& port, const std::vector<PortTried>& tried,
                                   uint64_t nowMs)
{
    const bool replug = m_afterReplug;
    m_afterReplug = false;
    if (found) {
        // A dashboard that looked old before the search keeps that look
        // until the new link's first frame.
        m_staleAtConnect = m_phase != Phase::NoPort && m_lastAnswer.has_value();
        m_phase = Phase::Connected;
        m_port = port;
        m_connectedAt = nowMs;
        event(replug ? "reconnected" : "connected", (replug ? "reconnected to " : "connected to ") + port);
        if (replug)
            return fillIn(word(102780, "Reconnected to %1 at %2"), {port, clockText(nowMs)});
        return {};
    }
    m_phase = Phase::NotFound;
    m_port.clear();
    event("search", "no controller answered");
    if (tried.empty())
        return word(102781, "No controller answered: no serial port to try");
    std::string text;
    for (size_t i = 0; i < tried.size(); ++i) {
        if (i)
            text += "; ";
        text += tried[i].port;
        if (!tried[i].problem.empty())
            text += " (" + tried[i].problem + ")";
    }
    return fillIn(word(102782, "No controller answered on: %1"), {text});
}

std::string LinkWatch::lost(uint64_t nowMs)
{
    m_phase = Phase::Lost;
    event("lost", "link lost: " + (m_port.empty() ? std::string("the port") : m_port) + " went away");
    return fillIn(word(102783, "Link lost: %1 went away at %2; waiting for it to come back"),
                  {m_port.empty() ? word(102784, "the port") : m_port, clockText(nowMs)});
}

void LinkWatch::validAnswer(uint64_t nowMs) { m_lastAnswer = nowMs; }

bool LinkWatch::stale(uint64_t nowMs) const
{
    // Values of an earlier link stay on the dashboard through a search, one
    // that found nothing, and a new connection until its first frame.
    if (m_phase == Phase::Lost)
        return true;
    if (m_phase == Phase::Searching || m_phase == Phase::NotFound)
        return m_lastAnswer.has_value();
    if (m_phase != Phase::Connected)
        return false;
    const bool freshSince = m_lastAnswer && *m_lastAnswer >= m_connectedAt;
    if (!freshSince && m_staleAtConnect)
        return true;
    // Counted from the connection when no frame came since (a stale frame
    // of the previous link does not make a fresh one stale at once).
    uint64_t since = m_connectedAt;
    if (m_lastAnswer && *m_lastAnswer > since)
        since = *m_lastAnswer;
    return nowMs > since + kStaleAfterMs;
}

std::string LinkWatch::staleReason(const std::string& pause) const
{
    switch (m_phase) {
    case Phase::Lost: return word(102205, "link lost");
    case Phase::Searching: return word(102210, "searching for the controller");
    case Phase::NotFound: return word(102211, "no controller found");
    default: break;
    }
    return pause.empty() ? word(102212, "no answer from the controller") : pause;
}

const char* LinkWatch::phaseText(Phase phase)
{
    switch (phase) {
    case Phase::NoPort: break;
    case Phase::Searching: return "searching";
    case Phase::Connected: return "connected";
    case Phase::NotFound: return "not found";
    case Phase::Lost: return "link lost";
    }
    return "not connected";
}

std::string LinkWatch::areaText() const
{
    static const int kPhaseKeys[] = {102201, 102202, 102203, 102204, 102205};
    std::string text = (m_port.empty() ? word(102200, "no port") : m_port) + "  \u00b7  "
        + word(kPhaseKeys[static_cast<int>(m_phase)], phaseText(m_phase));
    text += "  \u00b7  " + word(102206, "last answer") + " "
        + (m_lastAnswer ? clockText(*m_lastAnswer) : word(102207, "none"));
    return text;
}

std::string LinkWatch::staleText() const
{
    return m_lastAnswer ? word(102208, "no data since") + " " + clockText(*m_lastAnswer)
                        : word(102209, "no data yet");
}

} // namespace kdx
