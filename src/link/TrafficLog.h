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

// What an export says about where its frames come from.
struct TrafficExportFacts {
    std::string localTime;  // "2026-12-09 14:05:31 +0100 (CET)": date, time and zone of the export
    std::string program;    // "kdx " and the program version
    std::string port;       // as opened, e.g. /dev/serial/by-id/...
    std::string adapter;    // USB id, maker and product, driver; empty when unknown
    std::string controller; // "hardware 1, software 2.3"; empty when none is connected
    std::string serial;     // "0x0001E240"; empty before the parameters were read
};
// "# key: value" lines; every reader of traffic lines passes them over.
std::string trafficExportHeader(const TrafficExportFacts& facts);
// The records of an exported text (header, comments and blank lines passed
// over), for replaying what happened.
std::vector<TrafficRecord> readTrafficExport(const std::string& text);

} // namespace kdx
