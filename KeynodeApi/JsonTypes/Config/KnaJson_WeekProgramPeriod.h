#pragma once
#include "JsonTypes/KnaJson_BaseType.h"

namespace DB {
class TCDBIterator;
}

namespace KeynodeApi {

// One switching point of a week program: from `startSecond` of day `dayNo` on, `function` applies.
// {"dayNo": 3, "startSecond": 28800, "function": 101}
class KnaJson_WeekProgramPeriod : public KnaJson_BaseType {
public:
    // Days 0..16 as the host numbers them (week days and the special days holidays assume).
    static constexpr int MAX_DAY_NO = 16;
    static constexpr int MAX_START_SECOND = 86399;

    KnaJson_WeekProgramPeriod() = default;
    KnaJson_WeekProgramPeriod(int dayNo, int startSecond, int function)
        : m_DayNo(dayNo), m_StartSecond(startSecond), m_Function(function) {}
    // A row of Table_CommonWeekProgramPeriods.
    explicit KnaJson_WeekProgramPeriod(DB::TCDBIterator& row);

    void Clear() { m_DayNo = m_StartSecond = m_Function = -1; }

    int GetDayNo() const { return m_DayNo; }
    int GetStartSecond() const { return m_StartSecond; }
    int GetFunction() const { return m_Function; }

    bool operator==(const KnaJson_WeekProgramPeriod& other) const {
        return m_DayNo == other.m_DayNo && m_StartSecond == other.m_StartSecond &&
               m_Function == other.m_Function;
    }
    bool operator!=(const KnaJson_WeekProgramPeriod& other) const { return !(*this == other); }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    using KnaJson_BaseType::Deserialize;
    // All three members are required; day and second are range-checked, the function is checked against
    // the program's type when the program is validated.
    void Deserialize(const rapidjson::Value& value) override;

private:
    int m_DayNo = -1;
    int m_StartSecond = -1;
    int m_Function = -1;
};

} // namespace KeynodeApi
