#include "i18n/LanguageChoice.h"

#include "link/CodePageText.h"

#include <cerrno>
#include <cstdio>
#include <vector>

namespace kdx {

std::optional<LanguageInfo> languageInfo(uint8_t code)
{
    switch (code) {
    case kLanguageEnglish: return LanguageInfo{code, "lang/ang.txt", 1, "CP1252"};
    case kLanguagePolish: return LanguageInfo{code, "lang/pol.txt", 1, "CP1250"};
    case kLanguageRussian: return LanguageInfo{code, "lang/rus.txt", 204, "CP1251"};
    case kLanguageGerman: return LanguageInfo{code, "lang/ger.txt", 1, "CP1252"};
    default: return std::nullopt;
    }
}

std::optional<uint8_t> readLanguageCode(const std::string& path)
{
    // Opened for reading and writing, like the store below: a file that
    // exists but cannot be written counts as missing.
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    if (!f)
        return kLanguageEnglish;
    const int c = std::fgetc(f);
    std::fclose(f);
    if (c == EOF)
        return std::nullopt;
    return static_cast<uint8_t>(c);
}

bool storeLanguageCode(const std::string& path, uint8_t code)
{
    std::FILE* f = std::fopen(path.c_str(), "r+b");
    // The first choice on a tool that has none yet (an installed tool starts
    // without one) makes the file; one that exists keeps the rest of its bytes.
    if (!f && errno == ENOENT)
        f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fputc(code, f) != EOF;
    return (std::fclose(f) == 0) && ok;
}

bool isValidUtf8(const std::string& bytes)
{
    size_t i = 0;
    const size_t n = bytes.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        size_t len;
        uint32_t cp;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
        else return false;
        if (i + len > n)
            return false;
        for (size_t k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(bytes[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000)
            || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::string decodeCodePage(const std::string& bytes, const char* codePage)
{
    return CodePageText::decode(bytes, codePage);
}

} // namespace kdx
