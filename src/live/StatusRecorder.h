#pragma once

#include "live/StatusSample.h"

#include <cstdint>
#include <cstdio>
#include <string>

namespace kdx {

// Writes the status samples to a recording file (see StatusCsv), one line
// each, flushed as it goes so a crash loses at most the line being written.
// A failed write (a full disk, a pulled memory stick) ends the recording and
// says why; nothing is silently dropped. A silence of more than
// kNoLinkAfterMs before a frame that no gap row named is marked by a
// "no link" line before that frame.
class StatusRecorder {
public:
    static constexpr int64_t kNoLinkAfterMs = 1000;

    StatusRecorder() = default;
    ~StatusRecorder();
    StatusRecorder(const StatusRecorder&) = delete;
    StatusRecorder& operator=(const StatusRecorder&) = delete;

    // "KDX_0001E240_20261208T125000Z.csv": the controller's serial number and
    // the UTC start time.
    static std::string fileName(uint32_t serialNumber, int64_t utcMs);

    // Starts a new file in folder (created when missing), named by
    // fileName(); an existing file is never overwritten (a suffix "_2", "_3"
    // ... is added). False with error() when it cannot be created or its
    // header cannot be written.
    bool startIn(const std::string& folder, uint32_t serialNumber, int64_t utcMs);
    // Starts recording to exactly this path (created or truncated).
    bool startAt(const std::string& path, uint32_t serialNumber);
    // Closes the file; false with error() when the last data could not be written.
    bool stop();

    // Writes one sample; false (and the recording ends) when the write failed.
    bool write(const StatusSample& sample);

    bool recording() const { return m_file != nullptr; }
    const std::string& path() const { return m_path; }
    uint32_t serialNumber() const { return m_serial; }
    uint64_t rows() const { return m_rows; }
    uint64_t gapRows() const { return m_gaps; }
    // Why the last start, write or stop failed; empty after a success.
    const std::string& error() const { return m_error; }

private:
    bool open(const std::string& path, const char* mode, uint32_t serialNumber);
    bool put(const std::string& text);
    void fail(const std::string& what);

    std::FILE* m_file = nullptr;
    std::string m_path;
    std::string m_error;
    uint32_t m_serial = 0;
    uint64_t m_rows = 0;
    uint64_t m_gaps = 0;
    bool m_haveLast = false;
    int64_t m_lastMs = 0;
};

} // namespace kdx
