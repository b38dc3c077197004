#include "JsonTypes/Config/KnaJson_WeekProgramPeriod.h"

#include "DB/Tables/SystemTables.h"
#include "JsonTypes/KnaJsonMembers.h"
#include "KnaException.h"

namespace KeynodeApi {

KnaJson_WeekProgramPeriod::KnaJson_WeekProgramPeriod(DB::TCDBIterator& row)
    : m_DayNo(row.Field(Table_CommonWeekProgramPeriods::DAYNO).get_AsInteger()),
      m_StartSecond(row.Field(Table_CommonWeekProgramPeriods::STARTSEC).get_AsInteger()),
      m_Function(row.Field(Table_CommonWeekProgramPeriods::FUNCTION).get_AsInteger()) {}

bool KnaJson_WeekProgramPeriod::SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const {
    value.SetObject();
    value.AddMember("dayNo", m_DayNo, allocator);
    value.AddMember("startSecond", m_StartSecond, allocator);
    value.AddMember("function", m_Function, allocator);
    return true;
}

void KnaJson_WeekProgramPeriod::Deserialize(const rapidjson::Value& value) {
    Clear();
    AssertJsonObject(value);
    // Presence of all three first, so a missing member is reported before any value is judged.
    const rapidjson::Value& dayNo = GetRequiredNotNullMember(value, "dayNo");
    const rapidjson::Value& startSecond = GetRequiredNotNullMember(value, "startSecond");
    const rapidjson::Value& function = GetRequiredNotNullMember(value, "function");

    // Compared as unsigned so that negative values fail the same check.
    const int second = startSecond.GetInt();
    if (static_cast<unsigned>(second) > static_cast<unsigned>(MAX_START_SECOND))
        throw KnaException(__FILE__, __LINE__, "startSecond <= MAX_START_SECOND")
            .FormatOverride("Invalid start second of value [%d]. Start second must be between %d and %d.",
                            second, 0, MAX_START_SECOND);
    const int day = dayNo.GetInt();
    if (static_cast<unsigned>(day) > static_cast<unsigned>(MAX_DAY_NO))
        throw KnaException(__FILE__, __LINE__, "dayNo <= MAX_DAY_NO")
            .FormatOverride("Invalid day of value [%d]. Day must be between %d and %d.", day, 0, MAX_DAY_NO);

    m_DayNo = day;
    m_StartSecond = second;
    m_Function = function.GetInt();
}

} // namespace KeynodeApi
