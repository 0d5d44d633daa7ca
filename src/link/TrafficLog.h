#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

// One frame on the line as the traffic view, its export and kdx-sim --trace
// show it. A text line reads
//   HH:MM:SS.mmm PC  status AA 05 00 00 59 E0
//   HH:MM:SS.mmm ECU status 56 05 ... E0  # badsum
// time of day, who sent it (PC, ECU, or -- for bytes no frame took), the
// decoded kind, the bytes in hexadecimal ("-" for none) and an optional note.
struct TrafficRecord {
    enum class Sender { Pc, Ecu, None };
    uint64_t timeMs = 0; // milliseconds of the day's clock (wraps at midnight when shown)
    Sender sender = Sender::Pc;
    std::string kind;
    std::vector<uint8_t> bytes;
    std::string note;

    bool operator==(const TrafficRecord& o) const
    {
        return timeMs % kDayMs == o.timeMs % kDayMs && sender == o.sender && kind == o.kind && bytes == o.bytes
            && note == o.note;
    }
    static constexpr uint64_t kDayMs = 24ull * 3600 * 1000;
};

// Kind of a frame the PC sends: identify, page, status, write, save, mode,
// service, erase, bootloader; "unknown" for anything else.
std::string commandKind(const uint8_t* bytes, size_t count);
// Kind of an answer, from its own first bytes where they tell (identify,
// page, status), else the kind of the request it follows.
std::string answerKind(const uint8_t* bytes, size_t count, const std::string& requestKind);

// "HH:MM:SS.mmm" of the milliseconds of a day.
std::string timeOfDayText(uint64_t ms);
std::string formatTrafficLine(const TrafficRecord& record);
// Reads one line back; nullopt for anything that is not a traffic line.
std::optional<TrafficRecord> parseTrafficLine(const std::string& line);

} // namespace kdx
