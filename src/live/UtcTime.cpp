#include "live/UtcTime.h"

#include <chrono>
#include <cstdio>

namespace kdx {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct Civil {
    int64_t year;
    unsigned month, day, hour, minute, second, millisecond;
};

Civil civil(int64_t utcMs)
{
    int64_t days = utcMs / 86400000;
    int64_t msOfDay = utcMs % 86400000;
    if (msOfDay < 0) {
        msOfDay += 86400000;
        --days;
    }
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
    const auto ms = static_cast<unsigned>(msOfDay);
    return {y, m, d, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
}

bool digits(std::string_view s, size_t at, size_t n, unsigned& value)
{
    value = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(s[i] - '0');
    }
    return true;
}

} // namespace

int64_t UtcTime::nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string UtcTime::iso(int64_t utcMs)
{
    const Civil c = civil(utcMs);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02u.%03uZ", static_cast<long long>(c.year),
                  c.month, c.day, c.hour, c.minute, c.second, c.millisecond);
    return text;
}

std::string UtcTime::compact(int64_t utcMs)
{
    const Civil c = civil(utcMs);
    char text[32];
    std::snprintf(text, sizeof text, "%04lld%02u%02uT%02u%02u%02uZ", static_cast<long long>(c.year), c.month,
                  c.day, c.hour, c.minute, c.second);
    return text;
}

std::optional<int64_t> UtcTime::parseIso(std::string_view s)
{
    // YYYY-MM-DDTHH:MM:SS.mmmZ
    if (s.size() != 24 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':'
        || s[19] != '.' || s[23] != 'Z')
        return std::nullopt;
    unsigned y, mo, d, h, mi, se, ms;
    if (!digits(s, 0, 4, y) || !digits(s, 5, 2, mo) || !digits(s, 8, 2, d) || !digits(s, 11, 2, h)
        || !digits(s, 14, 2, mi) || !digits(s, 17, 2, se) || !digits(s, 20, 3, ms))
        return std::nullopt;
    static const unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] || h > 23 || mi > 59 || se > 59)
        return std::nullopt;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (mo == 2 && d == 29 && !leap)
        return std::nullopt;
    return daysFromCivil(y, mo, d) * 86400000 + ((h * 60 + mi) * 60 + se) * int64_t{1000} + ms;
}

} // namespace kdx
