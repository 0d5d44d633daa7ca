#include "link/SystemFiles.h"

#include <windows.h>

#include <random>

namespace kdx {

namespace {

std::string errorText(DWORD error)
{
    char text[512] = {};
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                     text, sizeof text, nullptr);
    std::string s(text, n);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.'))
        s.pop_back();
    return s.empty() ? "error " + std::to_string(error) : s;
}

} // namespace

std::string SystemFiles::replace(const std::string& from, const std::string& to)
{
    if (!::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return errorText(::GetLastError());
    return {};
}

std::string SystemFiles::writeFresh(const std::string& prefix, const std::string& bytes, std::string& path)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 pick(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 6; ++i)
            name += letters[pick() % (sizeof letters - 1)];
        HANDLE h = ::CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS)
                continue;
            return errorText(error);
        }
        DWORD written = 0;
        const BOOL ok = ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)
            && written == bytes.size() && ::FlushFileBuffers(h);
        const DWORD error = ::GetLastError();
        ::CloseHandle(h);
        if (!ok) {
            ::DeleteFileA(name.c_str());
            return errorText(error);
        }
        path = name;
        return {};
    }
    return errorText(ERROR_FILE_EXISTS);
}

} // namespace kdx
