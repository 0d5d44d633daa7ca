#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kdx {

// The language chosen in lan.txt: its first byte, a raw value 1..4 (not a
// digit character).
struct LanguageInfo {
    uint8_t code;
    const char* file;     // relative to the start directory
    int charset;          // 1 default, 204 Cyrillic
    const char* codePage; // 8-bit code page of the file
};

constexpr uint8_t kLanguageEnglish = 1;
constexpr uint8_t kLanguagePolish = 2;
constexpr uint8_t kLanguageRussian = 3;
constexpr uint8_t kLanguageGerman = 4;

// The row of a code, or nullopt for any other value.
std::optional<LanguageInfo> languageInfo(uint8_t code);

// The first byte of an existing lan.txt at path; English when the file does
// not open; nullopt when it is empty (no valid code).
std::optional<uint8_t> readLanguageCode(const std::string& path);

// Replaces the first byte of lan.txt, leaving the rest; a missing file is
// created holding the code. False when it cannot be written.
bool storeLanguageCode(const std::string& path, uint8_t code);

// Bytes of the given 8-bit code page as UTF-8 (whether the file is UTF-8 is
// decided once for the whole file, see decodeLanguageFile).
std::string decodeCodePage(const std::string& bytes, const char* codePage);
bool isValidUtf8(const std::string& bytes);

} // namespace kdx
