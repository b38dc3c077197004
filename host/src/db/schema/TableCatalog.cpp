#include "DB/Tables/AllTables.h"
#include "db/Schema.h"

// Listed parents before the tables that link to them, the order the schema creates them in.
const std::vector<const DB::TCDBTableSpec*>& DB::AllTableSpecs() {
    static const std::vector<const TCDBTableSpec*> specs = {
        &Table_SystemKeynodes::SPEC,
        &Table_StaticWeekProgramTypes::SPEC,
        &Table_StaticWeekProgramFunctions::SPEC,
        &Table_CommonWeekPrograms::SPEC,
        &Table_CommonWeekProgramPeriods::SPEC,
        &Table_CommonHolidays::SPEC,
        &Table_CommonHolidayPeriods::SPEC,
        &Table_AccessDoors::SPEC,
        &Table_AccessReaders::SPEC,
        &Table_AccessMultiDoorsLink::SPEC,
        &Table_AccessCardTypes::SPEC,
        &Table_AccessCardHolders::SPEC,
        &Table_AccessCards::SPEC,
        &Table_AccessGroups::SPEC,
        &Table_AccessGroupRights::SPEC,
        &Table_AccessCardAccessGroupLinks::SPEC,
        &Table_WebUsers::SPEC,
        &Table_WebUserClaims::SPEC,
        &Table_WebCloudUsers::SPEC,
        &Table_EventLog::SPEC,
        &Table_EventLogDetails::SPEC,
        &Table_EventTypeTagLinks::SPEC,
    };
    return specs;
}
