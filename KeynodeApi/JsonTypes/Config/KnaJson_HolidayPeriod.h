#pragma once
#include "JsonTypes/KnaJson_BaseType.h"

namespace DB {
class TCDBIterator;
}

namespace KeynodeApi {

// A date range of a holiday on which the controller assumes day `assumedWeekDay` (0..16, the day
// numbers of week-program periods). Without years the range names days of every year.
class KnaJson_HolidayPeriod : public KnaJson_BaseType {
public:
    static constexpr int MAX_ASSUMED_WEEK_DAY = 16;
    static constexpr int MIN_YEAR = 2000;
    static constexpr int MAX_YEAR = 3000;

    KnaJson_HolidayPeriod() = default;
    // A row of Table_CommonHolidayPeriods.
    explicit KnaJson_HolidayPeriod(DB::TCDBIterator& row);

    void Clear();

    int GetAssumedWeekDay() const { return m_AssumedWeekDay; }
    const Accessories::TCNullTypes<int>& GetStartYear() const { return m_StartYear; }
    int GetStartMonth() const { return m_StartMonth; }
    int GetStartDay() const { return m_StartDay; }
    const Accessories::TCNullTypes<int>& GetEndYear() const { return m_EndYear; }
    int GetEndMonth() const { return m_EndMonth; }
    int GetEndDay() const { return m_EndDay; }

    bool SerializeToValue(JsonAllocator& allocator, rapidjson::Value& value) const override;
    using KnaJson_BaseType::Deserialize;
    // Every value is checked before any is stored. Start and end are not compared with each other.
    void Deserialize(const rapidjson::Value& value) override;

    // Writes the period as a new row of the holiday.
    void Database_Insert(const Accessories::TCRecordID& holidayID) const;

private:
    int m_AssumedWeekDay = 0;
    Accessories::TCNullTypes<int> m_StartYear;
    int m_StartMonth = 1;
    int m_StartDay = 1;
    Accessories::TCNullTypes<int> m_EndYear;
    int m_EndMonth = 1;
    int m_EndDay = 1;
};

} // namespace KeynodeApi
