#pragma once
#include <string>

#include "DB/Tables/SystemColumns.h"

#pragma GCC visibility push(default)

namespace System {

class TCDBKeynodes : public DB::TCDBBasicTable {
public:
    TCDBKeynodes() : TCDBBasicTable(Table_SystemKeynodes::SPEC) {}

    // The row of the unit this process runs on; null when none is set. With `mustExist` a stored ID whose
    // row has been deleted gives null too.
    static Accessories::TCRecordID get_OwnID(bool mustExist = true);
    // GUID of the own unit's row; empty when there is no own row or it has no GUID.
    static std::string get_OwnGUID();
    // Marks a row as the own unit; a null ID clears the mark.
    static void set_OwnID(const Accessories::TCRecordID& id);
};

class TCDBWeekProgramTypes : public DB::TCDBBasicTable {
public:
    TCDBWeekProgramTypes() : TCDBBasicTable(Table_StaticWeekProgramTypes::SPEC) {}
};

class TCDBWeekProgramFunctions : public DB::TCDBBasicTable {
public:
    TCDBWeekProgramFunctions() : TCDBBasicTable(Table_StaticWeekProgramFunctions::SPEC) {}
};

class TCDBWeekPrograms : public DB::TCDBBasicTable {
public:
    TCDBWeekPrograms() : TCDBBasicTable(Table_CommonWeekPrograms::SPEC) {}

    // Deletes the program with its periods; false when there was no such program. A program that access
    // rights still use is kept and TCException thrown.
    bool DeleteByID(const Accessories::TCRecordID& weekProgramID);
    // The name to show for the current row of `row` (a row of this table), passed through the host's
    // translation so that names stored as "_t_" keys read as texts; null stays null.
    static Accessories::TCNullTypes<std::string> GetTranslatedName(DB::TCDBIterator& row);
};

class TCDBWeekProgramPeriods : public DB::TCDBBasicTable {
public:
    TCDBWeekProgramPeriods() : TCDBBasicTable(Table_CommonWeekProgramPeriods::SPEC) {}
};

class TCDBHolidays : public DB::TCDBBasicTable {
public:
    TCDBHolidays() : TCDBBasicTable(Table_CommonHolidays::SPEC) {}

    // Deletes the holiday with its periods; false when there was no such holiday.
    bool Delete(const Accessories::TCRecordID& holidayID);
};

class TCDBHolidayPeriods : public DB::TCDBBasicTable {
public:
    TCDBHolidayPeriods() : TCDBBasicTable(Table_CommonHolidayPeriods::SPEC) {}
};

} // namespace System

#pragma GCC visibility pop
