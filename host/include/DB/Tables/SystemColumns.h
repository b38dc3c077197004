#pragma once
#include "DB/TCDBBasicTable.h"

#pragma GCC visibility push(default)

// Columns of the system tables: controller units, week programs and holidays.

namespace Table_SystemKeynodes {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME;
extern const DB::TCDBFieldSpec IP;
extern const DB::TCDBFieldSpec PORT;
extern const DB::TCDBFieldSpec MAC;
extern const DB::TCDBFieldSpec IS_MASTER; // 1 for the master unit
extern const DB::TCDBFieldSpec GUID;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_SystemKeynodes

// Week-program types, fixed by the schema.
namespace Table_StaticWeekProgramTypes {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME;
extern const DB::TCDBFieldSpec DEFAULTFUNCTION; // ID of a StaticWeekProgramFunctions row of this type
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_StaticWeekProgramTypes

// Functions a period of a week program may switch to; function IDs are unique over all types.
namespace Table_StaticWeekProgramFunctions {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec WEEKTYPE; // -> StaticWeekProgramTypes
extern const DB::TCDBFieldSpec NAME;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_StaticWeekProgramFunctions

namespace Table_CommonWeekPrograms {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME;
extern const DB::TCDBFieldSpec TYPE;      // -> StaticWeekProgramTypes
extern const DB::TCDBFieldSpec IS_SYSTEM; // 1 for programs the system defines
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_CommonWeekPrograms

namespace Table_CommonWeekProgramPeriods {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec LINKTO;   // -> CommonWeekPrograms
extern const DB::TCDBFieldSpec DAYNO;    // 0..16
extern const DB::TCDBFieldSpec STARTSEC; // second of the day
extern const DB::TCDBFieldSpec FUNCTION; // -> StaticWeekProgramFunctions
extern const DB::TCDBFieldSpec USING_PROP_CLASS;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_CommonWeekProgramPeriods

namespace Table_CommonHolidays {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec NAME;
extern const DB::TCDBFieldSpec REPEATED; // 1: the periods repeat every year
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_CommonHolidays

// A date range of a holiday; years are null for a day of every year.
namespace Table_CommonHolidayPeriods {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec LINK_HOLIDAY; // -> CommonHolidays
extern const DB::TCDBFieldSpec ASSUMED_WEEKDAY;
extern const DB::TCDBFieldSpec STARTYEAR;
extern const DB::TCDBFieldSpec STARTMONTH;
extern const DB::TCDBFieldSpec STARTDAY;
extern const DB::TCDBFieldSpec ENDYEAR;
extern const DB::TCDBFieldSpec ENDMONTH;
extern const DB::TCDBFieldSpec ENDDAY;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_CommonHolidayPeriods

#pragma GCC visibility pop
