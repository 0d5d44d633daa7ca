#include "link/TrafficLog.h"

#include "protocol/Wire.h"

#include <cstdio>
#include <sstream>

namespace kdx {

namespace {

const char* senderText(TrafficRecord::Sender s)
{
    switch (s) {
    case TrafficRecord::Sender::Pc: return "PC ";
    case TrafficRecord::Sender::Ecu: return "ECU";
    case TrafficRecord::Sender::None: break;
    }
    return "-- ";
}

bool parseHexByte(const std::string& token, uint8_t& value)
{
    if (token.size() != 2)
        return false;
    unsigned v = 0;
    for (const char c : token) {
        v <<= 4;
        if (c >= '0' && c <= '9')
            v |= static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            v |= static_cast<unsigned>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            v |= static_cast<unsigned>(c - 'a' + 10);
        else
            return false;
    }
    value = static_cast<uint8_t>(v);
    return true;
}

bool parseTime(const std::string& t, uint64_t& ms)
{
    unsigned h = 0, m = 0, s = 0, milli = 0;
    char tail = 0;
    if (t.size() != 12 || std::sscanf(t.c_str(), "%2u:%2u:%2u.%3u%c", &h, &m, &s, &milli, &tail) != 4)
        return false;
    if (h > 23 || m > 59 || s > 59 || milli > 999)
        return false;
    ms = ((h * 60ull + m) * 60ull + s) * 1000ull + milli;
    return true;
}

} // namespace

std::string commandKind(const uint8_t* b, size_t n)
{
    using namespace wire;
    if (n == kBootFrameSize && b[0] == kBootMagic0 && b[1] == kBootMagic1)
        return "bootloader";
    if (n != kFrameSize)
        return "unknown";
    const uint8_t code = b[0];
    if (code == kCmdIdentify)
        return "identify";
    if (code == kCmdRead && b[1] == kReadPage)
        return "page";
    if (code == kCmdRead && b[1] == kReadStatus)
        return "status";
    if (code == kCmdRead && b[1] == kReadBoot)
        return "bootloader";
    if (code >= kCmdWriteByteBase && code < kCmdSaveToEeprom)
        return "write";
    if (code == kCmdSaveToEeprom)
        return "save";
    if (code == kCmdSetWorkMode)
        return "mode";
    if (code == kCmdServiceOn || code == kCmdServiceOff)
        return "service";
    if (code == kCmdEraseErrors)
        return "erase";
    return "unknown";
}

std::string answerKind(const uint8_t* b, size_t n, const std::string& requestKind)
{
    using namespace wire;
    if (n >= 2 && b[0] == kStatusStart && b[1] == kStatusSecond)
        return "status";
    if (n >= 2 && b[0] == kPageStart && b[1] == kPageSecond)
        return "page";
    if (n >= 1 && b[0] == kIdentifyStart && requestKind == "identify")
        return "identify";
    return requestKind.empty() ? "unknown" : requestKind;
}

std::string timeOfDayText(uint64_t ms)
{
    ms %= TrafficRecord::kDayMs;
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", static_cast<unsigned>(ms / 3600000),
                  static_cast<unsigned>(ms / 60000 % 60), static_cast<unsigned>(ms / 1000 % 60),
                  static_cast<unsigned>(ms % 1000));
    return text;
}

std::string formatTrafficLine(const TrafficRecord& r)
{
    std::string line = timeOfDayText(r.timeMs) + " " + senderText(r.sender) + " " + (r.kind.empty() ? "unknown" : r.kind);
    if (r.bytes.empty()) {
        line += " -";
    } else {
        char hex[4];
        for (const uint8_t b : r.bytes) {
            std::snprintf(hex, sizeof hex, " %02X", b);
            line += hex;
        }
    }
    if (!r.note.empty())
        line += "  # " + r.note;
    return line;
}

std::string trafficExportHeader(const TrafficExportFacts& f)
{
    auto line = [](const char* key, const std::string& value) {
        return std::string("# ") + key + ": " + (value.empty() ? std::string("unknown") : value) + "\n";
    };
    return "# kdx traffic\n" + line("exported", f.localTime) + line("program", f.program) + line("port", f.port)
        + line("adapter", f.adapter) + line("controller", f.controller.empty() ? "none connected" : f.controller)
        + line("serial number", f.serial);
}

std::vector<TrafficRecord> readTrafficExport(const std::string& text)
{
    std::vector<TrafficRecord> records;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (auto r = parseTrafficLine(line))
            records.push_back(std::move(*r));
    }
    return records;
}

std::optional<TrafficRecord> parseTrafficLine(const std::string& line)
{
    std::string body = line;
    std::string note;
    if (const size_t hash = line.find(" # "); hash != std::string::npos) {
        body = line.substr(0, hash);
        note = line.substr(hash + 3);
        while (!note.empty() && note.front() == ' ')
            note.erase(note.begin());
    }
    std::istringstream in(body);
    std::string time, sender, kind, token;
    if (!(in >> time >> sender >> kind))
        return std::nullopt;
    TrafficRecord r;
    if (!parseTime(time, r.timeMs))
        return std::nullopt;
    if (sender == "PC")
        r.sender = TrafficRecord::Sender::Pc;
    else if (sender == "ECU")
        r.sender = TrafficRecord::Sender::Ecu;
    else if (sender == "--")
        r.sender = TrafficRecord::Sender::None;
    else
        return std::nullopt;
    r.kind = kind;
    bool dash = false;
    while (in >> token) {
        uint8_t b = 0;
        if (token == "-" && r.bytes.empty() && !dash)
            dash = true;
        else if (!dash && parseHexByte(token, b))
            r.bytes.push_back(b);
        else
            return std::nullopt;
    }
    if (!dash && r.bytes.empty())
        return std::nullopt;
    r.note = note;
    return r;
}

} // namespace kdx
