#pragma once

#include "live/StatusSample.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

// The status recording file: comma-separated text, one header line naming
// each column with its unit, then one line per status sample. Numbers use a
// decimal point whatever the system's locale; the time is UTC with
// milliseconds ("2026-12-08T12:50:00.125Z"). The state column says "ok" for
// a valid frame; a gap line ("lost", "bad", "checksum", "no link", "paused") leaves
// every value empty. Lines end in LF; CR LF is accepted when reading.
class StatusCsv {
public:
    static constexpr size_t kColumns = 2 + kChannelCount + kSwitchCount + 3;
    // Limits of the reader: longer lines, more rows or bigger files are
    // refused with a reason, not cut.
    static constexpr size_t kMaxLineBytes = 512;
    static constexpr size_t kMaxRows = 400000;              // 11 hours at 10 frames a second
    static constexpr size_t kMaxFileBytes = 64u * 1024 * 1024;

    // The header line, line end included.
    static std::string header();
    // One line, line end included.
    static std::string row(const StatusSample& sample);
    static const char* stateText(StatusSample::State state);
    // Unit of a channel as the header writes it ("rpm", "%", "degC", "V", "A").
    static const char* unit(Channel c);

    struct ReadResult {
        std::vector<StatusSample> samples;
        size_t gaps = 0;
        // The last line lacked its line end and did not read: a recording
        // cut short by a full disk or a crash. It is left out.
        bool cutShort = false;
        std::string error; // empty when the whole text was read
        bool ok() const { return error.empty(); }
    };
    // Reads a whole recording; at the first fault it stops and says where
    // ("line 12: ...") and what, with no samples.
    static ReadResult read(std::string_view text);
    // The same from a file, refused above kMaxFileBytes.
    static ReadResult readFile(const std::string& path);
};

} // namespace kdx
