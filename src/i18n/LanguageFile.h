#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kdx {

// One entry line of a language file: a six-digit key and its text (bytes as
// stored in the file, before any character-set decoding).
struct LanguageEntry {
    int key;
    std::string text;
};

struct LanguageFileContent {
    std::vector<LanguageEntry> entries;
    // Set when a key was not a decimal number: reading stopped there, the
    // entries before it stand. Text is "'<key>' is not a valid integer value".
    std::optional<std::string> error;
};

// Longest text kept from a line; the rest of that line is dropped, so the
// following lines are read as usual.
constexpr size_t kMaxLanguageTextLength = 254;
constexpr size_t kLanguageKeyLength = 6;

// Reads language-file lines: "#" comment lines; entry lines of six key
// characters, one separator character and the text to the end of the line.
// LF or CR LF line ends. A line shorter than the six key characters (an empty
// line included) is skipped. The end of the data ends the reading anywhere.
LanguageFileContent parseLanguageFile(const std::string& bytes);

} // namespace kdx
