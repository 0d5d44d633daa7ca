#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kdx::cli {

// A JSON string literal (quotes included) of UTF-8 text; control characters
// are escaped, bytes that are not valid UTF-8 become U+FFFD.
std::string jsonString(const std::string& text);

// One flat JSON object, members in the order they were added. Values are
// written as given: use the typed adders, or raw() for a nested value.
class JsonObject {
public:
    JsonObject& add(const std::string& key, const std::string& value);
    JsonObject& add(const std::string& key, const char* value) { return add(key, std::string(value)); }
    JsonObject& add(const std::string& key, int64_t value);
    JsonObject& add(const std::string& key, uint64_t value);
    JsonObject& add(const std::string& key, int value) { return add(key, static_cast<int64_t>(value)); }
    JsonObject& add(const std::string& key, unsigned value) { return add(key, static_cast<uint64_t>(value)); }
    JsonObject& add(const std::string& key, double value, int decimals);
    JsonObject& add(const std::string& key, bool value);
    JsonObject& raw(const std::string& key, const std::string& json);
    std::string text() const;

private:
    std::vector<std::pair<std::string, std::string>> m_members;
};

// A JSON array of already written values.
std::string jsonArray(const std::vector<std::string>& values);

} // namespace kdx::cli
