#include "live/StatusCsv.h"

#include "live/UtcTime.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace kdx {

namespace {

struct ChannelColumn {
    const char* name;
    const char* unit;
    int decimals; // as the controller's resolution allows
};
constexpr ChannelColumn kChannelColumns[kChannelCount] = {
    {"engine speed", "rpm", 0},       {"humidity", "%", 1},
    {"temperature", "degC", 1},       {"supply voltage", "V", 3},
    {"water level", "V", 4},          {"filtered water level", "V", 4},
    {"pump 1 current", "A", 4},       {"pump 2 current", "A", 4},
};
constexpr const char* kSwitchColumns[kSwitchCount] = {"ignition", "pump 1", "pump 2",
                                                      "ioniser 1", "ioniser 2", "system on"};
constexpr const char* kStateTexts[] = {"ok", "lost", "bad", "checksum", "no link", "paused"};

std::string number(double v, int decimals)
{
    char text[48];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
    return std::string(text, r.ptr);
}

std::string lineError(size_t line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

// Splits at commas; false past kColumns fields.
bool split(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    size_t start = 0;
    for (;;) {
        const size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos)
            return true;
        if (fields.size() >= StatusCsv::kColumns)
            return false;
        start = comma + 1;
    }
}

template <typename T>
bool whole(std::string_view s, T max, T& value)
{
    unsigned long v = 0;
    if (s.empty())
        return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || v > static_cast<unsigned long>(max))
        return false;
    value = static_cast<T>(v);
    return true;
}

bool decimal(std::string_view s, float& value)
{
    if (s.empty() || s.front() == '+')
        return false;
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v) || std::fabs(v) > 1e9)
        return false;
    value = static_cast<float>(v);
    return true;
}

} // namespace

const char* StatusCsv::stateText(StatusSample::State state) { return kStateTexts[static_cast<size_t>(state)]; }
const char* StatusCsv::unit(Channel c) { return kChannelColumns[static_cast<size_t>(c)].unit; }

std::string StatusCsv::header()
{
    std::string h = "time [UTC],state";
    for (const auto& c : kChannelColumns)
        h += std::string(",") + c.name + " [" + c.unit + "]";
    for (const char* s : kSwitchColumns)
        h += std::string(",") + s + " [0/1]";
    h += ",work mode [code],errors present [bits],errors stored [bits]\n";
    return h;
}

std::string StatusCsv::row(const StatusSample& s)
{
    std::string r = UtcTime::iso(s.utcMs);
    r += ',';
    r += stateText(s.state);
    if (!s.ok()) {
        r.append(kColumns - 2, ',');
        r += '\n';
        return r;
    }
    for (size_t i = 0; i < kChannelCount; ++i)
        r += ',' + number(s.values[i], kChannelColumns[i].decimals);
    for (size_t i = 0; i < kSwitchCount; ++i)
        r += s.on(static_cast<Switch>(i)) ? ",1" : ",0";
    r += ',' + std::to_string(s.workMode) + ',' + std::to_string(s.errorAct) + ',' + std::to_string(s.errorMemo)
         + '\n';
    return r;
}

StatusCsv::ReadResult StatusCsv::read(std::string_view text)
{
    ReadResult result;
    bool lastLine = false;
    auto fail = [&](size_t line, const std::string& what) {
        if (lastLine && line > 1 && result.error.empty() && !result.samples.empty()) {
            result.cutShort = true;
            return result;
        }
        result.samples.clear();
        result.gaps = 0;
        result.error = lineError(line, what);
        return result;
    };
    const std::string expectedHeader = header().substr(0, header().size() - 1);
    std::vector<std::string_view> fields;
    fields.reserve(kColumns);
    size_t pos = 0;
    size_t lineNo = 0;
    while (pos < text.size()) {
        ++lineNo;
        size_t end = text.find('\n', pos);
        const bool last = end == std::string_view::npos;
        if (last)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = last ? text.size() : end + 1;
        lastLine = last;
        if (line.size() > kMaxLineBytes)
            return fail(lineNo, "longer than " + std::to_string(kMaxLineBytes) + " bytes");
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (lineNo == 1) {
            if (line.size() >= 3 && std::memcmp(line.data(), "\xEF\xBB\xBF", 3) == 0)
                line.remove_prefix(3); // a spreadsheet may have saved it with a BOM
            if (line != expectedHeader)
                return fail(lineNo, "not a KDX status recording (unexpected header)");
            continue;
        }
        if (line.empty()) {
            if (last)
                break;
            return fail(lineNo, "empty line");
        }
        if (result.samples.size() >= kMaxRows)
            return fail(lineNo, "more than " + std::to_string(kMaxRows) + " rows");
        if (!split(line, fields))
            return fail(lineNo, "more than " + std::to_string(kColumns) + " fields");
        if (fields.size() != kColumns)
            return fail(lineNo, std::to_string(fields.size()) + " fields, expected " + std::to_string(kColumns));
        StatusSample s;
        const auto time = UtcTime::parseIso(fields[0]);
        if (!time)
            return fail(lineNo, "bad time stamp '" + std::string(fields[0]) + "'");
        s.utcMs = *time;
        if (!result.samples.empty() && s.utcMs < result.samples.back().utcMs)
            return fail(lineNo, "time goes backwards");
        size_t state = 0;
        while (state < std::size(kStateTexts) && fields[1] != kStateTexts[state])
            ++state;
        if (state == std::size(kStateTexts))
            return fail(lineNo, "unknown state '" + std::string(fields[1]) + "'");
        s.state = static_cast<StatusSample::State>(state);
        if (!s.ok()) {
            for (size_t i = 2; i < kColumns; ++i)
                if (!fields[i].empty())
                    return fail(lineNo, "a gap line with a value in column " + std::to_string(i + 1));
            ++result.gaps;
            result.samples.push_back(s);
            continue;
        }
        size_t col = 2;
        for (size_t i = 0; i < kChannelCount; ++i, ++col)
            if (!decimal(fields[col], s.values[i]))
                return fail(lineNo, "column " + std::to_string(col + 1) + " is not a number: '"
                                        + std::string(fields[col]) + "'");
        for (size_t i = 0; i < kSwitchCount; ++i, ++col) {
            if (fields[col] != "0" && fields[col] != "1")
                return fail(lineNo, "column " + std::to_string(col + 1) + " is not 0 or 1");
            if (fields[col] == "1")
                s.switches |= static_cast<uint8_t>(1u << i);
        }
        if (!whole<uint8_t>(fields[col], 255, s.workMode) || !whole<uint16_t>(fields[col + 1], 65535, s.errorAct)
            || !whole<uint16_t>(fields[col + 2], 65535, s.errorMemo))
            return fail(lineNo, "work mode or error bits out of range");
        result.samples.push_back(s);
    }
    if (lineNo == 0)
        return fail(1, "the file is empty");
    return result;
}

StatusCsv::ReadResult StatusCsv::readFile(const std::string& path)
{
    ReadResult result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = "cannot open " + path + ": " + std::strerror(errno);
        return result;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxFileBytes) {
        result.error = path + " is larger than " + std::to_string(kMaxFileBytes / (1024 * 1024)) + " MiB";
        return result;
    }
    std::string text(static_cast<size_t>(size), '\0');
    in.seekg(0);
    if (!in.read(text.data(), size)) {
        result.error = "cannot read " + path;
        return result;
    }
    return read(text);
}

} // namespace kdx
