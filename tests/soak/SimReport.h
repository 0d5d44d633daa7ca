#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kdx::drive {

// The three link counters as the tool shows them and as kdx-sim counts what
// it spoiled: lost (no complete answer), bad (wrong header or end byte),
// checksum (wrong sum).
struct LinkCounters {
    uint32_t lost = 0;
    uint32_t bad = 0;
    uint32_t checksum = 0;
    bool operator==(const LinkCounters& o) const
    {
        return lost == o.lost && bad == o.bad && checksum == o.checksum;
    }
};

struct KindCounts {
    uint32_t answers = 0;
    LinkCounters spoiled;
};

// kdx-sim's report (printed on SIGUSR1 and at exit).
struct SimReport {
    std::map<std::string, KindCounts> kinds; // identify, page, status, boot
    uint64_t maxLatenessMs = 0;
    uint32_t lateWrites = 0;
    std::optional<std::array<uint8_t, 512>> eeprom;
    bool complete = false; // the closing line was seen

    // Reads the report lines out of kdx-sim's output (other lines are skipped);
    // the last report in the text wins.
    static SimReport parse(const std::string& output);
    KindCounts kind(const std::string& name) const;
};

// The checks of a soak run that compare the tool with the simulator; each
// failed check is one line of text, none when all hold.
std::vector<std::string> compareCounters(const LinkCounters& tool, const SimReport& sim);

// Reads "VmRSS:  1234 kB" style fields of /proc/<pid>/status; kB, empty when absent.
std::optional<uint64_t> procStatusKb(const std::string& statusText, const std::string& field);

} // namespace kdx::drive
