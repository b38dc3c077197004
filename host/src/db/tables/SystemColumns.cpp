// Column and table descriptions of the system tables; the SQL that creates them is in schema/.
#include "DB/Tables/SystemColumns.h"
#include "DB/Tables/TableNumbers.h"

using DB::TCDBFieldSpec;
using DB::TCDBTableSpec;
using Type = DB::TEDBFieldType;

namespace Table_SystemKeynodes {
static constexpr char kTable[] = "SystemKeynodes";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBFieldSpec IP(kTable, "IP", Type::Text);
const TCDBFieldSpec PORT(kTable, "PORT", Type::Integer);
const TCDBFieldSpec MAC(kTable, "MAC", Type::Text);
const TCDBFieldSpec IS_MASTER(kTable, "IS_MASTER", Type::Integer);
const TCDBFieldSpec GUID(kTable, "GUID", Type::Text);
const TCDBTableSpec SPEC{
    DB::TableNumber::SystemKeynodes, kTable, &ID, {&ID, &NAME, &IP, &PORT, &MAC, &IS_MASTER, &GUID}};
} // namespace Table_SystemKeynodes

namespace Table_StaticWeekProgramTypes {
static constexpr char kTable[] = "StaticWeekProgramTypes";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBFieldSpec DEFAULTFUNCTION(kTable, "DEFAULTFUNCTION", Type::RecordID);
const TCDBTableSpec SPEC{
    DB::TableNumber::StaticWeekProgramTypes, kTable, &ID, {&ID, &NAME, &DEFAULTFUNCTION}};
} // namespace Table_StaticWeekProgramTypes

namespace Table_StaticWeekProgramFunctions {
static constexpr char kTable[] = "StaticWeekProgramFunctions";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec WEEKTYPE(kTable, "WEEKTYPE", Type::Integer);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBTableSpec SPEC{DB::TableNumber::StaticWeekProgramFunctions, kTable, &ID, {&ID, &WEEKTYPE, &NAME}};
} // namespace Table_StaticWeekProgramFunctions

namespace Table_CommonWeekPrograms {
static constexpr char kTable[] = "CommonWeekPrograms";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBFieldSpec TYPE(kTable, "TYPE", Type::Integer);
const TCDBFieldSpec IS_SYSTEM(kTable, "IS_SYSTEM", Type::Integer);
const TCDBTableSpec SPEC{DB::TableNumber::CommonWeekPrograms, kTable, &ID, {&ID, &NAME, &TYPE, &IS_SYSTEM}};
} // namespace Table_CommonWeekPrograms

namespace Table_CommonWeekProgramPeriods {
static constexpr char kTable[] = "CommonWeekProgramPeriods";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec LINKTO(kTable, "LINKTO", Type::RecordID);
const TCDBFieldSpec DAYNO(kTable, "DAYNO", Type::Integer);
const TCDBFieldSpec STARTSEC(kTable, "STARTSEC", Type::Integer);
const TCDBFieldSpec FUNCTION(kTable, "FUNCTION", Type::Integer);
const TCDBFieldSpec USING_PROP_CLASS(kTable, "USING_PROP_CLASS", Type::Integer);
const TCDBTableSpec SPEC{DB::TableNumber::CommonWeekProgramPeriods,
                         kTable,
                         &ID,
                         {&ID, &LINKTO, &DAYNO, &STARTSEC, &FUNCTION, &USING_PROP_CLASS}};
} // namespace Table_CommonWeekProgramPeriods

namespace Table_CommonHolidays {
static constexpr char kTable[] = "CommonHolidays";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec NAME(kTable, "NAME", Type::Text);
const TCDBFieldSpec REPEATED(kTable, "REPEATED", Type::Bool);
const TCDBTableSpec SPEC{DB::TableNumber::CommonHolidays, kTable, &ID, {&ID, &NAME, &REPEATED}};
} // namespace Table_CommonHolidays

namespace Table_CommonHolidayPeriods {
static constexpr char kTable[] = "CommonHolidayPeriods";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec LINK_HOLIDAY(kTable, "LINK_HOLIDAY", Type::RecordID);
const TCDBFieldSpec ASSUMED_WEEKDAY(kTable, "ASSUMED_WEEKDAY", Type::Integer);
const TCDBFieldSpec STARTYEAR(kTable, "STARTYEAR", Type::Integer);
const TCDBFieldSpec STARTMONTH(kTable, "STARTMONTH", Type::Integer);
const TCDBFieldSpec STARTDAY(kTable, "STARTDAY", Type::Integer);
const TCDBFieldSpec ENDYEAR(kTable, "ENDYEAR", Type::Integer);
const TCDBFieldSpec ENDMONTH(kTable, "ENDMONTH", Type::Integer);
const TCDBFieldSpec ENDDAY(kTable, "ENDDAY", Type::Integer);
const TCDBTableSpec SPEC{
    DB::TableNumber::CommonHolidayPeriods,
    kTable,
    &ID,
    {&ID, &LINK_HOLIDAY, &ASSUMED_WEEKDAY, &STARTYEAR, &STARTMONTH, &STARTDAY, &ENDYEAR, &ENDMONTH, &ENDDAY}};
} // namespace Table_CommonHolidayPeriods
