#pragma once
#include "DB/Tables/EventColumns.h"

#pragma GCC visibility push(default)

namespace Event {

class TCDBEventLog : public DB::TCDBBasicTable {
public:
    TCDBEventLog() : TCDBBasicTable(Table_EventLog::SPEC) {}
};

class TCDBEventLogDetails : public DB::TCDBBasicTable {
public:
    TCDBEventLogDetails() : TCDBBasicTable(Table_EventLogDetails::SPEC) {}
};

class TCDBEventTypeTagLinks : public DB::TCDBBasicTable {
public:
    TCDBEventTypeTagLinks() : TCDBBasicTable(Table_EventTypeTagLinks::SPEC) {}
};

} // namespace Event

#pragma GCC visibility pop
