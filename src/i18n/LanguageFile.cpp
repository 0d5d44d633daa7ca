#include "i18n/LanguageFile.h"

#include "i18n/LanguageChoice.h"

namespace kdx {

namespace {

bool parseKey(const std::string& s, int& key)
{
    // Six characters, an optional sign then decimal digits, as the integer
    // conversion of the window framework takes them.
    size_t i = 0;
    bool negative = false;
    if (s[0] == '+' || s[0] == '-') {
        negative = s[0] == '-';
        i = 1;
    }
    if (i >= s.size())
        return false;
    int v = 0;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        v = v * 10 + (s[i] - '0');
    }
    key = negative ? -v : v;
    return true;
}

// The first `limit` characters of text: bytes, or whole UTF-8 characters.
std::string cutText(const std::string& text, bool utf8Characters)
{
    if (!utf8Characters)
        return text.substr(0, kMaxLanguageTextLength);
    size_t characters = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool lead = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (lead && ++characters > kMaxLanguageTextLength)
            return text.substr(0, i);
    }
    return text;
}

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

} // namespace

DecodedLanguageFile decodeLanguageFile(const std::string& bytes, const char* codePage)
{
    DecodedLanguageFile file;
    const bool bom = bytes.compare(0, 3, kUtf8Bom) == 0;
    const std::string body = bom ? bytes.substr(3) : bytes;
    file.utf8 = isValidUtf8(body);
    file.content = parseLanguageFile(body, file.utf8);
    if (!file.utf8)
        for (auto& entry : file.content.entries)
            entry.text = decodeCodePage(entry.text, codePage);
    return file;
}

LanguageFileContent parseLanguageFile(const std::string& bytes, bool utf8Characters)
{
    LanguageFileContent content;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t eol = bytes.find('\n', pos);
        const bool lastLine = eol == std::string::npos;
        if (lastLine)
            eol = bytes.size();
        size_t end = eol;
        if (end > pos && bytes[end - 1] == '\r')
            --end;
        const std::string line = bytes.substr(pos, end - pos);
        pos = lastLine ? bytes.size() : eol + 1;

        if (!line.empty() && line[0] == '#')
            continue;
        if (line.size() < kLanguageKeyLength)
            continue; // no whole key: skipped rather than read into the next line
        const std::string keyText = line.substr(0, kLanguageKeyLength);
        int key = 0;
        if (!parseKey(keyText, key)) {
            content.error = "'" + keyText + "' is not a valid integer value";
            break;
        }
        // The separator is one character: in a UTF-8 file a multi-byte one
        // goes whole, so the text never starts inside a character.
        size_t textStart = kLanguageKeyLength + 1;
        if (utf8Characters)
            while (textStart < line.size()
                   && (static_cast<unsigned char>(line[textStart]) & 0xC0) == 0x80)
                ++textStart;
        std::string text;
        if (line.size() > textStart)
            text = cutText(line.substr(textStart), utf8Characters);
        content.entries.push_back({key, std::move(text)});
    }
    return content;
}

} // namespace kdx
