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

// Longest text kept from a line, in characters (bytes of an 8-bit file,
// whole characters of a UTF-8 one); the rest of that line is dropped, so
// the following lines are read as usual.
constexpr size_t kMaxLanguageTextLength = 254;
constexpr size_t kLanguageKeyLength = 6;

// Reads language-file lines: "#" comment lines; entry lines of six key
// characters, one separator character and the text to the end of the line.
// LF or CR LF line ends. A line shorter than the six key characters (an empty
// line included) is skipped. The end of the data ends the reading anywhere.
// With utf8Characters the text limit counts UTF-8 characters, never cutting
// one in half.
LanguageFileContent parseLanguageFile(const std::string& bytes, bool utf8Characters = false);

// A whole language file with its texts as UTF-8. The encoding is decided
// once for the file: a byte-order mark is skipped, a file that is valid UTF-8
// as a whole is read as UTF-8, any other in the language's 8-bit code page.
struct DecodedLanguageFile {
    LanguageFileContent content;
    bool utf8 = false;
};
DecodedLanguageFile decodeLanguageFile(const std::string& bytes, const char* codePage);

} // namespace kdx
