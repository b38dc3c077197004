// Column and table descriptions of the event tables; the SQL that creates them is in schema/.
#include "DB/Tables/EventColumns.h"
#include "DB/Tables/TableNumbers.h"

using DB::TCDBFieldSpec;
using DB::TCDBTableSpec;
using Type = DB::TEDBFieldType;

namespace Table_EventLog {
static constexpr char kTable[] = "EventLog";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec TYPE_LINK(kTable, "TYPE_LINK", Type::Integer);
const TCDBFieldSpec KEYNODE(kTable, "KEYNODE", Type::RecordID);
const TCDBFieldSpec EVENT_TIME(kTable, "EVENT_TIME", Type::DateTime);
const TCDBFieldSpec CLEAR_TIME(kTable, "CLEAR_TIME", Type::DateTime);
const TCDBFieldSpec CLEARED_BY(kTable, "CLEARED_BY", Type::RecordID);
const TCDBTableSpec SPEC{DB::TableNumber::EventLog,
                         kTable,
                         &ID,
                         {&ID, &TYPE_LINK, &KEYNODE, &EVENT_TIME, &CLEAR_TIME, &CLEARED_BY}};
} // namespace Table_EventLog

namespace Table_EventLogDetails {
static constexpr char kTable[] = "EventLogDetails";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec EVENT_LINK(kTable, "EVENT_LINK", Type::RecordID);
const TCDBFieldSpec TYPE_LINK(kTable, "TYPE_LINK", Type::Integer);
const TCDBFieldSpec VALUE(kTable, "VALUE", Type::Text);
const TCDBFieldSpec TABLE_ID(kTable, "TABLE_ID", Type::Integer);
const TCDBFieldSpec OWNER_ID(kTable, "OWNER_ID", Type::RecordID);
const TCDBTableSpec SPEC{DB::TableNumber::EventLogDetails,
                         kTable,
                         &ID,
                         {&ID, &EVENT_LINK, &TYPE_LINK, &VALUE, &TABLE_ID, &OWNER_ID}};
} // namespace Table_EventLogDetails

namespace Table_EventTypeTagLinks {
static constexpr char kTable[] = "EventTypeTagLinks";
const TCDBFieldSpec ID(kTable, "ID", Type::RecordID);
const TCDBFieldSpec EVENT_TYPE(kTable, "EVENT_TYPE", Type::Integer);
const TCDBFieldSpec TAG(kTable, "TAG", Type::Integer);
const TCDBTableSpec SPEC{DB::TableNumber::EventTypeTagLinks, kTable, &ID, {&ID, &EVENT_TYPE, &TAG}};
} // namespace Table_EventTypeTagLinks
