#pragma once
#include "DB/TCDBBasicTable.h"

#pragma GCC visibility push(default)

// Columns of the event log.

namespace Table_EventLog {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec TYPE_LINK; // event type number
extern const DB::TCDBFieldSpec KEYNODE;   // unit the event comes from; kept after the unit is removed
extern const DB::TCDBFieldSpec EVENT_TIME;
extern const DB::TCDBFieldSpec CLEAR_TIME;
extern const DB::TCDBFieldSpec CLEARED_BY;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_EventLog

namespace Table_EventLogDetails {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec EVENT_LINK; // -> EventLog
extern const DB::TCDBFieldSpec TYPE_LINK;  // detail definition number
extern const DB::TCDBFieldSpec VALUE;
extern const DB::TCDBFieldSpec TABLE_ID; // with OWNER_ID: the record the detail names
extern const DB::TCDBFieldSpec OWNER_ID;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_EventLogDetails

// Tags group event types for filtering.
namespace Table_EventTypeTagLinks {
extern const DB::TCDBFieldSpec ID;
extern const DB::TCDBFieldSpec EVENT_TYPE;
extern const DB::TCDBFieldSpec TAG;
extern const DB::TCDBTableSpec SPEC;
} // namespace Table_EventTypeTagLinks

#pragma GCC visibility pop
