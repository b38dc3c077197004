#pragma once

#pragma GCC visibility push(default)

// Stable numbers of the host tables (TCDBTableSpec::TableID). They appear in change notifications, in
// external-ID and rights rows and in event details, so a number is never reused or changed.
// Ranges: 3000 system, 4000 access, 5000 web, 6000 event log.
namespace DB::TableNumber {

constexpr int SystemKeynodes = 3001;
constexpr int StaticWeekProgramTypes = 3010;
constexpr int StaticWeekProgramFunctions = 3011;
constexpr int CommonWeekPrograms = 3012;
constexpr int CommonWeekProgramPeriods = 3013;
constexpr int CommonHolidays = 3020;
constexpr int CommonHolidayPeriods = 3021;

constexpr int AccessDoors = 4001;
constexpr int AccessReaders = 4002;
constexpr int AccessMultiDoorsLink = 4003;
constexpr int AccessCardTypes = 4010;
constexpr int AccessCardHolders = 4011;
constexpr int AccessCards = 4012;
constexpr int AccessGroups = 4020;
constexpr int AccessGroupRights = 4021;
constexpr int AccessCardAccessGroupLinks = 4022;

constexpr int WebUsers = 5030;
constexpr int WebUserClaims = 5031;
constexpr int WebCloudUsers = 5032;

constexpr int EventLog = 6001;
constexpr int EventLogDetails = 6002;
constexpr int EventTypeTagLinks = 6003;

} // namespace DB::TableNumber

#pragma GCC visibility pop
