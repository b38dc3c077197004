#include "Accessories/TCUTCTime.h"
#include "Host/TCException.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

constexpr int64_t kDay = 86400;

bool IsLeap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

} // namespace

TEST(UTCTime, KnownInstants) {
    EXPECT_EQ(TCUTCTime::FromYMDHMS(1970, 1, 1, 0, 0, 0).get_Seconds(), 0);
    EXPECT_EQ(TCUTCTime::FromYMDHMS(2000, 2, 29, 12, 30, 15).get_Seconds(), 951827415);
    EXPECT_EQ(TCUTCTime::FromYMDHMS(2038, 1, 19, 3, 14, 8).get_Seconds(), 2147483648LL);
    EXPECT_EQ(TCUTCTime::FromYMDHMS(1969, 12, 31, 23, 59, 59).get_Seconds(), -1);
    EXPECT_EQ(TCUTCTime::FromYMDHMS(1900, 1, 1, 0, 0, 0).get_Seconds(), -2208988800LL);
}

TEST(UTCTime, BeforeEpochSplitsIntoThePreviousDay) {
    int year = 0, month = 0, day = 0;
    TCUTCTime(-1).GetYMD(year, month, day);
    EXPECT_EQ(year, 1969);
    EXPECT_EQ(month, 12);
    EXPECT_EQ(day, 31);
    EXPECT_EQ(TCUTCTime(-kDay).GetDate(), (TCDateData{1969, 12, 31}));
    EXPECT_EQ(TCUTCTime(-kDay - 1).GetDate(), (TCDateData{1969, 12, 30}));
}

TEST(UTCTime, EveryDayRoundTripsAcrossCenturies) {
    // Walking day by day checks month lengths and leap days against the plain Gregorian rule.
    TCUTCTime midnight = TCUTCTime::FromYMDHMS(1899, 12, 31, 0, 0, 0);
    TCDateData previous = midnight.GetDate();
    for (int64_t seconds = midnight.get_Seconds() + kDay;
         seconds < TCUTCTime::FromYMDHMS(2101, 1, 1, 0, 0, 0).get_Seconds(); seconds += kDay) {
        const TCDateData date = TCUTCTime(seconds + kDay - 1).GetDate();
        ASSERT_EQ(TCUTCTime::FromDate(date).get_Seconds(), seconds);
        const bool newMonth = date.Day == 1;
        if (newMonth) {
            ASSERT_EQ(date.Month, previous.Month % 12 + 1);
            if (previous.Month == 2) {
                ASSERT_EQ(previous.Day, IsLeap(previous.Year) ? 29 : 28) << previous.Year;
            }
        } else {
            ASSERT_EQ(date.Day, previous.Day + 1);
        }
        previous = date;
    }
    EXPECT_EQ(previous, (TCDateData{2100, 12, 31}));
}

TEST(UTCTime, RejectsImpossibleDatesAndTimes) {
    EXPECT_THROW(TCUTCTime::FromYMDHMS(1900, 2, 29, 0, 0, 0), TCException);
    EXPECT_THROW(TCUTCTime::FromYMDHMS(2023, 13, 1, 0, 0, 0), TCException);
    EXPECT_THROW(TCUTCTime::FromYMDHMS(2023, 0, 1, 0, 0, 0), TCException);
    EXPECT_THROW(TCUTCTime::FromYMDHMS(2023, 4, 31, 0, 0, 0), TCException);
    EXPECT_THROW(TCUTCTime::FromYMDHMS(2023, 4, 1, 24, 0, 0), TCException);
    EXPECT_THROW(TCUTCTime::FromYMDHMS(2023, 4, 1, 0, -1, 0), TCException);
    EXPECT_NO_THROW(TCUTCTime::FromYMDHMS(2000, 2, 29, 23, 59, 59));
}

TEST(UTCTime, NowMatchesSystemClock) {
    const int64_t before = static_cast<int64_t>(std::time(nullptr));
    const int64_t now = TCUTCTime::Now().get_Seconds();
    const int64_t after = static_cast<int64_t>(std::time(nullptr));
    EXPECT_LE(before, now);
    EXPECT_LE(now, after);
}
