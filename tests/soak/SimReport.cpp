#include "SimReport.h"

#include <cstdlib>
#include <sstream>

namespace kdx::drive {

namespace {

// Value of "key=123" within a line; empty when absent or not a number.
std::optional<uint64_t> keyValue(const std::string& line, const std::string& key)
{
    const std::string needle = " " + key + "=";
    const size_t at = line.find(needle);
    if (at == std::string::npos)
        return std::nullopt;
    const char* begin = line.c_str() + at + needle.size();
    char* end = nullptr;
    const unsigned long long v = std::strtoull(begin, &end, 10);
    if (end == begin)
        return std::nullopt;
    return v;
}

} // namespace

SimReport SimReport::parse(const std::string& output)
{
    SimReport current;
    SimReport last;
    std::istringstream in(output);
    std::string line;
    const std::string prefix = "kdx-sim: ";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) != 0)
            continue;
        const std::string body = line.substr(prefix.size());
        if (body.rfind("injected ", 0) == 0) {
            std::istringstream words(body.substr(9));
            std::string kind;
            words >> kind;
            KindCounts& k = current.kinds[kind];
            k.answers = static_cast<uint32_t>(keyValue(body, "answers").value_or(0));
            k.spoiled.lost = static_cast<uint32_t>(keyValue(body, "lost").value_or(0));
            k.spoiled.bad = static_cast<uint32_t>(keyValue(body, "bad").value_or(0));
            k.spoiled.checksum = static_cast<uint32_t>(keyValue(body, "checksum").value_or(0));
        } else if (body.rfind("wire lateness", 0) == 0) {
            current.maxLatenessMs = keyValue(body, "max").value_or(0);
            current.lateWrites = static_cast<uint32_t>(keyValue(body, "late-writes").value_or(0));
        } else if (body.rfind("eeprom ", 0) == 0) {
            std::istringstream hex(body.substr(7));
            std::array<uint8_t, 512> bytes{};
            size_t n = 0;
            std::string byte;
            while (n < bytes.size() && hex >> byte) {
                char* end = nullptr;
                const unsigned long v = std::strtoul(byte.c_str(), &end, 16);
                if (byte.size() != 2 || *end != '\0' || v > 0xFF)
                    break;
                bytes[n++] = static_cast<uint8_t>(v);
            }
            if (n == bytes.size() && !(hex >> byte))
                current.eeprom = bytes;
        } else if (body == "end of report") {
            current.complete = true;
            last = current;
            current = SimReport();
        }
    }
    return last.complete ? last : current;
}

KindCounts SimReport::kind(const std::string& name) const
{
    const auto it = kinds.find(name);
    return it == kinds.end() ? KindCounts() : it->second;
}

std::vector<std::string> compareCounters(const LinkCounters& tool, const SimReport& sim)
{
    std::vector<std::string> failures;
    if (!sim.complete) {
        failures.push_back("kdx-sim printed no complete report");
        return failures;
    }
    // Only status answers reach the tool's counters: identify and page
    // answers are judged by the connection search and the full read, which
    // retry instead of counting.
    const LinkCounters injected = sim.kind("status").spoiled;
    auto check = [&](const char* name, uint32_t shown, uint32_t made) {
        if (shown != made)
            failures.push_back(std::string("counter ") + name + ": tool " + std::to_string(shown)
                               + ", simulator injected " + std::to_string(made));
    };
    check("lost", tool.lost, injected.lost);
    check("bad", tool.bad, injected.bad);
    check("checksum", tool.checksum, injected.checksum);
    if (!failures.empty() && sim.lateWrites > 0)
        failures.push_back("(kdx-sim wrote " + std::to_string(sim.lateWrites)
                           + " answers more than 20 ms behind the wire, up to "
                           + std::to_string(sim.maxLatenessMs) + " ms: a stalled machine rather than the tool may explain it)");
    return failures;
}

std::optional<uint64_t> procStatusKb(const std::string& statusText, const std::string& field)
{
    std::istringstream in(statusText);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) != 0)
            continue;
        const char* begin = line.c_str() + field.size() + 1;
        char* end = nullptr;
        const unsigned long long v = std::strtoull(begin, &end, 10);
        if (end == begin)
            return std::nullopt;
        return v;
    }
    return std::nullopt;
}

} // namespace kdx::drive
