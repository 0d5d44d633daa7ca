#include "i18n/LanguageFile.h"

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

} // namespace

LanguageFileContent parseLanguageFile(const std::string& bytes)
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
        std::string text;
        if (line.size() > kLanguageKeyLength + 1)
            text = line.substr(kLanguageKeyLength + 1, kMaxLanguageTextLength);
        content.entries.push_back({key, std::move(text)});
    }
    return content;
}

} // namespace kdx
