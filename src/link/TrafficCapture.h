#pragma once

#include "link/Clock.h"
#include "link/SerialLine.h"
#include "link/TrafficLog.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kdx {

// A serial line that passes everything to the line it wraps and, while
// recording, keeps the last kCapacity frames in a ring: each transmission as
// one PC frame, and everything read between two transmissions as one answer
// (the PC is the master, so an answer ends where the next request starts).
// While not recording it adds one flag test per call and keeps nothing.
// Besides frames it keeps lines for what happened to the link (lost,
// reconnected, a search started) and for the tool's own pauses, so that a
// gap in the export says what it was.
class TrafficCapture : public SerialLine {
public:
    static constexpr size_t kCapacity = 4096;
    // A request this long after the previous one gets a line for the pause.
    static constexpr uint64_t kPauseNoteMs = 1000;

    TrafficCapture(SerialLine& inner, const Clock& clock);

    // Starts recording; a record's time is the clock's time plus offsetMs
    // (the caller makes that the time of day).
    void start(int64_t offsetMs);
    // Stops recording; what was kept stays until clear().
    void stop();
    bool recording() const { return m_recording; }
    // Forgets what was kept (and, when not recording, its memory).
    void clear();

    // Records with a sequence number from `next` on (older ones that the ring
    // has dropped are skipped); sets `next` past the last one returned. The
    // answer being read is closed first, so call it between exchanges.
    std::vector<TrafficRecord> takeSince(uint64_t& next);
    // An event line ("--  KIND -  # TEXT"), kept while recording.
    void note(const std::string& kind, const std::string& text);
    // Number of records ever kept (the next sequence number).
    uint64_t total() const { return m_total; }

    // --- SerialLine ---------------------------------------------------------
    bool open(const std::string& deviceName) override;
    void close() override;
    bool isOpen() const override { return m_inner.isOpen(); }
    bool transmit(const uint8_t* data, size_t count) override;
    void drain() override { m_inner.drain(); }
    size_t bytesWaiting() override { return m_inner.bytesWaiting(); }
    size_t read(uint8_t* destination, size_t maxCount) override;
    std::string lastError() const override { return m_inner.lastError(); }
    bool hungUp() const override { return m_inner.hungUp(); }
    uint32_t deliveryLatencyMs() const override { return m_inner.deliveryLatencyMs(); }

private:
    void add(TrafficRecord record);
    void closeAnswer();
    uint64_t now() const;

    SerialLine& m_inner;
    const Clock& m_clock;
    bool m_recording = false;
    int64_t m_offsetMs = 0;
    std::vector<TrafficRecord> m_ring; // kCapacity slots while in use, record n in slot n % kCapacity
    uint64_t m_total = 0;              // records ever added
    uint64_t m_first = 0;              // the oldest record not cleared
    std::string m_requestKind;
    TrafficRecord m_answer;
    bool m_answerOpen = false;
    bool m_sentBefore = false;
    uint64_t m_lastSentMs = 0; // clock time of the last request
};

} // namespace kdx
