#include "JsonTypes/Config/KnaJson_HolidayPeriod.h"

#include <date/date.h>

#include "DB/Tables/SystemTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

namespace {

// Compared as unsigned so that negative values fail the same check.
bool IsInRange(int value, int low, int high) {
    return static_cast<unsigned>(value) >= static_cast<unsigned>(low) &&
           static_cast<unsigned>(value) <= static_cast<unsigned>(high);
}

// Checks the range with the message formed from `format` and the value.
int ReadRangedInt(const rapidjson::Value& member, int low, int high, const char* format) {
    const int value = member.GetInt();
    if (!IsInRange(value, low, high))
        throw KnaException(__FILE__, __LINE__, "IsInRange(value, low, high)").FormatOverride(format, value);
    return value;
}

// An optional year; when given it must be in range and make a real date with the month and day.
Accessories::TCNullTypes<int> ReadOptionalYear(const rapidjson::Value& object, const char* name, int month,
                                               int day, const char* rangeFormat, const char* dateFormat) {
    Accessories::TCNullTypes<int> year;
    ReadOptionalMember(object, name, year);
    if (year.IsNull()) return year;
    const int value = year.get_Value();
    if (value < KnaJson_HolidayPeriod::MIN_YEAR || value > KnaJson_HolidayPeriod::MAX_YEAR)
        throw KnaException(__FILE__, __LINE__, "MIN_YEAR <= year && year <= MAX_YEAR")
            .FormatOverride(rangeFormat, value, KnaJson_HolidayPeriod::MIN_YEAR,
                            KnaJson_HolidayPeriod::MAX_YEAR);
    const date::year_month_day date{date::year(value), date::month(static_cast<unsigned>(month)),
                                    date::day(static_cast<unsigned>(day))};
    if (!date.ok())
        throw KnaException(__FILE__, __LINE__, "date.ok()").FormatOverride(dateFormat, value, month, day);
    return year;
}

} // namespace

KnaJson_HolidayPeriod::KnaJson_HolidayPeriod(DB::TCDBIterator& row)
    : m_AssumedWeekDay(row.Field(Table_CommonHolidayPeriods::ASSUMED_WEEKDAY).get_AsInteger()),
      m_StartYear(row.Field(Table_CommonHolidayPeriods::STARTYEAR).get_AsNullInt()),
      m_StartMonth(row.Field(Table_CommonHolidayPeriods::STARTMONTH).get_AsInteger()),
      m_StartDay(row.Field(Table_CommonHolidayPeriods::STARTDAY).get_AsInteger()),
      m_EndYear(row.Field(Table_CommonHolidayPeriods::ENDYEAR).get_AsNullInt()),
      m_EndMonth(row.Field(Table_CommonHolidayPeriods::ENDMONTH).get_AsInteger()),
      m_EndDay(row.Field(Table_CommonHolidayPeriods::ENDDAY).get_AsInteger()) {}

void KnaJson_HolidayPeriod::Clear() {
    *this = KnaJson_HolidayPeriod();
}

bool KnaJson_HolidayPeriod::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    value.AddMember("assumedWeekDay", m_AssumedWeekDay, allocator);
    value.AddMember("startYear", ToJsonValue(m_StartYear, allocator), allocator);
    value.AddMember("startMonth", m_StartMonth, allocator);
    value.AddMember("startDay", m_StartDay, allocator);
    value.AddMember("endYear", ToJsonValue(m_EndYear, allocator), allocator);
    value.AddMember("endMonth", m_EndMonth, allocator);
    value.AddMember("endDay", m_EndDay, allocator);
    return true;
}

void KnaJson_HolidayPeriod::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    const rapidjson::Value& assumedWeekDay = GetRequiredNotNullMember(value, "assumedWeekDay");
    const rapidjson::Value& startMonth = GetRequiredNotNullMember(value, "startMonth");
    const rapidjson::Value& startDay = GetRequiredNotNullMember(value, "startDay");
    const rapidjson::Value& endMonth = GetRequiredNotNullMember(value, "endMonth");
    const rapidjson::Value& endDay = GetRequiredNotNullMember(value, "endDay");

    KnaJson_HolidayPeriod period;
    period.m_AssumedWeekDay =
        ReadRangedInt(assumedWeekDay, 0, MAX_ASSUMED_WEEK_DAY,
                      "Invalid assumed week day of value [%d]. Day must be between 0 and 16.");
    period.m_StartMonth = ReadRangedInt(
        startMonth, 1, 12, "Invalid start month of value [%d]. Start month must be between 1 and 12.");
    period.m_EndMonth = ReadRangedInt(endMonth, 1, 12,
                                      "Invalid end month of value [%d]. End month must be between 1 and 12.");
    period.m_StartDay = ReadRangedInt(startDay, 1, 31,
                                      "Invalid start day of value [%d]. Start day must be between 1 and 31.");
    period.m_EndDay =
        ReadRangedInt(endDay, 1, 31, "Invalid end day of value [%d]. End day must be between 1 and 31.");
    period.m_StartYear = ReadOptionalYear(
        value, "startYear", period.m_StartMonth, period.m_StartDay,
        "Invalid start year of value [%d]. Start year, if specified, must be between %d and %d.",
        "Specified holiday start date of value year: [%d], month [%d] and day [%d] is invalid");
    period.m_EndYear = ReadOptionalYear(
        value, "endYear", period.m_EndMonth, period.m_EndDay,
        "Invalid end year of value [%d]. End year, if specified, must be between %d and %d.",
        "Specified holiday end date of value year: [%d], month [%d] and day [%d] is invalid");
    *this = period;
}

void KnaJson_HolidayPeriod::Database_Insert(const Accessories::TCRecordID& holidayID) const {
    System::TCDBHolidayPeriods periods;
    DB::TCDBAutoObject row;
    periods.CreateObject(row);
    row.Field(Table_CommonHolidayPeriods::LINK_HOLIDAY).set_AsRecordID(holidayID);
    row.Field(Table_CommonHolidayPeriods::ASSUMED_WEEKDAY).set_AsInteger(m_AssumedWeekDay);
    row.Field(Table_CommonHolidayPeriods::STARTYEAR).set_AsNullInt(m_StartYear);
    row.Field(Table_CommonHolidayPeriods::STARTMONTH).set_AsInteger(m_StartMonth);
    row.Field(Table_CommonHolidayPeriods::STARTDAY).set_AsInteger(m_StartDay);
    row.Field(Table_CommonHolidayPeriods::ENDYEAR).set_AsNullInt(m_EndYear);
    row.Field(Table_CommonHolidayPeriods::ENDMONTH).set_AsInteger(m_EndMonth);
    row.Field(Table_CommonHolidayPeriods::ENDDAY).set_AsInteger(m_EndDay);
    row.Save(false);
}

} // namespace KeynodeApi
