#include "link/CodePageText.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kdx {

namespace {

// 1250 for "CP1250" (or "WINDOWS-1250"); 0 when the name has no number.
UINT codePageNumber(const char* name)
{
    const char* digits = name + std::strlen(name);
    while (digits > name && digits[-1] >= '0' && digits[-1] <= '9')
        --digits;
    return static_cast<UINT>(std::strtoul(digits, nullptr, 10));
}

bool known(UINT page)
{
    CPINFO info;
    return page != 0 && ::GetCPInfo(page, &info);
}


} // namespace

std::string CodePageText::decode(const std::string& bytes, const char* codePage)
{
    const UINT page = codePageNumber(codePage);
    if (!known(page))
        return bytes;
    std::string out;
    for (const char byte : bytes) {
        wchar_t wide[2];
        int n = ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, &byte, 1, wide, 2);
        // The system maps the bytes a code page leaves undefined (0x98 in
        // 1251) to the C1 control of the same value; none stands for a letter.
        if (n == 1 && wide[0] >= 0x80 && wide[0] <= 0x9F)
            n = 0;
        char utf8[8];
        const int m = n > 0 ? ::WideCharToMultiByte(CP_UTF8, 0, wide, n, utf8, sizeof utf8, nullptr, nullptr) : 0;
        if (m > 0)
            out.append(utf8, static_cast<size_t>(m));
        else
            out += "\xEF\xBF\xBD"; // a byte the code page does not define
    }
    return out;
}

std::string CodePageText::encode(const std::string& utf8, const char* codePage)
{
    const UINT page = codePageNumber(codePage);
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const size_t len = std::min(utf8.size() - i, CodePageText::utf8SequenceLength(static_cast<unsigned char>(utf8[i])));
        wchar_t wide[2];
        const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data() + i, static_cast<int>(len),
                                            wide, 2);
        char narrow[4];
        BOOL lacked = FALSE;
        const int m = n > 0 && known(page)
            ? ::WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide, n, narrow, sizeof narrow, "?", &lacked)
            : 0;
        if (m == 1 && !lacked)
            out.push_back(narrow[0]);
        else if (n == 1 && wide[0] < 0x80)
            out.push_back(static_cast<char>(wide[0])); // ASCII, whatever the code page
        else
            out.push_back('?');
        i += len;
    }
    return out;
}

} // namespace kdx
