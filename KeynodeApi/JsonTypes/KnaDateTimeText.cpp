#include "JsonTypes/KnaDateTimeText.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <date/date.h>

namespace KeynodeApi {

namespace {

using Seconds = std::chrono::duration<int64_t>;
using SysSeconds = std::chrono::time_point<std::chrono::system_clock, Seconds>;

// Patterns of the accepted forms: 'd' stands for one decimal digit, every other character for itself.
constexpr const char* DATE_PATTERN = "dddd-dd-dd";
constexpr const char* DATE_TIME_PATTERN = "dddd-dd-ddTdd:dd:dd";
constexpr const char* DATE_TIME_MS_PATTERN = "dddd-dd-ddTdd:dd:dd.ddd";

bool MatchesPattern(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool isDigit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == 'd' ? !isDigit : text[i] != pattern[i]) return false;
    }
    return true;
}

int Digits(const std::string& text, size_t pos, size_t count) {
    int value = 0;
    for (size_t i = pos; i < pos + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

} // namespace

std::string FormatDateTimeText(const TCUTCTime& time, bool withTime) {
    const SysSeconds point{Seconds(time.get_Seconds())};
    const date::sys_days day = date::floor<date::days>(point);
    const date::year_month_day ymd{day};
    const int year = static_cast<int>(ymd.year());
    // The stream-based formatter costs microseconds per call, too much for pages of a thousand events;
    // it is kept for years the fixed four-digit form cannot show.
    if (year < 0 || year > 9999)
        return withTime ? date::format("%Y-%m-%dT%H:%M:%SZ", point) : date::format("%Y-%m-%d", day);
    const int64_t seconds = (point - day).count();
    char text[32];
    if (withTime)
        std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", year,
                      static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                      static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                      static_cast<int>(seconds % 60));
    else
        std::snprintf(text, sizeof text, "%04d-%02u-%02u", year, static_cast<unsigned>(ymd.month()),
                      static_cast<unsigned>(ymd.day()));
    return text;
}

TCUTCTime ParseDateTimeText(const std::string& text, bool withTime) {
    std::string body = text;
    if (withTime && body.size() > 1) body.pop_back();

    const bool hasFraction = body.find('.') != std::string::npos;
    const char* pattern = !withTime ? DATE_PATTERN : hasFraction ? DATE_TIME_MS_PATTERN : DATE_TIME_PATTERN;
    if (!MatchesPattern(body, pattern)) return TCUTCTime(0);

    const date::year_month_day ymd{date::year(Digits(body, 0, 4)), date::month(Digits(body, 5, 2)),
                                   date::day(Digits(body, 8, 2))};
    if (!ymd.ok()) return TCUTCTime(0);
    SysSeconds point{date::sys_days(ymd)};
    if (withTime) {
        const int hour = Digits(body, 11, 2), minute = Digits(body, 14, 2), second = Digits(body, 17, 2);
        if (hour > 23 || minute > 59 || second > 59) return TCUTCTime(0);
        point += std::chrono::hours(hour) + std::chrono::minutes(minute) + std::chrono::seconds(second);
    }
    return TCUTCTime(point.time_since_epoch().count());
}

} // namespace KeynodeApi
