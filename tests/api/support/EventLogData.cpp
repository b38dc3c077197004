#include "support/EventLogData.h"

#include "DB/TCDBTransaction.h"
#include "DB/Tables/EventTables.h"

namespace ApiTest {

namespace {

int64_t InsertEvent(const EventRow& event) {
    Event::TCDBEventLog events;
    DB::TCDBAutoObject row;
    events.CreateObject(row);
    row.Field(Table_EventLog::TYPE_LINK).set_AsInteger(event.Type);
    row.Field(Table_EventLog::KEYNODE).set_AsRecordID(event.Keynode);
    row.Field(Table_EventLog::EVENT_TIME).set_AsNullDateTime(event.EventTime);
    row.Field(Table_EventLog::CLEAR_TIME).set_AsNullDateTime(event.ClearTime);
    row.Field(Table_EventLog::CLEARED_BY).set_AsRecordID(event.ClearedBy);
    row.Save();
    const Accessories::TCRecordID eventID = row.get_ID();

    Event::TCDBEventLogDetails details;
    for (const EventDetailRow& detail : event.Details) {
        DB::TCDBAutoObject detailRow;
        details.CreateObject(detailRow);
        detailRow.Field(Table_EventLogDetails::EVENT_LINK).set_AsRecordID(eventID);
        detailRow.Field(Table_EventLogDetails::TYPE_LINK).set_AsInteger(detail.Type);
        detailRow.Field(Table_EventLogDetails::VALUE).set_AsNullString(detail.Value);
        detailRow.Field(Table_EventLogDetails::TABLE_ID).set_AsNullInt(detail.TableID);
        detailRow.Field(Table_EventLogDetails::OWNER_ID).set_AsRecordID(detail.OwnerID);
        detailRow.Save();
    }
    return eventID.get_ID();
}

} // namespace

int64_t AddEventRow(const EventRow& event) {
    DB::TCDBTransaction transaction(-1);
    transaction.Begin(1, false);
    const int64_t id = InsertEvent(event);
    transaction.Commit();
    return id;
}

void AddEventRows(int count, int type) {
    DB::TCDBTransaction transaction(-1);
    transaction.Begin(1, false);
    EventRow event;
    event.Type = type;
    event.EventTime = TCUTCTime(1700000000);
    for (int detail = 0; detail < 3; ++detail)
        event.Details.push_back(
            {12105 + detail, std::string("detail text ") + std::to_string(detail), {}, {}});
    for (int i = 0; i < count; ++i)
        InsertEvent(event);
    transaction.Commit();
}

} // namespace ApiTest
