#include "Access/TCAccessDecision.h"

#include <ctime>
#include <set>
#include <tuple>

#include "DB/Tables/AccessTables.h"
#include "DB/Tables/SystemTables.h"

using Accessories::TCRecordID;

namespace Access {
namespace {

// Week-program functions that open a door: access, and access with PIN (a simulated read has no PIN pad).
constexpr int kFunctionAccess = 101, kFunctionAccessWithPin = 102;

bool WithinPeriod(DB::TCDBIterator& row, const DB::TCDBFieldSpec& from, const DB::TCDBFieldSpec& to,
                  const TCUTCTime& now) {
    const int64_t seconds = now.get_Seconds();
    if (!row.Field(from).IsNull() && row.Field(from).get_AsDateTime().get_Seconds() > seconds) return false;
    if (!row.Field(to).IsNull() && row.Field(to).get_AsDateTime().get_Seconds() < seconds) return false;
    return true;
}

// Whether a holiday period covers the date. Periods of repeated holidays, and periods without years,
// recur every year and may run over New Year.
bool Covers(DB::TCDBIterator& period, bool repeated, const TCLocalTime& now) {
    namespace HP = Table_CommonHolidayPeriods;
    const auto startMD = std::make_tuple(period.Field(HP::STARTMONTH).get_AsInteger(),
                                         period.Field(HP::STARTDAY).get_AsInteger());
    const auto endMD =
        std::make_tuple(period.Field(HP::ENDMONTH).get_AsInteger(), period.Field(HP::ENDDAY).get_AsInteger());
    const auto todayMD = std::make_tuple(now.Month, now.Day);
    if (repeated || period.Field(HP::STARTYEAR).IsNull() || period.Field(HP::ENDYEAR).IsNull())
        return startMD <= endMD ? startMD <= todayMD && todayMD <= endMD
                                : todayMD >= startMD || todayMD <= endMD;
    const auto start = std::tuple_cat(std::make_tuple(period.Field(HP::STARTYEAR).get_AsInteger()), startMD);
    const auto end = std::tuple_cat(std::make_tuple(period.Field(HP::ENDYEAR).get_AsInteger()), endMD);
    const auto today = std::make_tuple(now.Year, now.Month, now.Day);
    return start <= today && today <= end;
}

// The function of the program's period that runs at the moment: the last period of the day that started.
int FunctionAt(const TCRecordID& weekProgram, int dayNumber, int secondOfDay) {
    namespace P = Table_CommonWeekProgramPeriods;
    System::TCDBWeekProgramPeriods periods;
    DB::TCDBIterator row = periods.SelectTop(
        "*", 1, P::LINKTO == weekProgram && P::DAYNO == dayNumber && P::STARTSEC <= secondOfDay,
        DB::TCDBOrder(P::STARTSEC, true));
    return row.IsNotEnd() ? row.Field(P::FUNCTION).get_AsInteger() : 0;
}

} // namespace

TCLocalTime TCLocalTime::FromUtc(const TCUTCTime& utc) {
    const std::time_t seconds = static_cast<std::time_t>(utc.get_Seconds());
    std::tm local{};
    localtime_r(&seconds, &local);
    TCLocalTime time;
    time.Utc = utc;
    time.Year = local.tm_year + 1900;
    time.Month = local.tm_mon + 1;
    time.Day = local.tm_mday;
    time.Weekday = (local.tm_wday + 6) % 7;
    time.SecondOfDay = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    return time;
}

const char* DenialReasonText(TEAccessDenial reason) {
    switch (reason) {
    case TEAccessDenial::None:
        return "";
    case TEAccessDenial::UnknownCard:
        return "unknown card";
    case TEAccessDenial::Blocked:
        return "blocked";
    case TEAccessDenial::HolderNotValid:
        return "holder not valid now";
    case TEAccessDenial::LinkNotValid:
        return "link not valid now";
    case TEAccessDenial::NoRight:
        return "no right on this door";
    case TEAccessDenial::WeekProgram:
        return "week program says no access now";
    case TEAccessDenial::DoorBlocked:
        return "door blocked";
    }
    return "";
}

TCRecordID FindCard(const TCCardData& presented) {
    std::string number;
    if (presented.CardNumber.IsNotNull())
        number = presented.CardNumber.get_Value();
    else if (!presented.ChipID.IsNull())
        number = std::to_string(presented.ChipID.get_Number());
    else
        return {};
    TCDBAccessCards cards;
    DB::TCDBIterator row =
        cards.SelectTop("*", 1, Table_AccessCards::CARDNO == number, DB::TCDBOrder(Table_AccessCards::ID));
    return row.IsNotEnd() ? row.Field(Table_AccessCards::ID).get_AsRecordID() : TCRecordID();
}

int DayNumberOf(const TCLocalTime& now) {
    namespace HP = Table_CommonHolidayPeriods;
    System::TCDBHolidays holidays;
    System::TCDBHolidayPeriods periods;
    std::set<TCRecordID> repeated;
    for (DB::TCDBIterator row = holidays.Select("*", Table_CommonHolidays::REPEATED == 1); row.IsNotEnd();
         row.Next())
        repeated.insert(row.Field(Table_CommonHolidays::ID).get_AsRecordID());
    for (DB::TCDBIterator row = periods.Select("*", HP::ASSUMED_WEEKDAY.IsNotNull(), DB::TCDBOrder(HP::ID));
         row.IsNotEnd(); row.Next())
        if (Covers(row, repeated.count(row.Field(HP::LINK_HOLIDAY).get_AsRecordID()) > 0, now))
            return row.Field(HP::ASSUMED_WEEKDAY).get_AsInteger();
    return now.Weekday;
}

TEAccessDenial DecideAccess(const TCRecordID& cardID, const TCRecordID& doorID, const TCLocalTime& now) {
    if (cardID.IsNull()) return TEAccessDenial::UnknownCard;
    TCDBAccessCards cards;
    DB::TCDBIterator card = cards.SelectPrimary(cardID);
    if (!card.IsNotEnd()) return TEAccessDenial::UnknownCard;
    if (card.Field(Table_AccessCards::BLOCKED).get_AsInteger() != 0) return TEAccessDenial::Blocked;

    const TCRecordID holderID = card.Field(Table_AccessCards::CARDHOLDER).get_AsRecordID();
    if (!holderID.IsNull()) {
        TCDBAccessCardHolders holders;
        DB::TCDBIterator holder = holders.SelectPrimary(holderID);
        if (holder.IsNotEnd() && !WithinPeriod(holder, Table_AccessCardHolders::VALID_FROM,
                                               Table_AccessCardHolders::VALID_TO, now.Utc))
            return TEAccessDenial::HolderNotValid;
    }

    // The week programs of the rights on this door that the card's links reach, valid now or not.
    namespace L = Table_AccessCardAccessGroupLinks;
    namespace GR = Table_AccessGroupRights;
    TCDBAccessCardAccessGroupLinks links;
    TCDBAccessGroupRights rights;
    std::set<TCRecordID> programs;
    bool rightOutsideLink = false;
    for (DB::TCDBIterator link = links.Select("*", L::CARD_LINK == cardID); link.IsNotEnd(); link.Next()) {
        const bool linkValid = WithinPeriod(link, L::VALID_FROM, L::VALID_TO, now.Utc);
        for (DB::TCDBIterator right =
                 rights.Select("*", GR::ACCESSGROUP == link.Field(L::ACCESS_GROUP_LINK).get_AsRecordID() &&
                                        GR::DOOR == doorID);
             right.IsNotEnd(); right.Next()) {
            if (linkValid)
                programs.insert(right.Field(GR::WEEKPROGRAM).get_AsRecordID());
            else
                rightOutsideLink = true;
        }
    }
    if (programs.empty()) return rightOutsideLink ? TEAccessDenial::LinkNotValid : TEAccessDenial::NoRight;

    const int dayNumber = DayNumberOf(now);
    for (const TCRecordID& program : programs) {
        const int function = FunctionAt(program, dayNumber, now.SecondOfDay);
        if (function == kFunctionAccess || function == kFunctionAccessWithPin) return TEAccessDenial::None;
    }
    return TEAccessDenial::WeekProgram;
}

} // namespace Access
