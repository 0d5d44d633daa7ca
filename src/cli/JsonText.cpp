#include "cli/JsonText.h"

#include <cmath>
#include <cstdio>

namespace kdx::cli {

namespace {

// Length of the valid UTF-8 sequence at text[i], or 0 when it is not one.
size_t utf8Sequence(const std::string& text, size_t i)
{
    const auto c = static_cast<unsigned char>(text[i]);
    size_t n = 0;
    uint32_t min = 0;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > text.size())
        return 0;
    uint32_t cp = c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

} // namespace

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t n = utf8Sequence(text, i);
        if (n == 0) {
            out += "\\ufffd";
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(text, i, n);
            i += n;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    return out + "\"";
}

JsonObject& JsonObject::add(const std::string& key, const std::string& value) { return raw(key, jsonString(value)); }
JsonObject& JsonObject::add(const std::string& key, int64_t value) { return raw(key, std::to_string(value)); }
JsonObject& JsonObject::add(const std::string& key, uint64_t value) { return raw(key, std::to_string(value)); }
JsonObject& JsonObject::add(const std::string& key, bool value) { return raw(key, value ? "true" : "false"); }

JsonObject& JsonObject::add(const std::string& key, double value, int decimals)
{
    if (!std::isfinite(value))
        return raw(key, "null");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return raw(key, buf); // "%f" ignores the locale's separator only in the C locale, which this program keeps
}

JsonObject& JsonObject::raw(const std::string& key, const std::string& json)
{
    m_members.emplace_back(key, json);
    return *this;
}

std::string JsonObject::text() const
{
    std::string out = "{";
    for (size_t i = 0; i < m_members.size(); ++i) {
        if (i)
            out += ",";
        out += jsonString(m_members[i].first) + ":" + m_members[i].second;
    }
    return out + "}";
}

std::string jsonArray(const std::vector<std::string>& values)
{
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i)
        out += (i ? "," : "") + values[i];
    return out + "]";
}

} // namespace kdx::cli
