#pragma once
#include <cstdint>

#pragma GCC visibility push(default)

// Calendar date without time or zone.
struct TCDateData {
    int Year = 0;
    int Month = 0; // 1..12
    int Day = 0;   // 1..31
    bool operator==(const TCDateData& o) const { return Year == o.Year && Month == o.Month && Day == o.Day; }
};

// A point in time as whole seconds since 1970-01-01T00:00:00Z.
class TCUTCTime {
public:
    TCUTCTime() = default;
    explicit TCUTCTime(int64_t seconds) : m_Seconds(seconds) {}

    static TCUTCTime Now();
    // Midnight UTC at the start of the given day.
    static TCUTCTime FromDate(const TCDateData& date);
    static TCUTCTime FromYMDHMS(int year, int month, int day, int hour, int minute, int second);

    int64_t get_Seconds() const { return m_Seconds; }
    void GetYMD(int& year, int& month, int& day) const;
    TCDateData GetDate() const;

    bool operator==(const TCUTCTime& o) const { return m_Seconds == o.m_Seconds; }
    bool operator!=(const TCUTCTime& o) const { return m_Seconds != o.m_Seconds; }
    bool operator<(const TCUTCTime& o) const { return m_Seconds < o.m_Seconds; }

private:
    int64_t m_Seconds = 0;
};

#pragma GCC visibility pop
