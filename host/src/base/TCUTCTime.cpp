#include "Accessories/TCUTCTime.h"

#include "Host/TCException.h"

#include <chrono>
#include <date/date.h>

namespace {

using Seconds = std::chrono::duration<int64_t>;
using SysSeconds = std::chrono::time_point<std::chrono::system_clock, Seconds>;

date::year_month_day ToCalendar(int64_t seconds) {
    return date::year_month_day(date::floor<date::days>(SysSeconds(Seconds(seconds))));
}

} // namespace

TCUTCTime TCUTCTime::Now() {
    const auto now = date::floor<Seconds>(std::chrono::system_clock::now());
    return TCUTCTime(now.time_since_epoch().count());
}

TCUTCTime TCUTCTime::FromDate(const TCDateData& date) {
    return FromYMDHMS(date.Year, date.Month, date.Day, 0, 0, 0);
}

TCUTCTime TCUTCTime::FromYMDHMS(int year, int month, int day, int hour, int minute, int second) {
    const date::year_month_day ymd{date::year(year), date::month(static_cast<unsigned>(month)),
                                   date::day(static_cast<unsigned>(day))};
    // date::month/day keep only the low bits of their argument, so the range is checked on the input too.
    if (month < 1 || month > 12 || day < 1 || day > 31 || !ymd.ok())
        throw TCException(__FILE__, __LINE__).Format("invalid date %04d-%02d-%02d", year, month, day);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        throw TCException(__FILE__, __LINE__).Format("invalid time %02d:%02d:%02d", hour, minute, second);
    const SysSeconds point = date::sys_days(ymd) + std::chrono::hours(hour) + std::chrono::minutes(minute) +
                             std::chrono::seconds(second);
    return TCUTCTime(point.time_since_epoch().count());
}

void TCUTCTime::GetYMD(int& year, int& month, int& day) const {
    const date::year_month_day ymd = ToCalendar(m_Seconds);
    year = static_cast<int>(ymd.year());
    month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    day = static_cast<int>(static_cast<unsigned>(ymd.day()));
}

TCDateData TCUTCTime::GetDate() const {
    TCDateData date;
    GetYMD(date.Year, date.Month, date.Day);
    return date;
}
