#pragma once
#include "Access/TCCardData.h"
#include "Accessories/TCRecordID.h"
#include "Accessories/TCUTCTime.h"

#pragma GCC visibility push(default)

// How a controller decides whether a presented card opens a door, from the access configuration in the
// database. The clock is an argument, so that the decision can be checked at any moment.
namespace Access {

// A moment as the controller's week programs see it: UTC for validity periods, local calendar and time
// of day for week programs and holidays.
struct TCLocalTime {
    TCUTCTime Utc;
    int Year = 1970, Month = 1, Day = 1;
    int Weekday = 3; // 0 Monday .. 6 Sunday: the day numbers of week programs
    int SecondOfDay = 0;

    // In the time zone of the process (TZ).
    static TCLocalTime FromUtc(const TCUTCTime& utc);
};

enum class TEAccessDenial {
    None,
    UnknownCard,
    Blocked,
    HolderNotValid,
    LinkNotValid,
    NoRight,
    WeekProgram,
    DoorBlocked,
};
// "unknown card", "blocked", ... as written to the event log.
const char* DenialReasonText(TEAccessDenial reason);

// The card a reader reports: by its number, else by its chip (a card whose number is the chip number in
// decimal). Null when no card matches.
Accessories::TCRecordID FindCard(const TCCardData& presented);

// The week-program day number of the moment: the weekday, or the assumed day of a holiday period that
// covers the date (the first such period; one without an assumed day changes nothing).
int DayNumberOf(const TCLocalTime& now);

// Whether the card opens the door at `now`: not blocked, its holder and at least one of its access-group
// links valid, and the week program of one of those groups' rights on the door giving access. Denial
// reasons are checked in the order of TEAccessDenial. Whether the door itself is blocked is not looked at.
TEAccessDenial DecideAccess(const Accessories::TCRecordID& cardID, const Accessories::TCRecordID& doorID,
                            const TCLocalTime& now);

} // namespace Access

#pragma GCC visibility pop
