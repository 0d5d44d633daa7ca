#include "params/ParameterFile.h"

#include "params/ParameterFieldText.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <vector>

namespace kdx {

namespace {

constexpr size_t kBytesPerImageLine = 32;
constexpr size_t kImageLines = params::kImageSize / kBytesPerImageLine;
constexpr size_t kMaxValueBytes = 128;

std::string hex(uint32_t value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Unsigned number in decimal, or hexadecimal after "0x"; nothing else.
std::optional<uint32_t> parseNumber(std::string_view s, uint32_t max)
{
    unsigned base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s.size() > 10)
        return std::nullopt;
    uint64_t v = 0;
    for (char c : s) {
        const int d = hexDigit(c);
        if (d < 0 || static_cast<unsigned>(d) >= base)
            return std::nullopt;
        v = v * base + static_cast<unsigned>(d);
    }
    if (v > max)
        return std::nullopt;
    return static_cast<uint32_t>(v);
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool printable(std::string_view s)
{
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

const Field* fieldByName(std::string_view name)
{
    for (const Field* f : layout::kAllFields)
        if (name == f->name)
            return f;
    return nullptr;
}

// "Name" or "Name[e]" with e inside the field.
bool knownFieldEntry(std::string_view text)
{
    const size_t open = text.find('[');
    const Field* f = fieldByName(text.substr(0, open));
    if (!f)
        return false;
    if (open == std::string_view::npos)
        return f->count == 1;
    if (text.back() != ']')
        return false;
    const auto entry = parseNumber(text.substr(open + 1, text.size() - open - 2), 255);
    return entry && *entry < f->count && f->count > 1;
}

} // namespace

uint32_t ParameterFileFormat::crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

UtcDateTime UtcDateTime::now()
{
    const std::time_t t = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&t, &utc);
    return {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec};
}

std::string ParameterFileFormat::timeText(const UtcDateTime& t)
{
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d UTC", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

std::string ParameterFileFormat::proposedName(uint32_t serialNumber, const UtcDateTime& t, const std::string& reason)
{
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", t.year, t.month, t.day);
    std::string name = "KDX_" + hex(serialNumber, 8) + "_" + date;
    if (!reason.empty()) {
        char time[8];
        std::snprintf(time, sizeof time, "%02d%02d%02d", t.hour, t.minute, t.second);
        name += std::string("_") + time + "_" + reason;
    }
    return name + "." + kExtension;
}

std::string ParameterFileFormat::write(const ParameterFile& file)
{
    const ParameterFileInfo& i = file.info;
    const ParameterImage& image = file.image;
    std::string out;
    out += std::string(kFirstLine) + "\n";
    out += "# Saved parameters of a KDX controller. The image lines are loaded; the\n"
           "# field lines show the same values in the editors' units.\n";
    out += "serial = 0x" + hex(i.serialNumber, 8) + "\n";
    out += "hardware = " + std::to_string(i.hardwareVersion) + "\n";
    out += "software = " + std::to_string(i.softwareVersion) + "\n";
    out += "revision = " + std::to_string(i.softwareRevision) + "\n";
    out += "program = " + i.programVersion + "\n";
    out += "saved = " + i.savedUtc + "\n";
    if (!i.reason.empty())
        out += "reason = " + i.reason + "\n";
    for (const Field* f : layout::kAllFields)
        for (size_t e = 0; e < f->count; ++e)
            out += "field " + ParameterFieldText::name(*f, e) + " = "
                   + ParameterFieldText::value(image, *f, e, '.') + "\n";
    for (size_t line = 0; line < kImageLines; ++line) {
        out += "image " + hex(static_cast<uint32_t>(line * kBytesPerImageLine), 3) + " = ";
        for (size_t b = 0; b < kBytesPerImageLine; ++b)
            out += hex(image.byte(line * kBytesPerImageLine + b), 2);
        out += "\n";
    }
    out += "checksum = 0x" + hex(crc32(image.data(), image.size()), 8) + "\n";
    out += "end\n";
    return out;
}

ParameterFileRead ParameterFileFormat::read(std::string_view text)
{
    ParameterFileRead result;
    auto fail = [&](size_t line, const std::string& why) {
        result.error = line ? "Not a usable parameter file (line " + std::to_string(line) + "): " + why
                            : "Not a usable parameter file: " + why;
        return result;
    };
    if (text.size() > kMaxFileBytes)
        return fail(0, "larger than " + std::to_string(kMaxFileBytes) + " bytes.");

    ParameterFile file;
    std::array<bool, kImageLines> imageSeen{};
    size_t imageLines = 0;
    std::optional<uint32_t> serial, checksum;
    std::optional<uint32_t> hardware, software, revision;
    bool program = false, saved = false, ended = false;
    struct FieldLine {
        size_t lineNo;
        std::string value;
    };
    std::map<std::string, FieldLine> fieldLines; // entry name as written, e.g. "ManualTrigP1Ton[3]"

    size_t pos = 0;
    size_t lineNo = 0;
    while (pos < text.size()) {
        const size_t nl = text.find('\n', pos);
        std::string_view line = text.substr(pos, nl == std::string_view::npos ? text.size() - pos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > kMaxLineBytes)
            return fail(lineNo, "line too long.");
        if (!printable(line))
            return fail(lineNo, "control characters in the text.");
        if (lineNo == 1) {
            if (line != kFirstLine)
                return fail(1, std::string("the first line is not \"") + kFirstLine + "\".");
            continue;
        }
        const std::string_view t = trim(line);
        if (t.empty() || t.front() == '#')
            continue;
        if (ended)
            return fail(lineNo, "text after \"end\".");
        if (t == "end") {
            ended = true;
            continue;
        }
        const size_t eq = t.find('=');
        if (eq == std::string_view::npos)
            return fail(lineNo, "expected \"name = value\".");
        const std::string_view key = trim(t.substr(0, eq));
        const std::string_view value = trim(t.substr(eq + 1));
        if (value.size() > kMaxValueBytes && key.substr(0, 6) != "image ")
            return fail(lineNo, "value too long.");
        if (checksum && key != "checksum")
            return fail(lineNo, "only \"end\" may follow the checksum.");

        auto number = [&](std::optional<uint32_t>& slot, uint32_t max) -> bool {
            if (slot)
                return false;
            slot = parseNumber(value, max);
            return slot.has_value();
        };
        if (key == "serial") {
            if (!number(serial, 0xFFFFFFFFu))
                return fail(lineNo, "bad or repeated serial number.");
        } else if (key == "hardware") {
            if (!number(hardware, 0xFF))
                return fail(lineNo, "bad or repeated hardware version.");
        } else if (key == "software") {
            if (!number(software, 0xFF))
                return fail(lineNo, "bad or repeated software version.");
        } else if (key == "revision") {
            if (!number(revision, 0xFF))
                return fail(lineNo, "bad or repeated software revision.");
        } else if (key == "program") {
            if (program)
                return fail(lineNo, "repeated program version.");
            program = true;
            file.info.programVersion = std::string(value);
        } else if (key == "saved") {
            if (saved)
                return fail(lineNo, "repeated time of saving.");
            saved = true;
            file.info.savedUtc = std::string(value);
        } else if (key == "reason") {
            file.info.reason = std::string(value);
        } else if (key.substr(0, 6) == "field ") {
            const std::string entry(trim(key.substr(6)));
            if (!knownFieldEntry(entry))
                return fail(lineNo, "unknown field \"" + entry + "\".");
            if (!fieldLines.emplace(entry, FieldLine{lineNo, std::string(value)}).second)
                return fail(lineNo, "field \"" + entry + "\" repeated.");
        } else if (key.substr(0, 6) == "image ") {
            const auto offset = parseNumber("0x" + std::string(trim(key.substr(6))), 0xFFF);
            if (!offset || *offset % kBytesPerImageLine != 0 || *offset >= params::kImageSize)
                return fail(lineNo, "bad image offset.");
            const size_t index = *offset / kBytesPerImageLine;
            if (imageSeen[index])
                return fail(lineNo, "image offset repeated.");
            if (value.size() != 2 * kBytesPerImageLine)
                return fail(lineNo, "an image line holds " + std::to_string(kBytesPerImageLine)
                                        + " bytes as " + std::to_string(2 * kBytesPerImageLine) + " hex digits.");
            for (size_t b = 0; b < kBytesPerImageLine; ++b) {
                const int hi = hexDigit(value[2 * b]);
                const int lo = hexDigit(value[2 * b + 1]);
                if (hi < 0 || lo < 0)
                    return fail(lineNo, "not a hex digit in the image.");
                file.image.setByte(*offset + b, static_cast<uint8_t>(hi * 16 + lo));
            }
            imageSeen[index] = true;
            ++imageLines;
        } else if (key == "checksum") {
            if (imageLines != kImageLines)
                return fail(lineNo, "the image is incomplete (" + std::to_string(imageLines) + " of "
                                        + std::to_string(kImageLines) + " lines).");
            if (!number(checksum, 0xFFFFFFFFu))
                return fail(lineNo, "bad or repeated checksum.");
        } else {
            return fail(lineNo, "unknown entry \"" + std::string(key) + "\".");
        }
    }
    if (lineNo == 0)
        return fail(0, "the file is empty.");
    if (!checksum)
        return fail(0, "the file ends before its checksum (truncated?).");
    if (!ended)
        return fail(0, "the file ends before \"end\" (truncated?).");
    if (!serial || !hardware || !software || !revision || !program || !saved)
        return fail(0, "the serial number, versions, program or time of saving is missing.");
    const uint32_t actual = crc32(file.image.data(), file.image.size());
    if (actual != *checksum)
        return fail(0, "the checksum does not match the image (file damaged or edited): 0x" + hex(*checksum, 8)
                           + " written, 0x" + hex(actual, 8) + " computed.");
    if (*serial != file.image.serialNumber())
        return fail(0, "the serial number 0x" + hex(*serial, 8) + " is not the image's 0x"
                           + hex(file.image.serialNumber(), 8) + ".");
    // The field lines are what a person reads and may have edited: each must
    // be there once and say what the image holds, or the file is refused
    // rather than loaded with values nobody meant.
    for (const Field* f : layout::kAllFields)
        for (size_t e = 0; e < f->count; ++e) {
            const std::string name = ParameterFieldText::name(*f, e);
            const auto found = fieldLines.find(name);
            if (found == fieldLines.end())
                return fail(0, "the field line for " + name + " is missing.");
            const std::string held = ParameterFieldText::value(file.image, *f, e, '.');
            if (found->second.value != held)
                return fail(found->second.lineNo, "field " + name + " = " + found->second.value
                                                      + " disagrees with the image, which holds " + held
                                                      + " (edited by hand? the image lines are what is loaded).");
        }
    file.info.serialNumber = *serial;
    file.info.hardwareVersion = static_cast<uint8_t>(*hardware);
    file.info.softwareVersion = static_cast<uint8_t>(*software);
    file.info.softwareRevision = static_cast<uint8_t>(*revision);
    result.file = std::move(file);
    return result;
}

} // namespace kdx
